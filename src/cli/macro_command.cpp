#include "cli/macro_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <mutex>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_keyboard.h"
#include "cli/json_text.h"
#include "cli/key_actions.h"
#include "cli/result_text.h"
#include "core/config/config_image.h"
#include "core/config/macro_area_codec.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"
#include "core/platform/utf_text.h"

namespace quorvane::cli {

namespace {

// The largest pause a step can carry (the macro editor's limit); the keyboard
// keeps pauses in steps of 10 ms.
constexpr long kMaxDelayMs = 40000;
constexpr long kDelayStepMs = 10;

std::optional<MacroAction> parseStep(std::string_view text, std::string& error) {
    const auto first = text.find(':');
    const auto last = text.rfind(':');
    if (first == std::string_view::npos || first == last) {
        error = "a step is down:KEY:DELAY_MS or up:KEY:DELAY_MS, not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    std::string state(text.substr(0, first));
    std::transform(state.begin(), state.end(), state.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string_view keyText = text.substr(first + 1, last - first - 1);
    const std::string_view delayText = text.substr(last + 1);
    MacroAction action;
    if (state == "down") {
        action.state = 0;
    } else if (state == "up") {
        action.state = 1;
    } else {
        error = "a step goes down or up, not \"" + state + "\"";
        return std::nullopt;
    }
    const std::optional<KeyCode> key = parseKeyWord(keyText);
    if (!key) {
        error = "unknown key \"" + std::string(keyText) + "\"";
        return std::nullopt;
    }
    if (!playableInMacro(*key)) {
        error = "the keyboard cannot play " + std::string(keyText) + " in a macro";
        return std::nullopt;
    }
    action.key = *key;
    const std::optional<long> delay = parseDecimal(delayText, 0, kMaxDelayMs);
    if (!delay || *delay % kDelayStepMs != 0) {
        error = "a delay is a multiple of 10 ms from 0 to 40000, not \"" + std::string(delayText) +
                "\"";
        return std::nullopt;
    }
    action.delay = static_cast<std::uint32_t>(*delay);
    return action;
}

int listMacros(std::span<const std::string_view> args, CliContext& context) {
    bool json = false;
    if (auto bad = parseJsonOnly(args, context, json)) {
        return *bad;
    }
    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        WorkingConfig& config = keyboard.config();
        std::lock_guard lock(config.ConfigLock);
        // What the macro page's meter shows: the area Apply would write.
        const MacroMemoryUse use = macroMemoryUse(config.macros, keyboard.lighting().macroSpace);
        if (json) {
            context.out << "{\"memory\": {\"used\": " << use.used
                        << ", \"capacity\": " << use.capacity
                        << ", \"namesDropped\": " << (use.namesDropped ? "true" : "false")
                        << ", \"fits\": " << (use.fits ? "true" : "false") << "}, \"macros\": [";
        }
        bool first = true;
        for (const MacroRecord& m : config.macros) {
            const std::string name = utf8(m.nameView());
            if (json) {
                context.out << (first ? "" : ",") << "\n  {\"id\": " << m.id
                            << ", \"name\": " << jsonString(name) << ", \"steps\": [";
                for (std::size_t i = 0; i < m.actionCount; ++i) {
                    const MacroAction& a = m.actions[i];
                    context.out << (i == 0 ? "" : ", ")
                                << jsonString((a.state == 0 ? "down:" : "up:") + keyWord(a.key) +
                                              ":" + std::to_string(a.delay));
                }
                context.out << "]}";
            } else {
                context.out << m.id << '\t' << name << '\t' << m.actionCount << " steps\n";
            }
            first = false;
        }
        if (json) {
            context.out << (first ? "" : "\n") << "]}\n";
            return kExitOk;
        }
        context.out << "memory: " << use.used << " of " << use.capacity << " bytes ("
                    << use.percent() << " %)"
                    << (!use.fits          ? "; too much: Apply writes nothing"
                        : use.namesDropped ? "; the names are left out"
                                           : "")
                    << '\n';
        return kExitOk;
    });
}

int addMacro(std::span<const std::string_view> args, CliContext& context) {
    static constexpr std::array<std::string_view, 1> kValues = {"count"};
    const ParsedOptions options = parseOptions(args, kValues, {});
    if (!options.error.empty()) {
        return usageError(context, options.error);
    }
    if (options.positionals.empty()) {
        return usageError(context, "NAME is missing");
    }
    const std::u16string name = utf8ToUtf16(options.positionals.front());
    if (name.empty() || name.size() >= kMacroNameUnits) {
        return usageError(context, "a macro name has 1 to 249 characters");
    }
    if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20; })) {
        return usageError(context, "a macro name has no control characters");
    }
    long count = 1;
    if (!options.values.empty()) {
        const std::optional<long> parsed = parseDecimal(options.values.front().second, 1, 255);
        if (!parsed) {
            return usageError(context, "--count is a number from 1 to 255");
        }
        count = *parsed;
    }
    const auto stepTexts = std::span<const std::string_view>(options.positionals).subspan(1);
    if (stepTexts.empty()) {
        return usageError(context, "at least one STEP");
    }
    if (stepTexts.size() > kMaxMacroActions) {
        return usageError(context, "at most 2000 steps");
    }
    MacroRecord record;
    record.setName(name);
    record.playCount = static_cast<std::uint8_t>(count);
    record.isNew = 1;
    for (const std::string_view text : stepTexts) {
        std::string error;
        const std::optional<MacroAction> step = parseStep(text, error);
        if (!step) {
            return usageError(context, error);
        }
        record.actions[record.actionCount++] = *step;
    }

    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        WorkingConfig& config = keyboard.config();
        std::vector<MacroRecord> list;
        {
            std::lock_guard lock(config.ConfigLock);
            list = config.macros;
        }
        record.id = freeMacroId(list);
        if (list.size() >= kMaxMacros || record.id == 0) {
            keyboard.prompter().showMessage(
                formatNumber(keyboard.language().text(u"IDS_MACRO_ERR_MAX"), kMaxMacros));
            return kExitFailed;
        }
        list.push_back(record);
        commitMacroList(config, std::move(list));
        SyncSession& sync = keyboard.sync();
        sync.markDirty();
        const int result = keyboard.session().apply();
        if (result != kResultDone) {
            return failResult(context, "writing the macros", sync.explain(result));
        }
        context.out << record.id << '\n';
        return kExitOk;
    });
}

