#pragma once

#include "model/ImageCodecs.h"

#include <cstdint>
#include <vector>

namespace tavro {

// One step of Image::scaled() a row at a time: the source's rows go in through nextRow() and
// rowDone(), and each target row leaves for `target` as soon as the source rows it samples are
// in, so no more than two source rows are held. The pixels are exactly those of Image's own step
// (cairo's bilinear filter over padded edges, in pixman's fixed-point arithmetic), which the
// agent server sends without having cairo to hand.
class RowResampler final : public codec::RowSink {
public:
    // `to` must be no larger than `from` on either side.
    RowResampler(PixelSize from, PixelSize to, codec::RowSink& target);

    bool begin(PixelSize size, bool opaque) override;
    uint32_t* nextRow() override;
    bool rowDone() override;

private:
    // Where an axis of the target samples the source: position = scale * (i + 0.5) + offset,
    // in 16.16 fixed point.
    struct Axis {
        int32_t scale = 0;
        int32_t offset = 0;
    };
    // What one target column takes from the source row.
    struct Column {
        int32_t left = 0;
        int32_t right = 0;
        uint32_t weight = 0; // of the right pixel, out of 128
    };

    void setUp(Axis x, Axis y, bool nearest);
    bool emitReadyRows();
    void blendRows(const uint32_t* top, const uint32_t* bottom, uint32_t weight, uint32_t* out);

    PixelSize from_, to_;
    codec::RowSink& target_;
    bool nearest_ = false;
    bool halvesColumns_ = false; // every target column averages two whole source columns
    Axis y_;
    std::vector<Column> columns_;
    std::vector<uint32_t> rows_[2]; // the last two source rows, by row number modulo 2
    std::vector<uint32_t> blended_; // a row blended vertically: channels 0 and 2, then 1 and 3
    int received_ = 0;
    int emitted_ = 0;
    int64_t nextY_ = 0; // the sample position of target row `emitted_`
};

} // namespace tavro
