#include "core/platform/utf_text.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(UtfText, RoundTripsEveryPlane) {
    std::u16string text = u"A\u00e9\u4e2d\U0001F600z";
    EXPECT_EQ(utf16ToUtf8(text), "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z");
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(text)), text);
}

TEST(UtfText, BrokenInputBecomesReplacementWithoutEatingNeighbours) {
    struct Case {
        std::string in;
        std::u16string out;
    };
    const Case cases[] = {
        {"a\x80z", u"a\uFFFDz"},          // stray continuation byte
        {"a\xC3\nz", u"a\uFFFD\nz"},      // cut sequence keeps the newline
        {"\xC0\xAF", u"\uFFFD"},          // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD"},      // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},  // beyond U+10FFFF
        {"\xE4\xB8", u"\uFFFD"},          // cut at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToUtf16(c.in), c.out) << c.in;
    }
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(UtfText, CaseFoldingCoversTheNamesWeCompare) {
    EXPECT_TRUE(equalsNoCase(u"ButtonInfo", u"BUTTONINFO"));
    EXPECT_TRUE(equalsNoCase(u"\u00c9t\u00c9", u"\u00e9t\u00e9"));
    EXPECT_TRUE(equalsNoCase(u"\u0416\u0401", u"\u0436\u0451"));
    EXPECT_FALSE(equalsNoCase(u"\u00d7", u"\u00f7"));  // multiplication and division signs
    EXPECT_FALSE(equalsNoCase(u"key1", u"key"));
}

}  // namespace
}  // namespace quorvane
