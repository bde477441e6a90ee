#include "model/Annotation.h"

#include <cmath>
#include <functional>

namespace tavro {

using ordered_json = nlohmann::ordered_json;

namespace {

struct ToolInfo {
    AnnotationTool tool;
    std::string_view rawValue;
    std::string_view displayName;
    std::string_view symbolName;
    bool isDragShape;
};

constexpr std::array<ToolInfo, 6> toolTable = {{
    {AnnotationTool::pen, "pen", "Draw", "pencil.tip", false},
    {AnnotationTool::arrow, "arrow", "Arrow", "arrow.up.right", true},
    {AnnotationTool::rectangle, "rectangle", "Box", "rectangle", true},
    {AnnotationTool::ellipse, "ellipse", "Circle", "circle", true},
    {AnnotationTool::highlight, "highlight", "Highlight", "highlighter", true},
    {AnnotationTool::blur, "blur", "Blur", "eye.slash", true},
}};

const ToolInfo& info(AnnotationTool tool) {
    return toolTable[static_cast<size_t>(tool)];
}

const ordered_json& required(const ordered_json& object, const char* key) {
    return object.at(key);
}

// The plain reader converts booleans to numbers; the stored form never holds them.
double requiredNumber(const ordered_json& object, const char* key) {
    const auto& value = required(object, key);
    if (!value.is_number())
        throw ordered_json::type_error::create(302, std::string(key) + " must be a number", &value);
    return value.get<double>();
}

std::string requiredString(const ordered_json& object, const char* key) {
    return required(object, key).get<std::string>();
}

const ordered_json& requiredArray(const ordered_json& object, const char* key) {
    const auto& value = required(object, key);
    if (!value.is_array())
        throw ordered_json::type_error::create(302, std::string(key) + " must be an array", &value);
    return value;
}

bool allFinite(const Annotation& annotation) {
    for (const auto& shape : annotation.shapes) {
        if (!std::isfinite(shape.lineWidth))
            return false;
        for (const auto& point : shape.points)
            if (!std::isfinite(point.x) || !std::isfinite(point.y))
                return false;
    }
    return true;
}

void combine(size_t& seed, size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

} // namespace

std::string_view rawValue(AnnotationTool tool) {
    return info(tool).rawValue;
}

std::optional<AnnotationTool> annotationToolFromRawValue(std::string_view text) {
    for (const auto& entry : toolTable)
        if (entry.rawValue == text)
            return entry.tool;
    return std::nullopt;
}

std::string_view displayName(AnnotationTool tool) {
    return info(tool).displayName;
}

std::string_view symbolName(AnnotationTool tool) {
    return info(tool).symbolName;
}

bool isDragShape(AnnotationTool tool) {
    return info(tool).isDragShape;
}

void to_json(ordered_json& json, AnnotationTool tool) {
    json = std::string(rawValue(tool));
}

void from_json(const ordered_json& json, AnnotationTool& tool) {
    auto parsed = annotationToolFromRawValue(json.get<std::string>());
    if (!parsed)
        throw ordered_json::other_error::create(501, "unknown mark-up tool", &json);
    tool = *parsed;
}

void to_json(ordered_json& json, const AnnotationPoint& point) {
    json = ordered_json::object();
    json["x"] = point.x;
    json["y"] = point.y;
}

void from_json(const ordered_json& json, AnnotationPoint& point) {
    point.x = requiredNumber(json, "x");
    point.y = requiredNumber(json, "y");
}

void to_json(ordered_json& json, const AnnotationShape& shape) {
    json = ordered_json::object();
    json["id"] = shape.id;
    json["tool"] = shape.tool;
    json["colorHex"] = shape.colorHex;
    json["lineWidth"] = shape.lineWidth;
    json["points"] = shape.points;
}

void from_json(const ordered_json& json, AnnotationShape& shape) {
    shape.id = requiredString(json, "id");
    shape.tool = required(json, "tool").get<AnnotationTool>();
    shape.colorHex = requiredString(json, "colorHex");
    shape.lineWidth = requiredNumber(json, "lineWidth");
    const auto& points = requiredArray(json, "points");
    shape.points.clear();
    shape.points.reserve(points.size());
    for (const auto& point : points)
        shape.points.push_back(point.get<AnnotationPoint>());
}

void to_json(ordered_json& json, const Annotation& annotation) {
    json = ordered_json::object();
    json["shapes"] = annotation.shapes;
}

void from_json(const ordered_json& json, Annotation& annotation) {
    const auto& shapes = requiredArray(json, "shapes");
    annotation.shapes.clear();
    annotation.shapes.reserve(shapes.size());
    for (const auto& shape : shapes)
        annotation.shapes.push_back(shape.get<AnnotationShape>());
}

std::optional<std::string> Annotation::encoded() const {
    // The writer would spell NaN and infinity as null, which would not read back.
    if (!allFinite(*this))
        return std::nullopt;
    try {
        return ordered_json(*this).dump(-1, ' ', false, ordered_json::error_handler_t::replace);
    } catch (const std::exception&) {
        // A mark-up the encoder refuses is not saved; the caller keeps the one it had.
        return std::nullopt;
    }
}

Annotation Annotation::decode(std::optional<std::string_view> text) {
    if (!text || text->size() > maxEncodedBytes)
        return {};
    try {
        return ordered_json::parse(text->begin(), text->end()).get<Annotation>();
    } catch (const std::exception&) {
        // Stored JSON that is not a mark-up (another program's, or damaged) opens as no marks.
        return {};
    }
}

namespace {

// Stops the parse at the first value inside the top-level "shapes" array.
struct FirstShapeFinder : nlohmann::json_sax<ordered_json> {
    int depth = 0;
    bool inShapes = false;
    bool shapesKey = false;
    bool found = false;

