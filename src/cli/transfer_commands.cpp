#include "cli/transfer_commands.h"

#include <filesystem>
#include <ostream>

#include "cli/cli_keyboard.h"
#include "cli/result_text.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"
#include "core/sync/profile_transfer.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_texts.h"

namespace quorvane::cli {

namespace {

// The one FILE argument, or a usage error.
std::optional<std::string> fileArgument(std::span<const std::string_view> args, CliContext& context,
                                        int& exitCode) {
    if (args.size() != 1 || args[0].empty()) {
        exitCode = usageError(context, args.empty() ? "FILE is missing" : "exactly one FILE");
        return std::nullopt;
    }
    if (args[0].size() > 1 && args[0][0] == '-') {
        exitCode = usageError(context, "unknown option " + std::string(args[0]));
        return std::nullopt;
    }
    return std::string(args[0]);
}

// Prints as the tool's prompter does and counts what it printed.
class CountingPrompter final : public Prompter {
  public:
    explicit CountingPrompter(std::ostream& err) : m_inner(err) {}
    void showMessage(std::u16string_view text) override {
        ++m_messages;
        m_inner.showMessage(text);
    }
    bool askYesNo(std::u16string_view text) override { return m_inner.askYesNo(text); }
    int messages() const { return m_messages; }

  private:
    CliPrompter m_inner;
    int m_messages = 0;
};

}  // namespace

int runExport(std::span<const std::string_view> args, CliContext& context) {
    int exitCode = kExitUsage;
    const std::optional<std::string> path = fileArgument(args, context, exitCode);
    if (!path) {
        return exitCode;
    }
    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        const int result = keyboard.session().exportFile(*path);
        if (result != kResultDone) {
            return failResult(context, "exporting to " + *path, result);
        }
        return kExitOk;
    });
}

int runImport(std::span<const std::string_view> args, CliContext& context) {
    int exitCode = kExitUsage;
    const std::optional<std::string> path = fileArgument(args, context, exitCode);
    if (!path) {
        return exitCode;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(*path, error)) {
        context.err << "quorvanectl: " << *path << ": not a readable file\n";
        return kExitInvalidFile;
    }
    // Checked before the keyboard is opened: a file that fails is never
    // near the keyboard. The format message names the file.
    CliLanguage language(programFolder());
    CountingPrompter prompter(context.err);
    if (checkProfileFile(*path, &prompter) <= 0) {
        // Files too short for a header fail without the format message.
        if (prompter.messages() == 0) {
            context.err << "quorvanectl: " << *path << ": not a profile file\n";
        }
        prompter.showMessage(language.text(kTextImportFailed));
        return kExitInvalidFile;
    }
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        const int result = keyboard.session().importFile(*path);
        if (result == kSyncBadFile) {
            return kExitInvalidFile;
        }
        if (result != kResultDone) {
            return failResult(context, "importing " + *path, keyboard.sync().explain(result));
        }
        return kExitOk;
    });
}

int runFinish(std::span<const std::string_view> args, CliContext& context) {
    if (!args.empty()) {
        return usageError(context, "unexpected argument \"" + std::string(args.front()) + "\"");
    }
    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        SyncSession& sync = keyboard.sync();
        const PendingTransfer pending = sync.pendingTransfer();
        if (pending.state == PendingTransfer::State::None) {
            context.out << "nothing pending\n";
            return kExitOk;
        }
        if (pending.state == PendingTransfer::State::Damaged) {
            context.err << "quorvanectl: the record of the last transfer is damaged ("
                        << pending.error << "); the keyboard keeps what it holds\n";
            keyboard.session().discardPendingTransfer();
            return kExitInvalidFile;
        }
        if (pending.state == PendingTransfer::State::Unreadable) {
            // It may be sound: it stays for a later try.
            context.err << "quorvanectl: the record of the last transfer could not be read ("
                        << pending.error << "); it is left where it is\n";
            return kExitFailed;
        }
        const int result = keyboard.session().finishPendingTransfer();
        if (result != kResultDone) {
            return failResult(context, "finishing the transfer", sync.explain(result));
        }
        // The model and the cache files follow what the keyboard now holds.
        const int reloaded = keyboard.session().reload();
        if (reloaded != kResultDone) {
            return failResult(context, "reading the keyboard back", sync.explain(reloaded));
        }
        context.out << "finished: " << describeTransferIntent(pending.intent) << '\n';
        return kExitOk;
    });
}

}  // namespace quorvane::cli
