// Runs quorvanectl from the program folder as a child process with a private
// environment: the virtual keyboard, its state file and a home of its own.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/temp_dir.h"

namespace quorvane::test {

struct ToolResult {
    int exitCode = -1;  // -1: did not exit normally
    int signal = 0;     // the signal that ended it, 0 if none did (or it never started)
    std::string out;
    std::string err;
};

// The virtual keyboard's memories as its state file holds them.
struct KeyboardMemories {
    std::vector<std::uint8_t> settings;
    std::vector<std::uint8_t> lighting;
    std::vector<std::uint8_t> colours;
    std::vector<std::uint8_t> keyTables;
    std::vector<std::uint8_t> factoryKeyTable;
    std::vector<std::uint8_t> macroArea;

    // Three bytes of key table slot `slot` of profile `profile` (0..2).
    std::vector<std::uint8_t> keySlot(int profile, int slot) const;
    std::vector<std::uint8_t> keyTable(int profile) const;
    // The slot the factory table gives the key with keyboard-page usage `usage`.
    int slotOfUsage(std::uint8_t usage) const;
    std::vector<std::uint8_t> lightingRecord(int profile) const;
};

class ToolRunner {
  public:
    ToolRunner();

    // Runs the tool with `args`; `env` adds to or overrides the environment.
    ToolResult run(const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env = {}) const;

    // Starts the tool without waiting; its output goes to files read by
    // finish().
    pid_t start(const std::vector<std::string>& args,
                const std::map<std::string, std::string>& env = {}) const;
    // Overwrites the state file (a keyboard's flash as it was before).
    bool writeState(const std::string& bytes) const;
    // Waits up to `timeoutMs` for stdout of the started tool to contain `text`.
    bool waitForOutput(const std::string& text, int timeoutMs) const;
    // Waits (bounded) for the started tool to end; kills it if it does not.
    ToolResult finish(pid_t pid, int timeoutMs) const;

    std::optional<KeyboardMemories> memories() const;
    // Replaces one memory of the state file ("settings", "macroArea" ...) with
    // `bytes`, as flash the keyboard had before the tool runs.
    bool patchMemory(const std::string& key, const std::vector<std::uint8_t>& bytes) const;
    std::string stateBytes() const { return readAll(stateFile()); }
    std::string stateFile() const { return m_dir.file("state.json"); }
    std::string file(const std::string& name) const { return m_dir.file(name); }

  private:
    pid_t spawn(const std::vector<std::string>& args,
                const std::map<std::string, std::string>& env) const;

    TempDir m_dir;
};

std::string toolPath();

}  // namespace quorvane::test
