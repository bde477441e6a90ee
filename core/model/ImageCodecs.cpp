#include "model/ImageCodecs.h"

#include <cstring>

namespace tavro::codec {

bool decode(std::span<const uint8_t> bytes, RowSink& sink) {
    const Source source{bytes};
    if (looksLikePNG(bytes))
        return decodePNG(source, sink);
    if (looksLikeJPEG(bytes))
        return decodeJPEG(source, sink);
    return false;
}

bool decode(FILE* file, RowSink& sink) {
    uint8_t head[8] = {};
    const size_t read = std::fread(head, 1, sizeof head, file);
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        // Not seekable (a pipe): read it whole, within a bound, and decode from memory.
        constexpr size_t maxStreamBytes = size_t(256) * 1024 * 1024;
        std::vector<uint8_t> bytes(head, head + read);
        uint8_t chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            if (bytes.size() + got > maxStreamBytes)
                return false;
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        return decode(bytes, sink);
    }
    const std::span<const uint8_t> signature(head, read);
    const Source source{{}, file};
    if (looksLikePNG(signature))
        return decodePNG(source, sink);
    if (looksLikeJPEG(signature))
        return decodeJPEG(source, sink);
    return false;
}

std::optional<DeclaredSize> declaredSize(FILE* file) {
    // A PNG file begins with its signature and the IHDR chunk: length, type, width, height.
    uint8_t head[24] = {};
    const size_t read = std::fread(head, 1, sizeof head, file);
    const std::span<const uint8_t> signature(head, read);
    if (looksLikePNG(signature)) {
        if (read < sizeof head || std::memcmp(head + 12, "IHDR", 4) != 0)
            return std::nullopt;
        auto bigEndian = [&](size_t at) {
            return int64_t(head[at]) << 24 | int64_t(head[at + 1]) << 16 |
                   int64_t(head[at + 2]) << 8 | int64_t(head[at + 3]);
        };
        return DeclaredSize{bigEndian(16), bigEndian(20)};
    }
    if (looksLikeJPEG(signature) && std::fseek(file, 0, SEEK_SET) == 0)
        return declaredJPEGSize({{}, file});
    return std::nullopt;
}

} // namespace tavro::codec
