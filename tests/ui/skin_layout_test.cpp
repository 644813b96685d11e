// Checks the generated Skins/ folder: every skin key the program places exists,
// every rectangle lies inside its window's shape, visible controls do not overlap
// except where the program draws them over each other, each state of an image
// button looks different, and every picture has the size the program expects.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <optional>
#include <set>

#include "ui/qt_test_app.h"
#include "ui/skin/base_dialog.h"
#include "ui/skin/skin_picture.h"
#include "ui/skin/skin_rect.h"

namespace quorvane {
namespace {

const std::string kSkins = QUORVANE_SKIN_DIR;

std::string skinFile(const std::string& name) {
    return kSkins + "/" + name;
}

std::u16string u16(const std::string& s) {
    return utf8ToUtf16(s);
}

struct KeyCap {
    unsigned id;
    int led;
};

// The 104 keys of the keyboard picture: KeyId and colour index.
const KeyCap kKeys[] = {
    {0x1E, 64},   {0x30, 90},   {0x2E, 88},   {0x20, 66},   {0x12, 45},   {0x21, 67},   {0x22, 68},
    {0x23, 69},   {0x17, 50},   {0x24, 70},   {0x25, 71},   {0x26, 72},   {0x32, 92},   {0x31, 91},
    {0x18, 51},   {0x19, 52},   {0x10, 43},   {0x13, 46},   {0x1F, 65},   {0x14, 47},   {0x16, 49},
    {0x2F, 89},   {0x11, 44},   {0x2D, 87},   {0x15, 48},   {0x2C, 86},   {0x02, 22},   {0x03, 23},
    {0x04, 24},   {0x05, 25},   {0x06, 26},   {0x07, 27},   {0x08, 28},   {0x09, 29},   {0x0A, 30},
    {0x0B, 31},   {0x1C, 76},   {0x01, 0},    {0x0E, 34},   {0x0F, 42},   {0x39, 108},  {0x0C, 32},
    {0x0D, 33},   {0x1A, 53},   {0x1B, 54},   {0x2B, 55},   {0x27, 73},   {0x28, 74},   {0x29, 21},
    {0x33, 93},   {0x34, 94},   {0x35, 95},   {0x3B, 1},    {0x3C, 2},    {0x3D, 3},    {0x3E, 4},
    {0x3F, 5},    {0x40, 6},    {0x41, 7},    {0x42, 8},    {0x43, 9},    {0x44, 10},   {0x57, 11},
    {0x58, 12},   {0x137, 14},  {0x45, 16},   {0x152, 35},  {0x153, 56},  {0x147, 36},  {0x14F, 57},
    {0x149, 37},  {0x151, 58},  {0x148, 99},  {0x150, 120}, {0x14B, 119}, {0x14D, 121}, {0x46, 15},
    {0x3A, 63},   {0x15D, 111}, {0x1D, 105},  {0x11D, 113}, {0x2A, 84},   {0x36, 97},   {0x38, 107},
    {0x138, 109}, {0x15B, 106}, {0x15C, 112}, {0x4F, 101},  {0x50, 102},  {0x51, 103},  {0x4B, 80},
    {0x4C, 81},   {0x4D, 82},   {0x47, 59},   {0x48, 60},   {0x49, 61},   {0x52, 123},  {0x145, 38},
    {0x11C, 104}, {0x53, 124},  {0x135, 39},  {0x37, 40},   {0x4A, 41},   {0x4E, 62}};
static_assert(sizeof(kKeys) / sizeof(kKeys[0]) == 104);

std::string skinKeyOf(unsigned keyId) {
    const unsigned row = keyId < 0x100 ? keyId : (keyId & 0xFF) + 0x80;
    char name[16];
    std::snprintf(name, sizeof name, "KEY_%03X", row);
    return name;
}

// Placed from the skin but never shown.
const std::set<std::string> kMainHidden = {
    "CONTROL_JTysStatic",  "CONTROL_JTysButton",   "CONTROL_FYCFStatic",   "CONTROL_FYdjcfStatic",
    "CONTROL_FYggcfStatc", "CONTROL_FYdjcfStaPic", "CONTROL_FYggcfStaPic", "CONTROL_TSysStatic",
    "CONTROL_TSysButton",  "CONTROL_TSsjsStatic",  "CONTROL_TSsjsStaPic",  "CONTROL_CDysStatic",
    "CONTROL_CDysButton",  "CONTROL_CDsjsStatic",  "CONTROL_CDsjsStaPic"};

std::vector<std::string> mainKeys() {
    std::vector<std::string> keys = {"CONTROL_OK",
                                     "CONTROL_CANCEL",
                                     "FUNC_PROFILES",
                                     "CONTROL2_APPLY",
                                     "FUNC_MACRO",
                                     "TAVRIN_LINK",
                                     "CONTROL_HELP",
                                     "CONTROL_MINIMIZE",
                                     "CONTROL_CLOSE",
                                     "LOCK_CAPS",
                                     "LOCK_NUM",
                                     "LOCK_SCROLL",
                                     "LOCK_AB",
                                     "FLIP_0",
                                     "FLIP_1",
                                     "FLIP_2",
                                     "LEFT_ARROW",
                                     "RIGHT_ARROW",
                                     "TAVRIN_VER",
                                     "FUNC_PROFILE1",
                                     "FUNC_PROFILE2",
                                     "FUNC_PROFILE3",
                                     "FUNC_DEFAULT",
                                     "CONTROL_MENU",
                                     "FUNC_SWITCH",
                                     "FUNC_REPORT1",
                                     "FUNC_REPORT2",
                                     "FUNC_REPORT3",
                                     "FUNC_REPORT4",
                                     "KEY_FN",
                                     "CONTROL_JDTStatic",
                                     "CONTROL_UsbStatic",
                                     "CONTROL_Profiles",
                                     "CONTROL_Lighting",
                                     "CONTROL_Working",
                                     "CONTROL_DengStatic",
                                     "CONTROL_DengStaPic",
                                     "CONTROL_XGcombox",
                                     "CONTROL_LightStatic",
                                     "CONTROL_LightSlider",
                                     "CONTROL_SpeedStatic",
                                     "CONTROL_SpeedSlider",
                                     "CONTROL_BLFXStatic",
                                     "CONTROL_BLFXLStaPic",
                                     "CONTROL_BLFXRStaPic",
                                     "CONTROL_BLFXStatic2",
                                     "CONTROL_BLFXLStaPic2",
                                     "CONTROL_BLFXRStaPic2",
                                     "CONTROL_BLFXStatic3",
                                     "CONTROL_BLFXLStaPic3",
                                     "CONTROL_BLFXRStaPic3",
                                     "CONTROL_HXysStatic",
                                     "CONTROL_HXysButton",
                                     "CONTROL_HXsjsStatic",
                                     "CONTROL_HXsjsStaPic",
                                     "CONTROL_FYYSStatic",
                                     "CONTROL_FYYSButton",
                                     "CONTROL_FYSJSStatic",
                                     "CONTROL_FYSJSStaPic",
                                     "CONTROL_HONGPIC",
                                     "CONTROL_HUANGPIC",
                                     "CONTROL_LVPIC",
                                     "CONTROL_LANPIC",
                                     "CONTROL_USERysStatic",
                                     "CONTROL_USERysButton",
                                     "CONTROL_USERjsStatic",
                                     "CONTROL_USERjsButton",
                                     "CONTROL_USERgjStatic",
                                     "CONTROL_USERgjStaPic1",
                                     "CONTROL_USERgjStaPic2",
                                     "CONTROL_umCombo"};
    keys.insert(keys.end(), kMainHidden.begin(), kMainHidden.end());
    for (int n = 1; n <= 9; ++n) {
        keys.push_back("FUNC_G" + std::to_string(n));
    }
    for (const KeyCap& k : kKeys) {
        keys.push_back(skinKeyOf(k.id));
    }
    return keys;
}

const std::vector<std::string> kProfileKeys = {"PROGRAM_LIST",  "FUNC_ADD",   "FUNC_LOAD",
                                               "FUNC_DELETE",   "CONTROL_OK", "CONTROL_CANCEL",
                                               "CONTROL2_APPLY"};

const std::vector<std::string> kCompositeKeys = {"CONTROL_KEY",
                                                 "CONTROL_MACRO",
                                                 "CONTROL_MEDIA",
                                                 "CONTROL_FUNCTION",
                                                 "CONTROL_CLEAR",
                                                 "CONTROL_MASK",
                                                 "CONTROL_TITLE",
                                                 "CONTROL_OSK",
                                                 "CONTROL_CLOSE",
                                                 "CONTROL_OK",
                                                 "CONTROL_CANCEL",
                                                 "FUNC_KEY_INPUT",
                                                 "FUNC_MEDIA_SELECT",
                                                 "FUNC_FUNCTION_SELECT",
                                                 "KEY_SETTING",
                                                 "TISHI_SINGLE_STATIC",
                                                 "MEDIA_SETTING_TISHI",
                                                 "FUNCTION_KEY_SETTING_TISHI",
                                                 "FUNC_MACRO_LIST",
                                                 "FUNC_MACRO_ADD",
                                                 "FUNC_MACRO_DELETE",
                                                 "FUNC_MACRO_LIST2",
                                                 "FUNC_MACRO_RECORD",
                                                 "FUNC_MACRO_DELETE2",
                                                 "FUNC_MACRO_CLEAR",
                                                 "FUNC_MACRO_UP_TOP",
                                                 "FUNC_MACRO_UP",
                                                 "FUNC_MACRO_DOWN",
                                                 "FUNC_MACRO_DOWN_BOTTOM",
                                                 "FUNC_MACRO_RECORD_DELAY",
                                                 "FUNC_MACRO_RECORD_DELAY2",
                                                 "FUNC_MACRO_CYCLES",
                                                 "FUNC_MACRO_CYCLES_PROMPT",
                                                 "MARCO_NAME_SETTING"};

// When a control can be seen: the effects of the lighting panel that show it, or
// the page of the assignment dialog. Controls of disjoint sets may share space.
std::optional<std::set<std::string>> shownWith(const std::string& key) {
    auto effects = [](std::initializer_list<int> list) {
        std::set<std::string> out;
        for (int e : list) {
            out.insert("effect " + std::to_string(e));
        }
        return out;
    };
    auto starts = [&](const char* prefix) { return key.rfind(prefix, 0) == 0; };
    auto ends = [&](char c) { return !key.empty() && key.back() == c; };
    if (starts("CONTROL_BLFX")) {
        return ends('2') ? effects({1, 2, 3}) : ends('3') ? effects({12}) : effects({18});
    }
    if (starts("CONTROL_HX")) {
        return effects({1, 2, 3, 5, 7, 8, 9, 10, 13, 14, 15});
    }
    if (starts("CONTROL_FYYS") || starts("CONTROL_FYSJS")) {
        return effects({6, 16});
    }
    if (key == "CONTROL_HONGPIC" || key == "CONTROL_HUANGPIC" || key == "CONTROL_LVPIC" ||
        key == "CONTROL_LANPIC") {
        return effects({17});
    }
    if (starts("CONTROL_USER") || key == "CONTROL_umCombo") {
        return effects({20});
    }
    if (key == "TISHI_SINGLE_STATIC" || key == "FUNC_KEY_INPUT") {
        return std::set<std::string>{"single"};
    }
    if (key == "MEDIA_SETTING_TISHI" || key == "FUNC_MEDIA_SELECT") {
        return std::set<std::string>{"media"};
    }
    if (key == "FUNCTION_KEY_SETTING_TISHI" || key == "FUNC_FUNCTION_SELECT") {
        return std::set<std::string>{"function"};
    }
    if (starts("FUNC_MACRO_") || key == "MARCO_NAME_SETTING") {
        return std::set<std::string>{"macro"};
    }
    return std::nullopt;
}

// Pictures the program deliberately paints over others, repainted in a fixed order.
bool drawnOver(const std::string& a, const std::string& b) {
    auto pair = [&](const std::string& x, const std::string& y) {
        return (a == x && b == y) || (a == y && b == x);
    };
    auto oneIs = [&](const std::string& x, const std::string& prefix) {
        return (a == x && b.rfind(prefix, 0) == 0) || (b == x && a.rfind(prefix, 0) == 0);
    };
    if (pair("LEFT_ARROW", "FLIP_1") || pair("RIGHT_ARROW", "FLIP_2") ||
        pair("KEY_01C", "KEY_01B") || oneIs("LOCK_AB", "FUNC_G")) {
        return true;
    }
    for (const char* fkey :
         {"KEY_03B", "KEY_03C", "KEY_03D", "KEY_03E", "KEY_03F", "FLIP_1", "FLIP_2"}) {
        if (pair("FLIP_0", fkey)) {
            return true;
        }
    }
    // The default-mode notice shows only while the keyboard's default mode hides
    // every control of the lighting panel, the lamp included.
    for (const char* lamp : {"CONTROL_Deng", "CONTROL_XGcombox"}) {
        if (oneIs("CONTROL_Working", lamp)) {
            return true;
        }
    }
    for (const char* lock : {"LOCK_CAPS", "LOCK_NUM", "LOCK_SCROLL"}) {
        if (oneIs(lock, "KEY_")) {
            return true;
        }
    }
    return false;
}

bool mayOverlap(const std::string& a, const std::string& b) {
    if (kMainHidden.count(a) || kMainHidden.count(b) || drawnOver(a, b)) {
        return true;
    }
    const auto sa = shownWith(a);
    const auto sb = shownWith(b);
    if (!sa || !sb) {
        return false;
    }
    for (const std::string& s : *sa) {
        if (sb->count(s)) {
            return false;
        }
    }
    return true;
}

// Mean difference of the three channels inside `r`, 0 to 255.
double meanDifference(const QImage& a, const QImage& b, const QRect& r) {
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * r.width() * r.height());
}

constexpr double kVisiblyDifferent = 6.0;

class SkinFolderCheck : public ::testing::Test {
  protected:
    struct Window {
        SkinLayout layout;
        QSize size;
        QRegion shape;
    };

