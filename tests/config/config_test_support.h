// Shared fixtures of the configuration tests: the temporary folder and models
// built by hand or from a seeded generator.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "core/config/working_config.h"
#include "core/keys/key_id.h"
#include "support/temp_dir.h"

namespace quorvane::test {

inline std::vector<std::uint8_t> readAll(const std::string& path) {
    return readFileBytes(path).value_or(std::vector<std::uint8_t>{});
}

inline void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::unique_ptr<WorkingConfig> defaultModel() {
    auto config = std::make_unique<WorkingConfig>();
    createDefaultImage(*config, "", true);
    return config;
}

inline MacroRecord makeMacro(std::uint16_t id, std::u16string_view name,
                             std::vector<MacroAction> actions, std::uint8_t playCount = 1) {
    MacroRecord m;
    m.id = id;
    m.playCount = playCount;
    m.setName(name);
    m.actionCount = static_cast<std::uint16_t>(actions.size());
    std::copy(actions.begin(), actions.end(), m.actions.begin());
    return m;
}

// Keys whose stored forms (key table, macro step) name them again on reading:
// letters, digits, modifiers, navigation, keypad, consumer and system keys.
inline const std::vector<KeyId>& roundTripKeys() {
    static const std::vector<KeyId> keys = {
        0x1E,  0x30,  0x2E,  0x02,  0x0B,  0x1C,  0x01,  0x0E,  0x39,  0x3B,  0x58,
        0x1D,  0x2A,  0x38,  0x15B, 0x11D, 0x36,  0x138, 0x15C, 0x147, 0x14F, 0x148,
        0x150, 0x152, 0x153, 0x11C, 0x135, 0x47,  0x52,  0x120, 0x122, 0x16D, 0x130,
        0x15E, 0x15F, 0x171, 0x172, 0x173, 0x15D, 0x56,  0x45,  0x137};
    return keys;
}

// A generator of models of many shapes, always from the same seed.
class ModelGenerator {
  public:
    explicit ModelGenerator(std::uint32_t seed) : rng_(seed) {}

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return uniform(0, 99) < percent; }

    std::u16string text(int maxLength) {
        std::u16string s;
        const int n = uniform(0, maxLength);
        for (int i = 0; i < n; ++i) {
            // Any non-zero unit, including ones outside the basic plane's letters.
            s.push_back(
                static_cast<char16_t>(chance(80) ? uniform(0x20, 0x7E) : uniform(0x80, 0xFFFF)));
        }
        return s;
    }

    MacroAction action() {
        const auto& keys = roundTripKeys();
        return MacroAction{static_cast<std::uint32_t>(uniform(0, 4095) * 10),
                           keys[static_cast<std::size_t>(uniform(0, int(keys.size()) - 1))],
                           static_cast<std::uint16_t>(uniform(0, 1))};
    }

    MacroRecord macro(std::uint16_t id, int maxActions) {
        MacroRecord m;
        m.id = id;
        m.playCount = static_cast<std::uint8_t>(uniform(1, 255));
        m.setName(text(chance(10) ? 249 : 20));
        m.actionCount = static_cast<std::uint16_t>(uniform(0, maxActions));
        for (std::size_t j = 0; j < m.actionCount; ++j) {
            m.actions[j] = action();
        }
        return m;
    }

    std::mt19937& rng() { return rng_; }

  private:
    std::mt19937 rng_;
};

}  // namespace quorvane::test
