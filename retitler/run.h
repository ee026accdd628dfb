#pragma once
// The run: the track list, the rename of the cue sheet to its backup name, the backup, the new
// cue sheet, the rewrite, the closes, each step reported on standard output.

#include "textio/command_line.h"

// `arguments` are those after the program name. Returns only after a complete run.
void run_retitler(ArgumentList arguments);
void print_usage();
