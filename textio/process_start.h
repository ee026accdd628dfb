#pragma once
// The process start: binds the standard files, sets up the argument list, clears the pending
// code, calls the run with arguments 1 to n and ends the process with 0 when it returns.

#include "textio/command_line.h"

using RunProcedure = void (*)(ArgumentList arguments);

[[noreturn]] void start_process(int argc, char** argv, RunProcedure run);
