// Texts the synchronisation shows: the fixed messages that bypass the
// language files, the keys of the language texts it looks up, and the
// program's built-in named texts.
#pragma once

#include <string_view>

namespace quorvane {

// Fixed messages, shown as they stand.
inline constexpr std::u16string_view kMacroSpaceExceededMessage =
    u"Macro space exceeds the hardware space.\r\n Please reduce the number of macros or macro "
    u"action number\uFF0Cand then download.";
inline constexpr std::u16string_view kMacroNamesDroppedMessage =
    u"shortage of hardware space, cancelled the macro name of storage.";
inline constexpr std::u16string_view kCloseEditorFirstMessage =
    u"When fast switch scene mode, you must first close the editor dialog box.";
// Asked before Apply writes a model that stands in for a keyboard that could
// not be read: writing it would replace everything the keyboard holds.
inline constexpr std::u16string_view kWriteStandInModelQuestion =
    u"The configuration could not be read from the keyboard; the program shows default "
    u"settings instead.\r\nWriting them replaces all key assignments and macros stored in the "
    u"keyboard. Write them anyway?";

// Language text keys.
inline constexpr std::u16string_view kTextProfileSelectPrompt = u"IDS_PROFILE_SELECT_PROMPT";
inline constexpr std::u16string_view kTextRestoreDefaultPrompt = u"IDS_MAIN_PROMPT_DEFAULT";
inline constexpr std::u16string_view kTextImportFailed = u"IDS_MAIN_PROMPT_INPORT";
inline constexpr std::u16string_view kTextDefaultProfileName = u"IDS_DEFAULT_PROFILE_NAME";
inline constexpr std::u16string_view kTextMacroNewPrefix = u"IDS_MACRO_NEW_PREFIX";
// Asked when the cut transfer had begun writing (the keyboard may hold a mix),
// and when it was cut before its first write.
inline constexpr std::u16string_view kTextTransferPendingPrompt = u"IDS_TRANSFER_PENDING_PROMPT";
inline constexpr std::u16string_view kTextTransferPendingNothingWritten =
    u"IDS_TRANSFER_PENDING_NOTHING_WRITTEN";
inline constexpr std::u16string_view kTextTransferFinishFailed = u"IDS_TRANSFER_FINISH_FAILED";
inline constexpr std::u16string_view kTextTransferRecordDamaged = u"IDS_TRANSFER_RECORD_DAMAGED";
inline constexpr std::u16string_view kTextTransferRecordUnreadable =
    u"IDS_TRANSFER_RECORD_UNREADABLE";
inline constexpr std::u16string_view kTextTransferForAnotherKeyboard =
    u"IDS_TRANSFER_OTHER_KEYBOARD";
inline constexpr std::u16string_view kTextHistoryRestorePrompt = u"IDS_HISTORY_RESTORE_PROMPT";
inline constexpr std::u16string_view kTextHistorySaveFailed = u"IDS_HISTORY_SAVE_FAILED";
inline constexpr std::u16string_view kTextHistoryCannotRestore = u"IDS_HISTORY_CANNOT_RESTORE";

// Named texts built into the program.
inline constexpr std::u16string_view kProfileTip = u"The current contextual  mode: ";
inline constexpr std::u16string_view kProfileNew = u"\\The new contextual  mode";

}  // namespace quorvane
