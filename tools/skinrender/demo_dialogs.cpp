#include "demo_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>

#include <functional>
#include <map>
#include <set>

#include "ui/skin/base_dialog.h"
#include "ui/skin/bitmap_slider.h"
#include "ui/skin/color_static.h"
#include "ui/skin/png_button.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/report_ctrl.h"
#include "ui/skin/skin_color.h"
#include "ui/skin/skin_color_btn.h"
#include "ui/skin/skin_picture.h"
#include "ui/skin/skin_placement.h"

namespace quorvane::demo {

namespace {

constexpr char kFaceName[] = "DejaVu Sans";

QString qs(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

QPixmap load(const std::string& folder, const char* name) {
    return loadSkinPixmap(QString::fromStdString(folder + "/" + name));
}

// The dialog's picture with everything outside its shape made transparent.
QImage shot(CBaseDialog& dialog) {
    dialog.show();
    QApplication::processEvents();
    QImage image = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion shape = dialog.windowRegion();
    const qreal ratio = image.devicePixelRatio();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!shape.contains(QPoint(static_cast<int>(x / ratio), static_cast<int>(y / ratio)))) {
                line[x] = 0;
            }
        }
    }
    dialog.hide();
    return image;
}

void hover(QWidget* w) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(w, &enter);
}

void textStyle(CPngButton* b, int size, unsigned format) {
    b->SetTextStyle(true, size, QString::fromLatin1(kFaceName), colorFromRef(0xDEDEDE),
                    colorFromRef(0x622245), colorFromRef(0x262A83), colorFromRef(0x446053),
                    colorFromRef(0xDEDEDE), format);
}

