#include "model/Image.h"

#include "model/ImageCodecs.h"
#include "model/LibraryOpen.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace tavro {

namespace {

struct ContextRelease {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};

// The C library keeps freed blocks of up to 32 MiB for reuse, so images below that land on
// pages already mapped. Larger ones (a 5K screenshot is 56 MiB) go back to the kernel when
// freed and come back as fresh pages, each one faulted in on first touch; in huge pages that is
// a few dozen faults instead of thousands, which makes copying such an image several times
// faster.
constexpr size_t largeImageBytes = size_t(32) << 20;

struct Mapping {
    void* address;
    size_t length;
};

void unmap(void* mapping) {
    auto* owned = static_cast<Mapping*>(mapping);
    munmap(owned->address, owned->length);
    delete owned;
}

// Fresh anonymous pages come zeroed, so the image starts transparent without a pass over it.
cairo_surface_t* createMappedSurface(PixelSize size, int stride, size_t bytes) {
    void* address =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED)
        return nullptr;
    madvise(address, bytes, MADV_HUGEPAGE);
    auto* mapping = new (std::nothrow) Mapping{address, bytes};
    if (!mapping) {
        munmap(address, bytes);
        return nullptr;
    }
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(address), CAIRO_FORMAT_ARGB32, size.width, size.height, stride);
    static cairo_user_data_key_t mappingKey;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_set_user_data(surface, &mappingKey, mapping, unmap) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        unmap(mapping);
        return nullptr;
    }
    return surface;
}

// Memory from malloc is not cleared first, unlike what cairo allocates itself.
cairo_surface_t* createUnclearedSurface(PixelSize size, int stride, size_t bytes) {
    void* address = std::malloc(bytes);
    if (!address)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(address), CAIRO_FORMAT_ARGB32, size.width, size.height, stride);
    static cairo_user_data_key_t bufferKey;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_set_user_data(surface, &bufferKey, address, std::free) !=
            CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        std::free(address);
        return nullptr;
    }
    return surface;
}

// Decodes into an image of the file's size, every row in place.
class ImageSink final : public codec::RowSink {
public:
    bool begin(PixelSize size, bool) override {
        image = Image::createForOverwrite(size);
        if (!image)
            return false;
        pixels_ = image->pixels();
        stride_ = size_t(image->stride());
        return true;
    }
    uint32_t* nextRow() override { return reinterpret_cast<uint32_t*>(pixels_ + next_ * stride_); }
    bool rowDone() override {
        ++next_;
        return true;
    }
    std::optional<Whole> wholeImage() override { return Whole{pixels_, stride_}; }

    std::optional<Image> image;

private:
    uint8_t* pixels_ = nullptr;
    size_t stride_ = 0;
    size_t next_ = 0;
};

std::optional<Image> decoded(bool complete, ImageSink& sink) {
    if (!complete)
        return std::nullopt;
    return std::move(sink.image);
}

} // namespace

void Image::SurfaceRelease::operator()(cairo_surface_t* surface) const {
    cairo_surface_destroy(surface);
}

Image::Image(cairo_surface_t* surface)
    : surface_(surface) {}
Image::Image(Image&&) noexcept = default;
Image& Image::operator=(Image&&) noexcept = default;
Image::~Image() = default;

std::optional<Image> Image::create(PixelSize size) {
    if (!withinImageLimits(size.width, size.height))
        return std::nullopt;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, size.width);
    const size_t bytes = size_t(stride) * size_t(size.height);
    cairo_surface_t* surface =
        bytes >= largeImageBytes
            ? createMappedSurface(size, stride, bytes)
            : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height);
    if (!surface)
        return std::nullopt;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::nullopt;
    }
    return Image(surface);
}

std::optional<Image> Image::createForOverwrite(PixelSize size) {
    if (!withinImageLimits(size.width, size.height))
        return std::nullopt;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, size.width);
    const size_t bytes = size_t(stride) * size_t(size.height);
    cairo_surface_t* surface = bytes >= largeImageBytes
                                   ? createMappedSurface(size, stride, bytes)
                                   : createUnclearedSurface(size, stride, bytes);
    if (!surface)
        return std::nullopt;
    return Image(surface);
}

std::optional<Image> Image::decode(std::span<const uint8_t> bytes) {
    ImageSink sink;
    return decoded(codec::decode(bytes, sink), sink);
}

std::optional<Image> Image::load(const std::filesystem::path& file) {
    const auto stream = TavroPaths::openForReading(file);
    if (!stream.file)
        return std::nullopt;
    ImageSink sink;
    return decoded(codec::decode(stream.file.get(), sink), sink);
}

