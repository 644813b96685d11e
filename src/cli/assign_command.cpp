#include "cli/assign_command.h"

#include <algorithm>
#include <cctype>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_keyboard.h"
#include "cli/key_actions.h"
#include "cli/result_text.h"
#include "core/config/action_type.h"
#include "core/device/device_result.h"
#include "core/keys/key_id.h"
#include "core/platform/program_folder.h"
#include "core/sync/sync_result.h"

namespace quorvane::cli {

namespace {

struct Assignment {
    std::uint16_t type = ActionDefault;
    std::uint32_t value = 0;
};

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The ACTION argument; `error` says what is wrong with it.
std::optional<Assignment> parseAction(std::string_view text, const TextLookup& texts,
                                      std::string& error) {
    const std::string lower = lowerCase(text);
    if (lower == "default") {
        return Assignment{ActionDefault, 0};
    }
    if (lower == "disable") {
        return Assignment{ActionDisabled, 0};
    }
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        error = "unknown action \"" + std::string(text) +
                "\" (default, disable, key:KEY, media:N, function:N or macro:ID)";
        return std::nullopt;
    }
    const std::string kind = lower.substr(0, colon);
    const std::string_view rest = text.substr(colon + 1);
    if (kind == "key") {
        const std::optional<KeyCode> key = parseKeyWord(rest);
        if (!key) {
            error = "unknown key \"" + std::string(rest) + "\"";
            return std::nullopt;
        }
        if (!sendsKeyboardUsage(*key)) {
            error = "the keyboard cannot send " + std::string(rest) +
                    " as a key (media keys are media:N)";
            return std::nullopt;
        }
        return Assignment{ActionKey, *key};
    }
    if (kind == "media") {
        const std::optional<std::size_t> index = parseMediaWord(rest, texts);
        if (!index) {
            error = "unknown media function \"" + std::string(rest) + "\" (0-17 or its key name)";
            return std::nullopt;
        }
        return Assignment{ActionMedia, static_cast<std::uint32_t>(*index)};
    }
    if (kind == "function") {
        const std::optional<long> index =
            parseDecimal(rest, 0, static_cast<long>(kEditFunctions) - 1);
        if (!index) {
            error = "the function is a number from 0 to 10, not \"" + std::string(rest) + "\"";
            return std::nullopt;
        }
        return Assignment{ActionFunction, static_cast<std::uint32_t>(*index)};
    }
    if (kind == "macro") {
        const std::optional<long> id = parseDecimal(rest, 1, kMaxMacros);
        if (!id) {
            error = "the macro id is a number from 1 to 100, not \"" + std::string(rest) + "\"";
            return std::nullopt;
        }
        return Assignment{ActionMacro, static_cast<std::uint32_t>(*id)};
    }
    error = "unknown action kind \"" + std::string(text.substr(0, colon)) + "\"";
    return std::nullopt;
}

}  // namespace

int runAssign(std::span<const std::string_view> args, CliContext& context) {
    if (args.size() != 2) {
        return usageError(context, "KEY and ACTION are needed");
    }
    const std::optional<KeyCode> key = parseKeyWord(args[0]);
    if (!key) {
        return usageError(context, "unknown key \"" + std::string(args[0]) + "\"");
    }
    CliLanguage language(programFolder());
    const TextLookup texts = [&language](std::u16string_view k) { return language.text(k); };
    std::string error;
    const std::optional<Assignment> assignment = parseAction(args[1], texts, error);
    if (!assignment) {
        return usageError(context, error);
    }

    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        const std::vector<KeyCode> reachable = keyboardKeys(keyboard.lighting().DefaultKeyTable);
        if (std::find(reachable.begin(), reachable.end(), *key) == reachable.end()) {
            return usageError(context, keyWord(*key) + " is not a key of this keyboard");
        }
        std::uint16_t aux = 0;
        if (assignment->type == ActionMacro) {
            WorkingConfig& config = keyboard.config();
            const int index = macroIndexOfId(config, assignment->value);
            std::lock_guard lock(config.ConfigLock);
            if (index < 0 || static_cast<std::size_t>(index) >= config.macros.size() ||
                config.macros[index].id != assignment->value) {
                return usageError(
                    context, "the keyboard holds no macro " + std::to_string(assignment->value));
            }
            aux = config.macros[index].playCount;
        }

        SyncSession& sync = keyboard.sync();
        const int active = sync.readActiveProfile();
        if (active < 0) {
            return failResult(context, "reading the active profile", sync.lastSettingsResult());
        }
        if (active >= kProfileCount) {
            return failResult(context, "assigning", kSyncDefaultMode);
        }
        if (!writeAssignment(keyboard.config(), entryIndex(active, rowOfKey(*key)),
                             assignment->type, aux, assignment->value)) {
            return failResult(context, "assigning", kSyncCannotBuild);
        }
        sync.markDirty();
        const int result = keyboard.session().apply();
        if (result != kResultDone) {
            return failResult(context, "writing the key table", sync.explain(result));
        }
        const KeyActionEntry* entry = entryAt(keyboard.config(), active, rowOfKey(*key));
        const ActionWords words = describeAction(*entry, keyboard.config(), texts);
        context.out << keyWord(*key) << " in profile " << active + 1 << ": " << words.action
                    << (words.detail.empty() ? "" : " (" + words.detail + ")") << '\n';
        return kExitOk;
    });
}

}  // namespace quorvane::cli
