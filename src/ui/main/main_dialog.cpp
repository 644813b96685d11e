#include "ui/main/main_dialog.h"

#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPixmapCache>
#include <QShowEvent>
#include <QUrl>
#include <QWindowStateChangeEvent>

#include <malloc.h>

#include <cstdio>
#include <memory>
#include <thread>
#include <utility>

#include "core/app/settings_store.h"
#include "core/config/profile_save_target.h"
#include "core/config/working_config.h"
#include "core/keys/key_names.h"
#include "core/window/key_buttons.h"
#include "core/window/key_click.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_color.h"
#include "ui/skin/skin_picture.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {

using namespace main_ids;

namespace {

constexpr int kBusyFrameMs = 50;
constexpr char kButtonFace[] = "Arial Unicode MS";
constexpr char kLabelFace[] = "Arial Unicode MS Unicode MS Unicode MS";
constexpr std::uint32_t kWorkingColour = 0xBAAB66;
constexpr int kLabelFontPixels = 15;
constexpr int kLabelFontWeight = 600;
constexpr char16_t kFlipEntry[] = u"Flip";

QString qs(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

}  // namespace

CQuorvaneDlg::CQuorvaneDlg(Setup setup)
    : CBaseDialog(102, nullptr, setup.paths.g_szMainIni, setup.paths.mainSkinFolder,
                  setup.pictures.normal.isNull() ? SkinLoad::WhenShown : SkinLoad::AtOnce),
      m_setup(std::move(setup)),
      m_picturesDecoded(!m_setup.pictures.normal.isNull()) {
    if (!m_picturesDecoded) {
        m_setup.pictures = MainPictures::standIns();
    }
    setObjectName(QStringLiteral("mainWindow"));
    CTrayIcon::addThemeFolder(m_setup.paths.folder + "icons");
    setWindowIcon(CTrayIcon::iconOf(m_setup.paths.g_szSkinDir, 128));
    m_keyboard = std::make_unique<KeyboardView>(
        this, layout(), m_setup.pictures,
        [this](KeyId key) { return qs(keyName(key, m_setup.loadText)); });
    m_keyboard->onKeyClicked = [this](int id) { onKeyButton(id); };
    m_keyboard->onFlipClicked = [this](int id) { onFlip(id); };
    m_busyTimer.setInterval(kBusyFrameMs);
    connect(&m_busyTimer, &QTimer::timeout, this, [this] {
        // TIMER_PROGRESS: jdt1 .. jdt10, then from the start.
        if (m_busy != nullptr) {
            m_busy->setPixmap(m_busyFrames[static_cast<std::size_t>(m_busyFrame)]);
        }
        m_busyFrame = (m_busyFrame + 1) % static_cast<int>(m_busyFrames.size());
    });
}

CQuorvaneDlg::~CQuorvaneDlg() {
    // Its result, posted to this window, goes with the window's events.
    if (m_lateDecode.joinable()) {
        m_lateDecode.join();
    }
    if (m_about) {
        delete m_about.data();  // NOLINT(cppcoreguidelines-owning-memory): a top-level window
    }
}

QString CQuorvaneDlg::text(const char16_t* key) const {
    return m_setup.loadText ? qs(m_setup.loadText(key)) : QString::fromUtf16(key);
}

int CQuorvaneDlg::languageIndex() const {
    return m_setup.languageIndex ? m_setup.languageIndex() : -1;
}

void CQuorvaneDlg::chooseLanguage(int index) {
    if (m_setup.actions != nullptr) {
        m_setup.actions->chooseLanguage(index);
    }
}

CPngButton* CQuorvaneDlg::makeButton(int controlId, const char16_t* skinKey,
                                     const SkinPictureSet& pictures) {
    auto* b = qtOwned<CPngButton>(this);
    b->setObjectName(QStringLiteral("ctl%1").arg(controlId));
    placeImageButton(b, layout(), u"BUTTONINFO", skinKey, pictures);
    m_controls[controlId] = b;
    return b;
}

ColorStatic* CQuorvaneDlg::makeLabel(int controlId, const char16_t* skinKey) {
    auto* l = qtOwned<ColorStatic>(this);
    l->setObjectName(QStringLiteral("ctl%1").arg(controlId));
    loadSkinRect(l, layout(), u"BUTTONINFO", skinKey);
    l->SetTextColor(QColor(0xDF, 0xE3, 0xEA));
    l->SetFontFace(QString::fromLatin1(kButtonFace), kLabelFontWeight);
    l->SetFontHeight(13);
    m_controls[controlId] = l;
    return l;
}

CPngButton* CQuorvaneDlg::button(int controlId) const {
    if (CPngButton* key = m_keyboard->button(controlId)) {
        return key;
    }
    return qobject_cast<CPngButton*>(control(controlId));
}

QWidget* CQuorvaneDlg::control(int controlId) const {
    if (CPngButton* key = m_keyboard->button(controlId)) {
        return key;
    }
    const auto it = m_controls.find(controlId);
    return it == m_controls.end() ? nullptr : it->second;
}

void CQuorvaneDlg::textStyle(CPngButton* b, int pointSize, const QString& face, unsigned format) {
    // Disabled captions sit on the skin's dark disabled face: dimmed, still readable.
    b->SetTextStyle(true, pointSize, face, colorFromRef(0xDEDEDE), colorFromRef(0x622245),
                    colorFromRef(0x262A83), colorFromRef(0x8A8580), colorFromRef(0xDEDEDE), format);
}

void CQuorvaneDlg::initialise() {
    placeControls();
    presentControls();
    orderFocus();
    firstLabelTexts();
    setWindowTitle(text(u"IDS_MAIN_CAPTION"));
    updateSwitchText();
    applyLanguage();
}

void CQuorvaneDlg::placeControls() {
    const MainPictures& p = m_setup.pictures;
    m_link = qs(layout().text(u"SCREEN", u"Link", u"https://quorvane.example.org/", 260));

    m_keyboard->placeKeyButtons();
    const SkinPictureSet command{p.normal, p.over, p.down, p.normal, p.normal};
    const SkinPictureSet toggle{p.normal, p.over, p.down, p.normal, p.disable};
    const QString face = QString::fromLatin1(kButtonFace);
    const QString labelFace = QString::fromLatin1(kLabelFace);

    CPngButton* link =
        makeButton(kLink, u"TAVRIN_LINK", {p.normal, p.over, p.disable, p.normal, p.normal});
    link->SetTooltip(m_link, true);
    connect(link, &QAbstractButton::clicked, this, [this] {
        if (m_setup.openUrl) {
            m_setup.openUrl(QUrl(m_link));
        }
    });
    CPngButton* profiles = makeButton(kProfiles, u"FUNC_PROFILES", command);
    textStyle(profiles, 10, face, 40);
    profiles->SetEscapement(268, true);
    connect(profiles, &QAbstractButton::clicked, this, [this] {
        if (m_setup.actions != nullptr) {
            m_setup.actions->openProfileManager();
        }
    });
    CPngButton* macro = makeButton(kMacro, u"FUNC_MACRO", command);
    textStyle(macro, 10, face, 37);
    connect(macro, &QAbstractButton::clicked, this, [this] { onKeyButton(kMacroButtonId); });

    CPngButton* ok = makeButton(kOk, u"CONTROL_OK", command);
    textStyle(ok, 10, face, 37);
    connect(ok, &QAbstractButton::clicked, this, [this] {
        if (m_setup.actions != nullptr) {
            m_setup.actions->apply(true);
        }
    });
    CPngButton* cancel = makeButton(kCancel, u"CONTROL_CANCEL", command);
    textStyle(cancel, 10, face, 37);
    connect(cancel, &QAbstractButton::clicked, this, &CQuorvaneDlg::hideWindow);
    connect(makeButton(kHelp, u"CONTROL_HELP", command), &QAbstractButton::clicked, this,
            &CQuorvaneDlg::openHelp);
    connect(makeButton(kClose, u"CONTROL_CLOSE", command), &QAbstractButton::clicked, this, [this] {
        if (m_setup.actions != nullptr) {
            m_setup.actions->exitAction();
        }
    });
    connect(makeButton(kMinimise, u"CONTROL_MINIMIZE", command), &QAbstractButton::clicked, this,
            &QWidget::showMinimized);
    connect(makeButton(kMenu, u"CONTROL_MENU", command), &QAbstractButton::clicked, this,
            [this] { showButtonMenu(QCursor::pos()); });
    CPngButton* apply =
        makeButton(kApply, u"CONTROL2_APPLY", {p.normal, p.over, p.down, p.disable, p.normal});
    textStyle(apply, 10, face, 37);
    apply->setEnabled(false);
    connect(apply, &QAbstractButton::clicked, this, [this] {
        if (m_setup.actions != nullptr) {
            m_setup.actions->apply(false);
        }
    });

    m_keyboard->placeIndicators();
    m_lighting = qtOwned<LightingWidgets>(this, layout(), m_setup.paths.g_szSkinDir,
                                          m_setup.lightingActions);
    if (!m_picturesDecoded) {
        m_lighting->dropPictures();
    }

    CPngButton* version =
        makeButton(kVersion, u"TAVRIN_VER", {p.normal, p.normal, p.normal, p.normal, p.normal});
    textStyle(version, 8, QStringLiteral("Verdana"), 36);
    // Never clickable, so always drawn disabled: in a quiet grey that reads on
    // the dark field.
    version->SetTextStyle(true, 8, QStringLiteral("Verdana"), colorFromRef(0xDEDEDE),
                          colorFromRef(0xDEDEDE), colorFromRef(0xDEDEDE), colorFromRef(0xB0A89F),
                          colorFromRef(0xDEDEDE), 36);
    version->setText(m_setup.version);
    version->setAccessibleName(m_setup.version);
    version->setEnabled(false);

    const char16_t* profileKeys[] = {u"FUNC_PROFILE1", u"FUNC_PROFILE2", u"FUNC_PROFILE3"};
    for (int i = 0; i < 3; ++i) {
        CPngButton* b = makeButton(kProfile1 + i, profileKeys[i], toggle);
        textStyle(b, 10, i < 2 ? labelFace : face, 37);
        connect(b, &QAbstractButton::clicked, this, [this, i] {
            if (m_setup.actions != nullptr) {
                m_setup.actions->profileButton(i);
            }
        });
    }
    CPngButton* defaults = makeButton(kDefault, u"FUNC_DEFAULT", toggle);
    textStyle(defaults, 10, face, 37);
    connect(defaults, &QAbstractButton::clicked, this, [this] {
        if (m_setup.actions != nullptr) {
            m_setup.actions->restoreDefaults();
        }
    });
    CPngButton* sw = makeButton(kSwitch, u"FUNC_SWITCH", toggle);
    textStyle(sw, 9, face, 37);
    connect(sw, &QAbstractButton::clicked, this, &CQuorvaneDlg::toggleColourKeyMode);
    const char16_t* rateKeys[] = {u"FUNC_REPORT1", u"FUNC_REPORT2", u"FUNC_REPORT3",
                                  u"FUNC_REPORT4"};
    for (int n = 0; n < 4; ++n) {
        CPngButton* b = makeButton(kReportRate[static_cast<std::size_t>(n)], rateKeys[n], toggle);
        connect(b, &QAbstractButton::clicked, this, [this, n] {
            for (int k = 0; k < 4; ++k) {
                button(kReportRate[static_cast<std::size_t>(k)])->SetChecked(k == n, true);
            }
            if (m_setup.actions != nullptr) {
                m_setup.actions->reportRate(n);
            }
        });
    }
    // Template controls without a picture or behaviour.
    for (const int id : {1008, 1009}) {
        auto* hidden = qtOwned<CPngButton>(this);
        hidden->hide();
        m_controls[id] = hidden;
    }

    m_busy = qtOwned<QLabel>(this);
    m_busy->setObjectName(QStringLiteral("ctl1177"));
    loadSkinRect(m_busy, layout(), u"BUTTONINFO", u"CONTROL_JDTStatic");
    m_busy->hide();
    m_controls[kBusy] = m_busy;

    makeLabel(kUsbLabel, u"CONTROL_UsbStatic");
    makeLabel(kProfilesLabel, u"CONTROL_Profiles");
    makeLabel(kLightingLabel, u"CONTROL_Lighting");
    ColorStatic* working = makeLabel(kWorkingLabel, u"CONTROL_Working");
    working->SetFontFace(labelFace, kLabelFontWeight);
    working->SetFontHeight(kLabelFontPixels);
    working->SetTextColor(colorFromRef(kWorkingColour));
    working->hide();

    const bool flipped =
        m_setup.settings != nullptr &&
        m_setup.settings->GetProfileString(kProfilesSection, kFlipEntry, u"0") == u"1";
    m_keyboard->applyFlip(flipped);
}

void CQuorvaneDlg::firstLabelTexts() {
    // The skin's own label texts, chosen by Skins/language.ini, until the
    // language texts arrive; only 1209 keeps its text.
    const SkinLayout choice = SkinLayout::load(m_setup.paths.g_szSkinDir + "language.ini");
    const std::u16string value = choice.text(u"LANGUAGE", u"language", u"");
    const char16_t* section = value == u"0"   ? u"Control_Name"
                              : value == u"1" ? u"Control_Name1"
                                              : nullptr;
    if (section == nullptr) {
        return;
    }
    const std::pair<const char16_t*, int> labels[] = {{u"Usb", kUsbLabel},
                                                      {u"Lighting", kLightingLabel},
                                                      {u"Working", kWorkingLabel},
                                                      {u"Profiles", kProfilesLabel}};
    for (const auto& [key, id] : labels) {
        if (auto* l = qobject_cast<QLabel*>(control(id))) {
            l->setText(qs(layout().text(section, key, u"")));
        }
    }
    m_lighting->setFirstTexts(layout(), section);
}

void CQuorvaneDlg::applyLanguage() {
    setWindowTitle(text(u"IDS_MAIN_CAPTION"));
    const std::pair<const char16_t*, int> labels[] = {
        {u"IDS_KEYBOARD_FUNC_LIGHTING", kLightingLabel},
        {u"IDS_KEYBOARD_FUNC_PROFILE", kProfilesLabel},
        {u"IDS_KEYBOARD_FUNC_USB", kUsbLabel},
        // The skin's text of the default-mode notice is in one language only.
        {u"IDS_MAIN_DEFAULT_MODE", kWorkingLabel}};
    for (const auto& [key, id] : labels) {
        if (auto* l = qobject_cast<QLabel*>(control(id))) {
            l->setText(text(key));
        }
    }
    const std::pair<const char16_t*, int> buttons[] = {
        {u"IDS_MAIN_PROFILE1", kProfile1},     {u"IDS_MAIN_PROFILE2", kProfile1 + 1},
        {u"IDS_MAIN_PROFILE3", kProfile1 + 2}, {u"IDS_MAIN_MACRO", kMacro},
        {u"IDS_MAIN_DEFAULT", kDefault},       {u"IDS_MAIN_OK", kOk},
        {u"IDS_MAIN_Cancel", kCancel},         {u"IDS_MAIN_Apply", kApply}};
    for (const auto& [key, id] : buttons) {
        if (CPngButton* b = button(id)) {
            b->setText(text(key));
            b->setAccessibleName(b->text());
            b->update();
        }
    }
    const std::pair<const char16_t*, int> tips[] = {{u"IDS_MAIN_HELP_PROMPT", kHelp},
                                                    {u"IDS_MAIN_CLOSE_PROMPT", kClose},
                                                    {u"IDS_MAIN_MINIMIZE_PROMPT", kMinimise},
                                                    {u"IDS_MAIN_MENU_PROMPT", kMenu}};
    for (const auto& [key, id] : tips) {
        if (CPngButton* b = button(id)) {
            b->SetTooltip(text(key), true);
            b->setAccessibleName(b->tooltipText());
        }
    }
    m_lighting->applyLanguage(m_setup.loadText);
    nameControls();
    if (m_about) {
        m_about->applyLanguage();
    }
    if (m_history) {
        m_history->applyLanguage();
    }
    if (m_profileManager) {
        m_profileManager->applyLanguage();
    }
    updateSwitchText();
    if (m_tray) {
        m_tray->updateMenuTexts();
        m_tray->refreshTooltip();
    }
    if (m_opener != nullptr) {
        m_opener->applyLanguage(languageIndex());
    }
}

void CQuorvaneDlg::updateSwitchText() {
    if (CPngButton* sw = button(kSwitch)) {
        sw->setText(text(m_keyboard->colourKeyMode() ? u"IDS_MAIN_SWITCH_FUNCTION_KEYS"
                                                     : u"IDS_MAIN_SWITCH_COLOR_KEYS"));
        sw->setAccessibleName(sw->text());
        sw->update();
    }
}

void CQuorvaneDlg::toggleColourKeyMode() {
    m_keyboard->setColourKeyMode(!m_keyboard->colourKeyMode());
    updateSwitchText();
}

void CQuorvaneDlg::leaveColourKeyMode() {
    m_keyboard->setColourKeyMode(false);
    updateSwitchText();
}

void CQuorvaneDlg::onKeyButton(int controlId) {
    const KeyClickAction action =
        keyClickAction(controlId, m_lampOn, m_keyboard->colourKeyMode(), m_keyboard->bank());
    switch (action.what) {
        case KeyClick::Nothing:
            return;
        case KeyClick::Paint:
            if (m_setup.actions != nullptr) {
                m_setup.actions->paintKey(action.controlId);
            }
            return;
        case KeyClick::ToggleSelection:
            if (m_setup.actions != nullptr) {
                m_setup.actions->toggleSelection(action.controlId, m_keyboard->bank());
            }
            setApplyEnabled(true);
            return;
        case KeyClick::OpenDialog:
            if (m_opener != nullptr) {
                m_keyboard->lightWhileOpen(action.controlId);
                m_opener->openForKey(0, action.keyCode, action.controlId, action.macroOnly);
            }
            return;
    }
}

void CQuorvaneDlg::selectionChanged(int controlId, bool selected) {
    m_keyboard->setSelected(controlId, selected);
}

void CQuorvaneDlg::onFlip(int /*controlId*/) {
    const bool flipped = !m_keyboard->flipped();
    if (m_setup.settings != nullptr) {
        m_setup.settings->WriteProfileString(kProfilesSection, kFlipEntry, flipped ? u"1" : u"0");
    }
    m_keyboard->applyFlip(flipped);
}

bool CQuorvaneDlg::isApplyEnabled() const {
    const CPngButton* apply = button(kApply);
    return apply != nullptr && apply->isEnabled();
}

// ---- Window ------------------------------------------------------------------------

void CQuorvaneDlg::hideWindow() {
    hide();
}

void CQuorvaneDlg::openWindow() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void CQuorvaneDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return;  // Enter never presses OK, Esc never cancels
        case Qt::Key_F1:
            openHelp();
            return;
        default:
            CBaseDialog::keyPressEvent(event);
    }
}