    static void SetUpTestSuite() { test::qtApp(); }

    // The window as the base dialog builds it: background size and mask shape.
    Window open(const std::string& iniName) {
        Window w;
        w.layout = SkinLayout::load(skinFile(iniName));
        EXPECT_TRUE(w.layout.exists()) << iniName;
        const std::u16string main = w.layout.text(u"SCREEN", u"Main", u"");
        std::u16string mask = w.layout.text(u"SCREEN", u"Mask", u"");
        EXPECT_FALSE(main.empty()) << iniName;
        if (mask.empty()) {
            mask = main;
        }
        const QImage background(QString::fromStdString(skinFilePath(kSkins, main)));
        const QImage maskImage(QString::fromStdString(skinFilePath(kSkins, mask)));
        EXPECT_FALSE(background.isNull()) << iniName;
        EXPECT_EQ(maskImage.size(), background.size()) << iniName;
        w.size = background.size();
        w.shape = regionFromMask(maskImage);
        // Rounded: the corner pixel is outside, the middle inside.
        EXPECT_FALSE(w.shape.contains(QPoint(0, 0))) << iniName;
        EXPECT_TRUE(w.shape.contains(QPoint(w.size.width() / 2, w.size.height() / 2))) << iniName;
        return w;
    }

    // The double-size companion of a window-sized picture, for dense screens.
    void expectDoubleSize(const std::string& name, QSize logical) {
        const std::string dense =
            highResolutionPath(QString::fromStdString(skinFile(name))).toStdString();
        const QImage image(QString::fromStdString(dense));
        EXPECT_EQ(image.size(), logical * 2) << dense;
    }

