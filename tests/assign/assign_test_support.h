// Shared pieces of the assignment tests: a language whose texts are easy to
// spot in a result, and macros built by hand.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/app/text_lookup.h"
#include "core/config/macro_record.h"

namespace quorvane::test {

// Every key reads as "[KEY]" unless a text is given; as the real lookup, a key
// never comes back empty unless its text is empty.
struct FakeLanguage {
    std::map<std::u16string, std::u16string, std::less<>> texts;

    TextLookup lookup() const {
        return [this](std::u16string_view key) {
            const auto it = texts.find(key);
            return it == texts.end() ? u"[" + std::u16string(key) + u"]" : it->second;
        };
    }
};

inline MacroRecord macroOf(std::uint16_t id, std::u16string_view name,
                           std::vector<MacroAction> actions = {}, std::uint8_t playCount = 1) {
    MacroRecord m;
    m.id = id;
    m.playCount = playCount;
    m.setName(name);
    m.actionCount = static_cast<std::uint16_t>(actions.size());
    std::copy(actions.begin(), actions.end(), m.actions.begin());
    return m;
}

}  // namespace quorvane::test
