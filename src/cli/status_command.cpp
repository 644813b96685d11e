#include "cli/status_command.h"

#include <array>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_keyboard.h"
#include "cli/json_text.h"
#include "cli/result_text.h"
#include "cli/settings_summary.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"

namespace quorvane::cli {

int runStatus(std::span<const std::string_view> args, CliContext& context) {
    bool json = false;
    if (auto bad = parseJsonOnly(args, context, json)) {
        return *bad;
    }

    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        const int keyboards = keyboard.keyboardCount();
        std::array<std::uint8_t, kSettingsBlockSize> block{};
        const int result = keyboard.link().commands().ReadSettings(block);
        if (result != kResultDone) {
            return failResult(context, "reading the settings", result);
        }
        const SettingsSummary summary = summariseSettings(block);
        const PendingTransfer pending = keyboard.sync().pendingTransfer();
        std::string pendingText;
        if (pending.state == PendingTransfer::State::Pending) {
            pendingText =
                "the last transfer was cut short: " + describeTransferIntent(pending.intent) +
                " (quorvanectl finish writes it again)";
        } else if (pending.state == PendingTransfer::State::Damaged) {
            pendingText = "the record of the last transfer is damaged: " + pending.error;
        } else if (pending.state == PendingTransfer::State::Unreadable) {
            pendingText = "the record of the last transfer could not be read: " + pending.error;
        } else if (const auto others =
                       otherKeyboardsTransferIntents(keyboard.sync().transferRecordPlace());
                   !others.empty()) {
            pendingText = "a cut transfer to another keyboard is kept for it: " + others.front();
        }
        if (json) {
            const bool inProfile = summary.activeProfile >= 0 && summary.activeProfile < 3;
            context.out << "{\"keyboards\": " << keyboards << ", \"activeProfile\": "
                        << (inProfile ? std::to_string(summary.activeProfile + 1) : "null")
                        << ", \"defaultMode\": " << (summary.activeProfile == 3 ? "true" : "false")
                        << ", \"macroCapacity\": " << summary.macroCapacity << ", \"effects\": [";
            for (std::size_t i = 0; i < summary.effects.size(); ++i) {
                const std::uint8_t code = summary.effects[i];
                context.out << (i == 0 ? "" : ", ") << "{\"code\": " << static_cast<int>(code)
                            << ", \"name\": "
                            << jsonString(utf8(keyboard.language().effectName(code))) << "}";
            }
            context.out << "]"
                        << (pendingText.empty() ? "" : ", \"pending\": " + jsonString(pendingText))
                        << "}\n";
            return kExitOk;
        }
        context.out << "keyboards: " << keyboards << '\n';
        context.out << "active profile: " << profileText(summary.activeProfile) << '\n';
        context.out << "macro capacity: " << summary.macroCapacity << " bytes\n";
        context.out << "effects:";
        for (const std::uint8_t effect : summary.effects) {
            context.out << ' ' << static_cast<int>(effect);
        }
        context.out << '\n';
        if (!pendingText.empty()) {
            context.out << "pending: " << pendingText << '\n';
        }
        return kExitOk;
    });
}

}  // namespace quorvane::cli
