#include <gtest/gtest.h>

#include <climits>

#include "ui/qt_test_app.h"
#include "ui/skin/skin_rect.h"

namespace quorvane {

void PrintTo(const SkinRect& r, std::ostream* os) {
    *os << r.x << "," << r.y << "," << r.w << "," << r.h;
}

namespace {

struct ParseCase {
    const char16_t* text;
    SkinRect expected;
};

class ParseSkinRect : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSkinRect, ReadsLikeTheFourNumberPattern) {
    EXPECT_EQ(parseSkinRect(GetParam().text), GetParam().expected)
        << "text: " << utf16ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseSkinRect,
    ::testing::Values(ParseCase{u"10,20,30,40", {10, 20, 30, 40}},
                      ParseCase{u"1,1,1,1,x", {1, 1, 1, 1}},
                      ParseCase{u"12,34,56,78 trailing text", {12, 34, 56, 78}},
                      ParseCase{u"12,34,56,78,99", {12, 34, 56, 78}}, ParseCase{u"", {1, 1, 1, 1}},
                      // Numbers read before a malformed part are kept.
                      ParseCase{u"5,6", {5, 6, 1, 1}}, ParseCase{u"3,4,x,9", {3, 4, 1, 1}},
                      ParseCase{u"a,2,3,4", {1, 1, 1, 1}}, ParseCase{u"7;8;9;10", {7, 1, 1, 1}},
                      // Blanks are skipped before a number, never before a comma.
                      ParseCase{u" 5, 6,\t7, 8", {5, 6, 7, 8}},
                      ParseCase{u"5 ,6,7,8", {5, 1, 1, 1}}, ParseCase{u"-5,+3,7,8", {-5, 3, 7, 8}},
                      ParseCase{u"9,-,7,8", {9, 1, 1, 1}},
                      ParseCase{u"99999999999,-99999999999,2,3", {INT_MAX, INT_MIN, 2, 3}}));

class SkinLayoutFile : public ::testing::Test {
  protected:
    test::SkinFolder folder;
    void SetUp() override {
        folder.writeText("Main.ini",
                         "[SCREEN]\r\nMain=bg.bmp\r\n[BUTTONINFO]\r\nCONTROL_OK=100,200,60,24\r\n"
                         "BROKEN=4,5,oops\r\nEMPTY=\r\n");
    }
};

TEST_F(SkinLayoutFile, ReadsKeysWithoutRegardToCase) {
    const SkinLayout layout = SkinLayout::load(folder.file("Main.ini"));
    EXPECT_TRUE(layout.exists());
    EXPECT_EQ(layout.rect(u"buttoninfo", u"control_ok"), (SkinRect{100, 200, 60, 24}));
    EXPECT_EQ(readSkinRect(folder.file("Main.ini"), u"BUTTONINFO", u"CONTROL_OK"),
              (SkinRect{100, 200, 60, 24}));
}

TEST_F(SkinLayoutFile, MissingKeySectionOrFileReadsAsOneOneOneOne) {
    const SkinRect one{1, 1, 1, 1};
    const SkinLayout layout = SkinLayout::load(folder.file("Main.ini"));
    EXPECT_EQ(layout.rect(u"BUTTONINFO", u"NOT_THERE"), one);
    EXPECT_EQ(layout.rect(u"NOSECTION", u"CONTROL_OK"), one);
    EXPECT_EQ(layout.rect(u"BUTTONINFO", u"EMPTY"), one);
    const SkinLayout missing = SkinLayout::load(folder.file("Nothing.ini"));
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.rect(u"BUTTONINFO", u"CONTROL_OK"), one);
    EXPECT_EQ(readSkinRect(folder.file("Nothing.ini"), u"BUTTONINFO", u"CONTROL_OK"), one);
    EXPECT_EQ(missing.text(u"SCREEN", u"Main", u"fallback"), u"fallback");
}

TEST_F(SkinLayoutFile, MalformedValueKeepsTheNumbersReadSoFar) {
    const SkinLayout layout = SkinLayout::load(folder.file("Main.ini"));
    EXPECT_EQ(layout.rect(u"BUTTONINFO", u"BROKEN"), (SkinRect{4, 5, 1, 1}));
}

}  // namespace
}  // namespace quorvane
