#pragma once
// LineFile: a text file read or written line by line through one 256-byte buffer. Lines end in
// CR LF when written; LF, CR LF and a lone CR all end a line when read; Ctrl-Z (26) is the end of
// any input file. Failures leave an I/O code pending (see io_code.h) and make every later
// operation inert until the code is taken.

#include <cstdint>

#include "textio/io_code.h"
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
  char buffer[256];
};

void bind_name(LineFile& file, const ShortLine& name);
// Binds one of the process's standard handles, already open in `state`.
void bind_standard(LineFile& file, StandardStream stream, FileState state);
void open_input(LineFile& file);
void create_output(LineFile& file);
void rename_closed(LineFile& file, const ShortLine& new_name);

ShortLine read_line(LineFile& file);
bool at_end(LineFile& file);

void write_text(LineFile& file, const ShortLine& text);
void end_line(LineFile& file);
void write_line(LineFile& file, const ShortLine& text);
// Hands an output file's buffered bytes to the operating system.
void write_out(LineFile& file);
void close_file(LineFile& file);

LineFile& standard_output();
