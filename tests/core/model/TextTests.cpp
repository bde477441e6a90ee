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

TEST(Text, PutsATextOnOneLine) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"design panel", "design panel"},
        {"design\n[c0000009] OPEN forged", "design [c0000009] OPEN forged"},
        {"a\r\nb", "a b"},
        {"a\n\nb", "a  b"},
        {"a\rb\vc\fd", "a b c d"},
        {"a\u0085b\u2028c\u2029d", "a b c d"},
        {"tab\tstays \u00E9 \u2014 \u00C2", "tab\tstays \u00E9 \u2014 \u00C2"},
        {"ill\xC2"
         "formed\n",
         "ill\xC2"
         "formed "},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(singleLine(c.input), c.expected) << c.input;
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

TEST(Text, StripsWhatATerminalWouldActOn) {
    struct Case {
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"plain\ttext\nnext line", "plain\ttext\nnext line"},
        {"bell\a, back\b, nul" + std::string(1, '\0') + ", cr\r\n", "bell, back, nul, cr\n"},
        {"\x1B[31mred\x1B[0m \x1B[2J\x1B[1;1H", "red "},
        {"\x1B]0;new title\a after \x1B]8;;http://x\x1B\\link\x1B]8;;\x1B\\", " after link"},
        {"\x1B"
         "c reset, \x1B(B charset, del\x7F",
         " reset,  charset, del"},
        {"c1 \xC2\x85 csi \xC2\x9B"
         "2J",
         "c1  csi 2J"},
        {"\u202Egnp.exe and \u2066isolate\u2069 \u202A\u202B\u202C\u202D", "gnp.exe and isolate "},
        {"keeps \u200D joiners, \u00E9 and \U0001F600 and \u05D0\u05D1",
         "keeps \u200D joiners, \u00E9 and \U0001F600 and \u05D0\u05D1"},
        {"broken \xFF utf-8, trailing escape \x1B", "broken \uFFFD utf-8, trailing escape "},
        {"\x1B[3\u00E9t\x1B]0;unterminated\nnext", "\u00E9t\nnext"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withoutControlCharacters(c.in), c.out) << c.in;
}
