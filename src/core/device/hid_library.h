// Binding of libquellix.so, the HID service library. The library is found in
// the program folder, its names are bound one by one, its ABI version is
// checked and Init(0) is run; any failure gives a reason instead of a library.
#pragma once

#include <memory>
#include <string>

#include "core/platform/program_folder.h"
#include "quellix.h"

namespace quorvane {

// The library's entry points. Tests may fill one with their own functions.
struct HidFunctions {
    // A member is named as its function: no parentheses can go around it.
    // NOLINTNEXTLINE(bugprone-macro-parentheses)
#define QUORVANE_HID_SLOT(name) decltype(&::name) name = nullptr;
    QUELLIX_BOUND_NAMES(QUORVANE_HID_SLOT)
#undef QUORVANE_HID_SLOT
    // Optional: a library without it never reports a problem.
    decltype(&::QuellixDeviceProblem) QuellixDeviceProblem = nullptr;
    // Optional: a library without it gives no reasons.
    decltype(&::QuellixLastError) QuellixLastError = nullptr;
    // Optional: a library without it cannot tell one keyboard from another.
    decltype(&::QuellixKeyboardIdentity) QuellixKeyboardIdentity = nullptr;
};

// Whether an attached keyboard may be opened by this user.
struct KeyboardAccess {
    bool denied = false;  // a node is attached that this user may not open
    std::string node;     // the first such node, e.g. /dev/hidraw3
};

class HidLibrary;

struct HidBindResult {
    std::unique_ptr<HidLibrary> library;  // set on success
    std::string reason;                   // why binding failed, one line
    // The library is whole but its Init refused (not a matter of the file);
    // its own words on why, which it has also said on standard error.
    bool initFailed = false;
    std::string libraryWords;
    explicit operator bool() const { return library != nullptr; }
};

class HidLibrary {
  public:
    static constexpr const char* kFileName = "libquellix.so";

    // Loads libquellix.so from `folder`, binds the twelve names and
    // QuellixAbiVersion, refuses an unknown version and runs Init(0).
    static HidBindResult bind(const std::string& folder = programFolder());

    // Binds the names of an opened library: every one of QUELLIX_BOUND_NAMES
    // and the optional ones it has. False, with `reason` naming the first
    // missing name, when one of the bound names is missing.
    static bool bindFunctions(void* handle, HidFunctions& functions, std::string& reason);

    // Same checks (every entry set, known version, Init(0) above 0) for a
    // table that is already filled, such as a test's fake library.
    static HidBindResult fromFunctions(const HidFunctions& functions);

    static bool isKnownAbiVersion(std::uint32_t version);

    const HidFunctions& functions() const { return m_functions; }

    // As of the library's last scan of the nodes; any thread. No presence
    // event announces a change: ask when showing it.
    KeyboardAccess keyboardAccess() const;

    // The library's words for its last failure (a node it cannot open, a
    // report it did not send), one line; empty when it gives none. Any thread.
    std::string lastError() const { return lastErrorOf(m_functions); }

    // Names the attached keyboard across plug-ins ("serial:...", "port:...");
    // empty when none is attached or the library cannot tell. Any thread.
    std::string keyboardIdentity() const;
    static std::string lastErrorOf(const HidFunctions& functions);

    // Only bind() and fromFunctions() can make the key.
    class Key {
        friend class HidLibrary;
        Key() = default;
    };
    HidLibrary(Key /*unused*/, const HidFunctions& functions) : m_functions(functions) {}

    HidLibrary(const HidLibrary&) = delete;
    HidLibrary& operator=(const HidLibrary&) = delete;
    // The loaded library stays mapped after this object goes: see bind().
    ~HidLibrary() = default;

  private:
    HidFunctions m_functions;
};

}  // namespace quorvane
