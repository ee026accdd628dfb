#include "textio/command_line.h"

#include <cstring>

namespace {

// Room for the longest command line Windows passes (32767 bytes), each byte an argument of its own.
constexpr size_t split_room = 65536;
constexpr int most_pieces = 32768;
char split_bytes[split_room];
const char* split_pieces[most_pieces];

const char* module_file_name_text = "";
ArgumentList process_arguments;

ShortLine line_of(const char* text) {
  return short_line({text, std::strlen(text)});
}

}  // namespace

ArgumentList split_command_line(const char* text) {
  constexpr unsigned char quote = '"';
  auto separates = [](unsigned char c) { return c >= 1 && c <= 32; };
  const auto* next = reinterpret_cast<const unsigned char*>(text);
  size_t used = 0;
  int count = 0;
  for (;;) {
    while (separates(*next))
      ++next;
    // Each piece needs at least its terminating zero.
    if (*next == 0 || count == most_pieces || used == split_room) break;
    split_pieces[count++] = split_bytes + used;
    bool quoting = false;
    for (; *next != 0 && (quoting || !separates(*next)); ++next) {
      if (*next == quote && next[1] == quote) {
        ++next;
      } else if (*next == quote) {
        quoting = !quoting;
      } else if (used + 1 < split_room) {
        split_bytes[used++] = static_cast<char>(*next);
      }
    }
    split_bytes[used++] = 0;
  }
  return {count, split_pieces};
}

ArgumentList without_program_name(ArgumentList pieces) {
  if (pieces.count <= 1) return {};
  return {pieces.count - 1, pieces.items + 1};
}

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
