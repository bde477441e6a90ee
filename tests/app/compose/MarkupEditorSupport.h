#pragma once

#include "compose/MarkupCanvas.h"
#include "compose/MarkupEditorView.h"
#include "compose/MarkupEditorWindow.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace tavro::test {

// A screenshot of stripes and squares in a temporary library, so that every mark shows.
inline CaptureImage writeScreenshot(const std::string& relative, int width, int height) {
    auto image = Image::create({width, height});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool stripe = ((x / 24) + (y / 24)) % 2 == 0;
            image->setPixel(x, y, stripe ? 0xFFF4F4F6 : 0xFF2B5F8A);
        }
    const auto png = image->encodePNG();
    const auto file = TavroPaths::capturesRoot() / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
    CaptureImage row;
    row.id = "5f0c2a7e-8d31-4b6a-9e2f-3c4d5e6f7a8b";
    row.captureID = "c1";
    row.imagePath = relative;
    row.width = width;
    row.height = height;
    return row;
}

// An editor controller over preferences of its own.
struct EditorFixture {
    EditorFixture()
        : legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat)
        , preferences(
              std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                          QSettings::IniFormat),
              legacy)
        , controller(preferences) {
        controller.setAlert([this](const QString& title, const QString& text) {
            alerts.push_back(title + u'|' + text);
        });
    }

    void open(const CaptureImage& image) {
        controller.present(
            image,
            [this](const Annotation& annotation,
                   AnnotationEditorWindowController::SaveAnswer answer) {
                saved.push_back(annotation);
                answer(refusal ? WriteResult<>::failure(*refusal) : WriteResult<>::success());
            },
            [this] { ++ended; });
        // The screenshot is decoded in the background; the window opens after.
        const int endedBefore = ended;
        EXPECT_TRUE(QTest::qWaitFor([&] { return controller.window() || ended != endedBefore; }));
    }
    MarkupEditorView& view() { return *controller.window()->view(); }
    MarkupCanvas& canvas() { return *view().canvas(); }

    // A left-button drag across the canvas in canvas coordinates.
    void drag(QPoint from, QPoint to, int steps = 4) {
        QTest::mousePress(&canvas(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i) {
            const QPoint at = from + (to - from) * i / steps;
            QMouseEvent move(QEvent::MouseMove, QPointF(at), canvas().mapToGlobal(QPointF(at)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&canvas(), &move);
        }
        QTest::mouseRelease(&canvas(), Qt::LeftButton, {}, to);
    }

    TempLibrary library;
    TempFolder folder;
    QSettings legacy;
    Preferences preferences;
    MarkupEditorController controller;
    std::vector<QString> alerts;
    std::vector<Annotation> saved;
    // Set: every save is answered with this failure.
    std::optional<std::string> refusal;
    int ended = 0;
};

} // namespace tavro::test
