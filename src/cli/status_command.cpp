#include "cli/status_command.h"

#include <array>
#include <ostream>

#include "cli/settings_summary.h"
#include "core/device/device_link.h"
#include "core/device/device_result.h"

namespace quorvane::cli {

namespace {

std::string_view settingsFailure(int result) {
    switch (result) {
        case kResultNoKeyboard:
            return "the keyboard went away";
        case kResultNotSent:
            return "the HID library did not accept the command";
        case kResultNoAnswer:
            return "the keyboard did not answer";
        case kResultRefusedFF:
            return "the keyboard refused to send its settings (status 0xFF)";
        case kResultRefusedFE:
            return "the keyboard refused to send its settings (status 0xFE)";
        default:
            return "reading the settings failed";
    }
}

}  // namespace

int runStatus(std::span<const std::string_view> args, CliContext& context) {
    if (!args.empty()) {
        return failWith(context, "status takes no arguments");
    }
    DeviceLinkResult opened = DeviceLink::open();
    if (!opened) {
        return failWith(context, opened.reason);
    }
    DeviceLink& link = *opened.link;

    const int keyboards = link.transport().DeviceCount();
    context.out << "keyboards: " << keyboards << '\n';
    if (keyboards == 0) {
        return failWith(context, "no keyboard attached");
    }

    std::array<std::uint8_t, kSettingsBlockSize> block{};
    const int result = link.commands().ReadSettings(block);
    if (result != kResultDone) {
        return failWith(context, settingsFailure(result));
    }
    const SettingsSummary summary = summariseSettings(block);
    context.out << "active profile: " << profileText(summary.activeProfile) << '\n';
    context.out << "macro capacity: " << summary.macroCapacity << " bytes\n";
    context.out << "effects:";
    for (const std::uint8_t effect : summary.effects) {
        context.out << ' ' << static_cast<int>(effect);
    }
    context.out << '\n';
    return kExitOk;
}

}  // namespace quorvane::cli
