#include "model/Text.h"

#include <memory>
#include <unicode/brkiter.h>
#include <unicode/coll.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace tavro::text {

namespace {

bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Decodes the code point starting at `pos`; ill-formed bytes read as U+FFFD one byte at a time.
char32_t decodeAt(std::string_view text, size_t& pos) {
    int32_t index = int32_t(pos);
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), index, int32_t(text.size()), c);
    pos = size_t(index);
    return c < 0 ? 0xFFFD : char32_t(c);
}

icu::UnicodeString toICU(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
}

std::string fromICU(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace

bool isWhitespace(char32_t c, Whitespace set) {
    if (u_isblank(UChar32(c)))
        return true;
    return set == Whitespace::AndNewlines && isLineBreak(c);
}

std::string trimmed(std::string_view text, Whitespace set) {
    size_t start = text.size();
    size_t end = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t at = pos;
        char32_t c = decodeAt(text, pos);
        if (!isWhitespace(c, set)) {
            if (start == text.size())
                start = at;
            end = pos;
        }
    }
    if (start >= end)
        return {};
    return std::string(text.substr(start, end - start));
}

bool isBlank(std::string_view text, Whitespace set) {
    size_t pos = 0;
    while (pos < text.size())
        if (!isWhitespace(decodeAt(text, pos), set))
            return false;
    return true;
}

std::string singleLine(std::string_view text) {
    // Every line break starts with one of these bytes: LF, VT, FF, CR, and the lead bytes of
    // NEL (C2 85), LS and PS (E2 80 A8, E2 80 A9).
    if (text.find_first_of("\n\v\f\r\xC2\xE2") == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t at = pos;
        const char32_t c = decodeAt(text, pos);
        if (!isLineBreak(c)) {
            out.append(text.substr(at, pos - at));
            continue;
        }
        if (c == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
        out.push_back(' ');
    }
    return out;
}

std::string lowercased(std::string_view text) {
    auto value = toICU(text);
    value.toLower(icu::Locale::getRoot());
    return fromICU(value);
}

namespace {

std::unique_ptr<icu::BreakIterator> characterIterator(const icu::UnicodeString& value) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        return nullptr;
    it->setText(value);
    return it;
}

} // namespace

std::string uppercased(std::string_view text) {
    auto value = toICU(text);
    value.toUpper(icu::Locale::getRoot());
    return fromICU(value);
}

std::string capitalized(std::string_view text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        if (isWhitespace(decodeAt(text, pos), Whitespace::AndNewlines)) {
            out.append(text.substr(start, pos - start));
            continue;
        }
        while (pos < text.size()) {
            size_t next = pos;
            if (isWhitespace(decodeAt(text, next), Whitespace::AndNewlines))
                break;
            pos = next;
        }
        const auto word = text.substr(start, pos - start);
        const auto first = prefixCharacters(word, 1);
        out += uppercased(first) + lowercased(word.substr(first.size()));
    }
    return out;
}

size_t characterCount(std::string_view text) {
    auto value = toICU(text);
    auto it = characterIterator(value);
    if (!it)
        return size_t(value.countChar32());
    size_t count = 0;
    for (int32_t p = it->next(); p != icu::BreakIterator::DONE; p = it->next())
        ++count;
    return count;
}

std::string prefixCharacters(std::string_view text, size_t count) {
    auto value = toICU(text);
    auto it = characterIterator(value);
    int32_t end = 0;
    if (it) {
        it->first();
        for (size_t i = 0; i < count; ++i) {
            int32_t next = it->next();
            if (next == icu::BreakIterator::DONE)
                break;
            end = next;
        }
    } else {
        end = value.moveIndex32(0, int32_t(count));
    }
    return fromICU(value.tempSubString(0, end));
}

std::string validUTF8(std::string_view text) {
    constexpr std::string_view replacement = "\xEF\xBF\xBD";
    // Each sequence read, with whether it is well-formed; the text may be large, so the result is
    // measured first and made at its size.
    const auto forEachSequence = [&](auto&& take) {
        for (size_t pos = 0; pos < text.size();) {
            const size_t at = pos;
            int32_t index = int32_t(pos);
            UChar32 c;
            U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), index, int32_t(text.size()), c);
            pos = size_t(index);
            take(text.substr(at, pos - at), c >= 0);
        }
    };
    size_t size = 0;
    forEachSequence([&](std::string_view sequence, bool wellFormed) {
        size += wellFormed ? sequence.size() : replacement.size();
    });
    std::string out;
    out.reserve(size);
    forEachSequence([&](std::string_view sequence, bool wellFormed) {
        out.append(wellFormed ? sequence : replacement);
    });
    return out;
}

