#include "ui/main/lighting_widgets.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "core/lighting/panel_controls.h"
#include "ui/skin/color_static.h"
#include "ui/skin/picture_switch.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_color.h"
#include "ui/skin/skin_fields.h"
#include "ui/skin/skin_picture.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {

namespace {

QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string u16(std::string_view text) {
    return {text.begin(), text.end()};
}

QColor qcolour(Rgb c) {
    return {c.red, c.green, c.blue};
}

Rgb rgb(const QColor& c) {
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

struct Placed {
    int id;
    const char16_t* key;
};

constexpr Placed kLabels[] = {{1171, u"CONTROL_DengStatic"},   {1172, u"CONTROL_LightStatic"},
                              {1166, u"CONTROL_SpeedStatic"},  {1148, u"CONTROL_BLFXStatic"},
                              {1154, u"CONTROL_HXysStatic"},   {1173, u"CONTROL_HXsjsStatic"},
                              {1151, u"CONTROL_FYYSStatic"},   {1176, u"CONTROL_FYSJSStatic"},
                              {1159, u"CONTROL_USERysStatic"}, {1161, u"CONTROL_USERjsStatic"},
                              {1163, u"CONTROL_USERgjStatic"}};
constexpr Placed kSwitches[] = {{1167, u"CONTROL_DengStaPic"},   {1149, u"CONTROL_BLFXLStaPic"},
                                {1150, u"CONTROL_BLFXRStaPic"},  {1156, u"CONTROL_HXsjsStaPic"},
                                {1175, u"CONTROL_FYSJSStaPic"},  {1194, u"CONTROL_HONGPIC"},
                                {1195, u"CONTROL_HUANGPIC"},     {1196, u"CONTROL_LVPIC"},
                                {1197, u"CONTROL_LANPIC"},       {1164, u"CONTROL_USERgjStaPic1"},
                                {1165, u"CONTROL_USERgjStaPic2"}};
constexpr Placed kColourButtons[] = {{1155, u"CONTROL_HXysButton"},
                                     {1152, u"CONTROL_FYYSButton"},
                                     {1160, u"CONTROL_USERysButton"},
                                     {1162, u"CONTROL_USERjsButton"}};
// Placed by the skin, hidden by every rule.
constexpr Placed kNeverShown[] = {{1157, u"CONTROL_JTysStatic"},   {1158, u"CONTROL_JTysButton"},
                                  {1180, u"CONTROL_FYCFStatic"},   {1181, u"CONTROL_FYdjcfStatic"},
                                  {1182, u"CONTROL_FYggcfStatc"},  {1183, u"CONTROL_FYdjcfStaPic"},
                                  {1184, u"CONTROL_FYggcfStaPic"}, {1185, u"CONTROL_TSysStatic"},
                                  {1186, u"CONTROL_TSysButton"},   {1187, u"CONTROL_TSsjsStatic"},
                                  {1188, u"CONTROL_TSsjsStaPic"},  {1189, u"CONTROL_CDysStatic"},
                                  {1190, u"CONTROL_CDysButton"},   {1191, u"CONTROL_CDsjsStatic"},
                                  {1192, u"CONTROL_CDsjsStaPic"},  {1193, u""}};

// Each label's text: the skin's first text, then the language's. One row per
// label (a table of lists would hold lists whose storage ends with the
// table's initialisation).
struct LabelText {
    int id;
    const char16_t* skinKey;
    const char16_t* textKey;
};
constexpr LabelText kLabelTexts[] = {
    {1171, u"Deng", u"IDS_KEYBOARD_FUNC_DENG"},    {1172, u"Light", u"IDS_KEYBOARD_FUNC_TEXTLIGHT"},
    {1148, u"FX", u"IDS_KEYBOARD_FUNC_FX"},        {1166, u"Speed", u"IDS_KEYBOARD_FUNC_SPEED"},
    {1151, u"Color", u"IDS_KEYBOARD_FUNC_COLOR"},  {1154, u"Color", u"IDS_KEYBOARD_FUNC_COLOR"},
    {1159, u"Color", u"IDS_KEYBOARD_FUNC_COLOR"},  {1161, u"JColor", u"IDS_KEYBOARD_FUNC_JCOLOR"},
    {1173, u"DC", u"IDS_KEYBOARD_FUNC_COLOURFUL"}, {1176, u"DC", u"IDS_KEYBOARD_FUNC_COLOURFUL"},
    {1163, u"Tool", u"IDS_KEYBOARD_FUNC_TOOL"}};

// What a screen reader calls each control without a caption, and the label
// that stands beside it (0: none).
struct ControlName {
    int id;
    const char16_t* textKey;
    int label;
};
constexpr ControlName kControlNames[] = {{1167, u"IDS_KEYBOARD_FUNC_DENG", 1171},
                                         {1146, u"IDS_A11Y_EFFECT", 0},
                                         {1178, u"IDS_KEYBOARD_FUNC_TEXTLIGHT", 1172},
                                         {1179, u"IDS_KEYBOARD_FUNC_SPEED", 1166},
                                         {1149, u"IDS_A11Y_DIRECTION_FIRST", 1148},
                                         {1150, u"IDS_A11Y_DIRECTION_SECOND", 0},
                                         {1155, u"IDS_KEYBOARD_FUNC_COLOR", 1154},
                                         {1156, u"IDS_KEYBOARD_FUNC_COLOURFUL", 1173},
                                         {1152, u"IDS_KEYBOARD_FUNC_COLOR", 1151},
                                         {1175, u"IDS_KEYBOARD_FUNC_COLOURFUL", 1176},
                                         {1194, u"IDS_A11Y_RED", 0},
                                         {1195, u"IDS_A11Y_YELLOW", 0},
                                         {1196, u"IDS_A11Y_GREEN", 0},
                                         {1197, u"IDS_A11Y_BLUE", 0},
                                         {1198, u"IDS_A11Y_USER_MODE", 0},
                                         {1160, u"IDS_KEYBOARD_FUNC_COLOR", 1159},
                                         {1162, u"IDS_KEYBOARD_FUNC_JCOLOR", 1161},
                                         {1164, u"IDS_A11Y_TOOL_BRUSH", 1163},
                                         {1165, u"IDS_A11Y_TOOL_BASE", 0}};

constexpr int kEffectListId = 1146;
constexpr int kUserSlotsId = 1198;
constexpr int kBrightnessId = 1178;
constexpr int kSpeedId = 1179;
constexpr int kLabelWeight = 600;
constexpr int kLabelPixels = 13;

}  // namespace

template <class T>
T* LightingWidgets::make(int controlId, std::u16string_view skinKey) {
    auto* w = qtOwned<T>(m_parent);
    w->setObjectName(QStringLiteral("ctl%1").arg(controlId));
    if (!skinKey.empty()) {
        loadSkinRect(w, m_layout, u"BUTTONINFO", skinKey);
    }
    w->hide();
    m_controls[controlId] = w;
    return w;
}

LightingWidgets::LightingWidgets(QWidget* parent, const SkinLayout& layout, std::string skinFolder,
                                 LightingActions* actions)
    : QObject(parent),
      m_parent(parent),
      m_layout(layout),
      m_skinFolder(std::move(skinFolder)),
      m_actions(actions) {
    for (const Placed& p : kLabels) {
        auto* l = make<ColorStatic>(p.id, p.key);
        l->SetTextColor(QColor(0xDF, 0xE3, 0xEA));
        l->SetFontFace(QStringLiteral("Arial Unicode MS"), kLabelWeight);
        l->SetFontHeight(kLabelPixels);
    }
    for (const Placed& p : kSwitches) {
        auto* s = make<CPictureSwitch>(p.id, p.key);
        s->setRole(SkinRole::Toggle);
        const int id = p.id;
        s->onClick = [this, id] {
            if (m_actions == nullptr) {
                return;
            }
            switch (id) {
                case 1167:
                    m_actions->lampClicked();
                    break;
                case 1149:
                case 1150:
                    m_actions->directionClicked(id);
                    break;
                case 1156:
                case 1175:
                    m_actions->randomToggled();
                    break;
                case 1164:
                case 1165:
                    m_actions->toolClicked(id);
                    break;
                default:
                    m_actions->colourPictureClicked(id);
                    break;
            }
        };
    }
    for (const Placed& p : kColourButtons) {
        auto* b = make<CSkinColorBtn>(p.id, p.key);
        b->SetOtherButton(true, QStringLiteral("other"));
        const int id = p.id;
        connect(b, &CSkinColorBtn::colourChosen, this, [this, id](const QColor& colour) {
            if (m_actions == nullptr) {
                return;
            }
            if (id == 1160) {
                m_actions->brushColourChosen(rgb(colour));
            } else if (id == 1162) {
                m_actions->baseColourChosen(rgb(colour));
            } else {
                m_actions->effectColourChosen(rgb(colour));
            }
        });
    }
    for (const Placed& p : kNeverShown) {
        make<QLabel>(p.id, p.key);
    }

    for (const auto& [id, key, file] : {std::tuple{kBrightnessId, u"CONTROL_LightSlider", "4.bmp"},
                                        std::tuple{kSpeedId, u"CONTROL_SpeedSlider", "10.bmp"}}) {
        auto* s = make<CBitmapSlider>(id, key);
        s->setControlId(id);
        s->SetRange(0, 4);
        s->SetPageStep(10);
        s->SetVertical(false);
        s->SetPictureAndSize(picture(file));
        m_pictureNames[id] = file;
        connect(s, &CBitmapSlider::sliderMoved, this, [this](int controlId, int position) {
            if (m_actions != nullptr) {
                m_actions->sliderMoved(controlId, position);
            }
        });
    }

    m_effects = make<QComboBox>(kEffectListId, u"CONTROL_XGcombox");
    // The lists wear the skin's dark fields, as the assignment dialog's do.
    const QString listStyle = skinFieldStyle(u"QComboBox", u"QComboBox:focus");
    m_effects->setStyleSheet(listStyle);
    m_effects->installEventFilter(this);
    connect(m_effects, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (!m_filling && m_actions != nullptr) {
            m_actions->effectSelected(index);
        }
    });
    m_userSlots = make<QComboBox>(kUserSlotsId, u"CONTROL_umCombo");
    m_userSlots->setEditable(true);
    m_userSlots->setInsertPolicy(QComboBox::NoInsert);
    m_userSlots->setStyleSheet(listStyle);
    connect(m_userSlots, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (!m_filling && m_actions != nullptr) {
            m_actions->userSlotSelected(index);
        }
    });
    for (const ControlName& n : kControlNames) {
        if (auto* label = qobject_cast<QLabel*>(control(n.label))) {
            label->setBuddy(control(n.id));
        }
    }
    // The user modes' list has no caption on the skin.
    m_userSlotsLabel = qtOwned<QLabel>(m_parent);
    m_userSlotsLabel->setObjectName(QStringLiteral("userSlotsLabel"));
    m_userSlotsLabel->hide();
    m_userSlotsLabel->setBuddy(m_userSlots);
    // Renaming in place: the text typed into the selected slot's entry. A
    // rename never selects: no completion to another slot's name, and the
    // rename is taken before the combo box would select a slot whose name
    // the text matches (on Enter or when the focus leaves).
    m_userSlots->setCompleter(nullptr);
    // The combo box hands its focus and keys to the line edit directly: both watched.
    m_userSlots->installEventFilter(this);
    m_userSlots->lineEdit()->installEventFilter(this);
    connect(m_userSlots->lineEdit(), &QLineEdit::editingFinished, this,
            &LightingWidgets::renameSelectedSlot);
}

