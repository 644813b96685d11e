// The reference the random sequences check against, kept apart from the code
// under test: per profile the actions of a few keys, the macros by position,
// and what the keyboard must hold. Its configurations are turned into the
// keyboard's bytes by the codecs (whose own tests pin the layouts); the
// sequences look for faults between operations, not in the layouts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/config/device_layouts.h"
#include "core/config/macro_record.h"
#include "core/config/working_config.h"
#include "core/keys/key_id.h"

namespace quorvane::test {

inline constexpr std::size_t kRefKeys = 5;
inline constexpr std::array<KeyId, kRefKeys> kRefKeyIds = {0x1E, 0x30, 0x2E, 0x20, 0x12};

struct RefKey {
    enum class Kind : std::uint8_t { Default, Disabled, Key, Macro };
    Kind kind = Kind::Default;
    std::uint16_t value = 0;  // Key: the key id; Macro: the macro's position
    bool operator==(const RefKey&) const = default;
};

struct RefMacro {
    int steps = 1;
    std::u16string name;
    // Empty: the steps an editor adds. Set for a macro read back from a macro
    // area a cut write left half old, half new: no editor made those.
    std::vector<MacroAction> readSteps;
    // An editor's macro plays once; one read from a cut area may say anything.
    std::uint8_t playCount = 1;
    bool operator==(const RefMacro&) const = default;
};

struct RefConfig {
    std::array<std::array<RefKey, kRefKeys>, 3> keys{};
    std::vector<RefMacro> macros;

    void deleteMacro(std::size_t position);
    void restoreDefaults(int profile) { keys[static_cast<std::size_t>(profile)] = {}; }
    bool operator==(const RefConfig&) const = default;
};

// What the keyboard holds of the configuration.
struct KeyboardBytes {
    std::array<DeviceKeyTable, 3> tables{};
    std::vector<std::uint8_t> area;  // the macro area as far as its size field says
    bool operator==(const KeyboardBytes&) const = default;
};

// The bytes a keyboard with factory table `defaults` holds after `ref` was written.
KeyboardBytes bytesOf(const RefConfig& ref, const DeviceKeyTable& defaults);
// The session's model, read back in the reference's terms.
RefConfig refOfModel(const WorkingConfig& config);
// Puts `ref` into a model (the same steps an editor takes).
void applyToModel(const RefConfig& ref, WorkingConfig& config);

}  // namespace quorvane::test