bool isValidUTF8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = int32_t(text.size());
    for (int32_t at = 0; at < length;) {
        if (bytes[at] < 0x80) {
            ++at;
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, at, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

namespace {

bool isStripped(UChar32 c) {
    return (c < 0x20 && c != '\t' && c != '\n') || (c >= 0x7F && c <= 0x9F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Where the escape sequence starting at `pos` (an ESC) ends: CSI runs to its final byte, OSC,
// DCS, SOS, PM and APC to BEL or ST (or the end of the line), any other through its intermediate
// bytes to its final one.
size_t escapeSequenceEnd(std::string_view text, size_t pos) {
    size_t at = pos + 1;
    if (at >= text.size())
        return at;
    const char kind = text[at++];
    if (kind == '[') {
        while (at < text.size()) {
            const auto c = static_cast<unsigned char>(text[at]);
            if (c < 0x20 || c > 0x7E)
                return at; // broken off: what follows is text
            ++at;
            if (c >= 0x40)
                break;
        }
        return at;
    }
    if (kind == ']' || kind == 'P' || kind == 'X' || kind == '^' || kind == '_') {
        while (at < text.size()) {
            if (text[at] == '\a')
                return at + 1;
            if (text[at] == '\n')
                return at; // unterminated: the next line stays
            if (text[at] == '\x1B' && at + 1 < text.size() && text[at + 1] == '\\')
                return at + 2;
            ++at;
        }
        return at;
    }
    // Intermediate bytes, then the final one.
    at -= 1;
    while (at < text.size() && static_cast<unsigned char>(text[at]) >= 0x20 &&
           static_cast<unsigned char>(text[at]) <= 0x2F)
        ++at;
    if (at < text.size() && static_cast<unsigned char>(text[at]) >= 0x30 &&
        static_cast<unsigned char>(text[at]) <= 0x7E)
        ++at;
    return at;
}

} // namespace

std::string withoutControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == '\x1B') {
            pos = escapeSequenceEnd(text, pos);
            continue;
        }
        size_t at = pos;
        int32_t index = int32_t(pos);
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), index, int32_t(text.size()), c);
        pos = size_t(index);
        if (c < 0)
            out += "\xEF\xBF\xBD";
        else if (!isStripped(c))
            out.append(text.substr(at, pos - at));
    }
    return out;
}

namespace {

bool isASCII(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    if (isASCII(a) && isASCII(b))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status))
        return false;
    auto left = nfd->normalize(toICU(a), status);
    auto right = nfd->normalize(toICU(b), status);
    return U_SUCCESS(status) && left == right;
}

std::string composed(std::string_view text) {
    if (isASCII(text))
        return std::string(text);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return std::string(text);
    const auto value = toICU(text);
    if (nfc->isNormalized(value, status) && U_SUCCESS(status))
        return validUTF8(text);
    status = U_ZERO_ERROR;
    auto normal = nfc->normalize(value, status);
    return U_SUCCESS(status) ? fromICU(normal) : validUTF8(text);
}

std::string foldedForSearch(std::string_view text) {
    std::string out;
    appendFoldedForSearch(out, text);
    return out;
}

void appendFoldedForSearch(std::string& out, std::string_view text) {
    if (isASCII(text)) {
        const size_t start = out.size();
        out.append(text);
        for (size_t i = start; i < out.size(); ++i)
            if (out[i] >= 'A' && out[i] <= 'Z')
                out[i] = char(out[i] - 'A' + 'a');
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        out += lowercased(text);
        return;
    }
    auto value = nfc->normalize(toICU(text), status);
    if (U_FAILURE(status)) {
        out += lowercased(text);
        return;
    }
    value.toLower(icu::Locale::getRoot());
    // Lower-casing can leave a letter and a mark that compose, as in "İ" with a combining accent.
    auto folded = nfc->normalize(value, status);
    (U_SUCCESS(status) ? folded : value).toUTF8String(out);
}

struct CaseInsensitiveOrder::Collator {
    std::unique_ptr<icu::Collator> icu;
};

CaseInsensitiveOrder::CaseInsensitiveOrder()
    : collator_(std::make_unique<Collator>()) {
    // A C or POSIX locale maps to ICU's "en_US_POSIX", whose order is ASCII's, capitals first;
    // the root order is the neutral one such a user expects.
    icu::Locale locale = icu::Locale::getDefault();
    if (std::string_view(locale.getVariant()) == "POSIX")
        locale = icu::Locale::getRoot();
    UErrorCode status = U_ZERO_ERROR;
    collator_->icu.reset(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status))
        collator_->icu.reset();
    else
        collator_->icu->setStrength(icu::Collator::SECONDARY);
}

CaseInsensitiveOrder::~CaseInsensitiveOrder() = default;

int CaseInsensitiveOrder::compare(std::string_view a, std::string_view b) const {
    if (!collator_->icu) {
        // Without collation data, code-point order of the lower-cased texts.
        return lowercased(a).compare(lowercased(b));
    }
    UErrorCode status = U_ZERO_ERROR;
    auto result =
        collator_->icu->compareUTF8(icu::StringPiece(a.data(), int32_t(a.size())),
                                    icu::StringPiece(b.data(), int32_t(b.size())), status);
    if (U_FAILURE(status))
        return lowercased(a).compare(lowercased(b));
    return int(result);
}

} // namespace tavro::text
