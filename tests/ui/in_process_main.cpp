// Starts the desktop program on the offscreen platform and the virtual
// keyboard, then runs every test while it runs.
#include "in_process_main.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace quorvane {

InProcessContext* g_context = nullptr;
void (*g_beforeStart)(QuorvaneProgram& program) = nullptr;

}  // namespace quorvane

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string home = quorvane::prepareInProcessEnvironment();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    int result = 1;
    std::function<void(quorvane::QuorvaneProgram&)> beforeStart;
    if (quorvane::g_beforeStart != nullptr) {
        beforeStart = quorvane::g_beforeStart;
    }
    const bool ran = quorvane::runInProcess(
        home,
        [&](quorvane::InProcessContext& context) {
            quorvane::g_context = &context;
            result = RUN_ALL_TESTS();
            quorvane::g_context = nullptr;
        },
        beforeStart);
    if (!ran) {
        std::fprintf(stderr, "the program did not start with the virtual keyboard\n");
        return 1;
    }
    return result;
}