int deleteMacro(std::span<const std::string_view> args, CliContext& context) {
    if (args.size() != 1) {
        return usageError(context, "exactly one macro ID");
    }
    const std::optional<long> id = parseDecimal(args[0], 1, kMaxMacros);
    if (!id) {
        return usageError(context, "the macro id is a number from 1 to 100");
    }
    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        WorkingConfig& config = keyboard.config();
        std::vector<MacroRecord> list;
        {
            std::lock_guard lock(config.ConfigLock);
            list = config.macros;
        }
        const auto gone = std::find_if(list.begin(), list.end(),
                                       [&](const MacroRecord& m) { return m.id == *id; });
        if (gone == list.end()) {
            return usageError(context, "the keyboard holds no macro " + std::to_string(*id));
        }
        list.erase(gone);
        const std::vector<int> fellBack = commitMacroList(config, std::move(list));
        SyncSession& sync = keyboard.sync();
        sync.markDirty();
        const int result = keyboard.session().apply();
        if (result != kResultDone) {
            return failResult(context, "writing the macros", sync.explain(result));
        }
        for (const int n : fellBack) {
            const int profile = n / kSlotsPerBlock;
            const int slot = n % kSlotsPerBlock;
            if (profile >= kProfileCount) {
                continue;
            }
            context.out << "profile " << profile + 1 << ": ";
            if (slot < kGKeyFirstSlot) {
                context.out << keyWord(keyOfRow(static_cast<std::uint8_t>(slot)));
            } else {
                const int g = slot - kGKeyFirstSlot;
                context.out << 'G' << g % kGKeysPerBank + 1 << " (bank "
                            << (g < kGKeysPerBank ? 'A' : 'B') << ')';
            }
            context.out << " back to default\n";
        }
        return kExitOk;
    });
}

}  // namespace

int runMacro(std::span<const std::string_view> args, CliContext& context) {
    if (args.empty()) {
        return usageError(context, "list, add or delete");
    }
    const std::span<const std::string_view> rest = args.subspan(1);
    if (args[0] == "list") {
        return listMacros(rest, context);
    }
    if (args[0] == "add") {
        return addMacro(rest, context);
    }
    if (args[0] == "delete") {
        return deleteMacro(rest, context);
    }
    return usageError(context, "unknown macro command \"" + std::string(args[0]) + "\"");
}

}  // namespace quorvane::cli
