// Fills the library that TAVRO_HOME names with a small fixed board for the SDK-client test and
// prints the capture ids as JSON: {"checkout": …, "typo": …, "resolved": …}.
#include "model/Image.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

using namespace tavro;

namespace {

// Writes a PNG of the given size under "captures" and returns its record.
CaptureImage screenshot(const Capture& capture, int position, int width, int height, bool marked) {
    auto image = Image::create({width, height});
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 5)
            image->setPixel(x, y, 0xFF000000u | uint32_t(x * 13 + y * 7));
    auto png = image->encodePNG();
    std::string name = capture.id + "-" + std::to_string(position);
    auto write = [&](const std::string& relative) {
        auto file = *TavroPaths::imageFilePath(relative);
        TavroPaths::ensureParentDirectory(file);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
        return relative;
    };
    CaptureImage record{.id = makeUUID(),
                        .captureID = capture.id,
                        .position = -1,
                        .imagePath = write("2025/06/" + name + ".png"),
                        .width = width,
                        .height = height,
                        .bytes = std::int64_t(png->size()),
                        .createdAt = capture.createdAt + position};
    if (marked) {
        record.annotatedPath = write("2025/06/" + name + "-marked.png");
        record.annotationJSON =
            R"({"shapes":[{"id":"s1","tool":"arrow","colorHex":"#FF3B30","lineWidth":0.005,)"
            R"("points":[{"x":0.1,"y":0.1},{"x":0.4,"y":0.4}]}]})";
    }
    return record;
}

} // namespace

int main() {
    try {
        CaptureStore store(TavroPaths::databasePath(), defaultStoreChangeNotifier());
        Seconds t = now() - 3 * 3600;

        Capture checkout{.id = makeUUID(),
                         .createdAt = t,
                         .updatedAt = t,
                         .note = "Checkout button overlaps the total\nOnly on narrow windows.",
                         .priority = CapturePriority::high,
                         .captureMode = CaptureMode::region,
                         .appName = "Firefox",
                         .appBundleID = "firefox",
                         .windowTitle = "Checkout \u2014 Shop",
                         .url = "https://shop.example/checkout"};
        auto group = store.upsertGroup(CaptureGroup{.id = makeUUID(),
                                                    .name = "checkout flow",
                                                    .colorHex = "#6E7BF2",
                                                    .createdAt = t,
                                                    .updatedAt = t});
        checkout.groupID = group.id;
        // As the app files one: the first screenshot is the cover from the start.
        auto first = screenshot(checkout, 0, 3024, 1964, false);
        checkout.imagePath = first.imagePath;
        checkout.imageWidth = first.width;
        checkout.imageHeight = first.height;
        checkout.imageBytes = first.bytes;
        store.insert(checkout);
        store.setTags({"layout", "mobile"}, checkout.id);
        store.addImage(first);
        store.addImage(screenshot(checkout, 1, 800, 600, true));

        Capture typo{.id = makeUUID(),
                     .createdAt = t + 60,
                     .updatedAt = t + 60,
                     .note = "Typo in the footer",
                     .captureMode = CaptureMode::text,
                     .appName = "Mail"};
        store.insert(typo);

        Capture resolved{.id = makeUUID(),
                         .createdAt = t - 86400,
                         .updatedAt = t,
                         .note = "Old layout bug",
                         .captureMode = CaptureMode::text};
        store.insert(resolved);
        store.resolve(resolved.id, std::string("v1.0"), "you");

        nlohmann::json ids{{"checkout", checkout.id}, {"typo", typo.id}, {"resolved", resolved.id}};
        std::printf("%s\n", ids.dump().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavro-e2e-seed: %s\n", error.what());
        return 1;
    }
    return 0;
}
