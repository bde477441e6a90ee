#include "model/AnnotationRenderer.h"

#include "model/HexColor.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace tavro {

namespace {

constexpr uint32_t fallbackColor = 0xFF3B30;
constexpr double highlightAlpha = 0.38;
constexpr double piOverSeven = 0.4487989505128276;
// Ellipses are drawn as four cubic curves with this handle length (per unit radius).
constexpr double ellipseHandle = 0.5522847498307936;
// Far outside any image but well inside cairo's fixed-point range, where coordinates would
// wrap around instead of failing.
constexpr double coordinateLimit = double(1 << 20);

struct ContextRelease {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};
using Context = std::unique_ptr<cairo_t, ContextRelease>;

struct Size {
    double width;
    double height;
};

struct Point {
    double x;
    double y;
};

struct Rect {
    double x;
    double y;
    double width;
    double height;
};

// Shape geometry is worked out with the origin at the bottom-left and y growing upwards, while
// cairo's origin is the top-left with y growing downwards. This flip is the one place where the
// two meet; blur areas are measured from the top-left and drawn before it.
void useBottomLeftOrigin(cairo_t* context, double height) {
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, 0, height);
    cairo_set_matrix(context, &flip);
}

Point contextPoint(const AnnotationPoint& point, Size size) {
    return {std::clamp(size.width * point.x, -coordinateLimit, coordinateLimit),
            std::clamp(size.height - size.height * point.y, -coordinateLimit, coordinateLimit)};
}

double strokeWidth(const AnnotationShape& shape, Size size) {
    return std::min(std::max(shape.lineWidth * std::max(size.width, size.height), 1.0),
                    coordinateLimit);
}

// Geometry that is not finite would leave the cairo context in an error state and stop every
// shape after it.
bool isFinite(const AnnotationShape& shape) {
    if (!std::isfinite(shape.lineWidth))
        return false;
    return std::all_of(shape.points.begin(), shape.points.end(), [](const AnnotationPoint& p) {
        return std::isfinite(p.x) && std::isfinite(p.y);
    });
}