void LightingWidgets::renameSelectedSlot() {
    if (m_filling || m_actions == nullptr || m_userSlots->currentIndex() < 0) {
        return;
    }
    const QString text = m_userSlots->lineEdit()->text();
    if (text != m_userSlots->itemText(m_userSlots->currentIndex())) {
        m_userSlots->setItemText(m_userSlots->currentIndex(), text);
        m_actions->userSlotRenamed(text.toStdU16String());
    }
}

bool LightingWidgets::eventFilter(QObject* watched, QEvent* event) {
    // The arrow keys never change the effect while its list has the focus.
    if (watched == m_effects &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
            key == Qt::Key_Down) {
            return true;
        }
    }
    if (watched == m_userSlots || watched == m_userSlots->lineEdit()) {
        const bool enter = event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (enter || event->type() == QEvent::FocusOut) {
            renameSelectedSlot();
        }
    }
    return QObject::eventFilter(watched, event);
}

QPixmap LightingWidgets::picture(std::string_view file) {
    const auto it = m_pictures.find(file);
    if (it != m_pictures.end()) {
        return it->second;
    }
    // A missing bitmap is an empty picture, nothing more.
    QPixmap pixmap =
        loadSkinPixmap(QString::fromStdString(m_skinFolder) +
                       QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size())));
    m_pictures.emplace(std::string(file), pixmap);
    return pixmap;
}

