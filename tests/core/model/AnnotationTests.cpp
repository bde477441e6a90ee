#include "model/Annotation.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tavro;

namespace {

Annotation sample() {
    return {{
        {"a1", AnnotationTool::arrow, "#FF3B30", 0.005, {{0.1, 0.2}, {0.9, 0.75}}},
        {"p1", AnnotationTool::pen, "#0A84FF", 0.0025, {{0, 0}, {0.5, 0.5}, {1, 1}}},
        {"b1", AnnotationTool::blur, "#1C1C1E", 0.009, {}},
        {"é-ü", AnnotationTool::highlight, "ffcc00", 1e-5, {{-0.25, 1.5}, {0.1 + 0.2, 1.0 / 3}}},
    }};
}

} // namespace

TEST(Annotation, ToolTextsAndRoles) {
    std::vector<std::string_view> texts;
    for (auto tool : allAnnotationTools) {
        texts.push_back(rawValue(tool));
        EXPECT_EQ(annotationToolFromRawValue(rawValue(tool)), tool);
        EXPECT_EQ(isDragShape(tool), tool != AnnotationTool::pen);
    }
    EXPECT_EQ(texts, (std::vector<std::string_view>{"pen", "arrow", "rectangle", "ellipse",
                                                    "highlight", "blur"}));
    EXPECT_EQ(displayName(AnnotationTool::rectangle), "Box");
    EXPECT_EQ(displayName(AnnotationTool::ellipse), "Circle");
    EXPECT_EQ(displayName(AnnotationTool::pen), "Draw");
    EXPECT_EQ(symbolName(AnnotationTool::blur), "eye.slash");
    for (auto text : {"", "Blur", "BLUR", "box", " pen"})
        EXPECT_EQ(annotationToolFromRawValue(text), std::nullopt) << text;
}

TEST(Annotation, WritesKeysInFixedOrder) {
    const Annotation one{{{"s", AnnotationTool::arrow, "#FF3B30", 0.005, {{0.5, 1}}}}};
    EXPECT_EQ(one.encoded(), R"({"shapes":[{"id":"s","tool":"arrow","colorHex":"#FF3B30",)"
                             R"("lineWidth":0.005,"points":[{"x":0.5,"y":1.0}]}]})");
    EXPECT_EQ(Annotation{}.encoded(), R"({"shapes":[]})");
    EXPECT_TRUE(Annotation::decode(R"({"shapes":[]})").isEmpty());
}

TEST(Annotation, RoundTripsExactly) {
    const Annotation original = sample();
    const auto text = original.encoded();
    ASSERT_TRUE(text);
    EXPECT_EQ(Annotation::decode(*text), original);
    EXPECT_EQ(std::hash<Annotation>{}(Annotation::decode(*text)),
              std::hash<Annotation>{}(original));
    EXPECT_EQ(Annotation::decode(*text).encoded(), text);
}

TEST(Annotation, RefusesToWriteNonFiniteNumbers) {
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        Annotation width = sample();
        width.shapes[1].lineWidth = bad;
        EXPECT_EQ(width.encoded(), std::nullopt);
        Annotation point = sample();
        point.shapes[0].points[1].y = -bad;
        EXPECT_EQ(point.encoded(), std::nullopt);
    }
}

TEST(Annotation, ReadsEitherKeyOrderAndIgnoresExtraKeys) {
    // Mark-up that came back from the server was written out again with sorted keys.
    const auto annotation = Annotation::decode(
        R"({"extra":1,"shapes":[{"colorHex":"#34C759","id":"k","lineWidth":1,)"
        R"("more":{"x":"?"},"points":[{"note":null,"x":1,"y":2e-1}],"tool":"ellipse"}]})");
    const Annotation expected{{{"k", AnnotationTool::ellipse, "#34C759", 1.0, {{1.0, 0.2}}}}};
    EXPECT_EQ(annotation, expected);
}

