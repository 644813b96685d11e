#include "cli/tool_runner.h"

#include "base/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/device/hid_library.h"

namespace quorvane::test {

namespace {

constexpr std::size_t kKeyTableBytes = 378;
constexpr std::size_t kSlotBytes = 3;
constexpr std::size_t kLightingRecordBytes = 42;

std::optional<std::vector<std::uint8_t>> hexField(const std::string& text, const std::string& key) {
    const std::string marker = "\"" + key + "\"";
    std::size_t at = text.find(marker);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    at = text.find('"', text.find(':', at + marker.size()));
    const std::size_t end = text.find('"', at + 1);
    if (at == std::string::npos || end == std::string::npos || (end - at - 1) % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = at + 1; i < end; i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

}  // namespace

std::string toolPath() {
    return programFolder() + "quorvanectl";
}

std::vector<std::uint8_t> KeyboardMemories::keySlot(int profile, int slot) const {
    const auto at = keyTables.begin() +
                    static_cast<std::ptrdiff_t>(profile * kKeyTableBytes + slot * kSlotBytes);
    return {at, at + kSlotBytes};
}

std::vector<std::uint8_t> KeyboardMemories::keyTable(int profile) const {
    const auto at = keyTables.begin() + static_cast<std::ptrdiff_t>(profile * kKeyTableBytes);
    return {at, at + kKeyTableBytes};
}

int KeyboardMemories::slotOfUsage(std::uint8_t usage) const {
    for (std::size_t s = 0; s * kSlotBytes < factoryKeyTable.size(); ++s) {
        if (factoryKeyTable[s * kSlotBytes] == 2 && factoryKeyTable[s * kSlotBytes + 1] == 2 &&
            factoryKeyTable[s * kSlotBytes + 2] == usage) {
            return static_cast<int>(s);
        }
    }
    return -1;
}

std::vector<std::uint8_t> KeyboardMemories::lightingRecord(int profile) const {
    const auto at = lighting.begin() + static_cast<std::ptrdiff_t>(profile * kLightingRecordBytes);
    return {at, at + kLightingRecordBytes};
}

ToolRunner::ToolRunner() {
    std::filesystem::create_directories(m_dir.file("home/.config"));
    std::filesystem::create_directories(m_dir.file("runtime"));
}

pid_t ToolRunner::spawn(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env) const {
    std::map<std::string, std::string> vars = {
        {"PATH", "/usr/bin:/bin"},
        {"HOME", m_dir.file("home")},
        {"XDG_CONFIG_HOME", m_dir.file("home/.config")},
        {"XDG_RUNTIME_DIR", m_dir.file("runtime")},
        {"LC_ALL", "C"},
        {"QUELLIX_DEVICE", "virtual"},
        {"QUELLIX_VIRTUAL_STATE", stateFile()},
        // CI runs as root; the notice about it would be a second line.
        {"QUORVANE_QUIET_ROOT", "1"},
    };
    for (const auto& [name, value] : env) {
        vars[name] = value;
    }
    std::vector<std::string> envText;
    envText.reserve(vars.size());
    for (const auto& [name, value] : vars) {
        envText.push_back(name + '=');
        envText.back() += value;
    }
    const std::string program = toolPath();
    const std::string outFile = m_dir.file("out.txt");
    const std::string errFile = m_dir.file("err.txt");
    // Everything the child needs is built before the fork.
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    envp.reserve(envText.size() + 1);
    for (const std::string& e : envText) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    // A run never reads the output of the one before.
    std::filesystem::remove(outFile);
    std::filesystem::remove(errFile);
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    // Child: only async-signal-safe calls from here on.
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0) {
        _exit(127);
    }
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
}

ToolResult ToolRunner::run(const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env) const {
    ToolResult result;
    const pid_t pid = spawn(args, env);
    if (pid < 0) {
        return result;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) == pid) {
        if (WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result.signal = WTERMSIG(status);
        }
    }
    result.out = readAll(m_dir.file("out.txt"));
    result.err = readAll(m_dir.file("err.txt"));
    return result;
}

pid_t ToolRunner::start(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env) const {
    return spawn(args, env);
}

bool ToolRunner::writeState(const std::string& bytes) const {
    return writeFileAtomic(stateFile(), std::string_view(bytes));
}

bool ToolRunner::waitForOutput(const std::string& text, int timeoutMs) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        if (readAll(m_dir.file("out.txt")).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

ToolResult ToolRunner::finish(pid_t pid, int timeoutMs) const {
    ToolResult result;
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (ended == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (ended == pid && WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    result.out = readAll(m_dir.file("out.txt"));
    result.err = readAll(m_dir.file("err.txt"));
    return result;
}

bool ToolRunner::patchMemory(const std::string& key, const std::vector<std::uint8_t>& bytes) const {
    std::string text = readAll(stateFile());
    const std::string marker = "\"" + key + "\"";
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) {
        return false;
    }
    const std::size_t open = text.find('"', text.find(':', at + marker.size()));
    const std::size_t close = text.find('"', open + 1);
    if (open == std::string::npos || close == std::string::npos ||
        close - open - 1 != 2 * bytes.size()) {
        return false;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[open + 1 + 2 * i] = kDigits[bytes[i] >> 4];
        text[open + 2 + 2 * i] = kDigits[bytes[i] & 0x0F];
    }
    writeAll(stateFile(), text);
    return true;
}

std::optional<KeyboardMemories> ToolRunner::memories() const {
    const std::string text = readAll(stateFile());
    KeyboardMemories m;
    const std::pair<const char*, std::vector<std::uint8_t>*> fields[] = {
        {"settings", &m.settings},
        {"lighting", &m.lighting},
        {"colours", &m.colours},
        {"keyTables", &m.keyTables},
        {"factoryKeyTable", &m.factoryKeyTable},
        {"macroArea", &m.macroArea}};
    for (const auto& [key, out] : fields) {
        std::optional<std::vector<std::uint8_t>> bytes = hexField(text, key);
        if (!bytes) {
            return std::nullopt;
        }
        *out = std::move(*bytes);
    }
    if (m.settings.size() != 44 || m.lighting.size() != 3 * kLightingRecordBytes ||
        m.keyTables.size() != 3 * kKeyTableBytes || m.factoryKeyTable.size() != kKeyTableBytes) {
        return std::nullopt;
    }
    return m;
}

}  // namespace quorvane::test
