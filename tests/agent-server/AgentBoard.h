#pragma once

#include "CountingNotifier.h"
#include "TavroMCPServer.h"
#include "TempLibrary.h"
#include "ToolRegistry.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "store/CaptureStore.h"

#include <gtest/gtest.h>

namespace tavro::test {

// A throw-away library with a store, the tool registry and a server over it. Relative times
// are measured from the fixed moment T; the agent's default name is "claude".
struct AgentBoard : ::testing::Test {
    static constexpr Seconds T = 1750000000; // 2025-06-15T15:06:40Z

    TempLibrary library;
    std::shared_ptr<CountingNotifier> notifier = std::make_shared<CountingNotifier>();
    std::shared_ptr<CaptureStore> store =
        std::make_shared<CaptureStore>(library.database(), notifier);
    ToolRegistry tools{store, "claude", [] {
                           return T;
                       }};

    // Ids differ in their first 8 characters: "c0000001-…", "c0000002-…".
    static std::string idOf(int n) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "c%07d-0000-4000-8000-%012d", n, n);
        return buffer;
    }

    Capture add(int n, std::string note, Seconds createdAt = T - 3600, std::string imagePath = "") {
        Capture capture{.id = idOf(n),
                        .createdAt = createdAt,
                        .updatedAt = createdAt,
                        .note = std::move(note),
                        .imagePath = std::move(imagePath),
                        .captureMode = CaptureMode::text};
        store->insert(capture);
        return *store->capture(capture.id);
    }

    Capture change(const std::string& id, const std::function<void(Capture&)>& edit) {
        auto capture = *store->capture(id);
        edit(capture);
        store->update(capture);
        return *store->capture(id);
    }

    // Writes an opaque PNG of the given size under "captures" and returns its relative path.
    static std::string writePNG(const std::string& relative, int width, int height) {
        auto image = Image::create({width, height});
        for (int y = 0; y < height; y += 3)
            for (int x = 0; x < width; x += 3)
                image->setPixel(x, y, 0xFF000000u | uint32_t(x * 31 + y));
        auto png = image->encodePNG();
        writeFile(*TavroPaths::imageFilePath(relative), std::string(png->begin(), png->end()));
        return relative;
    }

    CaptureImage addScreenshot(const std::string& captureID, int width, int height,
                               bool marked = false) {
        auto count = store->images(captureID).size();
        std::string name = captureID.substr(0, 8) + "-" + std::to_string(count);
        CaptureImage image{.id = makeShotID(captureID, count),
                           .captureID = captureID,
                           .position = -1,
                           .imagePath = writePNG("2025/06/" + name + ".png", width, height),
                           .width = width,
                           .height = height,
                           .bytes = 1000,
                           .createdAt = T - 3600 + double(count)};
        if (marked) {
            image.annotatedPath = writePNG("2025/06/" + name + "-marked.png", width, height);
            image.annotationJSON =
                R"({"shapes":[{"id":"s1","tool":"arrow","colorHex":"#FF3B30","lineWidth":0.005,)"
                R"("points":[{"x":0.1,"y":0.1},{"x":0.4,"y":0.4}]}]})";
        }
        return store->addImage(image);
    }

    static std::string makeShotID(const std::string& captureID, size_t n) {
        return captureID.substr(0, 8) + "-shot-" + std::to_string(n);
    }

    ToolResult call(std::string_view name, const JSON& arguments = JSON::object()) {
        return tools.call(name, arguments);
    }

    // The text of a result that holds one text block.
    std::string text(std::string_view name, const JSON& arguments = JSON::object()) {
        auto result = call(name, arguments);
        EXPECT_EQ(result.content.size(), 1u);
        return result.content.empty() ? "" : result.content.front().value("text", "");
    }
};

} // namespace tavro::test
