#pragma once
// LineFile: a text file read or written line by line through one 256-byte buffer. Lines end in
// CR LF when written; LF, CR LF and a lone CR all end a line when read; Ctrl-Z (26) is the end of
// any input file. Failures leave an I/O code pending (see io_code.h) and make every later
// operation inert until the code is taken.

#include <cstdint>

#include "textio/io_code.h"
#include "textio/line_scan.h"
#include "textio/os.h"
#include "textio/short_line.h"

enum class FileState : uint8_t { closed, input, output };

struct LineFile {
  char name[ShortLine::capacity + 1] = {};  // zero-terminated
  FileState state = FileState::closed;
  bool is_console = false;   // output is written out at every line end
  bool is_standard = false;  // a standard handle: never released
  OsHandle handle = 0;
  uint16_t position = 0;  // next byte to read, or next free byte when writing
  uint16_t end = 0;       // end of the valid bytes when reading
  // Aligned and always initialised, so that its stops can be mapped in whole aligned blocks.
  alignas(line_scan::buffer_alignment) char buffer[line_scan::buffer_size] = {};
  line_scan::StopMap stops;  // of the bytes read into the buffer, mapped at every read
};

void bind_name(LineFile& file, const ShortLine& name);
// Binds one of the process's standard handles, already open in `state`.
void bind_standard(LineFile& file, StandardStream stream, FileState state);
void open_input(LineFile& file);
void create_output(LineFile& file);
void rename_closed(LineFile& file, const ShortLine& new_name);

// Reads the next line, without its line end; a line longer than 255 bytes is cut there and the
// rest of it passed over. Defined below: its usual case is inline.
inline ShortLine read_line(LineFile& file);
// True at the end of the file or at a Ctrl-Z, and whenever no line can be read.
inline bool at_end(LineFile& file);

void write_text(LineFile& file, const ShortLine& text);
void end_line(LineFile& file);
// Writes `text` and a CR LF. Defined below: its usual case is inline.
inline void write_line(LineFile& file, const ShortLine& text);
// Hands an output file's buffered bytes to the operating system.
void write_out(LineFile& file);
void close_file(LineFile& file);

LineFile& standard_output();

// The usual cases of reading and writing a line come before and after every line of a sheet, so
// they are answered inline: a line whose end already lies in the buffer, a line that fits in the
// room left. Everything else, failures and the operating system included, is out of line.
namespace line_file_detail {

inline constexpr char line_feed = 10;
inline constexpr char carriage_return = 13;
inline constexpr char end_of_file_mark = 26;  // Ctrl-Z

inline bool holds_unread_input(const LineFile& file) {
  return file.position < file.end && file.state == FileState::input && !io_code_pending();
}

// Appends the unread bytes up to the line's stop, or as many as fit in the line, to `line`.
inline void append_run(LineFile& file, ShortLine& line) {
  unsigned from = file.position;
  unsigned room = ShortLine::capacity - line.length;
  unsigned limit = file.end - from < room ? file.end : from + room;
  unsigned stop = find_line_stop(file.stops, from, limit);  // from < limit: a byte is unread
  copy_run(line.bytes + line.length, file.buffer + from, stop - from);
  line.length = static_cast<uint8_t>(line.length + (stop - from));
  file.position = static_cast<uint16_t>(stop);
}

// read_line from wherever the inline part left it: reads on, takes the line end, passes over
// the tail of a long line, or leaves the code of a failure pending.
void read_rest_of_line(LineFile& file, ShortLine& line);
bool at_end_of_window(LineFile& file);
void write_line_through(LineFile& file, const ShortLine& text);

}  // namespace line_file_detail

inline ShortLine read_line(LineFile& file) {
  using namespace line_file_detail;
  ShortLine line;
  if (holds_unread_input(file)) {
    append_run(file, line);
    // LF or CR LF in the buffer after the text: the line is complete.
    unsigned stop = file.position;
    if (stop + 1 < file.end) {
      if (file.buffer[stop] == line_feed) {
        file.position = static_cast<uint16_t>(stop + 1);
        return line;
      }
      if (file.buffer[stop] == carriage_return && file.buffer[stop + 1] == line_feed) {
        file.position = static_cast<uint16_t>(stop + 2);
        return line;
      }
    }
  }
  read_rest_of_line(file, line);
  return line;
}

inline bool at_end(LineFile& file) {
  using namespace line_file_detail;
  if (holds_unread_input(file)) return file.buffer[file.position] == end_of_file_mark;
  return at_end_of_window(file);
}

inline void write_line(LineFile& file, const ShortLine& text) {
  // The line and its end fit in the buffer without filling it: nothing is handed over, and no
  // state can change but the position.
  unsigned room = sizeof file.buffer - file.position;
  if (text.length + 2u < room && file.state == FileState::output && !file.is_console &&
      !io_code_pending()) {
    char* free_bytes = file.buffer + file.position;
    copy_run(free_bytes, text.bytes, text.length);
    free_bytes[text.length] = line_file_detail::carriage_return;
    free_bytes[text.length + 1] = line_file_detail::line_feed;
    file.position = static_cast<uint16_t>(file.position + text.length + 2);
    return;
  }
  line_file_detail::write_line_through(file, text);
}
