#include "textio/line_file.h"

#include <cstring>

#include "textio/line_scan.h"

namespace {

using namespace line_file_detail;

constexpr char terminator[2] = {carriage_return, line_feed};
constexpr uint16_t buffer_size = sizeof(LineFile::buffer);

LineFile standard_output_file;

void set_os_failure(OsError error) {
  set_io_code(io_code_from_os_error(error));
}

bool check_readable(const LineFile& file) {
  if (file.state == FileState::input) return true;
  set_io_code(file.state == FileState::closed ? io_file_not_open : io_not_open_for_input);
  return false;
}

bool check_writable(const LineFile& file) {
  if (file.state == FileState::output) return true;
  set_io_code(file.state == FileState::closed ? io_file_not_open : io_not_open_for_output);
  return false;
}

// Makes sure unread bytes are in the buffer. False at the end of the file, and after a failed
// read, whose code is then pending; a broken pipe is just the end.
bool fill_window(LineFile& file) {
  if (file.position < file.end) return true;
  uint32_t got = 0;
  OsError error = os().read(file.handle, file.buffer, buffer_size, &got);
  if (error != os_ok) {
    if (error != os_broken_pipe) set_os_failure(error);
    got = 0;
  }
  file.position = 0;
  file.end = static_cast<uint16_t>(got);
  map_line_stops(file.buffer, got, file.stops);
  return got > 0;
}

// Takes the line end at the position, which holds a stopping byte: an LF goes, a CR goes with
// one LF directly after it (even when that LF comes only with the next read), a Ctrl-Z stays.
void take_line_end(LineFile& file) {
  char stop = file.buffer[file.position];
  if (stop == end_of_file_mark) return;
  ++file.position;
  if (stop == carriage_return && fill_window(file) && file.buffer[file.position] == line_feed) {
    ++file.position;
  }
}

// Passes over what is left of a line (the tail of a long one) and its line end.
void skip_line_end(LineFile& file) {
  while (fill_window(file)) {
    file.position = static_cast<uint16_t>(find_line_stop(file.stops, file.position, file.end));
    if (file.position < file.end) return take_line_end(file);
  }
}

// Puts bytes into an output file's buffer, handing the buffer over each time it is full.
void put_bytes(LineFile& file, const char* bytes, size_t count) {
  while (count > 0) {
    size_t room = buffer_size - file.position;
    size_t taken = count < room ? count : room;
    copy_run(file.buffer + file.position, bytes, taken);
    file.position = static_cast<uint16_t>(file.position + taken);
    bytes += taken;
    count -= taken;
    if (file.position == buffer_size) {
      write_out(file);
      if (io_code_pending()) return;
    }
  }
}

bool ready_to_write(const LineFile& file) {
  return !io_code_pending() && check_writable(file);
}

void copy_name(char (&to)[ShortLine::capacity + 1], const ShortLine& name) {
  std::memcpy(to, name.bytes, name.length);
  to[name.length] = 0;
}

void open_as(LineFile& file, FileState state, OsHandle handle) {
  file.state = state;
  file.handle = handle;
  file.is_console = os().is_console(handle);
  file.position = 0;
  file.end = 0;
}

}  // namespace

void bind_name(LineFile& file, const ShortLine& name) {
  copy_name(file.name, name);
  file.state = FileState::closed;
  file.is_console = false;
  file.is_standard = false;
  file.handle = 0;
  file.position = 0;
  file.end = 0;
}

void bind_standard(LineFile& file, StandardStream stream, FileState state) {
  bind_name(file, ShortLine{});
  open_as(file, state, standard_handle(stream));
  file.is_standard = true;
}

void open_input(LineFile& file) {
  if (io_code_pending()) return;
  OsHandle handle = 0;
  OsError error = os().open_read(file.name, &handle);
  if (error != os_ok) return set_os_failure(error);
  open_as(file, FileState::input, handle);
}

void create_output(LineFile& file) {
  if (io_code_pending()) return;
  OsHandle handle = 0;
  OsError error = os().create_write(file.name, &handle);
  if (error != os_ok) return set_os_failure(error);
  open_as(file, FileState::output, handle);
}

void rename_closed(LineFile& file, const ShortLine& new_name) {
  if (io_code_pending() || file.state != FileState::closed) return;
  char target[ShortLine::capacity + 1];
  copy_name(target, new_name);
  OsError error = os().move(file.name, target);
  if (error != os_ok) return set_os_failure(error);
  std::memcpy(file.name, target, sizeof target);
}

void line_file_detail::read_rest_of_line(LineFile& file, ShortLine& line) {
  if (io_code_pending() || !check_readable(file)) return;
  for (;;) {
    if (line.length == ShortLine::capacity) return skip_line_end(file);
    if (file.position < file.end) return take_line_end(file);  // the run stopped at a stop
    if (!fill_window(file)) return;  // the end of the file, or a failed read
    append_run(file, line);
  }
}

bool line_file_detail::at_end_of_window(LineFile& file) {
  if (io_code_pending() || !check_readable(file)) return true;
  return !fill_window(file) || file.buffer[file.position] == end_of_file_mark;
}

void write_text(LineFile& file, const ShortLine& text) {
  if (ready_to_write(file)) put_bytes(file, text.bytes, text.length);
}

void end_line(LineFile& file) {
  if (!ready_to_write(file)) return;
  put_bytes(file, terminator, sizeof terminator);
  if (!io_code_pending() && file.is_console) write_out(file);
}

void line_file_detail::write_line_through(LineFile& file, const ShortLine& text) {
  if (!ready_to_write(file)) return;
  // The line and its end in one run, put in at most two moves around the hand-over.
  char line[ShortLine::capacity + sizeof terminator];
  copy_run(line, text.bytes, text.length);
  std::memcpy(line + text.length, terminator, sizeof terminator);
  put_bytes(file, line, text.length + sizeof terminator);
  if (!io_code_pending() && file.is_console) write_out(file);
}

void write_out(LineFile& file) {
  if (io_code_pending() || file.state != FileState::output || file.position == 0) return;
  uint32_t written = 0;
  os().write(file.handle, file.buffer, file.position, &written);
  if (written < file.position) set_io_code(io_disk_write_error);
  file.position = 0;
}

void close_file(LineFile& file) {
  if (io_code_pending()) return;
  if (file.state == FileState::closed) return set_io_code(io_file_not_open);
  write_out(file);  // a short write leaves 101 pending; the file is closed all the same
  if (!file.is_standard) {
    OsError error = os().close(file.handle);
    if (error != os_ok) set_os_failure(error);
  }
  file.state = FileState::closed;
  file.handle = 0;
}

LineFile& standard_output() {
  return standard_output_file;
}