ColorStatic* label(QWidget* parent, const SkinLayout& layout, const std::u16string& key,
                   const QString& text, QColor colour = QColor(0xDF, 0xE3, 0xEA)) {
    auto* l = qtOwned<ColorStatic>(parent);
    loadSkinRect(l, layout, u"BUTTONINFO", key);
    l->SetTextColor(colour);
    l->SetFontFace(QString::fromLatin1(kFaceName), 600);
    l->SetFontHeight(13);
    l->setText(text);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

const char* kComboStyle =
    "QComboBox,QLineEdit{background:#0f1116;color:#dfe3ea;border:1px solid #3a414d;"
    "border-radius:4px;padding:1px 6px;}"
    "QComboBox::drop-down{border:none;width:18px;}"
    "QCheckBox{color:#e4e4e4;}";

struct MainDemo {
    enum class Mode { Function, ColourKeys, UserMode };
};

QImage mainScene(const std::string& skins, MainDemo::Mode mode) {
    CBaseDialog dlg(102, nullptr, skins + "/Main.ini", skins);
    dlg.setStyleSheet(QString::fromLatin1(kComboStyle));
    const SkinLayout& layout = dlg.layout();
    const QPixmap N = load(skins, "main_normal.jpg"), O = load(skins, "main_over.jpg"),
                  D = load(skins, "main_down.jpg"), X = load(skins, "main_disable.jpg"),
                  C0 = load(skins, "main_color0.jpg"), C1 = load(skins, "main_color1.jpg"),
                  A = load(skins, "Arrow.jpg");
    const std::u16string language = u"Control_Name";
    auto name = [&](const char16_t* key) { return qs(layout.text(language, key, u"")); };

    const std::set<std::u16string> assigned = {u"KEY_03B", u"KEY_03C", u"KEY_011",
                                               u"FUNC_G1", u"FUNC_G2", u"KEY_0DB"};
    const std::set<std::u16string> selected = {u"KEY_011", u"KEY_01E", u"KEY_01F",
                                               u"KEY_020", u"KEY_039", u"FUNC_G3"};
    std::map<std::u16string, CPngButton*> buttons;
    for (const std::u16string& key : layout.keys(u"BUTTONINFO")) {
        const QString k = qs(key);
        auto image = [&](const SkinPictureSet& set) {
            auto* b = qtOwned<CPngButton>(&dlg);
            placeImageButton(b, layout, u"BUTTONINFO", key, set);
            buttons[key] = b;
            return b;
        };
        if (k.startsWith(u"KEY_") || k.startsWith(u"FUNC_G")) {
            CPngButton* b = image({N, O, D, N, X});
            b->SetChecked(assigned.count(key) > 0, false);
            if (mode == MainDemo::Mode::ColourKeys) {
                b->SetColourPictures(C0, C1, true, selected.count(key) > 0, false);
            }
        } else if (k.startsWith(u"FUNC_PROFILE") && k != u"FUNC_PROFILES") {
            CPngButton* b = image({N, O, D, N, X});
            textStyle(b, 10, 37);
            b->setText(QStringLiteral("Profile %1").arg(k.back()));
            b->SetChecked(k == u"FUNC_PROFILE1", false);
        } else if (k == u"FUNC_DEFAULT" || k == u"FUNC_SWITCH" || k.startsWith(u"FUNC_REPORT") ||
                   k == u"FLIP_1" || k == u"FLIP_2") {
            CPngButton* b = image({N, O, D, N, X});
            if (k == u"FUNC_DEFAULT") {
                textStyle(b, 10, 37);
                b->setText(QStringLiteral("Default"));
            } else if (k == u"FUNC_SWITCH") {
                textStyle(b, 9, 37);
                b->setText(mode == MainDemo::Mode::ColourKeys
                               ? QStringLiteral("Switch to the function keys mode")
                               : QStringLiteral("Switch to the color keys mode"));
            }
            b->SetChecked(k == u"FUNC_REPORT4", false);
        } else if (k == u"CONTROL2_APPLY") {
            CPngButton* b = image({N, O, D, X, N});
            textStyle(b, 10, 37);
            b->setText(QStringLiteral("Apply"));
            b->setEnabled(mode != MainDemo::Mode::Function);
        } else if (k == u"TAVRIN_LINK") {
            image({N, O, X, N, N});
        } else if (k.startsWith(u"LOCK_")) {
            image({N, N, N, N, O})->SetChecked(k == u"LOCK_NUM", false);
        } else if (k == u"FLIP_0") {
            image({N, N, N, N, X});
        } else if (k == u"TAVRIN_VER") {
            CPngButton* b = image({N, N, N, N, N});
            b->SetTextStyle(true, 8, QString::fromLatin1(kFaceName), colorFromRef(0xDEDEDE),
                            colorFromRef(0x622245), colorFromRef(0x262A83),
                            QColor(0x9A, 0xA3, 0xB0), QColor(), 37);
            b->setText(QStringLiteral("v0.1.0"));
            b->setEnabled(false);
        } else if (k.startsWith(u"CONTROL_OK") || k == u"CONTROL_CANCEL" || k == u"CONTROL_HELP" ||
                   k == u"CONTROL_CLOSE" || k == u"CONTROL_MINIMIZE" || k == u"CONTROL_MENU" ||
                   k == u"FUNC_PROFILES" || k == u"FUNC_MACRO") {
            CPngButton* b = image({N, O, D, N, N});
            if (k == u"CONTROL_OK" || k == u"CONTROL_CANCEL" || k == u"FUNC_MACRO" ||
                k == u"FUNC_PROFILES") {
                textStyle(b, 10, 37);
                b->setText(k == u"CONTROL_OK"       ? QStringLiteral("OK")
                           : k == u"CONTROL_CANCEL" ? QStringLiteral("Cancel")
                           : k == u"FUNC_MACRO"     ? QStringLiteral("Macros...")
                                                    : QStringLiteral("Profile1.fwc"));
            }
        } else if (k == u"LEFT_ARROW" || k == u"RIGHT_ARROW") {
            auto* b = qtOwned<CPngButton>(&dlg);
            placeTwoRect(b, layout, u"BUTTONINFO", key, u"BUTTONINFO2",
                         k == u"LEFT_ARROW" ? u"DOWN_ARROW_LEFT1" : u"DOWN_ARROW_RIGHT1", A);
        }
    }
    if (mode == MainDemo::Mode::Function) {
        hover(buttons[u"KEY_01E"]);
        hover(buttons[u"CONTROL_OK"]);
    }

    // Labels
    label(&dlg, layout, u"CONTROL_Profiles", name(u"Profiles"));
    label(&dlg, layout, u"CONTROL_Lighting", name(u"Lighting"));
    label(&dlg, layout, u"CONTROL_UsbStatic", name(u"Usb"));
    label(&dlg, layout, u"CONTROL_DengStatic", name(u"Deng"));
    label(&dlg, layout, u"CONTROL_LightStatic", name(u"Light"));

    auto picture = [&](const char16_t* key, const char* file) {
        auto* l = qtOwned<QLabel>(&dlg);
        loadSkinRect(l, layout, u"BUTTONINFO", key);
        l->setPixmap(load(skins, file));
        return l;
    };
    picture(u"CONTROL_DengStaPic", "dengdown.bmp");
    picture(u"CONTROL_JDTStatic", "jdt4.bmp");
    auto* effects = qtOwned<QComboBox>(&dlg);
    loadSkinRect(effects, layout, u"BUTTONINFO", u"CONTROL_XGcombox");
    effects->addItem(mode == MainDemo::Mode::UserMode ? QStringLiteral("User mode")
                                                      : QStringLiteral("Wave"));

    auto slider = [&](const char16_t* key, int id, int pos, int pictureBase) {
        auto* s = qtOwned<CBitmapSlider>(&dlg, id);
        loadSkinRect(s, layout, u"BUTTONINFO", key);
        s->SetRange(0, 4);
        s->SetPageStep(10);
        s->SetPos(pos);
        s->SetPictureAndSize(load(skins, std::to_string(pictureBase + pos).append(".bmp").c_str()));
    };
    slider(u"CONTROL_LightSlider", 1178, 3, 0);

    auto colourButton = [&](const char16_t* key, QColor c) {
        auto* b = qtOwned<CSkinColorBtn>(&dlg);
        loadSkinRect(b, layout, u"BUTTONINFO", key);
        b->SetColor(c);
        b->SetOtherButton(true, QStringLiteral("other"));
    };
    if (mode == MainDemo::Mode::UserMode) {
        label(&dlg, layout, u"CONTROL_USERysStatic", name(u"Color"));
        colourButton(u"CONTROL_USERysButton", QColor(0x2F, 0xD3, 0xFF));
        label(&dlg, layout, u"CONTROL_USERjsStatic", name(u"JColor"));
        colourButton(u"CONTROL_USERjsButton", QColor(0xFF, 0x3B, 0x5C));
        label(&dlg, layout, u"CONTROL_USERgjStatic", name(u"Tool"));
        picture(u"CONTROL_USERgjStaPic1", "user1down.bmp");
        picture(u"CONTROL_USERgjStaPic2", "user2up.bmp");
        auto* modeSlots = qtOwned<QComboBox>(&dlg);
        modeSlots->setEditable(true);
        loadSkinRect(modeSlots, layout, u"BUTTONINFO", u"CONTROL_umCombo");
        modeSlots->addItem(QStringLiteral("Aurora"));
        // Painted keys show their colour as an outline.
        const QColor paint[] = {QColor(0xFF, 0x3B, 0x5C), QColor(0x2F, 0xD3, 0xFF),
                                QColor(0xFF, 0xB0, 0x2E), QColor(0x7C, 0xFF, 0x6B)};
        int i = 0;
        for (auto& [key, b] : buttons) {
            if (qs(key).startsWith(u"KEY_") || qs(key).startsWith(u"FUNC_G")) {
                b->SetOutline(paint[(i++ / 7) % 4], 100, true);
            }
        }
    } else {
        label(&dlg, layout, u"CONTROL_SpeedStatic", name(u"Speed"));
        slider(u"CONTROL_SpeedSlider", 1179, 1, 6);
        label(&dlg, layout, u"CONTROL_BLFXStatic2", name(u"FX"));
        picture(u"CONTROL_BLFXLStaPic2", "leftdown.bmp");
        picture(u"CONTROL_BLFXRStaPic2", "rightup.bmp");
        label(&dlg, layout, u"CONTROL_HXysStatic", name(u"Color"));
        colourButton(u"CONTROL_HXysButton", QColor(0x2F, 0xD3, 0xFF));
        label(&dlg, layout, u"CONTROL_HXsjsStatic", name(u"DC"));
        picture(u"CONTROL_HXsjsStaPic", "sjsdown.bmp");
    }
    return shot(dlg);
}

QImage profileScene(const std::string& skins) {
    CBaseDialog dlg(131, nullptr, skins + "/Profile.ini", skins);
    const SkinLayout& layout = dlg.layout();
    const QPixmap N = load(skins, "Profile_normal.jpg"), O = load(skins, "Profile_over.jpg"),
                  D = load(skins, "Profile_down.jpg");
    std::map<std::u16string, CPngButton*> buttons;
    // The program writes the captions (the skin's buttons carry none).
    const std::pair<const char16_t*, const char*> captions[] = {
        {u"FUNC_ADD", "Add"},  {u"FUNC_LOAD", "Load"},        {u"FUNC_DELETE", "Delete"},
        {u"CONTROL_OK", "OK"}, {u"CONTROL_CANCEL", "Cancel"}, {u"CONTROL2_APPLY", "Apply"}};
    for (const auto& [key, caption] : captions) {
        auto* b = qtOwned<CPngButton>(&dlg);
        placeImageButton(b, layout, u"BUTTONINFO", key, {N, O, D, D, N});
        b->SetTextStyle(true, 10, QStringLiteral("Arial Unicode MS"), colorFromRef(0xDEDEDE),
                        colorFromRef(0x622245), colorFromRef(0x262A83), colorFromRef(0x446053),
                        colorFromRef(0xDEDEDE), text_format::kDefault);
        b->setText(QString::fromLatin1(caption));
        buttons[key] = b;
    }
    auto* title = qtOwned<QLabel>(&dlg);
    loadSkinRect(title, layout, u"BUTTONINFO", u"PROFILE_TITLE");
    title->setText(QStringLiteral("Profile Manager"));
    title->setStyleSheet(QStringLiteral("color: #E4E4E4; font-weight: 600; font-size: 15px;"));
    buttons[u"CONTROL2_APPLY"]->setEnabled(false);
    hover(buttons[u"FUNC_LOAD"]);
    auto* list = qtOwned<CReportCtrl>(&dlg);
    loadSkinRect(list, layout, u"BUTTONINFO", u"PROGRAM_LIST");
    list->SetColumns({QStringLiteral("Active"), QStringLiteral("Name"), QStringLiteral("Path")},
                     {60, 120, 230});
    for (int i = 0; i < 3; ++i) {
        list->InsertRow(-1, {QString(), QStringLiteral("Quorvane_%1.fwc").arg(i),
                             QStringLiteral("~/Documents/Quorvane_09A/")});
    }
    list->SelectRow(0);
    return shot(dlg);
}

enum class Page { Key, Macro, Media, MacroOnly };

QImage compositeScene(const std::string& skins, Page page) {
    CBaseDialog dlg(134, nullptr, skins + "/Composite.ini", skins);
    dlg.setStyleSheet(QString::fromLatin1(kComboStyle));
    const SkinLayout& layout = dlg.layout();
    auto set = [&](const char* prefix, bool withDisabled) {
        const std::string p(prefix);
        const QPixmap n = load(skins, (p + "_normal.jpg").c_str());
        return SkinPictureSet{n, load(skins, (p + "_over.jpg").c_str()),
                              load(skins, (p + "_down.jpg").c_str()),
                              withDisabled ? load(skins, (p + "_disable.jpg").c_str()) : n, n};
    };
    const SkinPictureSet keySet = set("key", false);
    const SkinPictureSet macroSet = set("macro", true);
    const SkinPictureSet lockedSet = set("macro2", true);
    const SkinPictureSet pageSet = page == Page::Media ? set("media", false)
                                   : page == Page::Key ? keySet
                                                       : macroSet;
    const bool macroPage = page == Page::Macro || page == Page::MacroOnly;

    auto button = [&](const char16_t* key, const SkinPictureSet& pictures, const QString& text) {
        auto* b = qtOwned<CPngButton>(&dlg);
        placeImageButton(b, layout, u"BUTTONINFO", key, pictures);
        if (!text.isEmpty()) {
            textStyle(b, 10, 37);
            b->setText(text);
        }
        return b;
    };
    const bool locked = page == Page::MacroOnly;
    struct PageButton {
        const char16_t* key;
        const char* text;
        bool current;
    };
    const PageButton pages[] = {{u"CONTROL_KEY", "Single key", page == Page::Key},
                                {u"CONTROL_MACRO", "Macro", macroPage},
                                {u"CONTROL_MEDIA", "Media", page == Page::Media},
                                {u"CONTROL_FUNCTION", "Function", false},
                                {u"CONTROL_CLEAR", "Clear", false}};
    for (const PageButton& pb : pages) {
        const bool lockThis = locked && std::u16string_view(pb.key) != u"CONTROL_MACRO";
        CPngButton* b = button(pb.key, lockThis ? lockedSet : keySet,
                               lockThis ? QString() : QString::fromUtf8(pb.text));
        b->setDown(pb.current);
        if (lockThis) {
            b->setEnabled(false);
        }
    }
    // The banner's name is the program's, after the skin's glyph.
    CPngButton* banner = button(u"CONTROL_MASK", pageSet,
                                page == Page::Media ? QStringLiteral("MEDIA")
                                : page == Page::Key ? QStringLiteral("SINGLE KEY")
                                                    : QStringLiteral("MACRO"));
    banner->SetTextStyle(true, 11, QStringLiteral("Arial Unicode MS"), Qt::white, Qt::white,
                         Qt::white, Qt::white, Qt::white,
                         text_format::kVCenter | text_format::kSingleLine);
    banner->SetMargins(42, 0, 0, 0);
    CPngButton* title = button(u"CONTROL_TITLE", locked ? lockedSet : keySet, {});
    title->setEnabled(!locked);
    button(u"CONTROL_OSK", keySet, {});
    hover(button(u"CONTROL_CLOSE", keySet, {}));
    button(u"CONTROL_OK", keySet, QStringLiteral("OK"));
    button(u"CONTROL_CANCEL", keySet, QStringLiteral("Cancel"));
    button(u"CONTROL_APPLY", keySet, QStringLiteral("Apply"));
    label(&dlg, layout, u"KEY_SETTING",
          locked ? QStringLiteral("G9 plays a macro") : QStringLiteral("Key settings"),
          colorFromRef(0xE4E4E4));

    if (page == Page::Key) {
        label(&dlg, layout, u"TISHI_SINGLE_STATIC", QStringLiteral("Press a single key"),
              colorFromRef(0xE4E4E4));
        auto* field = qtOwned<QLineEdit>(&dlg);
        loadSkinRect(field, layout, u"BUTTONINFO", u"FUNC_KEY_INPUT");
        field->setReadOnly(true);
        QFont f(QString::fromLatin1(kFaceName));
        f.setPointSize(18);
        field->setFont(f);
        field->setText(QStringLiteral("Caps Lock"));
    } else if (page == Page::Media) {
        label(&dlg, layout, u"MEDIA_SETTING_TISHI", QStringLiteral("Choose a media function"),
              colorFromRef(0xE4E4E4));
        auto* media = qtOwned<QComboBox>(&dlg);
        loadSkinRect(media, layout, u"BUTTONINFO", u"FUNC_MEDIA_SELECT");
        media->addItem(QStringLiteral("Play/Pause"));
    } else {
        label(&dlg, layout, u"MARCO_NAME_SETTING", QStringLiteral("Macro"), colorFromRef(0xE4E4E4));
        auto* names = qtOwned<QComboBox>(&dlg);
        names->setEditable(true);
        loadSkinRect(names, layout, u"BUTTONINFO", u"FUNC_MACRO_LIST");
        names->addItem(QStringLiteral("Combo 1"));
        const std::pair<const char16_t*, const char*> macroButtons[] = {
            {u"FUNC_MACRO_ADD", "Add"},
            {u"FUNC_MACRO_DELETE", "Delete"},
            {u"FUNC_MACRO_RECORD", "Record..."},
            {u"FUNC_MACRO_DELETE2", "Delete"},
            {u"FUNC_MACRO_CLEAR", "Clear"},
            {u"FUNC_MACRO_UP_TOP", "To top"},
            {u"FUNC_MACRO_UP", "Up"},
            {u"FUNC_MACRO_DOWN", "Down"},
            {u"FUNC_MACRO_DOWN_BOTTOM", "To bottom"}};
        for (const auto& [key, text] : macroButtons) {
            button(key, macroSet, QString::fromUtf8(text));
        }
        auto* steps = qtOwned<CReportCtrl>(&dlg);
        loadSkinRect(steps, layout, u"BUTTONINFO", u"FUNC_MACRO_LIST2");
        steps->SetColumns(
            {QStringLiteral("Key"), QStringLiteral("Action"), QStringLiteral("Delay")},
            {70, 60, 76});
        const char* rows[][3] = {
            {"A", "↓", "50"}, {"A", "  ↑", "120"}, {"S", "↓", "50"}, {"S", "  ↑", "0"}};
        for (const auto& r : rows) {
            const int row = steps->InsertRow(
                -1, {QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2])});
            steps->SetCellColour(row, 0, QColor(0x9A, 0xA3, 0xB0));
            steps->SetCellColour(row, 1, QColor(0x9A, 0xA3, 0xB0));
        }
        steps->SelectRow(1);
        label(&dlg, layout, u"FUNC_MACRO_CYCLES_PROMPT", QStringLiteral("Cycles"),
              colorFromRef(0xE4E4E4));
        auto* cycles = qtOwned<QLineEdit>(&dlg);
        loadSkinRect(cycles, layout, u"BUTTONINFO", u"FUNC_MACRO_CYCLES");
        cycles->setText(QStringLiteral("1"));
        auto* delays = qtOwned<QCheckBox>(&dlg);
        loadSkinRect(delays, layout, u"BUTTONINFO", u"FUNC_MACRO_RECORD_DELAY");
        delays->setChecked(true);
        label(&dlg, layout, u"FUNC_MACRO_RECORD_DELAY2", QStringLiteral("Record the delays"),
              colorFromRef(0xE4E4E4));
    }
    return shot(dlg);
}

}  // namespace

QList<Scene> renderAll(const std::string& skinFolder) {
    return {
        {QStringLiteral("main"), mainScene(skinFolder, MainDemo::Mode::Function)},
        {QStringLiteral("main-colour-keys"), mainScene(skinFolder, MainDemo::Mode::ColourKeys)},
        {QStringLiteral("main-user-mode"), mainScene(skinFolder, MainDemo::Mode::UserMode)},
        {QStringLiteral("profile-manager"), profileScene(skinFolder)},
        {QStringLiteral("composite-key"), compositeScene(skinFolder, Page::Key)},
        {QStringLiteral("composite-macro"), compositeScene(skinFolder, Page::Macro)},
        {QStringLiteral("composite-media"), compositeScene(skinFolder, Page::Media)},
        {QStringLiteral("composite-macro-only"), compositeScene(skinFolder, Page::MacroOnly)},
    };
}

}  // namespace quorvane::demo