void CQuorvaneDlg::closeEvent(QCloseEvent* event) {
    if (m_shuttingDown) {
        event->accept();
        return;
    }
    event->ignore();
    // The window manager's close (Alt+F4, a task bar's "Close window") is
    // Cancel: the window goes to the notification area. Without one nothing
    // could bring it back, so there the program ends as the close button does.
    const bool trayHost =
        m_setup.trayAvailable ? m_setup.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    if (trayHost) {
        hideWindow();
    } else if (m_setup.actions != nullptr) {
        m_setup.actions->exitAction();
    }
}

void CQuorvaneDlg::changeEvent(QEvent* event) {
    CBaseDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        reportShown();
    }
}

void CQuorvaneDlg::showEvent(QShowEvent* event) {
    decodePictures();
    CBaseDialog::showEvent(event);
    reportShown();
}

void CQuorvaneDlg::hideEvent(QHideEvent* event) {
    CBaseDialog::hideEvent(event);
    reportShown();
    // Not when minimised: that comes back without a show.
    if (!event->spontaneous() && !isVisible()) {
        dropPictures();
    }
}

void CQuorvaneDlg::swapPictures(const MainPictures& to) {
    const auto swap = MainPictures::swap(m_setup.pictures, to);
    for (CPngButton* b : findChildren<CPngButton*>()) {
        b->SwapPictures(swap);
    }
    m_setup.pictures = to;  // the keyboard view reads its pictures from here
}

