#pragma once
// The process's arguments: argument 0 is the program's own module file name, 1 to n come from
// the command line.

#include "textio/short_line.h"

// Zero-terminated byte strings, in order.
struct ArgumentList {
  int count = 0;
  const char* const* items = nullptr;
};

// Sets the list once at process start: the module file name and arguments 1 to n.
void set_arguments(const char* module_name, ArgumentList command_arguments);
int argument_count();
// Argument i cut to 255 bytes; outside 0 to argument_count() an empty line.
ShortLine argument(int index);