    QImage picture(const std::string& name, QSize expected) {
        const QImage image(QString::fromStdString(skinFile(name)));
        EXPECT_FALSE(image.isNull()) << name;
        if (expected.isValid()) {
            EXPECT_EQ(image.size(), expected) << name;
        }
        return image.convertToFormat(QImage::Format_RGB32);
    }

    // Every key present, inside the window's shape, and no unexpected overlap.
    void checkPlacement(const Window& w, const std::vector<std::string>& keys) {
        std::vector<std::pair<std::string, QRect>> placed;
        for (const std::string& key : keys) {
            const SkinRect r = w.layout.rect(u"BUTTONINFO", u16(key));
            ASSERT_FALSE(r.isUnplaced()) << key << " is missing or at 1,1";
            const QRect q = r.toQRect();
            EXPECT_GT(q.width(), 1) << key;
            EXPECT_GT(q.height(), 1) << key;
            for (const QPoint corner :
                 {q.topLeft(), q.topRight(), q.bottomLeft(), q.bottomRight()}) {
                EXPECT_TRUE(w.shape.contains(corner)) << key << " reaches outside the window";
            }
            placed.emplace_back(key, q);
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
            for (std::size_t j = i + 1; j < placed.size(); ++j) {
                if (placed[i].second.intersects(placed[j].second)) {
                    EXPECT_TRUE(mayOverlap(placed[i].first, placed[j].first))
                        << placed[i].first << " overlaps " << placed[j].first;
                }
            }
        }
    }

