#include "model/DownscaledRead.h"

#include "model/ImageCodecs.h"
#include "model/RowResampler.h"

#include <memory>
#include <new>
#include <vector>

namespace tavro {

namespace {

// Keeps every row, for readDownscaled(), and for a PNG whose choice of RGB or RGBA waits for the
// last pixel.
class BufferSink final : public codec::RowSink {
public:
    bool begin(PixelSize size, bool) override {
        buffer = PixelBuffer::create(size);
        return buffer.has_value();
    }
    uint32_t* nextRow() override { return buffer->row(next_); }
    bool rowDone() override {
        ++next_;
        return true;
    }
    std::optional<Whole> wholeImage() override {
        return Whole{reinterpret_cast<uint8_t*>(buffer->row(0)), buffer->view().stride};
    }

    std::optional<PixelBuffer> buffer;

private:
    int next_ = 0;
};

// Encodes the rows of an opaque image as they come; any other image is kept whole first, since
// one transparent pixel anywhere makes the file RGBA.
class EncodingSink final : public codec::RowSink {
public:
    bool begin(PixelSize size, bool opaque) override {
        if (!opaque)
            return kept_.begin(size, opaque);
        try {
            row_.resize(size_t(size.width));
            writer_.emplace(size, false);
        } catch (const std::bad_alloc&) {
            // Out of memory for the rows: the read fails like an unreadable file.
            return false;
        }
        return true;
    }
    uint32_t* nextRow() override { return writer_ ? row_.data() : kept_.nextRow(); }
    bool rowDone() override { return writer_ ? writer_->write(row_.data()) : kept_.rowDone(); }
    std::optional<Whole> wholeImage() override {
        return writer_ ? std::nullopt : kept_.wholeImage();
    }

    std::optional<std::vector<uint8_t>> finish() {
        if (writer_)
            return writer_->finish();
        return kept_.buffer ? codec::encodePNG(kept_.buffer->view()) : std::nullopt;
    }

private:
    std::optional<codec::PngRowWriter> writer_;
    std::vector<uint32_t> row_;
    BufferSink kept_;
};

// Learns the image's size from the decoder, then sends its rows down the steps Image::scaled()
// takes, or straight on when the image fits.
class DownscalingSink final : public codec::RowSink {
public:
    DownscalingSink(int maxEdge, codec::RowSink& out)
        : maxEdge_(maxEdge)
        , out_(out) {}

    bool begin(PixelSize size, bool opaque) override {
        const auto target = downscaledSize(size, maxEdge_);
        if (!target) {
            first_ = &out_;
            return out_.begin(size, opaque);
        }
        try {
            const auto steps = scalingSteps(size, *target);
            codec::RowSink* next = &out_;
            for (size_t i = steps.size(); i-- > 0;) {
                const PixelSize from = i == 0 ? size : steps[i - 1];
                steps_.push_back(std::make_unique<RowResampler>(from, steps[i], *next));
                next = steps_.back().get();
            }
            first_ = next;
        } catch (const std::bad_alloc&) {
            // Out of memory for the steps: the read fails like an unreadable file.
            return false;
        }
        return first_->begin(size, opaque);
    }
    uint32_t* nextRow() override { return first_->nextRow(); }
    bool rowDone() override { return first_->rowDone(); }
    std::optional<Whole> wholeImage() override {
        return first_ == &out_ ? out_.wholeImage() : std::nullopt;
    }

private:
    int maxEdge_;
    codec::RowSink& out_;
    std::vector<std::unique_ptr<RowResampler>> steps_;
    codec::RowSink* first_ = nullptr;
};

} // namespace

std::optional<PixelBuffer> readDownscaled(FILE* file, int maxEdge) {
    BufferSink out;
    DownscalingSink sink(maxEdge, out);
    if (!codec::decode(file, sink))
        return std::nullopt;
    return std::move(out.buffer);
}

std::optional<std::vector<uint8_t>> readDownscaledPNG(FILE* file, int maxEdge) {
    EncodingSink out;
    DownscalingSink sink(maxEdge, out);
    if (!codec::decode(file, sink))
        return std::nullopt;
    return out.finish();
}

} // namespace tavro
