// The whole desktop program in the calling process, for tests, benchmarks and
// the screenshot tool: a private home, the virtual keyboard, and `body` run
// inside the program's event loop once the keyboard has been read; the
// program then runs its exit action. The platform is the caller's
// (QT_QPA_PLATFORM=offscreen for headless runs).
#pragma once

#include <functional>
#include <string>

#include "ui/main/quorvane_program.h"

namespace quorvane {

struct InProcessKnobs {
    int (*setUsbFrames)(int enabled) = nullptr;
    int (*readMemory)(std::uint32_t area, std::uint32_t offset, std::uint8_t* buffer,
                      std::uint32_t length) = nullptr;
    int (*raiseConsumer)(std::uint16_t code) = nullptr;
    int (*writeMemory)(std::uint32_t area, std::uint32_t offset, const std::uint8_t* data,
                       std::uint32_t length) = nullptr;
};

struct InProcessContext {
    QuorvaneProgram& program;
    InProcessKnobs knobs;
    std::string home;  // removed afterwards
};

// Runs Qt's loop until `done` or `seconds` pass, looking every millisecond.
bool spinUntil(const std::function<bool()>& done, int seconds);
// Runs Qt's loop for `milliseconds`.
void spinFor(int milliseconds);
// Runs `work` on the program's core thread and waits for it (GUI events go on).
// A core thread that has not run it within a minute is hung: the process
// aborts rather than go on with values the core never gave.
void onCoreThread(QuorvaneProgram& program, const std::function<void()>& work);

// Sets up the environment (call before QApplication is made: it sets HOME,
// XDG_*, LC_ALL, QUELLIX_DEVICE=virtual and, unless set, the offscreen
// platform; the window may close without ending the loop) and returns the
// private home.
std::string prepareInProcessEnvironment();

// The program from the folder of the running executable. False when the
// program or the keyboard did not come up (body not run).
// `beforeStart`, when given, runs in the loop's first turn, while the window
// and the core are still being made (as a tray click that quick would).
bool runInProcess(const std::string& home, const std::function<void(InProcessContext&)>& body,
                  const std::function<void(QuorvaneProgram&)>& beforeStart = {});

}  // namespace quorvane
