#include "AgentBoard.h"
#include "Formatting.h"
#include "StandardErrorCapture.h"
#include "model/Image.h"

#include <openssl/evp.h>

using namespace tavro;
using namespace tavro::test;

namespace {

struct CaptureDetailToolTest : AgentBoard {
    // One letter per block: t for text, i for image; and the texts that are not detail blocks.
    static std::string shape(const ToolResult& result) {
        std::string out;
        for (const auto& block : result.content)
            out += block["type"] == "image" ? 'i' : 't';
        return out;
    }

    static PixelSize imageSize(const JSON& block) {
        EXPECT_EQ(block["mimeType"], "image/png");
        auto text = block["data"].get<std::string>();
        std::vector<uint8_t> bytes(text.size() / 4 * 3);
        int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const uint8_t*>(text.data()),
                                     int(text.size()));
        bytes.resize(size_t(std::max(length, 0)));
        auto image = Image::decode(bytes);
        return image ? image->size() : PixelSize{};
    }
};

} // namespace

TEST_F(CaptureDetailToolTest, ArgumentErrors) {
    add(1, "One");
    const std::string pass = "Pass `id` (one capture) or `ids` (up to 6).";
    struct Case {
        JSON arguments;
        std::string failure;
    };
    const Case cases[] = {
        {JSON::object(), pass},
        {{{"id", "  \t"}}, pass},
        {{{"ids", {" ", ""}}}, pass},
        {{{"ids", JSON::array()}, {"id", "c0000001"}}, pass},
        {{{"ids", {"a", "b", "c", "d", "e", "f", "g"}}},
         "get_capture takes at most 6 ids at a time; you passed 7."},
        {{{"ids", {"a", "b", "c", "d", "e", "f", "g", " "}}},
         "get_capture takes at most 6 ids at a time; you passed 7."},
    };
    for (const auto& c : cases) {
        auto result = call("get_capture", c.arguments);
        EXPECT_TRUE(result.isError) << c.arguments;
        EXPECT_EQ(result.content, std::vector<JSON>{ToolResult::textBlock(c.failure)})
            << c.arguments;
    }
    auto single = call("get_capture", {{"ids", "c0000001"}, {"id", "c0000001"}});
    EXPECT_FALSE(single.isError);
    EXPECT_EQ(shape(single), "t");
}

TEST_F(CaptureDetailToolTest, TextBlocksAndTheUnresolved) {
    auto one = add(1, "One");
    auto two = add(2, "Two", T - 60, writePNG("2025/06/two.png", 50, 40));
    auto result = call("get_capture", {{"ids", {"c0000001", " nothing ", "c0000002", "c0000001"}},
                                       {"include_image", false}});
    EXPECT_FALSE(result.isError);
    ASSERT_EQ(shape(result), "tttt");
    auto detail = [&](const Capture& c) {
        return Format::detail(*store->capture(c.id), std::nullopt, {}, {}, store->activity(c.id),
                              {}, T);
    };
    EXPECT_EQ(result.content[0]["text"], detail(one));
    EXPECT_EQ(result.content[1]["text"], detail(two));
    EXPECT_EQ(result.content[2]["text"], detail(one));
    EXPECT_EQ(result.content[3]["text"],
              "Could not resolve: nothing. Call list_captures for current ids.");

    auto unknown = call("get_capture", {{"id", "zzz"}});
    EXPECT_FALSE(unknown.isError);
    EXPECT_EQ(unknown.content, std::vector<JSON>{ToolResult::textBlock(
                                   "Could not resolve: zzz. Call list_captures for current ids.")});
}

TEST_F(CaptureDetailToolTest, ScreenshotsAreCaptionedScaledAndCapped) {
    auto ten = add(1, "Ten shots");
    for (int i = 0; i < 10; ++i)
        addScreenshot(ten.id, 300, 150, i == 1);
    auto result = call("get_capture", {{"id", "c0000001"}, {"max_image_edge", 50}});
    ASSERT_EQ(shape(result), "t"
                             "titititititititi"
                             "t");
    EXPECT_EQ(result.content[1]["text"], "Screenshot 1 of 10");
    EXPECT_EQ(result.content[3]["text"], "Screenshot 2 of 10 \u2014 marked up by the user");
    EXPECT_EQ(result.content[15]["text"], "Screenshot 8 of 10");
    EXPECT_EQ(result.content[17]["text"],
              "(2 more screenshot(s) on this capture not attached \u2014 ask for this capture on "
              "its own to see them.)");
    EXPECT_EQ(imageSize(result.content[2]), (PixelSize{200, 100}));

    auto big = call("get_capture", {{"id", "c0000001"}, {"max_image_edge", 10000}});
    EXPECT_EQ(imageSize(big.content[2]), (PixelSize{300, 150}));
}

