#include "cli/keys_command.h"

#include <array>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "cli/cli_args.h"
#include "cli/cli_keyboard.h"
#include "cli/json_text.h"
#include "cli/key_actions.h"
#include "cli/result_text.h"
#include "cli/settings_summary.h"
#include "core/keys/key_id.h"
#include "core/platform/program_folder.h"

namespace quorvane::cli {

int runKeys(std::span<const std::string_view> args, CliContext& context) {
    bool json = false;
    if (auto bad = parseJsonOnly(args, context, json)) {
        return *bad;
    }

    CliLanguage language(programFolder());
    const TextLookup texts = [&language](std::u16string_view key) { return language.text(key); };
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        const int active = keyboard.sync().readActiveProfile();
        const int block = displayBlockOf(active);
        if (block < 0) {
            return failResult(context, "reading the active profile",
                              keyboard.sync().lastSettingsResult());
        }
        const std::vector<KeyCode> keys = keyboardKeys(keyboard.lighting().DefaultKeyTable);
        if (json) {
            context.out << "{\"profile\": "
                        << (block < kProfileCount ? std::to_string(block + 1) : "null")
                        << ", \"keys\": [";
        } else {
            context.out << "profile " << profileText(active) << '\n';
        }
        bool first = true;
        for (const KeyCode key : keys) {
            const KeyActionEntry* entry = entryAt(keyboard.config(), block, rowOfKey(key));
            const ActionWords words = entry != nullptr
                                          ? describeAction(*entry, keyboard.config(), texts)
                                          : ActionWords{"default", ""};
            const std::string name = utf8(keyDisplayName(key, texts));
            if (json) {
                context.out << (first ? "" : ",") << "\n  {\"key\": " << jsonString(keyWord(key))
                            << ", \"id\": " << key << ", \"name\": " << jsonString(name)
                            << ", \"action\": " << jsonString(words.action)
                            << ", \"detail\": " << jsonString(words.detail) << '}';
            } else {
                std::ostringstream line;
                line << std::left << std::setw(12) << keyWord(key) << ' ' << std::setw(16) << name
                     << ' ' << std::setw(14) << words.action << ' ' << words.detail;
                std::string text = line.str();
                text.erase(text.find_last_not_of(' ') + 1);
                context.out << text << '\n';
            }
            first = false;
        }
        if (json) {
            context.out << "\n]}\n";
        }
        return kExitOk;
    });
}

}  // namespace quorvane::cli
