/* The least a screenshot costs to reach an agent: a PNG decoded a row at a time, halved as its
 * rows come while it is at least twice the target, brought to the target by one bilinear step,
 * encoded as PNG at the server's settings and written as Base64 in one JSON-RPC line. No more
 * than two rows of any size are held, besides the encoded file.
 * Usage: tavro-streaming-png-floor <file.png> <longest edge> */
#include <png.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct Stage Stage;
typedef void (*Emit)(Stage* next, const uint8_t* row);

/* One step from in (w, h) to out (w, h); a NULL next means the encoder. */
struct Stage {
    int inW, inH, outW, outH, channels, received, produced;
    int halving; /* each side either halved (rounding up) or kept */
    uint8_t* rows[2];
    uint8_t* out;
    Stage* next;
};

static png_structp writer;
static png_infop writerInfo;
static uint8_t* encoded;
static size_t encodedSize, encodedCapacity;

static void appendEncoded(png_structp png, png_bytep data, size_t length) {
    (void)png;
    if (encodedSize + length > encodedCapacity) {
        encodedCapacity = (encodedSize + length) * 2;
        encoded = realloc(encoded, encodedCapacity);
    }
    memcpy(encoded + encodedSize, data, length);
    encodedSize += length;
}

static void flushNothing(png_structp png) {
    (void)png;
}

static void push(Stage* stage, const uint8_t* row);

static void deliver(Stage* stage, const uint8_t* row) {
    if (stage->next)
        push(stage->next, row);
    else
        png_write_row(writer, (png_bytep)row);
}

/* Source coordinate of a target pixel centre in 16.16, and the two rows or columns around it. */
static void around(int target, int inSize, int outSize, int* first, int* second, int* weight) {
    int64_t at = ((2 * (int64_t)target + 1) * inSize * 65536) / (2 * (int64_t)outSize) - 32768;
    if (at < 0)
        at = 0;
    *first = (int)(at >> 16);
    *second = *first + 1 < inSize ? *first + 1 : inSize - 1;
    *weight = (int)((at >> 8) & 255);
}

static void push(Stage* s, const uint8_t* row) {
    const int c = s->channels;
    const int y = s->received++;
    memcpy(s->rows[y & 1], row, (size_t)s->inW * c);
    while (s->produced < s->outH) {
        int first, second, wy;
        if (s->halving && s->inH != s->outH) {
            first = 2 * s->produced;
            second = first + 1 < s->inH ? first + 1 : first;
            wy = 128;
        } else if (s->halving) {
            first = second = s->produced;
            wy = 0;
        } else {
            around(s->produced, s->inH, s->outH, &first, &second, &wy);
        }
        if (second > y)
            return;
        const uint8_t* top = s->rows[first & 1];
        const uint8_t* bottom = s->rows[second & 1];
        for (int x = 0; x < s->outW; ++x) {
            int left, right, wx;
            if (s->halving && s->inW != s->outW) {
                left = 2 * x;
                right = left + 1 < s->inW ? left + 1 : left;
                wx = 128;
            } else if (s->halving) {
                left = right = x;
                wx = 0;
            } else {
                around(x, s->inW, s->outW, &left, &right, &wx);
            }
            for (int k = 0; k < c; ++k) {
                int a = top[left * c + k] * (256 - wx) + top[right * c + k] * wx;
                int b = bottom[left * c + k] * (256 - wx) + bottom[right * c + k] * wx;
                s->out[x * c + k] = (uint8_t)((a * (256 - wy) + b * wy) >> 16);
            }
        }
        ++s->produced;
        deliver(s, s->out);
    }
}

static Stage* stage(int inW, int inH, int outW, int outH, int channels, int halving) {
    Stage* s = calloc(1, sizeof *s);
    s->inW = inW, s->inH = inH, s->outW = outW, s->outH = outH, s->channels = channels;
    s->halving = halving;
    s->rows[0] = malloc((size_t)inW * channels);
    s->rows[1] = malloc((size_t)inW * channels);
    s->out = malloc((size_t)outW * channels);
    return s;
}

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    FILE* file = fopen(argv[1], "rb");
    const int edge = atoi(argv[2]);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    if (!file || !png || !info || setjmp(png_jmpbuf(png)))
        return 1;
    png_init_io(png, file);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    const int width = (int)png_get_image_width(png, info);
    const int height = (int)png_get_image_height(png, info);
    const int channels = png_get_channels(png, info);

    const int longest = width > height ? width : height;
    int targetW = width, targetH = height;
    if (edge < longest) {
        targetW = (int)((double)width * edge / longest + 0.5);
        targetH = (int)((double)height * edge / longest + 0.5);
        targetW = targetW < 1 ? 1 : targetW;
        targetH = targetH < 1 ? 1 : targetH;
    }
    Stage* first = NULL;
    Stage** link = &first;
    int w = width, h = height;
    while (w >= 2 * targetW || h >= 2 * targetH) {
        const int nw = w >= 2 * targetW ? (w + 1) / 2 : w;
        const int nh = h >= 2 * targetH ? (h + 1) / 2 : h;
        *link = stage(w, h, nw, nh, channels, 1);
        link = &(*link)->next;
        w = nw, h = nh;
    }
    if (w != targetW || h != targetH)
        *link = stage(w, h, targetW, targetH, channels, 0);

    writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    writerInfo = png_create_info_struct(writer);
    if (!writer || !writerInfo || setjmp(png_jmpbuf(writer)))
        return 1;
    png_set_write_fn(writer, NULL, appendEncoded, flushNothing);
    png_set_IHDR(writer, writerInfo, (png_uint_32)targetW, (png_uint_32)targetH, 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(writer, 1);
    png_set_filter(writer, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(writer, writerInfo);

    uint8_t* row = malloc(png_get_rowbytes(png, info));
    for (int y = 0; y < height; ++y) {
        png_read_row(png, row, NULL);
        if (first)
            push(first, row);
        else
            png_write_row(writer, row);
    }
    png_write_end(writer, NULL);

    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    fputs("{\"jsonrpc\":\"2.0\",\"id\":2,\"result\":{\"content\":[{\"type\":\"image\",\"data\":\"",
          stdout);
    char group[4];
    for (size_t i = 0; i < encodedSize; i += 3) {
        const uint32_t a = encoded[i];
        const uint32_t b = i + 1 < encodedSize ? encoded[i + 1] : 0;
        const uint32_t c = i + 2 < encodedSize ? encoded[i + 2] : 0;
        const uint32_t bits = a << 16 | b << 8 | c;
        group[0] = digits[bits >> 18];
        group[1] = digits[(bits >> 12) & 63];
        group[2] = i + 1 < encodedSize ? digits[(bits >> 6) & 63] : '=';
        group[3] = i + 2 < encodedSize ? digits[bits & 63] : '=';
        fwrite(group, 1, 4, stdout);
    }
    fputs("\",\"mimeType\":\"image/png\"}]}}\n", stdout);
    return 0;
}