void CQuorvaneDlg::decodePictures() {
    if (m_picturesDecoded) {
        return;
    }
    // What the first paint shows is decoded now; the hovered and pressed
    // looks (and the colour-keys pictures outside that mode) follow from a
    // worker thread once the window is painted, so that it appears sooner.
    enum : std::size_t { kNormal, kOver, kDown, kDisable, kArrow, kColour0, kColour1 };
    std::vector<std::size_t> now = {kNormal, kDisable, kArrow};
    std::vector<std::size_t> later = {kOver, kDown};
    for (const std::size_t colour : {kColour0, kColour1}) {
        (m_keyboard->colourKeyMode() ? now : later).push_back(colour);
    }
    const std::vector<SkinImageRequest> files = MainPictures::requests(m_setup.paths.g_szSkinDir);
    std::vector<SkinImageRequest> requests;
    requests.reserve(now.size() + 2);  // and the background and the mask
    for (const std::size_t index : now) {
        requests.push_back(files[index]);
    }
    requests.push_back({backgroundFile(), devicePixelRatioF()});
    if (needsMask()) {
        requests.push_back({maskFile(), 1.0});
    }
    std::vector<QImage> images = loadSkinImages(requests);
    // A background that is the normal picture's file shares its pixels.
    const bool backgroundIsNormal = images[now.size()].cacheKey() == images[0].cacheKey();
    takePictures(now, images);
    takeSkinPictures(backgroundIsNormal ? m_setup.pictures.normal
                                        : QPixmap::fromImage(std::move(images[now.size()])),
                     images.size() > now.size() + 1 ? images[now.size() + 1] : QImage());
    m_lighting->restorePictures();
    m_picturesDecoded = true;
    ++m_showCount;
    m_laterPictures = later;
}