TEST_F(CaptureDetailToolTest, TheImageCapSpansTheWholeCall) {
    for (int n = 1; n <= 3; ++n) {
        add(n, "Six shots");
        for (int i = 0; i < 6; ++i)
            addScreenshot(idOf(n), 20, 20);
    }
    auto result = call("get_capture", {{"ids", {"c0000001", "c0000002", "c0000003"}}});
    EXPECT_EQ(shape(result), "t"
                             "titititititi"
                             "t"
                             "titi"
                             "t"
                             "t"
                             "t");
    EXPECT_EQ(result.content[18]["text"],
              "(4 more screenshot(s) on this capture not attached \u2014 ask for this capture on "
              "its own to see them.)");
    EXPECT_EQ(result.content[20]["text"],
              "(6 more screenshot(s) on this capture not attached \u2014 ask for this capture on "
              "its own to see them.)");
}

TEST_F(CaptureDetailToolTest, AMissingFileIsReportedAndDoesNotCountAgainstTheCap) {
    auto capture = add(1, "Two shots");
    auto first = addScreenshot(capture.id, 30, 20);
    addScreenshot(capture.id, 30, 20);
    auto path = *first.displayFilePath();
    std::filesystem::remove(path);
    StandardErrorCapture errors;
    auto result = call("get_capture", {{"id", capture.id}});
    EXPECT_EQ(shape(result), "tttti");
    EXPECT_EQ(result.content[2]["text"],
              "\u26A0\uFE0E A screenshot file is missing at " + path.string() + ".");
    EXPECT_EQ(errors.text(), "[tavro-mcp] could not read image at " + path.string() + "\n");
}

TEST_F(CaptureDetailToolTest, CoverImageFallBackForCapturesWithoutScreenshotRows) {
    add(1, "Old capture", T - 60, writePNG("2025/06/old.png", 3024, 1964));
    auto result = call("get_capture", {{"id", "c0000001"}});
    ASSERT_EQ(shape(result), "ti");
    EXPECT_EQ(imageSize(result.content[1]), (PixelSize{1400, 909}));

    add(2, "Gone", T - 60, "2025/06/gone.png");
    StandardErrorCapture errors;
    EXPECT_EQ(shape(call("get_capture", {{"id", "c0000002"}})), "t");
    EXPECT_TRUE(errors.text().starts_with("[tavro-mcp] could not read image at ")) << errors.text();
}

TEST_F(CaptureDetailToolTest, AScreenshotPathLeavingTheLibraryIsNeverOpened) {
    auto capture = add(1, "Hostile");
    addScreenshot(capture.id, 20, 20);
    store->db().execute("UPDATE capture_images SET image_path = '../../../etc/passwd';");
    StandardErrorCapture errors;
    auto result = call("get_capture", {{"id", capture.id}});
    EXPECT_EQ(shape(result), "tt");
    auto shown = TavroPaths::capturesRoot().string() + "/../../../etc/passwd";
    EXPECT_EQ(result.content[1]["text"],
              "\u26A0\uFE0E A screenshot file is missing at " + shown + ".");
    EXPECT_EQ(errors.text(), "[tavro-mcp] could not read image at " + shown + "\n");
    EXPECT_NE(
        result.content[0]["text"].get<std::string>().find("  1. (not available on this computer)"),
        std::string::npos);
}