std::optional<DeclaredSize> Image::declaredSize(const std::filesystem::path& file) {
    const auto stream = TavroPaths::openForReading(file);
    if (!stream.file)
        return std::nullopt;
    return codec::declaredSize(stream.file.get());
}

bool Image::withinLimits(DeclaredSize size) {
    return withinImageLimits(size.width, size.height);
}

std::optional<Image> Image::copy() const {
    auto result = create(size());
    if (result)
        std::memcpy(result->pixels(), pixels(), size_t(stride()) * size_t(height()));
    return result;
}

int Image::width() const {
    return cairo_image_surface_get_width(surface_.get());
}

int Image::height() const {
    return cairo_image_surface_get_height(surface_.get());
}

int Image::stride() const {
    return cairo_image_surface_get_stride(surface_.get());
}

uint8_t* Image::pixels() {
    // Direct writes must not race cairo's own pending drawing; for image surfaces both calls
    // are cheap bookkeeping.
    cairo_surface_flush(surface_.get());
    cairo_surface_mark_dirty(surface_.get());
    return cairo_image_surface_get_data(surface_.get());
}

const uint8_t* Image::pixels() const {
    return cairo_image_surface_get_data(surface_.get());
}

uint32_t Image::pixel(int x, int y) const {
    uint32_t value = 0;
    std::memcpy(&value, pixels() + size_t(y) * size_t(stride()) + size_t(x) * 4, 4);
    return value;
}

void Image::setPixel(int x, int y, uint32_t argb) {
    std::memcpy(pixels() + size_t(y) * size_t(stride()) + size_t(x) * 4, &argb, 4);
}

bool Image::isOpaque() const {
    return view().isOpaque();
}

std::optional<std::vector<uint8_t>> Image::encodePNG() const {
    return codec::encodePNG(view());
}

std::optional<std::vector<uint8_t>> Image::encodeJPEG(double quality) const {
    if (!std::isfinite(quality))
        return std::nullopt;
    const int percent = static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100.0));
    return codec::encodeJPEG(view(), std::max(percent, 1));
}

// One bilinear resampling: the fast path of pixman, and free of aliasing as long as each step
// shrinks by at most half.
std::optional<Image> Image::resampled(PixelSize target) const {
    // The paint below sets every pixel.
    auto result = createForOverwrite(target);
    if (!result)
        return std::nullopt;
    std::unique_ptr<cairo_t, ContextRelease> context(cairo_create(result->surface()));
    cairo_scale(context.get(), double(target.width) / width(), double(target.height) / height());
    cairo_set_source_surface(context.get(), surface(), 0, 0);
    // Padding keeps the edge pixels from blending with the transparent outside.
    cairo_pattern_set_extend(cairo_get_source(context.get()), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(context.get()), CAIRO_FILTER_BILINEAR);
    cairo_set_operator(context.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(context.get());
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    context.reset();
    cairo_surface_flush(result->surface());
    return result;
}

// Halving first, then one last step of less than half: a bilinear sample at exactly half size
// averages a 2 x 2 block, so every source pixel counts, at a tenth of the cost of cairo's
// convolution filter.
std::optional<Image> Image::scaled(PixelSize target) const {
    if (target.width <= 0 || target.height <= 0)
        return std::nullopt;
    std::optional<Image> step;
    const Image* current = this;
    for (const PixelSize size : scalingSteps(this->size(), target)) {
        step = current->resampled(size);
        if (!step)
            return std::nullopt;
        current = &*step;
    }
    return step;
}

std::optional<Image> Image::downscaled(int maxEdge) const {
    const auto target = downscaledSize(size(), maxEdge);
    if (!target)
        return std::nullopt;
    return scaled(*target);
}

std::optional<Image> Image::cropped(PixelRect rect) const {
    if (rect.width <= 0 || rect.height <= 0 || rect.x < 0 || rect.y < 0 ||
        rect.width > width() - rect.x || rect.height > height() - rect.y)
        return std::nullopt;
    auto result = create({rect.width, rect.height});
    if (!result)
        return std::nullopt;
    const uint8_t* source = pixels();
    uint8_t* target = result->pixels();
    for (int y = 0; y < rect.height; ++y)
        std::memcpy(target + size_t(y) * size_t(result->stride()),
                    source + size_t(rect.y + y) * size_t(stride()) + size_t(rect.x) * 4,
                    size_t(rect.width) * 4);
    return result;
}

} // namespace tavro