    void expectDifferent(const QImage& a, const QImage& b, const QRect& r,
                         const std::string& what) {
        EXPECT_GT(meanDifference(a, b, r), kVisiblyDifferent) << what;
    }
};

TEST_F(SkinFolderCheck, MainWindowLayoutAndPictures) {
    const Window w = open("Main.ini");
    checkPlacement(w, mainKeys());
    EXPECT_FALSE(w.layout.text(u"SCREEN", u"Link", u"").empty());
    for (const char16_t* section : {u"Control_Name", u"Control_Name1"}) {
        for (const char16_t* key : {u"Usb", u"Lighting", u"Working", u"Profiles", u"Deng", u"Light",
                                    u"FX", u"Speed", u"Color", u"JColor", u"DC", u"Tool"}) {
            EXPECT_FALSE(w.layout.text(section, key, u"").empty());
        }
    }

    const QImage normal = picture("main_normal.jpg", w.size);
    const QImage over = picture("main_over.jpg", w.size);
    const QImage down = picture("main_down.jpg", w.size);
    const QImage disable = picture("main_disable.jpg", w.size);
    const QImage colour0 = picture("main_color0.jpg", w.size);
    const QImage colour1 = picture("main_color1.jpg", w.size);
    const QImage arrows = picture("Arrow.jpg", w.size);
    for (const char* name :
         {"main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_disable.jpg",
          "main_color0.jpg", "main_color1.jpg", "Arrow.jpg", "main_back.jpg"}) {
        expectDoubleSize(name, w.size);
    }

    auto rect = [&](const std::string& key) {
        return w.layout.rect(u"BUTTONINFO", u16(key)).toQRect();
    };
    std::vector<std::string> keyButtons = {"KEY_FN"};
    for (int n = 1; n <= 9; ++n) {
        keyButtons.push_back("FUNC_G" + std::to_string(n));
    }
    for (const KeyCap& k : kKeys) {
        keyButtons.push_back(skinKeyOf(k.id));
    }
    for (const std::string& key : keyButtons) {
        expectDifferent(normal, over, rect(key), key + " over");
        expectDifferent(normal, down, rect(key), key + " down");
        expectDifferent(normal, disable, rect(key), key + " checked");
        expectDifferent(colour0, colour1, rect(key), key + " colour keys");
    }
    for (const char* key :
         {"CONTROL_OK", "CONTROL_CANCEL", "CONTROL2_APPLY", "FUNC_PROFILES", "FUNC_MACRO",
          "CONTROL_HELP", "CONTROL_CLOSE", "CONTROL_MINIMIZE", "CONTROL_MENU", "FUNC_PROFILE1",
          "FUNC_PROFILE2", "FUNC_PROFILE3", "FUNC_DEFAULT", "FUNC_SWITCH", "FUNC_REPORT1",
          "FUNC_REPORT4", "FLIP_1", "FLIP_2", "TAVRIN_LINK"}) {
        expectDifferent(normal, over, rect(key), std::string(key) + " over");
    }
    for (const char* key : {"CONTROL2_APPLY", "FUNC_PROFILE1", "FUNC_DEFAULT", "FUNC_SWITCH",
                            "FUNC_REPORT2", "FLIP_0", "TAVRIN_LINK"}) {
        expectDifferent(normal, disable, rect(key), std::string(key) + " disabled or checked");
    }
    for (const char* key : {"LOCK_CAPS", "LOCK_NUM", "LOCK_SCROLL", "LOCK_AB"}) {
        expectDifferent(normal, over, rect(key), std::string(key) + " lit");
    }

    // Arrow frames: inside the sheet with room for the arrow buttons, and not empty.
    for (const char16_t* frame :
         {u"UP_ARROW_LEFT1", u"UP_ARROW_RIGHT1", u"DOWN_ARROW_LEFT1", u"DOWN_ARROW_RIGHT1"}) {
        const SkinRect f = w.layout.rect(u"BUTTONINFO2", frame);
        ASSERT_FALSE(f.isUnplaced());
        for (const char* arrow : {"LEFT_ARROW", "RIGHT_ARROW"}) {
            const QRect cut(f.x, f.y, rect(arrow).width(), rect(arrow).height());
            EXPECT_TRUE(QRect(QPoint(0, 0), w.size).contains(cut));
            const QColor first = arrows.pixelColor(cut.topLeft());
            bool drawn = false;
            for (int y = cut.top(); y <= cut.bottom() && !drawn; ++y) {
                for (int x = cut.left(); x <= cut.right() && !drawn; ++x) {
                    drawn = std::abs(arrows.pixelColor(x, y).value() - first.value()) > 40;
                }
            }
            EXPECT_TRUE(drawn);
        }
    }
}

TEST_F(SkinFolderCheck, LightingBitmapsFitTheirControls) {
    const Window w = open("Main.ini");
    auto size = [&](const char16_t* key) {
        return w.layout.rect(u"BUTTONINFO", key).toQRect().size();
    };
    // Each bitmap fits its control and has a double-size companion.
    auto bitmap = [&](const std::string& name, QSize expected) {
        picture(name, expected);
        expectDoubleSize(name, expected);
    };
    for (int n = 0; n <= 51; ++n) {
        if (n == 26) {
            continue;
        }
        bitmap(std::to_string(n) + ".bmp", size(u"CONTROL_LightSlider"));
    }
    EXPECT_EQ(size(u"CONTROL_LightSlider"), size(u"CONTROL_SpeedSlider"));
    for (int n = 1; n <= 10; ++n) {
        bitmap("jdt" + std::to_string(n) + ".bmp", size(u"CONTROL_JDTStatic"));
    }
    for (const char* name : {"dengup.bmp", "dengdown.bmp"}) {
        bitmap(name, size(u"CONTROL_DengStaPic"));
    }
    for (const char* name : {"leftup.bmp", "leftdown.bmp", "rightup.bmp", "rightdown.bmp",
                             "upup.bmp", "updown.bmp", "downup.bmp", "downdown.bmp", "julong.bmp",
                             "julongdown.bmp", "kuosan.bmp", "kuosandown.bmp"}) {
        bitmap(name, size(u"CONTROL_BLFXLStaPic"));
    }
    for (const char* name : {"hong.bmp", "hongok.bmp", "huang.bmp", "huangok.bmp", "lv.bmp",
                             "lvok.bmp", "lan.bmp", "lanok.bmp"}) {
        bitmap(name, size(u"CONTROL_HONGPIC"));
    }
    for (const char* name : {"sjsup.bmp", "sjsdown.bmp"}) {
        bitmap(name, size(u"CONTROL_HXsjsStaPic"));
    }
    for (const char* name : {"user1up.bmp", "user1down.bmp", "user2up.bmp", "user2down.bmp"}) {
        bitmap(name, size(u"CONTROL_USERgjStaPic1"));
    }
    // The five positions of each shown slider are five different pictures.
    for (int first : {0, 6}) {
        for (int n = first; n < first + 4; ++n) {
            const QImage a = picture(std::to_string(n) + ".bmp", {});
            const QImage b = picture(std::to_string(n + 1) + ".bmp", {});
            EXPECT_NE(a, b) << n;
        }
    }
    for (const char* name : {"icon_128.png", "icon_141.png", "icon_142.png", "quorvane.png"}) {
        picture(name, {});
    }
}

TEST_F(SkinFolderCheck, ProfileManagerLayoutAndPictures) {
    const Window w = open("Profile.ini");
    checkPlacement(w, kProfileKeys);
    const QImage normal = picture("Profile_normal.jpg", w.size);
    const QImage over = picture("Profile_over.jpg", w.size);
    const QImage down = picture("Profile_down.jpg", w.size);
    for (const char* name : {"Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg"}) {
        expectDoubleSize(name, w.size);
    }
    for (const std::string& key : kProfileKeys) {
        if (key == "PROGRAM_LIST") {
            continue;
        }
        const QRect r = w.layout.rect(u"BUTTONINFO", u16(key)).toQRect();
        expectDifferent(normal, over, r, key + " over");
        expectDifferent(normal, down, r, key + " down");
    }
}

TEST_F(SkinFolderCheck, CompositeDialogLayoutAndPictures) {
    const Window w = open("Composite.ini");
    checkPlacement(w, kCompositeKeys);
    std::map<std::string, QImage> pics;
    for (const char* name : {"key_normal", "key_over", "key_down", "macro_normal", "macro_over",
                             "macro_down", "macro_disable", "macro2_normal", "macro2_over",
                             "macro2_down", "macro2_disable", "media_normal", "media_over",
                             "media_down", "function_normal", "function_over", "function_down"}) {
        pics[name] = picture(std::string(name) + ".jpg", w.size);
        expectDoubleSize(std::string(name) + ".jpg", w.size);
    }
    auto rect = [&](const char16_t* key) { return w.layout.rect(u"BUTTONINFO", key).toQRect(); };
    for (const char16_t* key :
         {u"CONTROL_KEY", u"CONTROL_MACRO", u"CONTROL_MEDIA", u"CONTROL_FUNCTION", u"CONTROL_CLEAR",
          u"CONTROL_OK", u"CONTROL_CANCEL", u"CONTROL_CLOSE", u"CONTROL_OSK"}) {
        expectDifferent(pics["key_normal"], pics["key_over"], rect(key), "key over");
        expectDifferent(pics["key_normal"], pics["key_down"], rect(key), "key down");
    }
    for (const char16_t* key : {u"FUNC_MACRO_ADD", u"FUNC_MACRO_RECORD", u"FUNC_MACRO_UP"}) {
        expectDifferent(pics["macro_normal"], pics["macro_over"], rect(key), "macro over");
        expectDifferent(pics["macro_normal"], pics["macro_disable"], rect(key), "macro disabled");
    }
    // Buttons of one page are not part of the background, or they would show on every page.
    const QImage background = picture("composite_back.jpg", w.size);
    for (const char16_t* key : {u"FUNC_MACRO_ADD", u"FUNC_MACRO_UP", u"FUNC_MACRO_RECORD"}) {
        expectDifferent(background, pics["macro_normal"], rect(key), "page button in background");
    }
    // The page picture follows the page.
    const QRect mask = rect(u"CONTROL_MASK");
    const char* pages[] = {"key_normal", "macro_normal", "media_normal", "function_normal"};
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            expectDifferent(pics[pages[i]], pics[pages[j]], mask,
                            std::string(pages[i]) + " vs " + pages[j]);
        }
    }
    // The locked look of the macro-only key.
    for (const char16_t* key : {u"CONTROL_KEY", u"CONTROL_MEDIA", u"CONTROL_FUNCTION",
                                u"CONTROL_CLEAR", u"CONTROL_TITLE"}) {
        expectDifferent(pics["key_normal"], pics["macro2_normal"], rect(key), "locked");
    }
}

