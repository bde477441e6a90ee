#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tavro::text {

// The two white-space sets the board's rules use: horizontal white space (tab and every Unicode
// space separator), and that set plus the line breaks.
enum class Whitespace { Horizontal, AndNewlines };

bool isWhitespace(char32_t c, Whitespace set);

std::string trimmed(std::string_view text, Whitespace set = Whitespace::AndNewlines);
bool isBlank(std::string_view text, Whitespace set = Whitespace::AndNewlines);

// The text on one line, for what is shown on one: names, tags, labels. Each line break (a CRLF
// pair counts as one) becomes a space; the rest stays as it is.
std::string singleLine(std::string_view text);

// Unicode-aware case mapping (full mappings), independent of the process locale.
std::string lowercased(std::string_view text);
std::string uppercased(std::string_view text);
// Each word (split at white space and line breaks) with its first character upper-cased and
// the rest lower-cased; the white space stays as it is.
std::string capitalized(std::string_view text);

// The number of user-perceived characters (grapheme clusters).
size_t characterCount(std::string_view text);

// The first `count` user-perceived characters; never cuts inside a code point or a cluster.
std::string prefixCharacters(std::string_view text, size_t count);

// Replaces every ill-formed UTF-8 sequence with U+FFFD.
std::string validUTF8(std::string_view text);
// True when the text holds no ill-formed UTF-8 sequence: validUTF8 would give it back unchanged.
bool isValidUTF8(std::string_view text);

// The text without what a terminal would act on instead of showing: C0 controls but tab and line
// feed, escape sequences whole (CSI and OSC with their parameters), DEL, C1 controls, and the
// bidirectional embeddings, overrides and isolates that reorder the text around them. Ill-formed
// UTF-8 becomes U+FFFD.
std::string withoutControlCharacters(std::string_view text);

// Unicode canonical equivalence: "é" as one code point equals "e" followed by U+0301.
bool canonicallyEqual(std::string_view a, std::string_view b);

// The canonically composed form (NFC): canonically equivalent texts give the same bytes, so
// byte order and byte search on the results follow code points and canonical equivalence.
std::string composed(std::string_view text);

// The form that text searches compare: composed and lower-cased with full mappings, composed
// again. ASCII text takes a fast path that gives the same bytes.
std::string foldedForSearch(std::string_view text);
// Appends foldedForSearch(text) to `out`, without a text of its own for ASCII input.
void appendFoldedForSearch(std::string& out, std::string_view text);

// Orders text as the user's language does, ignoring case but not accents. Holds one collator:
// make one per sort, and do not share it between threads.
class CaseInsensitiveOrder {
public:
    CaseInsensitiveOrder();
    ~CaseInsensitiveOrder();
    CaseInsensitiveOrder(const CaseInsensitiveOrder&) = delete;
    CaseInsensitiveOrder& operator=(const CaseInsensitiveOrder&) = delete;

    // Negative when `a` comes first, 0 when they compare equal, positive otherwise.
    int compare(std::string_view a, std::string_view b) const;

private:
    struct Collator;
    std::unique_ptr<Collator> collator_;
};

} // namespace tavro::text