void CQuorvaneDlg::paintEvent(QPaintEvent* event) {
    CBaseDialog::paintEvent(event);
    if (m_laterPictures.empty()) {
        return;
    }
    // After this paint has reached the screen: started sooner, the decoding
    // takes both cores while the window is being put there.
    QTimer::singleShot(0, this,
                       [this, later = std::exchange(m_laterPictures, {}), show = m_showCount] {
                           if (m_picturesDecoded && show == m_showCount) {
                               decodeLaterPictures(later);
                           }
                       });
}

void CQuorvaneDlg::decodeLaterPictures(const std::vector<std::size_t>& later) {
    const std::vector<SkinImageRequest> files = MainPictures::requests(m_setup.paths.g_szSkinDir);
    std::vector<SkinImageRequest> lateRequests;
    lateRequests.reserve(later.size());
    for (const std::size_t index : later) {
        lateRequests.push_back(files[index]);
    }
    const unsigned show = m_showCount;
    m_lateDecode = std::jthread([this, later, lateRequests, show] {
        auto decoded = std::make_shared<std::vector<QImage>>(loadSkinImages(lateRequests));
        QMetaObject::invokeMethod(
            this,
            [this, later, decoded, show] {
                // Not after a hide: those would stay decoded in the tray.
                if (m_picturesDecoded && show == m_showCount) {
                    takePictures(later, *decoded);
                } else {
                    decoded->clear();
                    malloc_trim(0);
                }
            },
            Qt::QueuedConnection);
    });
}

