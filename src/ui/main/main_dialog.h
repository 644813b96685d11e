// The main window: the keyboard picture, the profile, report-rate and command
// buttons, the labels, the busy animation, the tray icon, the about box and
// the profile manager. It shows what the core hands it (MainWindowSurface) and
// forwards every click to MainWindowActions; it never talks to the keyboard.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/app/app_paths.h"
#include "core/app/text_lookup.h"
#include "ui/main/about_dialog.h"
#include "ui/main/history_dialog.h"
#include "ui/main/keyboard_view.h"
#include "ui/main/lighting_widgets.h"
#include "ui/main/main_pictures.h"
#include "ui/main/main_window_actions.h"
#include "ui/main/main_window_surface.h"
#include "ui/main/profile_dialog.h"
#include "ui/main/tray_icon.h"
#include "ui/skin/base_dialog.h"
#include "ui/skin/color_static.h"
#include "ui/skin/png_button.h"
#include "ui/skin/skin_placement.h"

class QMenu;

namespace quorvane {

class FrameworkProfile;

// Control ids of the main window that are not keys.
namespace main_ids {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kProfiles = 1005;
inline constexpr int kApply = 1006;
inline constexpr int kMacro = 1007;
inline constexpr int kLink = 1121;
inline constexpr int kHelp = 1122;
inline constexpr int kMinimise = 1123;
inline constexpr int kClose = 1124;
inline constexpr int kVersion = 1134;
inline constexpr int kProfile1 = 1135;
inline constexpr int kDefault = 1138;
inline constexpr int kMenu = 1139;
inline constexpr int kSwitch = 1144;
inline constexpr std::array<int, 4> kReportRate = {1147, 1168, 1169, 1170};
inline constexpr int kBusy = 1177;
inline constexpr int kUsbLabel = 1204;
inline constexpr int kProfilesLabel = 1207;
inline constexpr int kLightingLabel = 1208;
inline constexpr int kWorkingLabel = 1209;
}  // namespace main_ids

class CQuorvaneDlg : public CBaseDialog, public MainWindowSurface {
    Q_OBJECT
  public:
    struct Setup {
        PathTable paths;
        // Decoded pictures to start with (tests); when empty the window holds
        // stand-ins and decodes its pictures on each show.
        MainPictures pictures;
        TextLookup loadText;                   // the chosen language's texts
        FrameworkProfile* settings = nullptr;  // "Flip" in "PROFILES"
        QString version;
        MainWindowActions* actions = nullptr;
        // Whether the notification area exists now; empty: ask Qt (tests set it).
        std::function<bool()> trayAvailable;
        // File dialogs; tests replace them. Empty result: cancelled.
        std::function<QString(bool save, const QString& folder, const QString& name)> chooseFile;
        std::function<void(const QUrl& url)> openUrl;
        // Reports which editors are open (for the core's questions).
        std::function<void(bool open, bool unapplied)> profileManagerState;
        std::function<void(bool available)> trayState;
        LightingActions* lightingActions = nullptr;
        // The window became visible (not minimised) or stopped being so.
        std::function<void(bool shown)> shownChanged;
        // A tooltip for the tray icon in place of the usual one; empty: none.
        std::function<QString()> trayTooltip;
        // The language in use (0..6), checked in the Language submenus.
        std::function<int()> languageIndex;
    };

    explicit CQuorvaneDlg(Setup setup);
    ~CQuorvaneDlg() override;

    // The rest of the initialisation after the device is bound: placement,
    // texts. The window stays hidden.
    void initialise();
    // UM_LANG: every text from the language texts, the open dialogs' too.
    void applyLanguage() override;

    void setAssignmentOpener(KeyAssignmentOpener* opener) { m_opener = opener; }

    // ---- MainWindowSurface ------------------------------------------------------
    void createTray() override;
    void showTrayIcon(int iconId) override;
    void removeTray() override;
    void hideWindow() override;
    void openWindow() override;
    void closeChildDialogs() override;
    void endProgram() override;
    void setGKeyStates(const std::array<bool, kGKeyCount>& checked) override;
    void showGKeyBank(std::uint8_t bank, const GKeyCaptions& captions) override;
    void showKeyboardPicture(const KeyboardPicture& picture) override;
    void leaveColourKeyMode() override;
    void setApplyEnabled(bool on) override;
    void showDefaultModeNotice(bool shown) override;
    void setProfileButtons(int currentProfile) override;
    void setProfileLabel(const QString& text, const QString& tooltip) override;
    void showBusy(bool on) override;
    void profileManagerSelectRow(int row) override;
    void showLightingValues(const LightingPanelValues& values) override;
    void refreshLightingPanel() override {}
    void refreshKeyColours() override {}
    void reloadUserModeList() override {}
    void selectUserModeEntry(int /*mode*/) override {}
    void showLampOff() override {}
    // The report-rate buttons: `rate` (0..3) checked, the others not.
    void checkReportRate(int rate);
    LightingWidgets* lighting() const { return m_lighting; }
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& text) override;

