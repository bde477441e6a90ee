#include "model/Text.h"

#include <gtest/gtest.h>

using namespace tavro::text;

TEST(Text, TrimsEachWhitespaceSet) {
    struct Case {
        std::string input;
        Whitespace set;
        std::string expected;
    };
    const Case cases[] = {
        {"  hello\t", Whitespace::Horizontal, "hello"},
        {"\u00A0\u2003hi\u3000", Whitespace::Horizontal, "hi"},
        {"\nhi\n", Whitespace::Horizontal, "\nhi\n"},
        {"\r\n hi \u2028", Whitespace::AndNewlines, "hi"},
        {" \t ", Whitespace::AndNewlines, ""},
        {"a b", Whitespace::AndNewlines, "a b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trimmed(c.input, c.set), c.expected) << c.input;
    EXPECT_TRUE(isBlank("\u2009\t", Whitespace::Horizontal));
    EXPECT_FALSE(isBlank("\n", Whitespace::Horizontal));
    EXPECT_TRUE(isBlank("\n", Whitespace::AndNewlines));
}

TEST(Text, CaseMappingAndCharacters) {
    EXPECT_EQ(lowercased("ÄRGER UI"), "ärger ui");
    EXPECT_EQ(lowercased("İ"), "i\u0307");
    // A family emoji and a flag are one character each.
    const std::string family = "👨‍👩‍👧";
    EXPECT_EQ(characterCount(family + "🇩🇪a"), 3u);
    EXPECT_EQ(prefixCharacters(family + "🇩🇪a", 1), family);
    EXPECT_EQ(prefixCharacters("e\u0301x", 1), "e\u0301");
    EXPECT_EQ(prefixCharacters("ab", 5), "ab");
}

TEST(Text, ReplacesIllFormedUTF8) {
    EXPECT_EQ(validUTF8("ok"), "ok");
    EXPECT_EQ(validUTF8("a\xFFz"), "a\uFFFDz");
    EXPECT_EQ(validUTF8("\xE2\x82"), "\uFFFD");
}

TEST(Text, ComparesByCanonicalEquivalence) {
    EXPECT_TRUE(canonicallyEqual("caf\u00E9", "cafe\u0301"));
    EXPECT_TRUE(canonicallyEqual("\u212B", "\u00C5")); // Ångström sign and letter Å
    EXPECT_FALSE(canonicallyEqual("caf\u00E9", "cafe"));
    EXPECT_FALSE(canonicallyEqual("\uFB01", "fi")); // a compatibility ligature is not canonical
    EXPECT_TRUE(canonicallyEqual("", ""));
}

TEST(Text, ComposesAndFoldsForSearch) {
    struct Case {
        std::string input;
        std::string composedForm;
        std::string folded;
    };
    const Case cases[] = {
        {"Plain ASCII", "Plain ASCII", "plain ascii"},
        {"Cafe\u0301", "Caf\u00E9", "caf\u00E9"},
        {"\u212B", "\u00C5", "\u00E5"},             // Ångström sign
        {"\u00C4RGER", "\u00C4RGER", "\u00E4rger"}, // precomposed stays
        {"\u1E9E", "\u1E9E", "\u00DF"},             // capital sharp s
        {"a\xFFz", "a\uFFFDz", "a\uFFFDz"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(composed(c.input), c.composedForm) << c.input;
        EXPECT_EQ(foldedForSearch(c.input), c.folded) << c.input;
    }
    EXPECT_EQ(foldedForSearch("ÉCOLE"), foldedForSearch("E\u0301cole"));
}