void CQuorvaneDlg::takePictures(const std::vector<std::size_t>& indices,
                                std::vector<QImage>& images) {
    MainPictures next = m_setup.pictures;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (images[i].isNull()) {
            // Gone since the start checked it: the window shows without it.
            std::fprintf(stderr, "quorvane: Skins/%s cannot be read\n",
                         MainPictures::fileNames()[indices[i]].c_str());
            continue;
        }
        next.picture(indices[i]) = QPixmap::fromImage(std::move(images[i]));
    }
    next.shareSecondSet();
    swapPictures(next);
}

void CQuorvaneDlg::dropPictures() {
    if (!m_picturesDecoded) {
        return;
    }
    swapPictures(MainPictures::standIns());
    m_laterPictures.clear();
    dropSkinPictures();
    m_lighting->dropPictures();
    if (m_profileManager && !m_profileManager->isVisible()) {
        m_profileManager.reset();
    }
    if (m_opener != nullptr) {
        m_opener->dropEditor();
    }
    m_picturesDecoded = false;
    // The window's own pixels too: Qt sizes the store again before the next paint.
    if (QBackingStore* store = backingStore()) {
        store->resize(QSize(1, 1));
    }
    // Pictures loaded by name stay in Qt's cache; and the freed pixels go
    // back to the system instead of waiting in the allocator for a reuse.
    QPixmapCache::clear();
    malloc_trim(0);
}

