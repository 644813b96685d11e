#include "reference_model.h"

#include <algorithm>
#include <mutex>

#include "core/config/action_type.h"
#include "core/config/config_image.h"
#include "core/config/key_table_codec.h"
#include "core/config/macro_area_codec.h"

namespace quorvane::test {

void RefConfig::deleteMacro(std::size_t position) {
    macros.erase(macros.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& profile : keys) {
        for (RefKey& k : profile) {
            if (k.kind != RefKey::Kind::Macro) {
                continue;
            }
            if (k.value == position) {
                k = RefKey{};
            } else if (k.value > position) {
                --k.value;
            }
        }
    }
}

namespace {

MacroRecord recordOf(const RefMacro& m, std::uint16_t id) {
    MacroRecord r;
    r.setName(m.name);
    r.id = id;
    r.actionCount = static_cast<std::uint16_t>(m.steps);
    r.playCount = m.playCount;
    for (int i = 0; i < m.steps; ++i) {
        const auto at = static_cast<std::size_t>(i);
        r.actions[at] = m.readSteps.empty()
                            ? MacroAction{10, 0x1E, static_cast<std::uint16_t>(i % 2)}
                            : m.readSteps[at];
    }
    return r;
}

}  // namespace

void applyToModel(const RefConfig& ref, WorkingConfig& config) {
    std::lock_guard lock(config.ConfigLock);
    if (!config.image) {
        createDefaultImage(config, std::string(), true);
    }
    config.macros.clear();
    for (std::size_t i = 0; i < ref.macros.size(); ++i) {
        config.macros.push_back(recordOf(ref.macros[i], static_cast<std::uint16_t>(i + 1)));
    }
    for (int p = 0; p < 3; ++p) {
        for (std::size_t k = 0; k < kRefKeys; ++k) {
            const RefKey& key = ref.keys[static_cast<std::size_t>(p)][k];
            const int n = entryIndex(p, rowOfKey(kRefKeyIds[k]));
            switch (key.kind) {
                case RefKey::Kind::Default:
                    writeAssignment(config, n, ActionDefault, 0, 0);
                    break;
                case RefKey::Kind::Disabled:
                    writeAssignment(config, n, ActionDisabled, 0, 0);
                    break;
                case RefKey::Kind::Key:
                    writeAssignment(config, n, ActionKey, 0, key.value);
                    break;
                case RefKey::Kind::Macro:
                    writeAssignment(config, n, ActionMacro, 0, key.value + 1u);
                    break;
            }
        }
    }
}

KeyboardBytes bytesOf(const RefConfig& ref, const DeviceKeyTable& defaults) {
    WorkingConfig config;
    createDefaultImage(config, std::string(), true);
    applyToModel(ref, config);
    KeyboardBytes out;
    for (int p = 0; p < 3; ++p) {
        out.tables[static_cast<std::size_t>(p)] =
            buildKeyTableFrom(*config.image, config.macros, defaults, p);
    }
    out.area = buildMacroAreaFrom(config.macros, true).value_or(std::vector<std::uint8_t>{});
    return out;
}

RefConfig refOfModel(const WorkingConfig& config) {
    RefConfig ref;
    for (const MacroRecord& m : config.macros) {
        RefMacro made{m.actionCount, std::u16string(m.nameView()), {}, m.playCount};
        const auto steps = m.actions.begin() + m.actionCount;
        if (!std::equal(m.actions.begin(), steps, recordOf(made, m.id).actions.begin())) {
            made.readSteps.assign(m.actions.begin(), steps);
        }
        ref.macros.push_back(std::move(made));
    }
    if (!config.image) {
        return ref;
    }
    for (int p = 0; p < 3; ++p) {
        for (std::size_t k = 0; k < kRefKeys; ++k) {
            const KeyActionEntry& e =
                config.image
                    ->entries[static_cast<std::size_t>(entryIndex(p, rowOfKey(kRefKeyIds[k])))];
            RefKey& key = ref.keys[static_cast<std::size_t>(p)][k];
            switch (e.type) {
                case ActionDisabled:
                    key.kind = RefKey::Kind::Disabled;
                    break;
                case ActionKey:
                    key = {RefKey::Kind::Key, static_cast<std::uint16_t>(e.value)};
                    break;
                case ActionMacro: {
                    const auto it =
                        std::find_if(config.macros.begin(), config.macros.end(),
                                     [&](const MacroRecord& m) { return m.id == e.value; });
                    // A key pointing at no macro shows as one past the end.
                    key = {RefKey::Kind::Macro,
                           static_cast<std::uint16_t>(it - config.macros.begin())};
                    break;
                }
                default:
                    break;
            }
        }
    }
    return ref;
}

}  // namespace quorvane::test
