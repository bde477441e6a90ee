#include "SyntheticScreenshot.h"

#include <cairo.h>

#include <random>
#include <string>

namespace tavro::bench {

Image syntheticScreenshot(PixelSize size) {
    auto image = Image::create(size);
    cairo_t* cr = cairo_create(image->surface());
    cairo_pattern_t* backdrop = cairo_pattern_create_linear(0, 0, size.width, size.height);
    cairo_pattern_add_color_stop_rgb(backdrop, 0, 0.15, 0.25, 0.45);
    cairo_pattern_add_color_stop_rgb(backdrop, 1, 0.55, 0.35, 0.55);
    cairo_set_source(cr, backdrop);
    cairo_paint(cr);
    cairo_pattern_destroy(backdrop);

    std::mt19937 random(7);
    const double scale = size.width / 1512.0;
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 13 * scale);
    const struct {
        double x, y, w, h;
    } windows[] = {{0.04, 0.06, 0.55, 0.8}, {0.45, 0.15, 0.5, 0.6}, {0.1, 0.55, 0.4, 0.4}};
    for (const auto& window : windows) {
        const double x = window.x * size.width, y = window.y * size.height;
        const double w = window.w * size.width, h = window.h * size.height;
        cairo_set_source_rgb(cr, 0.97, 0.97, 0.97);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.86, 0.86, 0.88);
        cairo_rectangle(cr, x, y, w, 28 * scale);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.12);
        for (double line = y + 50 * scale; line < y + h - 10 * scale; line += 20 * scale) {
            std::string text;
            const int words = 4 + int(random() % 12);
            for (int i = 0; i < words; ++i)
                text += std::string(1 + random() % 9, char('a' + random() % 26)) + " ";
            cairo_move_to(cr, x + 16 * scale, line);
            cairo_show_text(cr, text.c_str());
        }
    }
    cairo_pattern_t* photo =
        cairo_pattern_create_radial(0.75 * size.width, 0.7 * size.height, 10, 0.75 * size.width,
                                    0.7 * size.height, 0.2 * size.width);
    cairo_pattern_add_color_stop_rgb(photo, 0, 0.95, 0.8, 0.3);
    cairo_pattern_add_color_stop_rgb(photo, 1, 0.2, 0.5, 0.3);
    cairo_set_source(cr, photo);
    cairo_rectangle(cr, 0.6 * size.width, 0.55 * size.height, 0.3 * size.width, 0.3 * size.height);
    cairo_fill(cr);
    cairo_pattern_destroy(photo);
    cairo_destroy(cr);
    cairo_surface_flush(image->surface());
    return std::move(*image);
}

} // namespace tavro::bench
