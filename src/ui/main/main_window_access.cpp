// The main window from the keyboard and through a screen reader: which
// controls take the focus and in what order, what each is (command, switch,
// indicator, picture) and the names of those without a caption.
#include <array>
#include <utility>
#include <vector>

#include "core/lighting/panel_controls.h"
#include "ui/main/main_dialog.h"

namespace quorvane {

using namespace main_ids;

namespace {

constexpr std::array<const char16_t*, 4> kReportRateNames = {
    u"IDS_A11Y_REPORT_RATE1", u"IDS_A11Y_REPORT_RATE2", u"IDS_A11Y_REPORT_RATE3",
    u"IDS_A11Y_REPORT_RATE4"};

// The lighting panel's controls in reading order: each row of the panel left
// to right. Hidden ones are skipped by Tab.
constexpr int kLightingOrder[] = {panel::kLampSwitch,
                                  panel::kEffectList,
                                  panel::kBrightnessSlider,
                                  panel::kSpeedSlider,
                                  panel::kDirectionLeft,
                                  panel::kDirectionRight,
                                  panel::kEffectColourButton,
                                  panel::kEffectRandomPicture,
                                  panel::kReactiveColourButton,
                                  panel::kReactiveRandomPicture,
                                  panel::kRedPicture,
                                  panel::kYellowPicture,
                                  panel::kGreenPicture,
                                  panel::kBluePicture,
                                  panel::kUserSlots,
                                  panel::kBrushButton,
                                  panel::kBaseButton,
                                  panel::kToolBrush,
                                  panel::kToolBase};

}  // namespace

void CQuorvaneDlg::presentControls() {
    for (const int id : {kLink, kHelp, kMenu, kMinimise, kClose, kProfiles, kMacro, kDefault,
                         kSwitch, kOk, kCancel, kApply}) {
        if (CPngButton* b = button(id)) {
            b->setFocusPolicy(Qt::TabFocus);
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (CPngButton* b = button(kProfile1 + i)) {
            b->setRole(SkinRole::Toggle);
            b->setFocusPolicy(Qt::TabFocus);
        }
    }
    for (const int id : kReportRate) {
        if (CPngButton* b = button(id)) {
            b->setRole(SkinRole::Toggle);
            b->setFocusPolicy(Qt::TabFocus);
        }
    }
    // Enter and Esc never press OK or Cancel, not even with the focus on them.
    for (const int id : {kOk, kCancel}) {
        if (CPngButton* b = button(id)) {
            b->setEnterActivates(false);
        }
    }
    if (CPngButton* version = button(kVersion)) {
        version->setRole(SkinRole::Indicator);
    }
}

void CQuorvaneDlg::nameControls() {
    auto name = [this](int id, const char16_t* key) {
        if (QWidget* w = control(id)) {
            w->setAccessibleName(text(key));
        }
    };
    name(kLink, u"IDS_A11Y_LINK");
    // It opens the profile manager; its caption, the current profile's name,
    // is its description.
    name(kProfiles, u"IDS_PROFILE_TITLE");
    if (QWidget* link = control(kLink)) {
        link->setAccessibleDescription(m_link);
    }
    for (std::size_t n = 0; n < kReportRate.size(); ++n) {
        name(kReportRate[n], kReportRateNames[n]);
    }
    name(kLockCapsId, u"IDS_A11Y_CAPS_LOCK");
    name(kLockNumId, u"IDS_A11Y_NUM_LOCK");
    name(kLockScrollId, u"IDS_A11Y_SCROLL_LOCK");
    name(kLockBankId, u"IDS_A11Y_GKEY_BANK");
    name(kFlip0Id, u"IDS_A11Y_TOP_ROW");
    name(kBusy, u"IDS_A11Y_BUSY");
    name(kFlip1Id, u"IDS_A11Y_FLIP_BACK");
    name(kFlip2Id, u"IDS_A11Y_FLIP_NEXT");
    name(kLeftArrowId, u"IDS_A11Y_FLIP_BACK");
    name(kRightArrowId, u"IDS_A11Y_FLIP_NEXT");
    m_keyboard->renameKeys();
    // The panel's heading labels the effect list.
    if (auto* heading = qobject_cast<QLabel*>(control(kLightingLabel))) {
        heading->setBuddy(m_lighting->effectList());
    }
}

void CQuorvaneDlg::orderFocus() {
    std::vector<QWidget*> order;
    auto add = [&](int id) {
        if (QWidget* w = control(id)) {
            order.push_back(w);
        }
    };
    for (const int id : {kLink, kHelp, kMenu, kMinimise, kClose, kProfile1, kProfile1 + 1,
                         kProfile1 + 2, kDefault, kProfiles, kMacro}) {
        add(id);
    }
    for (CPngButton* key : m_keyboard->focusOrder()) {
        order.push_back(key);
    }
    add(kSwitch);
    for (const int id : kLightingOrder) {
        if (QWidget* w = m_lighting->control(id)) {
            order.push_back(w);
        }
    }
    for (const int id : kReportRate) {
        add(id);
    }
    for (const int id : {kOk, kCancel, kApply}) {
        add(id);
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

}  // namespace quorvane
