#pragma once

#include "model/Annotation.h"
#include "model/Image.h"

#include <optional>
#include <string_view>

namespace tavro {

// sRGB components, 0..1, not premultiplied.
struct RGBAColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    bool operator==(const RGBAColor&) const = default;
};

// Reads "#RRGGBB" forgivingly: white space around it and the "#" are optional; the text is read
// as one hexadecimal number below 2^32 whose low 24 bits are red, green and blue. Anything else
// gives the first palette colour, so a colour text never stops a drawing.
RGBAColor colorFromHex(std::string_view text);

namespace AnnotationRenderer {

// A new image of the same size with the mark-up flattened onto it: every blur area pixelated
// from the source image first, then the other shapes drawn on top in list order. Nothing for an
// empty mark-up or when no image of that size can be made.
std::optional<Image> render(const Annotation& annotation, const Image& image);

} // namespace AnnotationRenderer

} // namespace tavro
