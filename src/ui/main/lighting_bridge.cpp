#include "ui/main/lighting_bridge.h"

#include <QColor>
#include <QMetaObject>

#include <memory>
#include <optional>
#include <string>

#include "ui/main/main_dialog.h"

namespace quorvane {

LightingBridge::LightingBridge(CQuorvaneDlg& dialog, std::function<void()> rebuildKeys)
    : m_context(&dialog), m_dialog(dialog), m_rebuildKeys(std::move(rebuildKeys)) {}

void LightingBridge::onGui(std::function<void(CQuorvaneDlg&)> call) {
    QObject* context = m_context.data();
    if (context == nullptr) {
        return;
    }
    CQuorvaneDlg* dialog = &m_dialog;
    QMetaObject::invokeMethod(
        context, [dialog, call = std::move(call)] { call(*dialog); }, Qt::QueuedConnection);
}

void LightingBridge::showControl(int controlId, bool shown) {
    onGui([=](CQuorvaneDlg& d) { d.lighting()->showControl(controlId, shown); });
}

void LightingBridge::setPicture(int controlId, std::string_view file) {
    onGui([controlId, file = std::string(file)](CQuorvaneDlg& d) {
        d.lighting()->setPicture(controlId, file);
    });
}

void LightingBridge::placeControl(int controlId, std::string_view skinKey) {
    onGui([controlId, key = std::string(skinKey)](CQuorvaneDlg& d) {
        d.lighting()->placeControl(controlId, key);
    });
}

void LightingBridge::setSliderPosition(int controlId, int position) {
    onGui([=](CQuorvaneDlg& d) { d.lighting()->setSliderPosition(controlId, position); });
}

void LightingBridge::setColourButton(int controlId, Rgb colour) {
    onGui([=](CQuorvaneDlg& d) { d.lighting()->setColourButton(controlId, colour); });
}

void LightingBridge::setEffectList(const std::vector<std::u16string>& names) {
    onGui([names](CQuorvaneDlg& d) { d.lighting()->setEffectList(names); });
}

void LightingBridge::selectEffect(int comboIndex) {
    onGui([=](CQuorvaneDlg& d) { d.lighting()->selectEffect(comboIndex); });
}

void LightingBridge::setUserSlots(const std::vector<std::u16string>& names) {
    onGui([names](CQuorvaneDlg& d) { d.lighting()->setUserSlots(names); });
}

void LightingBridge::selectUserSlot(int slot) {
    onGui([=](CQuorvaneDlg& d) { d.lighting()->selectUserSlot(slot); });
}

void LightingBridge::renameUserSlot(int slot, std::u16string_view name) {
    onGui([slot, name = std::u16string(name)](CQuorvaneDlg& d) {
        d.lighting()->renameUserSlot(slot, name);
    });
}

void LightingBridge::checkReportRate(int rate) {
    onGui([=](CQuorvaneDlg& d) { d.checkReportRate(rate); });
}

void LightingBridge::showKeyOutlines(const PreviewFrame& frame) {
    auto shared = std::make_shared<PreviewFrame>(frame);
    onGui([shared](CQuorvaneDlg& d) {
        d.keyboard().showOutlines([&](int led) -> std::optional<QColor> {
            if (led < 0 || led >= static_cast<int>(shared->outlined.size()) ||
                !shared->outlined[static_cast<std::size_t>(led)]) {
                return std::nullopt;
            }
            const Rgb c = shared->colour[static_cast<std::size_t>(led)];
            return QColor(c.red, c.green, c.blue);
        });
    });
}

void LightingBridge::restoreKeyPictures() {
    onGui([](CQuorvaneDlg& d) {
        d.keyboard().clearOutlines();
        d.keyboard().placeKeyButtons();
    });
    if (m_rebuildKeys) {
        m_rebuildKeys();
    }
}

void LightingBridge::leaveColourKeyMode() {
    onGui([](CQuorvaneDlg& d) { d.leaveColourKeyMode(); });
}

}  // namespace quorvane
