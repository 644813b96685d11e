// The main() of the test programs that run the whole desktop program in their
// own process (in_process_main.cpp): the tests reach it through g_context
// while RUN_ALL_TESTS runs inside it.
#pragma once

#include "ui/main/in_process_program.h"

namespace quorvane {

extern InProcessContext* g_context;

}  // namespace quorvane