void CQuorvaneDlg::reportShown() {
    // The lighting preview runs only while someone can see it.
    const bool shown = isVisible() && !isMinimized();
    if (shown != m_reportedShown) {
        m_reportedShown = shown;
        if (m_setup.shownChanged) {
            m_setup.shownChanged(shown);
        }
    }
}

void CQuorvaneDlg::openHelp() {
    if (m_setup.openUrl) {
        m_setup.openUrl(QUrl::fromLocalFile(QString::fromStdString(helpPageFile(m_setup.paths))));
    }
}

// ---- Tray, menus, about ------------------------------------------------------------

void CQuorvaneDlg::createTray() {
    if (m_tray) {
        return;  // made at start, before the core asked for it
    }
    m_tray = std::make_unique<CTrayIcon>(
        m_setup.paths.g_szSkinDir, [this](const char16_t* key) { return text(key); },
        [this] { return languageIndex(); });
    connect(m_tray.get(), &CTrayIcon::commandChosen, this, &CQuorvaneDlg::onCommand);
    connect(m_tray.get(), &CTrayIcon::languageChosen, this, &CQuorvaneDlg::chooseLanguage);
    const bool added = m_tray->create(text(u"IDS_KEYBOARD_TRAY_DESC"));
    m_tray->setTooltipSource([this] {
        const QString reason = m_setup.trayTooltip ? m_setup.trayTooltip() : QString();
        return reason.isEmpty() ? text(u"IDS_KEYBOARD_TRAY_DESC") : reason;
    });
    if (m_setup.trayState) {
        m_setup.trayState(added);
    }
}

void CQuorvaneDlg::showTrayIcon(int iconId) {
    if (m_tray) {
        m_tray->setIconById(iconId);
    }
}

void CQuorvaneDlg::removeTray() {
    if (m_tray) {
        m_tray->remove();
    }
}

