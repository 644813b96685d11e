#include "core/app/language.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/app/language_texts.h"
#include "platform/temp_dir.h"
#include "support/env_guard.h"

namespace quorvane {
namespace {

std::string langFolder() {
    return std::string(QUORVANE_TEST_DATA_DIR) + "/fixtures/lang/";
}

struct LanguageFixture : ::testing::Test {
    test::TempDir dir;
    RegistryStore store{dir.file("registry.reg")};
    RegKey key = RegKey::openOrCreate(store, u"Software\\Norvalis ZR4");
    LangId system = 0x0409;
    int systemAsked = 0;
    LanguageChoice choice{key, [this] {
                              ++systemAsked;
                              return system;
                          }};
    LanguageTexts texts{"", langFolder()};

    std::optional<RegValue> stored() const { return key.queryValue(u"dwLanguageId"); }
};

TEST_F(LanguageFixture, FirstRunDecidesFromTheSystemLanguage) {
    struct Case {
        LangId system;
        LangId chosen;
        int index;
        const char16_t* caption;
    };
    const Case cases[] = {
        {0x0C04, 0x0804, 5, u"\u952e\u76d8"},       // Hong Kong folds to Simplified
        {0x1004, 0x0404, 6, u"\u9375\u76e4"},       // Singapore folds to Traditional
        {0x0407, 0x0409, 0, u"Quorvane Keyboard"},  // German is not offered
        {0x0411, 0x0409, 0, u"Quorvane Keyboard"},  // nor Japanese
        {0x0816, 0x0416, 3, u"#Error"},             // Portugal folds to Brazil (no fixture)
        {0x2C0A, 0x040A, 2, u"#Error"},
        {0x140C, 0x040C, 1, u"#Error"},
        {0x1404, 0x0409, 0, u"Quorvane Keyboard"},  // Macao is not in the fold table
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(key.setDword(u"dwLanguageId", 0));
        system = c.system;
        EXPECT_EQ(choice.GetLanguageId(), c.chosen) << std::hex << c.system;
        ASSERT_TRUE(stored().has_value());
        EXPECT_EQ(stored()->dword, c.chosen);
        EXPECT_EQ(choice.GetLanguageIndex(), c.index);
        EXPECT_EQ(texts.LoadText(u"IDS_MAIN_CAPTION", choice.GetLanguageIndex()), c.caption);
    }
}

TEST_F(LanguageFixture, AStoredChoiceIsKeptEvenWhenUnsupported) {
    ASSERT_TRUE(key.setDword(u"dwLanguageId", 0x0407));
    system = 0x0804;
    EXPECT_EQ(choice.GetLanguageId(), 0x0407);
    EXPECT_EQ(choice.GetLanguageIndex(), 0);
    EXPECT_EQ(systemAsked, 0);
    EXPECT_EQ(stored()->dword, 0x0407u);
    EXPECT_EQ(texts.LoadText(u"IDS_MAIN_CAPTION", choice.GetLanguageIndex()), u"Quorvane Keyboard");
}

TEST_F(LanguageFixture, AStringValueOrNoValueIsReplacedByTheChoice) {
    system = 0x0C04;
    EXPECT_EQ(choice.GetLanguageId(), 0x0804);  // no value at all
    ASSERT_TRUE(key.setString(u"dwLanguageId", u"1033"));
    system = 0x1004;
    EXPECT_EQ(choice.GetLanguageId(), 0x0404);
    ASSERT_TRUE(stored().has_value());
    EXPECT_EQ(stored()->type, RegType::Dword);
    EXPECT_EQ(stored()->dword, 0x0404u);
}

TEST_F(LanguageFixture, AChosenLanguageIsStoredAndOutlivesTheSystemLanguage) {
    system = 0x0804;
    ASSERT_EQ(choice.GetLanguageIndex(), 5);  // the first start decided
    for (int index = 0; index < kSupportedLanguages; ++index) {
        ASSERT_TRUE(choice.setLanguageIndex(index)) << index;
        ASSERT_TRUE(stored().has_value());
        EXPECT_EQ(stored()->type, RegType::Dword);
        EXPECT_EQ(stored()->dword, kLanguageTable[static_cast<std::size_t>(index)]);
        // A later start (a new choice object over the same file) and a changed
        // system language keep it.
        system = index == 0 ? 0x0412 : 0x0409;
        RegistryStore again(dir.file("registry.reg"));
        RegKey againKey = RegKey::openOrCreate(again, u"Software\\Norvalis ZR4");
        LanguageChoice later(againKey, [this] { return system; });
        EXPECT_EQ(later.GetLanguageIndex(), index);
    }
    EXPECT_EQ(texts.LoadText(u"IDS_MAIN_CAPTION", choice.GetLanguageIndex()), u"\u9375\u76e4");
    systemAsked = 0;
    for (int index : {-1, 7, 8}) {
        EXPECT_FALSE(choice.setLanguageIndex(index)) << index;
        EXPECT_EQ(stored()->dword, 0x0404u) << index;
    }
    EXPECT_EQ(systemAsked, 0);
}

TEST(Language, WithoutASettingsKeyAChoiceIsNotKept) {
    RegKey none;
    LanguageChoice choice(none, [] { return LangId{0x040C}; });
    EXPECT_FALSE(choice.setLanguageIndex(4));
    EXPECT_EQ(choice.GetLanguageIndex(), 1);
}

TEST(Language, EachLanguageIsNamedInItself) {
    const std::u16string_view names[] = {u"English", u"Français", u"Español", u"Português",
                                         u"한국어",  u"简体中文", u"繁體中文"};
    for (int index = 0; index < kSupportedLanguages; ++index) {
        EXPECT_EQ(languageOwnName(index), names[index]) << index;
    }
    EXPECT_TRUE(languageOwnName(-1).empty());
    EXPECT_TRUE(languageOwnName(7).empty());
}

TEST(Language, WithoutASettingsKeyTheSystemDecidesEveryTime) {
    RegKey none;
    LangId system = 0x0C04;
    LanguageChoice choice(none, [&] { return system; });
    EXPECT_EQ(choice.GetLanguageId(), 0x0804);
    system = 0x0412;
    EXPECT_EQ(choice.GetLanguageId(), 0x0412);
    EXPECT_EQ(choice.GetLanguageIndex(), 4);
}

TEST(LanguageTexts, ErrorEmptyCutAndIndexRules) {
    LanguageTexts texts("", langFolder());
    EXPECT_EQ(texts.LoadText(u"IDS_NOT_THERE", 0), u"#Error");
    EXPECT_EQ(texts.LoadText(u"IDS_EMPTY", 0), u"");
    EXPECT_EQ(texts.LoadText(u"ids_main_ok", 0), u"OK");
    EXPECT_EQ(texts.LoadText(u"IDS_LONG", 0), std::u16string(259, u'x'));
    EXPECT_EQ(texts.LoadText(u"IDS_MAIN_CAPTION", 7), u"#Error");  // Lang0000.ini
    for (int index : {8, 9, 255, -1}) {
        EXPECT_EQ(texts.LoadText(u"IDS_MAIN_CAPTION", index), u"Quorvane Keyboard") << index;
    }
    LanguageTexts nowhere("", "/nonexistent/");
    EXPECT_EQ(nowhere.LoadText(u"IDS_MAIN_CAPTION", 0), u"#Error");
    EXPECT_EQ(LanguageTexts::textFileName("", "/opt/q/", 0x040c), "/opt/q/Lang040C.ini");
    EXPECT_EQ(texts.textFileOfIndex(7), langFolder() + "Lang0000.ini");
}

TEST(Language, LocaleNamesToLanguageIds) {
    struct Case {
        const char* locale;
        LangId id;
    };
    const Case cases[] = {
        {"zh_HK.UTF-8", 0x0C04},
        {"zh_SG", 0x1004},
        {"zh_TW.Big5", 0x0404},
        {"zh_CN.UTF-8", 0x0804},
        {"fr_CA.UTF-8@euro", 0x0C0C},
        {"de_AT", 0x0C07},
        {"ja_JP.eucJP", 0x0411},
        {"pt", 0x0416},
        {"pt_PT", 0x0816},
        {"es_XX", 0x0C0A},
        {"EN-gb", 0x0809},
        {"ko_KR.UTF-8", 0x0412},
        {"C", 0},
        {"POSIX", 0},
        {"xx_YY", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(langIdFromLocaleName(c.locale), c.id) << c.locale;
    }
}

TEST(Language, FoldTableFirstMatch) {
    EXPECT_EQ(foldLanguageId(0x0C04), 0x0804);
    EXPECT_EQ(foldLanguageId(0x500A), 0x040A);
    EXPECT_EQ(foldLanguageId(0x2C09), 0x0409);
    EXPECT_EQ(foldLanguageId(0x1407), 0x0407);
    EXPECT_EQ(foldLanguageId(0x0804), 0x0804);
    EXPECT_EQ(foldLanguageId(0x540A), 0x540A);
}

TEST(Language, SystemLanguageFromTheLocaleVariables) {
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        LangId id;
    };
    const Case cases[] = {
        {"zh_HK.UTF-8", "de_DE", "fr_FR", 0x0C04}, {"", "de_CH.UTF-8", "fr_FR", 0x0807},
        {nullptr, nullptr, "ko_KR", 0x0412},       {nullptr, nullptr, "C.UTF-8", 0x0409},
        {nullptr, nullptr, nullptr, 0x0409},       {"tlh_XX", nullptr, "fr_FR", 0x0409},
    };
    test::EnvGuard env;
    for (const auto& c : cases) {
        auto set = [&env](const char* name, const char* value) {
            env.set(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
        };
        set("LC_ALL", c.lcAll);
        set("LC_MESSAGES", c.lcMessages);
        set("LANG", c.lang);
        EXPECT_EQ(systemDefaultLangId(), c.id);
    }
}

}  // namespace
}  // namespace quorvane