TEST_F(SkinFolderCheck, LanguageChoiceAndUserModeTemplate) {
    const SkinLayout language = SkinLayout::load(skinFile("language.ini"));
    ASSERT_TRUE(language.exists());
    EXPECT_EQ(language.text(u"LANGUAGE", u"language", u"missing"), u"0");

    const SkinLayout modes = SkinLayout::load(skinFile("UserDengColor_3.userd"));
    ASSERT_TRUE(modes.exists());
    EXPECT_EQ(modes.text(u"PRESENTMODE", u"mode", u""), u"0");
    std::vector<int> leds = {110, 125};
    for (const KeyCap& k : kKeys) {
        leds.push_back(k.led);
    }
    auto numbers = [](const std::u16string& text) {
        std::vector<int> out;
        const QStringList parts = QString::fromStdU16String(text).split(u',');
        for (const QString& p : parts) {
            bool ok = false;
            const int v = p.toInt(&ok);
            out.push_back(ok ? v : -1);
        }
        return out;
    };
    for (int m = 0; m < 10; ++m) {
        const std::u16string section = u"Mode" + u16(std::to_string(m));
        EXPECT_FALSE(modes.text(u"MODENAME", u16(std::to_string(m)), u"").empty()) << m;
        const std::u16string tool = modes.text(section, u"tool", u"");
        EXPECT_TRUE(tool == u"0" || tool == u"1") << m;
        for (const char16_t* key : {u"jcolor", u"color"}) {
            const auto c = numbers(modes.text(section, key, u""));
            ASSERT_EQ(c.size(), 3u) << m;
            for (int v : c) {
                EXPECT_TRUE(v >= 0 && v <= 255) << m;
            }
        }
        for (int led : leds) {
            const auto c = numbers(modes.text(section, u16(std::to_string(led)), u""));
            ASSERT_EQ(c.size(), 4u) << "mode " << m << " colour index " << led;
            for (int i = 0; i < 3; ++i) {
                EXPECT_TRUE(c[i] >= 0 && c[i] <= 255);
            }
            EXPECT_TRUE(c[3] == 0 || c[3] == 1);
        }
    }
}

}  // namespace
}  // namespace quorvane
