#include "cli/history_command.h"

#include <unistd.h>

#include <array>
#include <iostream>
#include <ostream>
#include <string>

#include "cli/cli_args.h"
#include "cli/cli_keyboard.h"
#include "cli/json_text.h"
#include "cli/result_text.h"
#include "core/app/app_paths.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"
#include "core/sync/keyboard_history.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_texts.h"

namespace quorvane::cli {

namespace {

std::string_view stateWord(HistoryEntry::State state) {
    switch (state) {
        case HistoryEntry::State::Saved:
            return "saved";
        case HistoryEntry::State::NotSaved:
            return "not saved";
        case HistoryEntry::State::Damaged:
            return "damaged";
    }
    return "damaged";
}

int listEntries(std::span<const std::string_view> args, CliContext& context) {
    bool json = false;
    if (auto bad = parseJsonOnly(args, context, json)) {
        return *bad;
    }
    const std::string folder = userHistoryFolder();
    const std::vector<HistoryEntry> entries = listHistory(folder);
    if (json) {
        context.out << "{\"folder\": " << jsonString(folder) << ", \"entries\": [";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const HistoryEntry& e = entries[i];
            context.out << (i == 0 ? "" : ",") << "\n  {\"number\": " << i + 1
                        << ", \"time\": " << jsonString(historyTimeText(e.timeMs))
                        << ", \"timeMs\": " << e.timeMs
                        << ", \"operation\": " << jsonString(e.operation) << ", \"profiles\": ["
                        << e.profiles << "], \"keyboard\": " << jsonString(e.keyboard)
                        << ", \"state\": " << jsonString(stateWord(e.state))
                        << ", \"bytes\": " << e.bytes << ", \"file\": " << jsonString(e.path);
            if (!e.reason.empty()) {
                context.out << ", \"reason\": " << jsonString(e.reason);
            }
            context.out << '}';
        }
        context.out << (entries.empty() ? "" : "\n") << "]}\n";
        return kExitOk;
    }
    if (entries.empty()) {
        context.out << "no entries in " << folder << '\n';
        return kExitOk;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const HistoryEntry& e = entries[i];
        context.out << i + 1 << '\t' << historyTimeText(e.timeMs) << '\t' << e.operation
                    << "\tprofiles " << e.profiles << '\t' << stateWord(e.state)
                    << (e.reason.empty() ? "" : ": " + e.reason) << '\n';
    }
    return kExitOk;
}

// The question of the window's Restore, on the terminal.
bool askOnTerminal(const std::string& question, CliContext& context) {
    context.err << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes";
}

int restoreEntry(std::span<const std::string_view> args, CliContext& context) {
    static constexpr std::array<std::string_view, 1> kFlags = {"yes"};
    const ParsedOptions options = parseOptions(args, {}, kFlags);
    if (!options.error.empty()) {
        return usageError(context, options.error);
    }
    if (options.positionals.size() != 1) {
        return usageError(context, "exactly one entry number N");
    }
    const std::vector<HistoryEntry> entries = listHistory(userHistoryFolder());
    const std::optional<long> number =
        parseDecimal(options.positionals.front(), 1, static_cast<long>(entries.size()));
    if (!number) {
        return usageError(context, entries.empty() ? std::string("the history holds no entries")
                                                   : "N is a number from 1 to " +
                                                         std::to_string(entries.size()) +
                                                         " (see quorvanectl history)");
    }
    const HistoryEntry& entry = entries[static_cast<std::size_t>(*number - 1)];
    if (entry.state != HistoryEntry::State::Saved) {
        context.err << "quorvanectl: entry " << *number << " cannot be restored ("
                    << stateWord(entry.state) << ": " << entry.reason << ")\n";
        return kExitInvalidFile;
    }
    CliLanguage language(programFolder());
    if (!options.hasFlag("yes")) {
        // Asked before the keyboard is taken: no other client waits on a person.
        if (::isatty(STDIN_FILENO) == 0) {
            return usageError(context,
                              "this replaces the keyboard's key assignments and "
                              "macros: give --yes");
        }
        if (!askOnTerminal(utf8(language.text(kTextHistoryRestorePrompt)), context)) {
            context.err << "quorvanectl: nothing was written\n";
            return kExitOk;
        }
    }
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        const int result = keyboard.session().restoreHistory(entry.path, false);
        if (result == kSyncBadFile) {
            return kExitInvalidFile;
        }
        if (result != kResultDone) {
            return failResult(context, "restoring entry " + std::to_string(*number),
                              keyboard.sync().explain(result));
        }
        context.out << "restored: " << historyTimeText(entry.timeMs) << ' ' << entry.operation
                    << '\n';
        return kExitOk;
    });
}

}  // namespace

int runHistory(std::span<const std::string_view> args, CliContext& context) {
    if (!args.empty() && args[0] == "restore") {
        return restoreEntry(args.subspan(1), context);
    }
    return listEntries(args, context);
}

}  // namespace quorvane::cli
