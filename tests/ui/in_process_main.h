// The main() of the test programs that run the whole desktop program in their
// own process (in_process_main.cpp): the tests reach it through g_context
// while RUN_ALL_TESTS runs inside it.
#pragma once

#include "ui/main/in_process_program.h"

namespace quorvane {

extern InProcessContext* g_context;
// Set by a test program's own static initialiser when the program should get
// something in its loop's first turn, before its window and core are made.
extern void (*g_beforeStart)(QuorvaneProgram& program);

}  // namespace quorvane
