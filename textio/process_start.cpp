#include "textio/process_start.h"

#include "textio/io_code.h"
#include "textio/line_file.h"

namespace {

LineFile standard_input_file;
LineFile standard_error_file;
char module_name[ShortLine::capacity + 1];

}  // namespace

void start_process(int argc, char** argv, RunProcedure run) {
  prepare_process();
  bind_standard(standard_input_file, StandardStream::input, FileState::input);
  bind_standard(standard_output(), StandardStream::output, FileState::output);
  bind_standard(standard_error_file, StandardStream::error, FileState::output);
  module_file_name(module_name, sizeof module_name);
  ArgumentList command_arguments;
  if (const char* line = command_line_string()) {
    // One string, split by the quoting rules; its first piece is the program name as typed,
    // which the module file name replaces.
    command_arguments = without_program_name(split_command_line(line));
  } else if (argc > 1) {
    // The shell has already split the command line; its vector is taken as it stands, so names
    // with spaces or quotes arrive intact.
    command_arguments = {argc - 1, argv + 1};
  }
  set_arguments(module_name, command_arguments);
  take_io_code();
  run(command_arguments);
  halt_with(0);
}