void CQuorvaneDlg::onCommand(int command) {
    switch (command) {
        case kMenuOpen:
            if (m_setup.actions != nullptr) {
                m_setup.actions->openAction();
            }
            break;
        case kMenuAbout:
            showAbout();
            break;
        case kMenuExit:
            if (m_setup.actions != nullptr) {
                m_setup.actions->exitAction();
            }
            break;
        case kMenuImport:
            importProfile();
            break;
        case kMenuExport:
            exportProfile();
            break;
        case kMenuHistory:
            if (m_setup.actions != nullptr) {
                m_setup.actions->openHistory();
            }
            break;
        default:
            break;
    }
}

void CQuorvaneDlg::showAbout() {
    if (m_about) {
        return;
    }
    m_about = new CAboutDlg(
        m_link, m_setup.version,  // NOLINT: deletes itself on close
        [this](const char16_t* key) { return text(key); }, [this] { openHelp(); });
    m_about->show();
}

void CQuorvaneDlg::showButtonMenu(const QPoint& at) {
    m_buttonMenu = std::make_unique<QMenu>();
    const std::pair<int, const char16_t*> items[] = {{kMenuImport, u"IDS_BUTTON_MENU_IMPORT"},
                                                     {kMenuExport, u"IDS_BUTTON_MENU_EXPORT"},
                                                     {kMenuHistory, u"IDS_BUTTON_MENU_HISTORY"},
                                                     {0, nullptr},
                                                     {kMenuAbout, u"IDS_BUTTON_MENU_ABOUT"}};
    for (const auto& [command, key] : items) {
        if (key == nullptr) {
            m_buttonMenu->addSeparator();
            continue;
        }
        QAction* action = m_buttonMenu->addAction(text(key));
        connect(action, &QAction::triggered, this,
                [this, command = command] { onCommand(command); });
    }
    auto* languages = qtOwned<LanguageMenu>(*m_buttonMenu);
    languages->update(text(u"IDS_BUTTON_MENU_LANGUAGE"), languageIndex());
    connect(languages, &LanguageMenu::languageChosen, this, &CQuorvaneDlg::chooseLanguage);
    m_buttonMenu->popup(at);
}

void CQuorvaneDlg::importProfile() {
    if (!m_setup.chooseFile || m_setup.actions == nullptr) {
        return;
    }
    const QString path = m_setup.chooseFile(
        false, QString::fromStdString(m_setup.paths.userDataFolder), QStringLiteral("*.fwc"));
    if (!path.isEmpty()) {
        m_setup.actions->importFile(path.toStdString());
    }
}

void CQuorvaneDlg::exportProfile() {
    if (!m_setup.chooseFile || m_setup.actions == nullptr) {
        return;
    }
    const QString path = chooseSaveTarget(QStringLiteral("*.fwc"));
    if (!path.isEmpty()) {
        m_setup.actions->exportFile(path.toStdString());
    }
}

void CQuorvaneDlg::showHistory(HistoryView view) {
    if (!m_history) {
        CHistoryDlg::Hooks hooks;
        hooks.texts = [this](const char16_t* key) { return text(key); };
        hooks.restore = [this](const std::string& path) {
            if (m_setup.actions != nullptr) {
                m_setup.actions->restoreHistory(path);
            }
        };
        hooks.openFolder = [this](const std::string& folder) {
            if (m_setup.openUrl) {
                m_setup.openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
            }
        };
        m_history = qtOwned<CHistoryDlg>(std::move(hooks), this);
        m_history->setAttribute(Qt::WA_DeleteOnClose);
        m_history->setWindowFlag(Qt::Window);
    }
    m_history->show(std::move(view));
}

QString CQuorvaneDlg::chooseSaveTarget(const QString& name) {
    const QString chosen =
        m_setup.chooseFile(true, QString::fromStdString(m_setup.paths.userDataFolder), name);
    // The file dialog asked about the name as typed; ".fwc" may name another file.
    const std::string target =
        confirmProfileSaveTarget(chosen.toStdString(), [this](const std::string& path) {
            return askYesNo(text(u"IDS_FILE_REPLACE_PROMPT") + QLatin1Char('\n') +
                            QString::fromStdString(path));
        });
    return QString::fromStdString(target);
}

