#include "model/ImageCodecs.h"

#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <bit>
#include <csetjmp>
#include <cstring>
#include <new>

// libjpeg reports errors through error_exit, which jumps back here. As in the PNG codec, the
// functions that call setjmp own no C++ objects; their callers' state objects do.
namespace tavro::codec {

namespace {

// A progressive file may hold any number of scans, each one a full pass over the image; real
// encoders write about ten. Far more means a file built to burn time.
constexpr int maxProgressiveScans = 500;

constexpr J_COLOR_SPACE cairoColorSpace =
    std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
constexpr J_COLOR_SPACE cairoColorSpaceIgnoringAlpha =
    std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// libjpeg only warns when the data ends early and fills the rest with grey; a cut-off file
// must not pass for a whole one.
void failOnTruncation(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        jumpBack(info);
}

void limitScans(j_common_ptr info) {
    if (!info->is_decompressor)
        return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > maxProgressiveScans)
        jumpBack(info);
}

struct ReadState {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool created = false;
    std::vector<uint8_t> cmykRow;

    ~ReadState() {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

// Adobe's encoders store CMYK inverted, and they are nearly the only ones that write CMYK.
void cmykRowToARGB(const uint8_t* cmyk, int width, bool inverted, uint8_t* target) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        uint32_t c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted)
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        const uint32_t value = 0xFF000000u | ((c * k + 127) / 255) << 16 |
                               ((m * k + 127) / 255) << 8 | ((y * k + 127) / 255);
        std::memcpy(target + size_t(x) * 4, &value, 4);
    }
}

// With no sink, stops once the header is read: for the size a file declares. Sinks do not throw.
bool readInto(ReadState& state, const Source& source, RowSink* sink) {
    jpeg_decompress_struct* info = &state.info;
    info->err = jpeg_std_error(&state.errors.manager);
    state.errors.manager.error_exit = jumpBack;
    state.errors.manager.emit_message = failOnTruncation;
    if (setjmp(state.errors.jump))
        return false;

    jpeg_create_decompress(info);
    state.created = true;
    state.progress.progress_monitor = limitScans;
    info->progress = &state.progress;
    if (source.file)
        jpeg_stdio_src(info, source.file);
    else
        jpeg_mem_src(info, source.bytes.data(), static_cast<unsigned long>(source.bytes.size()));
    jpeg_read_header(info, TRUE);
    if (!sink)
        return true;
    if (!withinImageLimits(info->image_width, info->image_height))
        return false;

    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : cairoColorSpace;
    jpeg_start_decompress(info);
    if (info->output_components != 4)
        return false;

    if (!sink->begin({int(info->output_width), int(info->output_height)}, true))
        return false;
    if (cmyk)
        state.cmykRow.resize(size_t(info->output_width) * 4);
    while (info->output_scanline < info->output_height) {
        auto* row = reinterpret_cast<uint8_t*>(sink->nextRow());
        JSAMPROW target = cmyk ? state.cmykRow.data() : row;
        if (jpeg_read_scanlines(info, &target, 1) != 1)
            return false;
        if (cmyk)
            cmykRowToARGB(state.cmykRow.data(), int(info->output_width), info->saw_Adobe_marker,
                          row);
        if (!sink->rowDone())
            return false;
    }
    return true;
}

struct VectorDestination {
    jpeg_destination_mgr manager;
    std::vector<uint8_t>* out;
};

constexpr size_t destinationChunk = 64 * 1024;

bool grow(VectorDestination& destination) {
    try {
        const size_t used = destination.out->size();
        destination.out->resize(used + destinationChunk);
        destination.manager.next_output_byte = destination.out->data() + used;
        destination.manager.free_in_buffer = destinationChunk;
        return true;
    } catch (const std::bad_alloc&) {
        // No memory to grow into: the caller fails the encoding through libjpeg's error path.
        return false;
    }
}

VectorDestination& destinationOf(j_compress_ptr info) {
    return *reinterpret_cast<VectorDestination*>(info->dest);
}

void startDestination(j_compress_ptr info) {
    destinationOf(info).out->clear();
    if (!grow(destinationOf(info)))
        jumpBack(reinterpret_cast<j_common_ptr>(info));
}

boolean emptyDestination(j_compress_ptr info) {
    if (!grow(destinationOf(info)))
        jumpBack(reinterpret_cast<j_common_ptr>(info));
    return TRUE;
}

void finishDestination(j_compress_ptr info) {
    auto& destination = destinationOf(info);
    destination.out->resize(destination.out->size() - destination.manager.free_in_buffer);
}

struct WriteState {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    VectorDestination destination{};
    bool created = false;
    std::vector<uint8_t> out;

    ~WriteState() {
        if (created)
            jpeg_destroy_compress(&info);
    }
};

bool writeFrom(WriteState& state, PixelView image, int quality) {
    jpeg_compress_struct* info = &state.info;
    info->err = jpeg_std_error(&state.errors.manager);
    state.errors.manager.error_exit = jumpBack;
    state.errors.manager.emit_message = [](j_common_ptr, int) {
    };
    if (setjmp(state.errors.jump))
        return false;

    jpeg_create_compress(info);
    state.created = true;
    state.destination.out = &state.out;
    state.destination.manager.init_destination = startDestination;
    state.destination.manager.empty_output_buffer = emptyDestination;
    state.destination.manager.term_destination = finishDestination;
    info->dest = &state.destination.manager;

    info->image_width = JDIMENSION(image.size.width);
    info->image_height = JDIMENSION(image.size.height);
    info->input_components = 4;
    info->in_color_space = cairoColorSpaceIgnoringAlpha;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        // libjpeg only reads the rows it is handed.
        auto* row = const_cast<uint8_t*>(image.data + size_t(info->next_scanline) * image.stride);
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

} // namespace

bool looksLikeJPEG(std::span<const uint8_t> head) {
    return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

bool decodeJPEG(const Source& source, RowSink& sink) {
    try {
        ReadState state;
        return readInto(state, source, &sink);
    } catch (const std::bad_alloc&) {
        // Out of memory while decoding: the same answer as an unreadable file.
        return false;
    }
}

std::optional<DeclaredSize> declaredJPEGSize(const Source& source) {
    try {
        ReadState state;
        if (!readInto(state, source, nullptr))
            return std::nullopt;
        return DeclaredSize{state.info.image_width, state.info.image_height};
    } catch (const std::bad_alloc&) {
        // Out of memory while reading the header: the size is unknown.
        return std::nullopt;
    }
}

std::optional<std::vector<uint8_t>> encodeJPEG(PixelView image, int quality) {
    try {
        WriteState state;
        if (!writeFrom(state, image, quality))
            return std::nullopt;
        return std::move(state.out);
    } catch (const std::bad_alloc&) {
        // Out of memory while encoding: the caller reports a failed encoding.
        return std::nullopt;
    }
}

} // namespace tavro::codec
