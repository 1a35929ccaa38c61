// UTF-16 and UTF-8 at the interface boundary: surrogates, malformed input, cut buffers.
#include <gtest/gtest.h>

#include <cstring>

#include "client/oci_text.h"

namespace {

TEST(OciText, RoundTripsEveryPlane) {
    const std::string text = "A é € 日本 😀 \x7f";
    const std::u16string wide = oci_text::utf8_to_utf16(text);
    EXPECT_EQ(wide.size(), 13u) << "the emoji takes a surrogate pair";
    EXPECT_EQ(oci_text::utf16_units_of(text), wide.size());
    EXPECT_EQ(oci_text::utf16_to_utf8(wide.data(), wide.size() * 2), text);
}

TEST(OciText, MalformedInputBecomesReplacementCharacters) {
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00};
    EXPECT_EQ(oci_text::utf16_to_utf8(lone, sizeof lone),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    const char16_t high_at_end[] = {u'x', 0xD83D};
    EXPECT_EQ(oci_text::utf16_to_utf8(high_at_end, sizeof high_at_end), "x\xEF\xBF\xBD");
    EXPECT_EQ(oci_text::utf8_to_utf16("\xC3"), u"\uFFFD") << "truncated sequence";
    EXPECT_EQ(oci_text::utf8_to_utf16("\xC0\x80"), u"\uFFFD\uFFFD") << "overlong form";
    // A surrogate stored as a character of its own is its unit, not three replacements; a pair
    // so stored is its one character.
    EXPECT_EQ(oci_text::utf8_to_utf16("\xED\xA0\x80"), u"\xD800") << "encoded surrogate";
    EXPECT_EQ(oci_text::utf8_to_utf16("\xED\xA0\xBD\xED\xB8\x80"), u"\U0001F600");
    // An odd byte count drops the half unit.
    const char16_t ab[] = {u'a', u'b'};
    EXPECT_EQ(oci_text::utf16_to_utf8(ab, 3), "a");
}

TEST(OciText, CutBuffersNeverSplitAPair) {
    const std::string text = "ab😀c";
    char16_t out[8];
    std::memset(out, 0, sizeof out);
    size_t needed = 0;
    EXPECT_EQ(oci_text::utf8_to_utf16_into(text, out, 3, &needed), 2u);
    EXPECT_EQ(needed, 5u);
    EXPECT_EQ(out[2], 0) << "half a pair is not written";
    EXPECT_EQ(oci_text::utf8_to_utf16_into(text, out, 8, &needed), 5u);
    EXPECT_EQ(oci_text::utf8_to_utf16_into("", out, 0, &needed), 0u);
    EXPECT_EQ(needed, 0u);
}

TEST(OciText, LongTextsConvertAsTheWholeConversionDoes) {
    // ASCII runs are widened by blocks: a non-ASCII character at every place around a block's
    // edge, and buffers cut at every length, must give what the plain conversion gives.
    for (size_t at = 0; at < 20; ++at) {
        std::string text(19, 'x');
        text.insert(at, "\xC3\xA9");
        const std::u16string whole = oci_text::utf8_to_utf16(text);
        for (size_t cap = 0; cap <= whole.size(); ++cap) {
            std::u16string out(whole.size() + 1, u'#');
            size_t needed = 0;
            const size_t n = oci_text::utf8_to_utf16_into(text, out.data(), cap, &needed);
            EXPECT_EQ(needed, whole.size()) << at << " " << cap;
            ASSERT_EQ(n, cap) << at;
            EXPECT_EQ(out.substr(0, n), whole.substr(0, n)) << at << " " << cap;
            EXPECT_EQ(out[n], u'#') << "nothing past the buffer";
        }
    }
}

TEST(OciText, TerminatedLengthStopsAtTheBufferEnd) {
    const char16_t s[] = {u'h', u'i', 0, u'x'};
    EXPECT_EQ(oci_text::utf16_strlen_bytes(s, sizeof s), 4u);
    const char16_t full[] = {u'a', u'b'};
    EXPECT_EQ(oci_text::utf16_strlen_bytes(full, sizeof full), 4u) << "no terminator in range";
    EXPECT_EQ(oci_text::utf16_strlen_bytes(full, 3), 2u);
}

}  // namespace