TEST_F(CaptureDetailToolTest, AScreenshotBehindASymbolicLinkIsRefusedAndNeverRead) {
    TempFolder outside;
    const auto secret = outside.path() / "c0000002-0.png";
    std::filesystem::copy_file(*TavroPaths::imageFilePath(writePNG("2025/05/real.png", 30, 20)),
                               secret);
    struct Case {
        const char* name;
        int capture;
        std::string shot; // the screenshot's stored path
        std::string link; // made a link to `target`, under the captures folder
        std::filesystem::path target;
        std::string refused;
    };
    const Case cases[] = {
        {"a file made a link", 1, "2025/06/a.png", "2025/06/a.png", secret,
         "captures/2025/06/a.png"},
        {"a month folder made a link", 2, "2025/07/c0000002-0.png", "2025/07", outside.path(),
         "captures/2025/07"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto capture = add(c.capture, "Linked");
        store->addImage(CaptureImage{.id = makeShotID(capture.id, 0),
                                     .captureID = capture.id,
                                     .position = -1,
                                     .imagePath = c.shot,
                                     .width = 30,
                                     .height = 20,
                                     .createdAt = T});
        const auto linked = TavroPaths::capturesRoot() / c.link;
        std::filesystem::create_directories(linked.parent_path());
        std::filesystem::create_symlink(c.target, linked);

        StandardErrorCapture errors;
        auto result = call("get_capture", {{"id", capture.id}});
        EXPECT_EQ(shape(result), "tt");
        const auto path = (TavroPaths::capturesRoot() / c.shot).string();
        const std::string reason =
            c.refused + " is a symbolic link, and links inside the library are not followed";
        EXPECT_EQ(result.content[1]["text"],
                  "\u26A0\uFE0E A screenshot file is refused at " + path + ": " + reason + ".");
        EXPECT_EQ(errors.text(), "[tavro-mcp] refused image at " + path + ": " + reason + "\n");
    }
}

namespace {

uint32_t crc32(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBigEndian(std::string& bytes, size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + size_t(i)] = char(value >> (8 * (width - 1 - i)));
}

// A well-formed file whose header says 40000 × 30000 pixels, which is more than is decoded.
std::string hugeHeader(const Image& small, bool png) {
    if (png) {
        auto encoded = *small.encodePNG();
        std::string bytes(encoded.begin(), encoded.end());
        putBigEndian(bytes, 16, 40000, 4);
        putBigEndian(bytes, 20, 30000, 4);
        putBigEndian(bytes, 29, crc32(reinterpret_cast<const uint8_t*>(bytes.data()) + 12, 17), 4);
        return bytes;
    }
    auto encoded = *small.encodeJPEG(0.8);
    std::string bytes(encoded.begin(), encoded.end());
    auto frame = bytes.find("\xFF\xC0");
    putBigEndian(bytes, frame + 5, 30000, 2);
    putBigEndian(bytes, frame + 7, 40000, 2);
    return bytes;
}

} // namespace

TEST_F(CaptureDetailToolTest, AScreenshotTooLargeToDecodeIsSaidToBeTooLarge) {
    for (bool png : {true, false}) {
        SCOPED_TRACE(png ? "PNG" : "JPEG");
        auto capture = add(png ? 1 : 2, "Huge");
        auto shot = addScreenshot(capture.id, 16, 16);
        auto path = *shot.displayFilePath();
        writeFile(path, hugeHeader(*Image::create({16, 16}), png));
        EXPECT_EQ(Image::declaredSize(path), (DeclaredSize{40000, 30000}));
        StandardErrorCapture errors;
        auto result = call("get_capture", {{"id", capture.id}});
        ASSERT_EQ(shape(result), "tt");
        EXPECT_EQ(result.content[1]["text"], "\u26A0\uFE0E A screenshot file is too large to "
                                             "decode at " +
                                                 path.string() + " (40000 \u00D7 30000 pixels).");
        EXPECT_EQ(errors.text(), "[tavro-mcp] image too large to decode at " + path.string() +
                                     " (40000 \u00D7 30000 pixels)\n");
    }
}

TEST_F(CaptureDetailToolTest, StoredControlCharactersNeverReachTheAgent) {
    const std::string hostile = "\x1B]0;pwned\a\x1B[2J\a\u202Egnp.exe\r";
    auto capture = add(1, "Title " + hostile + "\nsecond line\t" + hostile);
    store->setTags({"tag" + hostile}, capture.id);
    store->addComment(Comment{.id = "k1",
                              .captureID = capture.id,
                              .author = "bot" + hostile,
                              .body = "body" + hostile,
                              .createdAt = T,
                              .kind = "comment"});
    std::vector<std::string> replies;
    for (const auto& block : call("get_capture", {{"id", capture.id}}).content)
        replies.push_back(block.value("text", ""));
    replies.push_back(text("list_captures"));
    replies.push_back(text("comment_on_capture", {{"id", capture.id}, {"body", "x"}}));
    for (const auto& reply : replies) {
        for (const std::string banned : {"\x1B", "\a", "\r", "\u202E", "pwned"})
            EXPECT_EQ(reply.find(banned), std::string::npos) << reply;
    }
    EXPECT_NE(replies.front().find("Title gnp.exe\nsecond line\tgnp.exe"), std::string::npos);
    EXPECT_NE(replies.front().find("bodygnp.exe"), std::string::npos);
    EXPECT_EQ(store->capture(capture.id)->note, capture.note);
    EXPECT_EQ(store->comments(capture.id).front().body, "body" + hostile);
}
