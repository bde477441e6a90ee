#include "model/RowResampler.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace tavro {

namespace {

// cairo turns doubles into 16.16 fixed point rounding to nearest, ties to even.
int32_t fixedFromDouble(double value) {
    return int32_t(std::nearbyint(value * 65536.0));
}

double doubleFromFixed(int32_t value) {
    return double(value) / 65536.0;
}

// pixman's transform of one coordinate, v in 16.16, without a shear term.
int64_t transformed(int32_t scale, int32_t offset, int64_t v) {
    const int64_t whole = int64_t(scale) * (v >> 16) + offset;
    const int64_t fraction = int64_t(scale) * (v & 0xFFFF);
    return whole + ((fraction + 0x8000) >> 16);
}

} // namespace

RowResampler::RowResampler(PixelSize from, PixelSize to, codec::RowSink& target)
    : from_(from)
    , to_(to)
    , target_(target) {
    // Image scales with cairo_scale(to / from); cairo samples the source through the inverse,
    // rounded to 16.16. A scale that leaves the determinant within cairo's epsilon of one counts
    // as no scaling: cairo samples the nearest pixel then, without its rounding correction.
    const double xx = 1.0 / (double(to.width) / double(from.width));
    const double yy = 1.0 / (double(to.height) / double(from.height));
    Axis x{fixedFromDouble(xx), 0};
    Axis y{fixedFromDouble(yy), 0};
    const double determinant = xx * yy;
    const bool nearest = std::fabs(determinant * determinant - 1.0) < 1.0 / 256;
    if (!nearest) {
        // cairo moves the fixed-point transform so that it agrees with the exact one at the
        // centre of the target.
        const double inverseX = xx != 1.0 ? 1.0 / xx : xx;
        const double inverseY = yy != 1.0 ? 1.0 / yy : yy;
        const double centreX = to.width / 2.0, centreY = to.height / 2.0;
        for (int attempt = 0; attempt < 5; ++attempt) {
            double atX =
                doubleFromFixed(int32_t(transformed(x.scale, x.offset, fixedFromDouble(centreX))));
            double atY =
                doubleFromFixed(int32_t(transformed(y.scale, y.offset, fixedFromDouble(centreY))));
            atX = inverseX * atX - centreX;
            atY = inverseY * atY - centreY;
            const int32_t dx = fixedFromDouble(xx * atX);
            const int32_t dy = fixedFromDouble(yy * atY);
            x.offset -= dx;
            y.offset -= dy;
            if (dx == 0 && dy == 0)
                break;
        }
    }
    setUp(x, y, nearest);
}

// Target pixel i samples the source at transform(i + 0.5): bilinear filtering reads the two
// pixels around that point less half a pixel, the nearest filter the pixel just before it.
void RowResampler::setUp(Axis x, Axis y, bool nearest) {
    nearest_ = nearest;
    y_ = y;
    const int64_t before = nearest ? 1 : 0x8000;
    nextY_ = transformed(y.scale, y.offset, 0x8000) - before;
    columns_.resize(size_t(to_.width));
    int64_t at = transformed(x.scale, x.offset, 0x8000) - before;
    halvesColumns_ = !nearest;
    for (int i = 0; i < to_.width; ++i) {
        Column& column = columns_[size_t(i)];
        const int64_t left = at >> 16;
        column.left = int32_t(std::clamp<int64_t>(left, 0, from_.width - 1));
        column.right = int32_t(std::clamp<int64_t>(left + 1, 0, from_.width - 1));
        column.weight = uint32_t((at >> 9) & 127);
        halvesColumns_ = halvesColumns_ && column.left == 2 * i && column.right == 2 * i + 1 &&
                         column.weight == 64;
        at += x.scale;
    }
}

// Blending opaque pixels gives opaque pixels, and sampling them too.
bool RowResampler::begin(PixelSize size, bool opaque) {
    if (size != from_)
        return false;
    try {
        for (auto& row : rows_)
            row.resize(size_t(from_.width));
        blended_.resize(nearest_ ? 0 : size_t(from_.width) * 2);
    } catch (const std::bad_alloc&) {
        // Out of memory for the rows: the caller treats it as an unreadable image.
        return false;
    }
    return target_.begin(to_, opaque);
}

