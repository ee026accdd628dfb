#include "textio/line_file.h"

#include <cstring>

#include "textio/line_scan.h"

namespace {

constexpr char line_feed = 10;
constexpr char carriage_return = 13;
constexpr char end_of_file_mark = 26;  // Ctrl-Z
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
    const char* window = file.buffer + file.position;
    const char* stop = find_line_stop(window, file.buffer + file.end);
    file.position = static_cast<uint16_t>(stop - file.buffer);
    if (file.position < file.end) return take_line_end(file);
  }
}

void write_bytes(LineFile& file, const char* bytes, size_t count) {
  if (io_code_pending() || !check_writable(file)) return;
  while (count > 0) {
    size_t room = buffer_size - file.position;
    size_t taken = count < room ? count : room;
    std::memcpy(file.buffer + file.position, bytes, taken);
    file.position = static_cast<uint16_t>(file.position + taken);
    bytes += taken;
    count -= taken;
    if (file.position == buffer_size) {
      write_out(file);
      if (io_code_pending()) return;
    }
  }
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

ShortLine read_line(LineFile& file) {
  ShortLine line;
  if (io_code_pending() || !check_readable(file)) return line;
  for (;;) {
    if (!fill_window(file)) return line;  // the end of the file, or a failed read
    const char* window = file.buffer + file.position;
    size_t room = ShortLine::capacity - line.length;
    size_t available = file.end - file.position;
    const char* stop = copy_to_line_stop(window, window + (available < room ? available : room),
                                         line.bytes + line.length);
    size_t run = stop - window;
    line.length = static_cast<uint8_t>(line.length + run);
    file.position = static_cast<uint16_t>(file.position + run);
    if (file.position < file.end || line.length == ShortLine::capacity) break;
  }
  // The usual line end, LF or CR LF, lies in the window already and is taken here at once.
  const char* rest = file.buffer + file.position;
  size_t left = file.end - file.position;
  if (left >= 1 && rest[0] == line_feed) {
    file.position = static_cast<uint16_t>(file.position + 1);
  } else if (left >= 2 && rest[0] == carriage_return && rest[1] == line_feed) {
    file.position = static_cast<uint16_t>(file.position + 2);
  } else if (left >= 1 && line_scan::is_stop(rest[0])) {
    take_line_end(file);  // a lone CR, or one whose LF may come with the next read; Ctrl-Z
  } else {
    skip_line_end(file);  // the tail of a long line, or a line end still to be read
  }
  return line;
}

bool at_end(LineFile& file) {
  if (io_code_pending() || !check_readable(file)) return true;
  return !fill_window(file) || file.buffer[file.position] == end_of_file_mark;
}

void write_text(LineFile& file, const ShortLine& text) {
  write_bytes(file, text.bytes, text.length);
}

void end_line(LineFile& file) {
  write_bytes(file, terminator, sizeof terminator);
  if (!io_code_pending() && file.is_console) write_out(file);
}

void write_line(LineFile& file, const ShortLine& text) {
  // The usual case: the line and its end fit in the buffer without filling it, so nothing is
  // handed over and no state can change but the position.
  size_t room = buffer_size - file.position;
  if (!io_code_pending() && file.state == FileState::output && !file.is_console &&
      text.length + sizeof terminator < room) {
    char* free_bytes = file.buffer + file.position;
    std::memcpy(free_bytes, text.bytes, text.length);
    std::memcpy(free_bytes + text.length, terminator, sizeof terminator);
    file.position = static_cast<uint16_t>(file.position + text.length + sizeof terminator);
    return;
  }
  write_text(file, text);
  end_line(file);
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
