// Changes environment variables (HOME, XDG_*, LC_*, LANG ...) for one scope and
// puts each one back as it was, set or unset, when the scope ends, so that no
// test leaves its environment to the tests after it.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvane::test {

class EnvGuard {
  public:
    EnvGuard() = default;
    ~EnvGuard() {
        // Each name goes back to what it was before this guard first changed it.
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            apply(it->first, it->second);
        }
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

    // Sets `name`, or unsets it for std::nullopt.
    void set(const std::string& name, const std::optional<std::string>& value) {
        save(name);
        apply(name, value);
    }
    void unset(const std::string& name) { set(name, std::nullopt); }

  private:
    void save(const std::string& name) {
        for (const auto& entry : m_saved) {
            if (entry.first == name) {
                return;
            }
        }
        const char* now = ::getenv(name.c_str());
        m_saved.emplace_back(name, now != nullptr ? std::optional<std::string>(now) : std::nullopt);
    }
    static void apply(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

}  // namespace quorvane::test