    // ---- For the program and tests -----------------------------------------------
    CPngButton* button(int controlId) const;
    QWidget* control(int controlId) const;
    KeyboardView& keyboard() { return *m_keyboard; }
    CTrayIcon* tray() const { return m_tray.get(); }
    CAboutDlg* aboutBox() const { return m_about.data(); }
    CQuorvane_DlgProfile* profileManager() const { return m_profileManager.get(); }
    bool colourKeyMode() const { return m_keyboard->colourKeyMode(); }
    bool isApplyEnabled() const;
    int busyFrame() const { return m_busyFrame; }
    void setLampOn(bool on) { m_lampOn = on; }
    // The about box (menu 32773, system menu); a second request while it is
    // open does nothing.
    void showAbout();
    void showButtonMenu(const QPoint& at);
    QMenu* buttonMenu() const { return m_buttonMenu.get(); }
    void importProfile();
    void exportProfile();
    void openHelp();
    // The open profile manager gets the rows the core read.
    void showProfileManager(std::vector<ProfileRow> rows);
    // "History...": the entries the core read; opens the dialog or refreshes it.
    void showHistory(HistoryView view);
    CHistoryDlg* historyBox() const { return m_history.data(); }
    // A selection word flipped (colour-keys mode).
    void selectionChanged(int controlId, bool selected);
    // Whether the full-window pictures are decoded (only while shown, unless given).
    bool picturesDecoded() const { return m_picturesDecoded; }
    // Exit has begun: the window may close for real.
    void setShuttingDown() { m_shuttingDown = true; }
    // Clicks of the key picture.
    void onKeyButton(int controlId);
    // Command 1144.
    void toggleColourKeyMode();
    // Menu and tray commands.
    void onCommand(int command);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // The file dialog's answer for saving a profile file as the file to write
    // (".fwc" added, a replacement confirmed); empty when cancelled.
    QString chooseSaveTarget(const QString& name);
    CPngButton* makeButton(int controlId, const char16_t* skinKey, const SkinPictureSet& pictures);
    ColorStatic* makeLabel(int controlId, const char16_t* skinKey);
    void placeControls();
    // Keyboard and screen-reader presence (main_window_access.cpp): roles and
    // focus once, names with every language, the Tab order.
    void presentControls();
    void nameControls();
    void orderFocus();
    void firstLabelTexts();
    void textStyle(CPngButton* button, int pointSize, const QString& face, unsigned format);
    void updateSwitchText();
    void onFlip(int controlId);
    void reportShown();
    // Before each show: the full-window pictures, background and lighting
    // bitmaps decoded and traded for the stand-ins; after a hide, back.
    void decodePictures();
    // The pictures of MainPictures::fileNames()[later[i]], on a worker thread.
    void decodeLaterPictures(const std::vector<std::size_t>& later);
    void dropPictures();
    void swapPictures(const MainPictures& to);
    // Trades the pictures of MainPictures::fileNames()[indices[i]] for images[i].
    void takePictures(const std::vector<std::size_t>& indices, std::vector<QImage>& images);
    QString text(const char16_t* key) const;
    int languageIndex() const;
    void chooseLanguage(int index);

    Setup m_setup;
    std::unique_ptr<KeyboardView> m_keyboard;
    std::map<int, QWidget*> m_controls;
    std::unique_ptr<CTrayIcon> m_tray;
    QPointer<CAboutDlg> m_about;
    QPointer<CHistoryDlg> m_history;
    std::unique_ptr<CQuorvane_DlgProfile> m_profileManager;
    std::unique_ptr<QMenu> m_buttonMenu;
    KeyAssignmentOpener* m_opener = nullptr;
    LightingWidgets* m_lighting = nullptr;  // owned by this window
    bool m_reportedShown = false;
    bool m_picturesDecoded = false;
    unsigned m_showCount = 0;
    std::vector<std::size_t> m_laterPictures;  // decoded after this show's first paint
    std::jthread m_lateDecode;
    QString m_link;
    QLabel* m_busy = nullptr;
    std::array<QPixmap, 10> m_busyFrames;
    QTimer m_busyTimer;
    int m_busyFrame = 0;
    bool m_lampOn = false;
    bool m_shuttingDown = false;
};

}  // namespace quorvane