    bool value() {
        if (inShapes && depth == 2)
            found = true;
        shapesKey = false;
        return !found;
    }
    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override {
        if (!value())
            return false;
        ++depth;
        return true;
    }
    bool end_object() override {
        --depth;
        return true;
    }
    bool start_array(std::size_t) override {
        const bool opensShapes = shapesKey && depth == 1;
        if (!value())
            return false;
        ++depth;
        if (opensShapes)
            inShapes = true;
        return true;
    }
    bool end_array() override {
        --depth;
        if (depth == 1)
            inShapes = false;
        return true;
    }
    bool key(string_t& name) override {
        shapesKey = depth == 1 && name == "shapes";
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }
};

} // namespace

bool Annotation::hasShapes(std::optional<std::string_view> text) {
    if (!text)
        return false;
    FirstShapeFinder finder;
    ordered_json::sax_parse(text->begin(), text->end(), &finder,
                            nlohmann::json::input_format_t::json, false);
    return finder.found;
}

std::string Annotation::tooLargeMessage(size_t bytes) {
    const auto megabytes = [](size_t count) {
        return std::to_string((count + 50'000) / 100'000 / 10) + "." +
               std::to_string((count + 50'000) / 100'000 % 10);
    };
    return "The mark-up is too large to store (" + megabytes(bytes) + " MB; at most " +
           megabytes(maxEncodedBytes) + " MB). Remove some marks.";
}

} // namespace tavro

size_t
std::hash<tavro::AnnotationPoint>::operator()(const tavro::AnnotationPoint& point) const noexcept {
    size_t seed = std::hash<double>{}(point.x);
    tavro::combine(seed, std::hash<double>{}(point.y));
    return seed;
}

size_t
std::hash<tavro::AnnotationShape>::operator()(const tavro::AnnotationShape& shape) const noexcept {
    size_t seed = std::hash<std::string>{}(shape.id);
    tavro::combine(seed, static_cast<size_t>(shape.tool));
    tavro::combine(seed, std::hash<std::string>{}(shape.colorHex));
    tavro::combine(seed, std::hash<double>{}(shape.lineWidth));
    for (const auto& point : shape.points)
        tavro::combine(seed, std::hash<tavro::AnnotationPoint>{}(point));
    return seed;
}

size_t
std::hash<tavro::Annotation>::operator()(const tavro::Annotation& annotation) const noexcept {
    size_t seed = annotation.shapes.size();
    for (const auto& shape : annotation.shapes)
        tavro::combine(seed, std::hash<tavro::AnnotationShape>{}(shape));
    return seed;
}
