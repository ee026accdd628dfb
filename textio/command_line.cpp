#include "textio/command_line.h"

#include <cstring>

namespace {

const char* module_file_name_text = "";
ArgumentList process_arguments;

ShortLine line_of(const char* text) {
  return short_line({text, std::strlen(text)});
}

}  // namespace

void set_arguments(const char* module_name, ArgumentList command_arguments) {
  module_file_name_text = module_name;
  process_arguments = command_arguments;
}

int argument_count() {
  return process_arguments.count;
}

ShortLine argument(int index) {
  if (index == 0) return line_of(module_file_name_text);
  if (index < 0 || index > process_arguments.count) return ShortLine{};
  return line_of(process_arguments.items[index - 1]);
}
