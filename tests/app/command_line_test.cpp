#include "core/app/command_line.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(CommandLine, SwitchesAreWholeAndCaseBlind) {
    struct Case {
        const char* argument;
        Switch expected;
    };
    const Case cases[] = {
        {"/Kill", Switch::Kill},   {"/kILL", Switch::Kill},   {"/START", Switch::Start},
        {"/start", Switch::Start}, {"/Killer", Switch::None}, {"/Kil", Switch::None},
        {"-Kill", Switch::None},   {"\\Kill", Switch::None},  {"Kill", Switch::None},
        {"/Start ", Switch::None}, {"", Switch::None},        {"/StartHidden", Switch::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classifyArgument(c.argument), c.expected) << c.argument;
    }
}

}  // namespace
}  // namespace quorvane
