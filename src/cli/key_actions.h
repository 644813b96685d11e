// What a key does, in the words of the assign command ("key:F1", "media:7")
// and in the names people read; and the commit of an edited macro list.
#pragma once

#include <string>
#include <vector>

#include "cli/key_words.h"
#include "core/config/key_action_entry.h"
#include "core/config/macro_record.h"
#include "core/config/working_config.h"

namespace quorvane::cli {

struct ActionWords {
    std::string action;  // as `assign` takes it: "default", "key:F1", "macro:2" ...
    std::string detail;  // the target's name, empty when there is none
};

// Macro names come from `config`'s macros (ConfigLock taken).
ActionWords describeAction(const KeyActionEntry& entry, const WorkingConfig& config,
                           const TextLookup& texts);

// Replaces the model's macros by `list`, keeping key entries honest: an entry
// that plays a macro no longer in the list, or one added now (isNew), falls
// back to its default; an entry that plays macro 0 takes the first macro.
// isNew is cleared. Returns the entry indexes that fell back to default.
std::vector<int> commitMacroList(WorkingConfig& config, std::vector<MacroRecord> list);

// The smallest id 1-100 that no macro of `macros` uses; 0 when all are taken.
std::uint16_t freeMacroId(const std::vector<MacroRecord>& macros);

}  // namespace quorvane::cli