void LightingWidgets::setFirstTexts(const SkinLayout& layout, std::u16string_view section) {
    for (const LabelText& t : kLabelTexts) {
        if (auto* l = qobject_cast<QLabel*>(control(t.id))) {
            l->setText(qs(layout.text(section, t.skinKey, u"")));
        }
    }
}

void LightingWidgets::applyLanguage(const TextLookup& loadText) {
    if (!loadText) {
        return;
    }
    for (const LabelText& t : kLabelTexts) {
        if (auto* l = qobject_cast<QLabel*>(control(t.id))) {
            l->setText(qs(loadText(t.textKey)));
        }
    }
    for (const ControlName& n : kControlNames) {
        if (QWidget* w = control(n.id)) {
            w->setAccessibleName(qs(loadText(n.textKey)));
        }
    }
    m_userSlotsLabel->setText(qs(loadText(u"IDS_A11Y_USER_MODE")));
}

QWidget* LightingWidgets::control(int controlId) const {
    const auto it = m_controls.find(controlId);
    return it == m_controls.end() ? nullptr : it->second;
}

std::string LightingWidgets::pictureOf(int controlId) const {
    const auto it = m_pictureNames.find(controlId);
    return it == m_pictureNames.end() ? std::string() : it->second;
}

void LightingWidgets::showControl(int controlId, bool shown) {
    if (QWidget* w = control(controlId)) {
        w->setVisible(shown);
    }
}