uint32_t* RowResampler::nextRow() {
    return rows_[received_ & 1].data();
}

bool RowResampler::rowDone() {
    ++received_;
    return emitReadyRows();
}

bool RowResampler::emitReadyRows() {
    const int last = received_ - 1;
    while (emitted_ < to_.height) {
        const int64_t row = nextY_ >> 16;
        const int top = int(std::clamp<int64_t>(row, 0, from_.height - 1));
        const int bottom = nearest_ ? top : int(std::clamp<int64_t>(row + 1, 0, from_.height - 1));
        if (bottom > last)
            return true;
        // Each target row moves down by at least one source row, so the last two hold it.
        if (top < last - 1)
            return false;
        uint32_t* out = target_.nextRow();
        const uint32_t* upper = rows_[top & 1].data();
        if (nearest_) {
            for (int x = 0; x < to_.width; ++x)
                out[x] = upper[columns_[size_t(x)].left];
        } else {
            blendRows(upper, rows_[bottom & 1].data(), uint32_t((nextY_ >> 9) & 127), out);
        }
        if (!target_.rowDone())
            return false;
        ++emitted_;
        nextY_ += y_.scale;
    }
    return true;
}

namespace {

constexpr uint32_t pairs = 0x00FF00FF;

void blendVertically(const uint32_t* __restrict top, const uint32_t* __restrict bottom,
                     uint32_t weight, int width, uint32_t* __restrict even,
                     uint32_t* __restrict odd) {
    const uint32_t upper = 128 - weight;
    for (int x = 0; x < width; ++x) {
        even[x] = (top[x] & pairs) * upper + (bottom[x] & pairs) * weight;
        odd[x] = ((top[x] >> 8) & pairs) * upper + ((bottom[x] >> 8) & pairs) * weight;
    }
}

// Every weight a half: the sum of the four pixels over four, truncated, which is what the
// general arithmetic gives then.
void averageBlocks(const uint32_t* __restrict top, const uint32_t* __restrict bottom, int width,
                   uint32_t* __restrict out) {
    for (int x = 0; x < width; ++x) {
        const uint32_t a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
        const uint32_t even = ((a & pairs) + (b & pairs) + (c & pairs) + (d & pairs)) >> 2;
        const uint32_t odd =
            (((a >> 8) & pairs) + ((b >> 8) & pairs) + ((c >> 8) & pairs) + ((d >> 8) & pairs)) >>
            2;
        out[x] = (even & pairs) | (odd & pairs) << 8;
    }
}

} // namespace

// pixman's bilinear arithmetic: 7-bit weights, every channel (premultiplied alike) blended
// vertically and then horizontally in whole numbers, truncated once at the end. Channels go two
// to a word with room for the products, as in pixman's own C code: 0 and 2 in one, 1 and 3 in
// the other, 16 bits each after the vertical blend and 32 after the horizontal one.
void RowResampler::blendRows(const uint32_t* top, const uint32_t* bottom, uint32_t weight,
                             uint32_t* out) {
    if (halvesColumns_ && weight == 64 && bottom != top) {
        averageBlocks(top, bottom, to_.width, out);
        return;
    }
    uint32_t* even = blended_.data();
    uint32_t* odd = even + from_.width;
    blendVertically(top, bottom, weight, from_.width, even, odd);
    auto widen = [](uint32_t lanes) {
        return uint64_t(lanes & 0xFFFF) | uint64_t(lanes >> 16) << 32;
    };
    constexpr uint64_t channels = 0x000000FF000000FFull;
    for (int x = 0; x < to_.width; ++x) {
        const Column& column = columns_[size_t(x)];
        const uint64_t right = column.weight, left = 128 - right;
        const uint64_t evenSum =
            ((widen(even[column.left]) * left + widen(even[column.right]) * right) >> 14) &
            channels;
        const uint64_t oddSum =
            ((widen(odd[column.left]) * left + widen(odd[column.right]) * right) >> 14) & channels;
        const uint64_t both = evenSum | oddSum << 8;
        out[x] = uint32_t(both) | uint32_t(both >> 16);
    }
}

} // namespace tavro
