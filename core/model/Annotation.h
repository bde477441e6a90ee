#pragma once

#include <nlohmann/json.hpp>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The drawing tools of the mark-up editor; the order is the editor's tool order.
enum class AnnotationTool { pen, arrow, rectangle, ellipse, highlight, blur };

inline constexpr std::array<AnnotationTool, 6> allAnnotationTools = {
    AnnotationTool::pen,     AnnotationTool::arrow,     AnnotationTool::rectangle,
    AnnotationTool::ellipse, AnnotationTool::highlight, AnnotationTool::blur};

// The text value stored in the mark-up JSON.
std::string_view rawValue(AnnotationTool tool);
// Exact, case-sensitive match against the stored text values.
std::optional<AnnotationTool> annotationToolFromRawValue(std::string_view text);
std::string_view displayName(AnnotationTool tool);
// The icon name the editor's tool bar looks up.
std::string_view symbolName(AnnotationTool tool);
// Every tool but the pen is drawn by dragging from a first to a last point.
bool isDragShape(AnnotationTool tool);

// Normalised image coordinates: x from the left edge, y from the TOP edge, 0..1 inside the
// image. Values outside that range are kept as they are.
struct AnnotationPoint {
    double x = 0;
    double y = 0;

    bool operator==(const AnnotationPoint&) const = default;
};

struct AnnotationShape {
    std::string id;
    AnnotationTool tool = AnnotationTool::pen;
    // "#RRGGBB"; read by colorFromHex, which is forgiving.
    std::string colorHex;
    // A fraction of the larger side of the image the shape is drawn on.
    double lineWidth = 0;
    std::vector<AnnotationPoint> points;

    bool operator==(const AnnotationShape&) const = default;
};

struct Annotation {
    // In drawing order: later shapes are drawn over earlier ones.
    std::vector<AnnotationShape> shapes;

    bool isEmpty() const { return shapes.empty(); }

    // The compact JSON text with keys in their fixed order; nothing when a number is not
    // finite.
    std::optional<std::string> encoded() const;

    // Never fails: absent, unreadable or incomplete text, or text over maxEncodedBytes, gives
    // the empty annotation. One bad shape spoils the whole text; there is no partial result.
    static Annotation decode(std::optional<std::string_view> text);

    // Whether the text names at least one shape, read only as far as the first one: cheap for
    // any size, and enough to say "marked up". A text cut anywhere after its first shape's start
    // still answers.
    static bool hasShapes(std::optional<std::string_view> text);

    // The longest mark-up text stored or read, far above what a person draws (a long pen stroke
    // takes a few kilobytes): a larger one would hold up every reader for seconds.
    static constexpr size_t maxEncodedBytes = 8u << 20;
    // What a refused mark-up is told.
    static std::string tooLargeMessage(size_t bytes);

    bool operator==(const Annotation&) const = default;
};

// The editor's fixed choices.
namespace AnnotationPalette {

inline constexpr std::array<std::string_view, 7> colors = {
    "#FF3B30", "#FFCC00", "#34C759", "#0A84FF", "#AF52DE", "#FFFFFF", "#1C1C1E"};

struct Width {
    std::string_view label;
    double value;
};
inline constexpr std::array<Width, 3> widths = {{{"S", 0.0025}, {"M", 0.005}, {"L", 0.009}}};

} // namespace AnnotationPalette

// JSON coding of each type on its own. Reading throws nlohmann::json exceptions on a missing
// or mistyped key; writing keeps the fixed key order.
void to_json(nlohmann::ordered_json& json, AnnotationTool tool);
void from_json(const nlohmann::ordered_json& json, AnnotationTool& tool);
void to_json(nlohmann::ordered_json& json, const AnnotationPoint& point);
void from_json(const nlohmann::ordered_json& json, AnnotationPoint& point);
void to_json(nlohmann::ordered_json& json, const AnnotationShape& shape);
void from_json(const nlohmann::ordered_json& json, AnnotationShape& shape);
void to_json(nlohmann::ordered_json& json, const Annotation& annotation);
void from_json(const nlohmann::ordered_json& json, Annotation& annotation);

} // namespace tavro

template <> struct std::hash<tavro::AnnotationPoint> {
    size_t operator()(const tavro::AnnotationPoint& point) const noexcept;
};
template <> struct std::hash<tavro::AnnotationShape> {
    size_t operator()(const tavro::AnnotationShape& shape) const noexcept;
};
template <> struct std::hash<tavro::Annotation> {
    size_t operator()(const tavro::Annotation& annotation) const noexcept;
};
