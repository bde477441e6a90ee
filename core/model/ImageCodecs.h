#pragma once

#include "model/Image.h"

#include <cstdio>
#include <optional>
#include <span>
#include <vector>

// The codecs behind Image; only Image.cpp includes this.
namespace tavro::codec {

// Encoded bytes come from a buffer, or from an open file read from its current position.
struct Source {
    std::span<const uint8_t> bytes;
    FILE* file = nullptr;
};

bool looksLikePNG(std::span<const uint8_t> head);
bool looksLikeJPEG(std::span<const uint8_t> head);

std::optional<Image> decodePNG(const Source& source);
std::optional<Image> decodeJPEG(const Source& source);
std::optional<DeclaredSize> declaredJPEGSize(const Source& source);
std::optional<std::vector<uint8_t>> encodePNG(const Image& image);
std::optional<std::vector<uint8_t>> encodeJPEG(const Image& image, int quality);

// Within the limits Image sets, so a header cannot make us allocate without bound.
bool acceptableSize(int64_t width, int64_t height);

} // namespace tavro::codec
