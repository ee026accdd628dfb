#pragma once
// The process's arguments: argument 0 is the program's own module file name, 1 to n come from
// the command line.

#include "textio/short_line.h"

// Zero-terminated byte strings, in order.
struct ArgumentList {
  int count = 0;
  const char* const* items = nullptr;
};

// Splits a command-line string: runs of bytes 1 to 32 separate arguments, double quotes switch
// quoting (and are dropped), two double quotes in a row are dropped and change nothing. The first
// piece is the program name as typed. The pieces live in one static area until the next call;
// text beyond its room is dropped.
ArgumentList split_command_line(const char* text);
// The pieces after the first (the program name as typed); none when there are none.
ArgumentList without_program_name(ArgumentList pieces);

// Sets the list once at process start: the module file name and arguments 1 to n.
void set_arguments(const char* module_name, ArgumentList command_arguments);
int argument_count();
// Argument i cut to 255 bytes; outside 0 to argument_count() an empty line.
ShortLine argument(int index);