void LightingWidgets::setPicture(int controlId, std::string_view file) {
    m_pictureNames[controlId] = std::string(file);
    const QPixmap shown = m_picturesDropped ? QPixmap() : picture(file);
    QWidget* w = control(controlId);
    if (auto* slider = qobject_cast<CBitmapSlider*>(w)) {
        slider->SetPicture(shown);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setPixmap(shown);
    }
    if (auto* sw = qobject_cast<CPictureSwitch*>(w)) {
        sw->setChecked(showsPressed(file));
    }
}

void LightingWidgets::dropPictures() {
    m_picturesDropped = true;
    const std::map<int, std::string> names = m_pictureNames;
    for (const auto& [id, file] : names) {
        setPicture(id, file);
    }
    m_pictures.clear();
}

void LightingWidgets::restorePictures() {
    m_picturesDropped = false;
    const std::map<int, std::string> names = m_pictureNames;
    for (const auto& [id, file] : names) {
        setPicture(id, file);
    }
}

void LightingWidgets::placeControl(int controlId, std::string_view skinKey) {
    if (QWidget* w = control(controlId)) {
        loadSkinRect(w, m_layout, u"BUTTONINFO", u16(skinKey));
    }
}

void LightingWidgets::setSliderPosition(int controlId, int position) {
    if (auto* slider = qobject_cast<CBitmapSlider*>(control(controlId))) {
        slider->SetPos(position);
    }
}

void LightingWidgets::setColourButton(int controlId, Rgb colour) {
    if (auto* button = qobject_cast<CSkinColorBtn*>(control(controlId))) {
        button->SetColor(qcolour(colour));
    }
}

void LightingWidgets::setEffectList(const std::vector<std::u16string>& names) {
    m_filling = true;
    m_effects->clear();
    for (const std::u16string& name : names) {
        m_effects->addItem(qs(name));
    }
    m_filling = false;
}

void LightingWidgets::selectEffect(int comboIndex) {
    m_filling = true;
    m_effects->setCurrentIndex(comboIndex);
    m_filling = false;
}

void LightingWidgets::setUserSlots(const std::vector<std::u16string>& names) {
    m_filling = true;
    m_userSlots->clear();
    for (const std::u16string& name : names) {
        m_userSlots->addItem(qs(name));
    }
    m_filling = false;
}

void LightingWidgets::selectUserSlot(int slot) {
    m_filling = true;
    m_userSlots->setCurrentIndex(slot);
    m_filling = false;
}

void LightingWidgets::renameUserSlot(int slot, std::u16string_view name) {
    if (slot >= 0 && slot < m_userSlots->count()) {
        m_userSlots->setItemText(slot, qs(name));
    }
}

}  // namespace quorvane
