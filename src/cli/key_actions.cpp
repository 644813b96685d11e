#include "cli/key_actions.h"

#include <algorithm>
#include <mutex>

#include "cli/cli_language.h"
#include "core/config/action_type.h"
#include "core/config/config_image.h"

namespace quorvane::cli {

ActionWords describeAction(const KeyActionEntry& entry, const WorkingConfig& config,
                           const TextLookup& texts) {
    switch (entry.type) {
        case ActionDefault:
            return {"default", ""};
        case ActionDisabled:
            return {"disable", ""};
        case ActionKey: {
            const auto key = static_cast<KeyCode>(entry.value);
            return {"key:" + keyWord(key), utf8(keyDisplayName(key, texts))};
        }
        case ActionProgram:
            return {"program", ""};
        case ActionMacro: {
            std::lock_guard lock(config.ConfigLock);
            for (const MacroRecord& m : config.macros) {
                if (m.id == entry.value) {
                    return {"macro:" + std::to_string(entry.value), utf8(m.nameView())};
                }
            }
            return {"macro:" + std::to_string(entry.value), "(no such macro)"};
        }
        case ActionStopMacro:
            return {"stop-macro", ""};
        case ActionText:
            return {"text", ""};
        case ActionMedia:
            return {"media:" + std::to_string(entry.value),
                    utf8(keyDisplayName(mediaKey(entry.value), texts))};
        case ActionFunction:
            return {"function:" + std::to_string(entry.value),
                    utf8(functionDisplayName(entry.value, texts))};
        default:
            return {"type-" + std::to_string(entry.type), ""};
    }
}

std::vector<int> commitMacroList(WorkingConfig& config, std::vector<MacroRecord> list) {
    std::vector<int> fellBack;
    std::lock_guard lock(config.ConfigLock);
    if (config.image) {
        for (int n = 0; n < kEntryCount; ++n) {
            KeyActionEntry& entry = config.image->entries[n];
            if (entry.type != ActionMacro) {
                continue;
            }
            if (entry.value == 0) {
                if (!list.empty()) {
                    entry.value = list.front().id;
                }
                continue;
            }
            const auto held = std::find_if(list.begin(), list.end(), [&](const MacroRecord& m) {
                return m.id == entry.value;
            });
            // A new macro that took a freed id is not the one the key played.
            if (held == list.end() || held->isNew != 0) {
                entry.type = ActionDefault;
                fellBack.push_back(n);
            }
        }
    }
    for (MacroRecord& m : list) {
        m.isNew = 0;
    }
    config.macros = std::move(list);
    return fellBack;
}

std::uint16_t freeMacroId(const std::vector<MacroRecord>& macros) {
    for (std::uint16_t id = 1; id <= kMaxMacros; ++id) {
        if (std::none_of(macros.begin(), macros.end(),
                         [id](const MacroRecord& m) { return m.id == id; })) {
            return id;
        }
    }
    return 0;
}

}  // namespace quorvane::cli