void CQuorvaneDlg::showProfileManager(std::vector<ProfileRow> rows) {
    if (!m_profileManager) {
        CQuorvane_DlgProfile::Hooks hooks;
        hooks.addNew = [](ProfileManagerList& list, const std::string& path) {
            WorkingConfig scratch;  // a new default file; the model is not touched
            return addNewProfileFile(list, scratch, path);
        };
        hooks.apply = [this](const std::vector<ProfileRow>& r) {
            if (m_setup.actions != nullptr) {
                m_setup.actions->applyProfileRows(r);
            }
            setApplyEnabled(false);
        };
        hooks.chooseFile = [this](bool save, const QString& name) {
            if (!m_setup.chooseFile) {
                return QString();
            }
            return save ? chooseSaveTarget(name)
                        : m_setup.chooseFile(
                              false, QString::fromStdString(m_setup.paths.userDataFolder), name);
        };
        hooks.openHelp = [this] { openHelp(); };
        hooks.stateChanged = m_setup.profileManagerState;
        hooks.texts = [this](const char16_t* key) { return text(key); };
        m_profileManager = std::make_unique<CQuorvane_DlgProfile>(
            m_setup.paths.g_szProfileIni, m_setup.paths.profileSkinFolder,
            m_setup.paths.userDataFolder, std::move(hooks), this);
    }
    m_profileManager->open(std::move(rows));
}

void CQuorvaneDlg::profileManagerSelectRow(int row) {
    if (m_profileManager && m_profileManager->isVisible()) {
        m_profileManager->selectRow(row);
    }
}

void CQuorvaneDlg::closeChildDialogs() {
    if (m_opener != nullptr) {
        m_opener->closeEditor();
    }
    if (m_about) {
        m_about->close();
    }
    if (m_history) {
        m_history->close();
    }
    if (m_profileManager && m_profileManager->isVisible()) {
        m_profileManager->closeAsCancelled();
    }
}

void CQuorvaneDlg::endProgram() {
    m_shuttingDown = true;
    QApplication::exit(0);
}

// ---- What the core hands over ---------------------------------------------------------

void CQuorvaneDlg::setGKeyStates(const std::array<bool, kGKeyCount>& checked) {
    m_keyboard->setGKeyStates(checked);
}

void CQuorvaneDlg::showGKeyBank(std::uint8_t bank, const GKeyCaptions& captions) {
    m_keyboard->showBank(bank, captions);
}

void CQuorvaneDlg::showKeyboardPicture(const KeyboardPicture& picture) {
    m_keyboard->showPicture(picture);
}

void CQuorvaneDlg::setApplyEnabled(bool on) {
    if (CPngButton* apply = button(kApply)) {
        apply->setEnabled(on);
    }
}

void CQuorvaneDlg::showDefaultModeNotice(bool shown) {
    if (QWidget* working = control(kWorkingLabel)) {
        working->setVisible(shown);
    }
}

void CQuorvaneDlg::setProfileButtons(int currentProfile) {
    for (int i = 0; i < 3; ++i) {
        if (CPngButton* b = button(kProfile1 + i)) {
            b->SetChecked(i == currentProfile, true);
        }
    }
}

void CQuorvaneDlg::setProfileLabel(const QString& text, const QString& tooltip) {
    if (CPngButton* b = button(kProfiles)) {
        b->setText(text);
        b->SetTooltip(tooltip, true);
        b->setAccessibleDescription(text.isEmpty() ? tooltip : text);
        b->update();
    }
}

void CQuorvaneDlg::showBusy(bool on) {
    if (m_busy == nullptr) {
        return;
    }
    if (on) {
        // Decoded on the first transfer, not at start: most starts show none.
        if (m_busyFrames[0].isNull()) {
            for (std::size_t i = 0; i < m_busyFrames.size(); ++i) {
                m_busyFrames[i] = loadSkinPixmap(QString::fromStdString(m_setup.paths.g_szSkinDir) +
                                                 QStringLiteral("jdt%1.bmp").arg(i + 1));
            }
        }
        m_busyFrame = 0;
        m_busy->setPixmap(m_busyFrames[0]);
        m_busy->show();
        m_busyTimer.start();
    } else {
        m_busyTimer.stop();
        m_busy->hide();
    }
}

void CQuorvaneDlg::showLightingValues(const LightingPanelValues& values) {
    checkReportRate(values.reportRate);
}

void CQuorvaneDlg::checkReportRate(int rate) {
    for (int k = 0; k < 4; ++k) {
        if (CPngButton* b = button(kReportRate[static_cast<std::size_t>(k)])) {
            b->SetChecked(k == rate, true);
        }
    }
}

void CQuorvaneDlg::showMessage(const QString& message) {
    QMessageBox box(QMessageBox::NoIcon, QString(), message, QMessageBox::Ok,
                    isVisible() ? this : nullptr);
    box.exec();
}

bool CQuorvaneDlg::askYesNo(const QString& question) {
    QMessageBox box(QMessageBox::Question, text(u"IDS_MAIN_CAPTION"), question,
                    QMessageBox::Yes | QMessageBox::No, isVisible() ? this : nullptr);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace quorvane
