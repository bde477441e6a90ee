#include "ImageEncoder.h"

#include "model/DownscaledRead.h"
#include "model/ImageCodecs.h"
#include "model/LibraryOpen.h"
#include "model/Paths.h"

#include <cerrno>

namespace tavro::ImageEncoder {

std::string base64(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out(4 * ((bytes.size() + 2) / 3), '=');
    char* to = out.data();
    const std::uint8_t* from = bytes.data();
    const size_t whole = bytes.size() / 3 * 3;
    for (size_t i = 0; i < whole; i += 3, to += 4) {
        const std::uint32_t group =
            std::uint32_t(from[i]) << 16 | std::uint32_t(from[i + 1]) << 8 | from[i + 2];
        to[0] = digits[group >> 18];
        to[1] = digits[(group >> 12) & 63];
        to[2] = digits[(group >> 6) & 63];
        to[3] = digits[group & 63];
    }
    if (const size_t rest = bytes.size() - whole) {
        const std::uint32_t group = std::uint32_t(from[whole]) << 16 |
                                    (rest == 2 ? std::uint32_t(from[whole + 1]) << 8 : 0);
        to[0] = digits[group >> 18];
        to[1] = digits[(group >> 12) & 63];
        if (rest == 2)
            to[2] = digits[(group >> 6) & 63];
    }
    return out;
}

std::string shownPath(const std::optional<std::filesystem::path>& file, std::string_view stored) {
    return file ? file->string()
                : (TavroPaths::capturesRoot().string() + "/" + std::string(stored));
}

std::string tooLargeReason(DeclaredSize size) {
    return std::to_string(size.width) + " \u00D7 " + std::to_string(size.height) + " pixels";
}

std::string tooLargeDiagnostic(const std::string& path, DeclaredSize size) {
    return "image too large to decode at " + path + " (" + tooLargeReason(size) + ")";
}

std::string refusedDiagnostic(const std::string& path, const std::string& link) {
    return "refused image at " + path + ": " + TavroPaths::refusedLinkText(link);
}

Prepared prepare(const std::filesystem::path& file, int maxEdge) {
    const auto opened = TavroPaths::openForReading(file);
    if (!opened.file) {
        if (opened.error == ELOOP && !opened.link.empty())
            return {Prepared::Status::linkRefused, {}, {}, opened.link};
        return {Prepared::Status::unreadable, {}};
    }
    FILE* stream = opened.file.get();
    const auto png = readDownscaledPNG(stream, maxEdge);
    if (!png) {
        if (std::fseek(stream, 0, SEEK_SET) == 0)
            if (auto declared = codec::declaredSize(stream);
                declared && !withinImageLimits(declared->width, declared->height))
                return {Prepared::Status::tooLarge, {}, *declared};
        return {Prepared::Status::unreadable, {}};
    }
    return {Prepared::Status::ready, base64(*png)};
}

} // namespace tavro::ImageEncoder
