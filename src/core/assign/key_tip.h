// The tool tips of the main window's key buttons: what a key's entry does, in
// words, built from the same data the assignment dialog edits.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/app/text_lookup.h"
#include "core/config/action_type.h"
#include "core/config/key_action_entry.h"
#include "core/config/macro_record.h"
#include "core/keys/key_id.h"

namespace quorvane {

// Language-text keys of the tip's parts.
inline constexpr std::u16string_view kTextKeyPromptSet = u"IDS_KEY_PROMPT_SET";
inline constexpr std::u16string_view kTextKeyPromptSingle = u"IDS_KEY_PROMPT_SINGLE";
inline constexpr std::u16string_view kTextKeyPromptMacro = u"IDS_KEY_PROMPT_MACRO";
inline constexpr std::u16string_view kTextKeyPromptMedia = u"IDS_KEY_PROMPT_MEDIA";
inline constexpr std::u16string_view kTextKeyPromptFunction = u"IDS_KEY_PROMPT_FUNCTION";

// A button shows its assigned look for every entry that is not the default.
constexpr bool showsAssigned(const KeyActionEntry& entry) {
    return entry.type != ActionDefault;
}

// The name a G key goes by in its tip: "Y1" .. "Y9" for positions 0..8.
std::u16string gKeyTipName(int position);

// The tip of a button named `name` whose entry is `entry`: the name alone for
// the default; else the name, the "reassigned" text and, for a key, macro,
// media or function entry, what it sends in brackets. `macros` are the
// model's (the caller holds ConfigLock); a macro id none of them has gives an
// empty macro name, and a media or function index outside its list an empty
// function name.
std::u16string keyButtonTip(std::u16string_view name, const KeyActionEntry& entry,
                            std::span<const MacroRecord> macros, const TextLookup& loadText);

// keyButtonTip for one of the 104 keys, named by keyName of its id.
std::u16string keyButtonTipOfKey(KeyId key, const KeyActionEntry& entry,
                                 std::span<const MacroRecord> macros, const TextLookup& loadText);

// keyButtonTip for G key `position` (0..8), named "Y1" .. "Y9".
std::u16string gKeyButtonTip(int position, const KeyActionEntry& entry,
                             std::span<const MacroRecord> macros, const TextLookup& loadText);

}  // namespace quorvane