TEST(Annotation, AnyFlawSpoilsTheWholeText) {
    const std::string good = R"({"id":"g","tool":"pen","colorHex":"#FFFFFF","lineWidth":0.005,)"
                             R"("points":[{"x":0,"y":0}]})";
    const std::string texts[] = {
        "",
        "null",
        "[]",
        "{}",
        R"({"shapes":{}})",
        R"({"shapes":null})",
        R"({"shapes":[)" + good +
            R"(,{"id":"b","tool":"Pen","colorHex":"#FFFFFF",)"
            R"("lineWidth":0.005,"points":[]}]})",
        R"({"shapes":[)" + good +
            R"(,{"id":"b","tool":"marker","colorHex":"#FFFFFF",)"
            R"("lineWidth":0.005,"points":[]}]})",
        R"({"shapes":[{"id":"b","tool":"pen","colorHex":"#FFFFFF","lineWidth":0.005}]})",
        R"({"shapes":[{"id":"b","tool":"pen","colorHex":"#FFFFFF","lineWidth":"0.005",)"
        R"("points":[]}]})",
        R"({"shapes":[{"id":"b","tool":"pen","colorHex":"#FFFFFF","lineWidth":true,)"
        R"("points":[]}]})",
        R"({"shapes":[{"id":7,"tool":"pen","colorHex":"#FFFFFF","lineWidth":1,"points":[]}]})",
        R"({"shapes":[{"id":"b","tool":"pen","colorHex":null,"lineWidth":1,"points":[]}]})",
        R"({"shapes":[{"id":"b","tool":"pen","colorHex":"#FFFFFF","lineWidth":1,)"
        R"("points":[{"x":0}]}]})",
        R"({"shapes":[{"id":"b","tool":"pen","colorHex":"#FFFFFF","lineWidth":1,)"
        R"("points":[[0,1]]}]})",
        R"({"shapes":[)" + good + "]",
        R"({"shapes":[{"id":"b","tool":"pen","colorHex":"#FFFFFF","lineWidth":1e400,)"
        R"("points":[]}]})",
        std::string(100000, '[') + std::string(100000, ']'),
        "{\"shapes\":[{\"id\":\"\xFF\",\"tool\":\"pen\",\"colorHex\":\"#FFFFFF\","
        "\"lineWidth\":1,\"points\":[]}]}",
    };
    for (const auto& text : texts)
        EXPECT_TRUE(Annotation::decode(text).isEmpty()) << text;
    EXPECT_TRUE(Annotation::decode(std::nullopt).isEmpty());
    EXPECT_EQ(Annotation::decode(R"({"shapes":[)" + good + "]}").shapes.size(), 1u);
}

TEST(Annotation, EmptyPointsReadBack) {
    const auto annotation = Annotation::decode(
        R"({"shapes":[{"id":"e","tool":"rectangle","colorHex":"","lineWidth":0,"points":[]}]})");
    ASSERT_EQ(annotation.shapes.size(), 1u);
    EXPECT_TRUE(annotation.shapes[0].points.empty());
    EXPECT_EQ(annotation.shapes[0].tool, AnnotationTool::rectangle);
}

TEST(Annotation, SaysWhetherATextHasShapesWithoutReadingItAll) {
    const std::string shape =
        R"({"id":"s","tool":"pen","colorHex":"#FF3B30","lineWidth":0.005,"points":[]})";
    struct Case {
        std::optional<std::string> text;
        bool hasShapes;
    };
    const std::vector<Case> cases = {
        {std::nullopt, false},
        {"", false},
        {"{", false},
        {"{}", false},
        {R"({"shapes":[]})", false},
        {R"({"shapes":{}})", false},
        {R"({"other":[1],"nested":{"shapes":[1]}})", false},
        {R"({"shapes":[)" + shape + "]}", true},
        {R"( { "shapes" : [ )" + shape + ", " + shape + "]}", true},
        {R"({"shapes":[)" + shape.substr(0, 20), true}, // cut after its first shape began
        {"[" + std::string(100, ' ') + "]", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Annotation::hasShapes(c.text), c.hasShapes) << c.text.value_or("(none)");
    const std::string over =
        R"({"shapes":[)" + shape + "]}" + std::string(Annotation::maxEncodedBytes, ' ');
    EXPECT_TRUE(Annotation::decode(over).isEmpty());
}
