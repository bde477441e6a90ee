#pragma once

#include "compose/ComposePanel.h"
#include "desktop/X11FlowDesktop.h"
#include "library/ThumbnailLoader.h"
#include "model/Paths.h"
#include "values/PendingCapture.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QImage>
#include <QPainter>

#include <filesystem>
#include <string>
#include <vector>

namespace tavro::test {

// A pending capture whose screenshots are real PNGs in a temporary library, and a record of
// every callback the note box makes.
struct ComposeFixture {
    struct Saved {
        std::string note;
        CapturePriority priority;
        std::optional<std::string> groupID;
        std::vector<std::string> tags;
    };

    static PendingImage writeImage(const std::string& id, int width, int height, QColor color) {
        PendingImage image;
        image.id = id;
        image.written.relativePath = "2026/12/" + id + ".png";
        image.written.width = width;
        image.written.height = height;
        QImage picture(width, height, QImage::Format_ARGB32_Premultiplied);
        picture.fill(color);
        QPainter painter(&picture);
        painter.fillRect(QRect(width / 8, height / 6, width / 2, height / 5), Qt::white);
        painter.fillRect(QRect(width / 8, height / 2, width * 3 / 4, height / 8), QColor(0xE11D48));
        painter.end();
        const auto file = TavroPaths::capturesRoot() / image.written.relativePath;
        std::filesystem::create_directories(file.parent_path());
        picture.save(toQString(file.string()));
        image.image = picture;
        return image;
    }

    PendingCapture pending(int imageCount) {
        PendingCapture capture;
        capture.id = "capture-1";
        capture.mode = imageCount ? CaptureMode::region : CaptureMode::text;
        capture.context.appName = "Firefox";
        capture.context.appBundleID = "firefox";
        capture.context.windowTitle = "Sign in — Example";
        capture.context.url = "https://example.com/login?next=%2Fboard";
        const QColor colors[] = {QColor(0x4F5BD5), QColor(0x10B981), QColor(0xF59E0B)};
        for (int i = 0; i < imageCount; ++i)
            capture.images.push_back(
                writeImage("shot-" + std::to_string(i + 1), 1280 - 200 * i, 720, colors[i % 3]));
        return capture;
    }

    ComposeCallbacks callbacks() {
        ComposeCallbacks made;
        made.onSave = [this](const std::string& note, CapturePriority priority,
                             const std::optional<std::string>& groupID,
                             const std::vector<std::string>& tags) {
            saved.push_back({note, priority, groupID, tags});
        };
        made.onDiscard = [this] {
            ++discards;
        };
        made.onAddScreenshot = [this](const ComposeDraft& draft) {
            added.push_back(draft);
        };
        made.onAnnotate = [this](const PendingImage& image, const ComposeDraft&) {
            annotated.push_back(image.id);
        };
        made.onCreateGroup = [this](const std::string& name, ComposeCallbacks::GroupAnswer answer) {
            if (groupRefusal) {
                answer(WriteResult<CaptureGroup>::failure(*groupRefusal));
                return;
            }
            CaptureGroup group;
            group.id = "new-" + name;
            group.name = name;
            group.colorHex = "#10B981";
            answer(WriteResult<CaptureGroup>::success(group));
        };
        return made;
    }

    size_t calls() const { return saved.size() + discards + added.size() + annotated.size(); }

    TempLibrary library;
    ThumbnailLoader loader;
    X11FlowDesktop desktop;
    ComposePanelController controller{loader, desktop, [this] {
                                          return defaultGroup;
                                      }};
    std::optional<std::string> defaultGroup;
    // Set: every group the box asks for is refused with this reason.
    std::optional<std::string> groupRefusal;
    std::vector<Saved> saved;
    int discards = 0;
    std::vector<ComposeDraft> added;
    std::vector<std::string> annotated;
};

} // namespace tavro::test