Rect rectFrom(const std::vector<AnnotationPoint>& points, Size size) {
    if (points.size() < 2)
        return {0, 0, 0, 0};
    const Point a = contextPoint(points.front(), size);
    const Point b = contextPoint(points.back(), size);
    return {std::min(b.x, a.x), std::min(b.y, a.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}

// Built from curves rather than a scaled circle: a zero-size rectangle would make a singular
// matrix and put the context into an error state.
void addEllipse(cairo_t* context, Rect rect) {
    const double rx = rect.width / 2, ry = rect.height / 2;
    const double cx = rect.x + rx, cy = rect.y + ry;
    const double hx = rx * ellipseHandle, hy = ry * ellipseHandle;
    cairo_new_path(context);
    cairo_move_to(context, cx + rx, cy);
    cairo_curve_to(context, cx + rx, cy + hy, cx + hx, cy + ry, cx, cy + ry);
    cairo_curve_to(context, cx - hx, cy + ry, cx - rx, cy + hy, cx - rx, cy);
    cairo_curve_to(context, cx - rx, cy - hy, cx - hx, cy - ry, cx, cy - ry);
    cairo_curve_to(context, cx + hx, cy - ry, cx + rx, cy - hy, cx + rx, cy);
    cairo_close_path(context);
}

void addPolyline(cairo_t* context, const std::vector<AnnotationPoint>& points, Size size) {
    cairo_new_path(context);
    const Point first = contextPoint(points.front(), size);
    cairo_move_to(context, first.x, first.y);
    for (size_t i = 1; i < points.size(); ++i) {
        const Point next = contextPoint(points[i], size);
        cairo_line_to(context, next.x, next.y);
    }
}

void setColor(cairo_t* context, const RGBAColor& color) {
    cairo_set_source_rgba(context, color.red, color.green, color.blue, color.alpha);
}

void drawArrow(cairo_t* context, const AnnotationShape& shape, double width, Size size) {
    const Point s = contextPoint(shape.points.front(), size);
    const Point e = contextPoint(shape.points.back(), size);
    const double theta = std::atan2(e.y - s.y, e.x - s.x);
    const double head = std::max(4.5 * width, 14.0);

    cairo_new_path(context);
    cairo_move_to(context, s.x, s.y);
    cairo_line_to(context, e.x - 0.55 * head * std::cos(theta),
                  e.y - 0.55 * head * std::sin(theta));
    cairo_stroke(context);

    cairo_new_path(context);
    cairo_move_to(context, e.x, e.y);
    cairo_line_to(context, e.x - head * std::cos(theta - piOverSeven),
                  e.y - head * std::sin(theta - piOverSeven));
    cairo_line_to(context, e.x - head * std::cos(theta + piOverSeven),
                  e.y - head * std::sin(theta + piOverSeven));
    cairo_close_path(context);
    cairo_set_fill_rule(context, CAIRO_FILL_RULE_WINDING);
    cairo_fill(context);
}

void draw(const AnnotationShape& shape, cairo_t* context, Size size) {
    if (!isFinite(shape))
        return;
    const RGBAColor color = colorFromHex(shape.colorHex);
    const double width = strokeWidth(shape, size);
    const bool enoughPoints = shape.points.size() >= 2;

    cairo_save(context);
    switch (shape.tool) {
    case AnnotationTool::pen:
        if (!enoughPoints)
            break;
        setColor(context, color);
        cairo_set_line_width(context, width);
        addPolyline(context, shape.points, size);
        cairo_stroke(context);
        break;
    case AnnotationTool::arrow:
        if (!enoughPoints)
            break;
        setColor(context, color);
        cairo_set_line_width(context, width);
        drawArrow(context, shape, width, size);
        break;
    case AnnotationTool::rectangle: {
        const Rect rect = rectFrom(shape.points, size);
        setColor(context, color);
        cairo_set_line_width(context, width);
        cairo_new_path(context);
        cairo_rectangle(context, rect.x, rect.y, rect.width, rect.height);
        cairo_stroke(context);
        break;
    }
    case AnnotationTool::ellipse:
        setColor(context, color);
        cairo_set_line_width(context, width);
        addEllipse(context, rectFrom(shape.points, size));
        cairo_stroke(context);
        break;
    case AnnotationTool::highlight: {
        if (!enoughPoints)
            break;
        RGBAColor tint = color;
        tint.alpha = highlightAlpha;
        cairo_set_operator(context, CAIRO_OPERATOR_MULTIPLY);
        setColor(context, tint);
        cairo_set_line_width(context, 4 * width);
        cairo_set_line_cap(context, CAIRO_LINE_CAP_BUTT);
        addPolyline(context, shape.points, size);
        cairo_stroke(context);
        break;
    }
    case AnnotationTool::blur:
        break;
    }
    cairo_restore(context);
}

// The blur area in whole pixels of the image, measured from the top-left, or nothing when too
// little of it lies inside the image to pixelate.
std::optional<PixelRect> blurArea(const AnnotationShape& shape, Size size) {
    const AnnotationPoint& a = shape.points.front();
    const AnnotationPoint& b = shape.points.back();
    const double x = std::min(b.x, a.x) * size.width;
    const double y = std::min(b.y, a.y) * size.height;
    const double right = x + std::abs(b.x - a.x) * size.width;
    const double bottom = y + std::abs(b.y - a.y) * size.height;
    const double left = std::max(std::floor(x), 0.0);
    const double top = std::max(std::floor(y), 0.0);
    const double width = std::min(std::ceil(right), size.width) - left;
    const double height = std::min(std::ceil(bottom), size.height) - top;
    if (!(width >= 2.0) || !(height >= 2.0))
        return std::nullopt;
    return PixelRect{int(left), int(top), int(width), int(height)};
}

// One shrink that averages, one enlargement without interpolation: every small pixel becomes a
// solid block. Cut from the source image, so overlapping areas never compound and no stroke is
// ever blurred.
void pixelate(cairo_t* context, const Image& source, PixelRect area) {
    const auto cut = source.cropped(area);
    if (!cut)
        return;
    const double block = std::max(std::min(area.width, area.height) / 12.0, 4.0);
    const int smallWidth = std::max(int(area.width / block), 1);
    const int smallHeight = std::max(int(area.height / block), 1);
    auto small = Image::create({smallWidth, smallHeight});
    if (!small)
        return;
    {
        Context shrink(cairo_create(small->surface()));
        cairo_scale(shrink.get(), double(smallWidth) / area.width,
                    double(smallHeight) / area.height);
        cairo_set_source_surface(shrink.get(), cut->surface(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(shrink.get()), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(shrink.get()), CAIRO_EXTEND_PAD);
        cairo_set_operator(shrink.get(), CAIRO_OPERATOR_SOURCE);
        cairo_paint(shrink.get());
        if (cairo_status(shrink.get()) != CAIRO_STATUS_SUCCESS)
            return;
    }
    cairo_surface_flush(small->surface());

    cairo_save(context);
    cairo_pattern_t* blocks = cairo_pattern_create_for_surface(small->surface());
    cairo_matrix_t toSmall;
    cairo_matrix_init_scale(&toSmall, double(smallWidth) / area.width,
                            double(smallHeight) / area.height);
    cairo_matrix_translate(&toSmall, -area.x, -area.y);
    cairo_pattern_set_matrix(blocks, &toSmall);
    cairo_pattern_set_filter(blocks, CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(blocks, CAIRO_EXTEND_PAD);
    cairo_set_source(context, blocks);
    cairo_pattern_destroy(blocks);
    cairo_new_path(context);
    cairo_rectangle(context, area.x, area.y, area.width, area.height);
    cairo_fill(context);
    cairo_restore(context);
}

} // namespace

RGBAColor colorFromHex(std::string_view text) {
    const uint32_t value = hexColorValue(text, fallbackColor);
    return {((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0,
            1.0};
}

namespace AnnotationRenderer {

std::optional<Image> render(const Annotation& annotation, const Image& image) {
    if (annotation.isEmpty())
        return std::nullopt;
    auto result = image.copy();
    if (!result)
        return std::nullopt;
    const Size size{double(image.width()), double(image.height())};

    Context context(cairo_create(result->surface()));
    cairo_set_line_cap(context.get(), CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(context.get(), CAIRO_LINE_JOIN_ROUND);

    for (const auto& shape : annotation.shapes) {
        if (shape.tool != AnnotationTool::blur || shape.points.size() < 2 || !isFinite(shape))
            continue;
        if (const auto area = blurArea(shape, size))
            pixelate(context.get(), image, *area);
    }

    useBottomLeftOrigin(context.get(), size.height);
    for (const auto& shape : annotation.shapes)
        if (shape.tool != AnnotationTool::blur)
            draw(shape, context.get(), size);

    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    context.reset();
    cairo_surface_flush(result->surface());
    return result;
}

} // namespace AnnotationRenderer

} // namespace tavro
