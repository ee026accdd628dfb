#include "retitler/rewrite.h"

#include <cstring>

namespace {

constexpr char blank = ' ';
constexpr char tab = 9;
constexpr char double_quote = '"';

// The position of the first `byte` at or after 0-based `from`, or the line's length.
int find_byte(const ShortLine& line, int from, char byte) {
  while (from < line.length && line.bytes[from] != byte)
    ++from;
  return from;
}

ShortLine slice(const ShortLine& line, int from, int to) {
  return short_line(std::string_view(line.bytes + from, static_cast<size_t>(to - from)));
}

ShortLine read_guarded(LineFile& file) {
  ShortLine line = read_line(file);
  guard_io();
  return line;
}

void write_guarded(LineFile& file, const ShortLine& line) {
  write_line(file, line);
  guard_io();
}

bool at_end_guarded(LineFile& file) {
  bool end = at_end(file);
  guard_io();
  return end;
}

}  // namespace

int first_non_blank(const ShortLine& line) {
  for (int i = 0; i < line.length; ++i) {
    if (line.bytes[i] != blank) return i + 1;
  }
  return 0;
}

bool is_file_line(const ShortLine& line) {
  int first = first_non_blank(line);
  return first != 0 && line.bytes[first - 1] == 'F';
}

bool is_title_line(const ShortLine& line) {
  int first = first_non_blank(line);
  return first != 0 && first < line.length && line.bytes[first - 1] == 'T' &&
         line.bytes[first] == 'I';
}

ShortLine title_prefix(const ShortLine& line) {
  int quote = find_byte(line, 0, double_quote);
  return quote < line.length ? slice(line, 0, quote + 1) : ShortLine{};
}

ShortLine track_title(const ShortLine& track_line) {
  int first_tab = find_byte(track_line, 0, tab);
  int start = first_tab < track_line.length ? first_tab + 1 : 0;
  return slice(track_line, start, find_byte(track_line, start, tab));
}

ShortLine rebuild_title_line(const ShortLine& cue_line, const ShortLine& track_line) {
  ShortLine line = title_prefix(cue_line);
  append(line, track_title(track_line));
  append(line, "\"");
  return line;
}

ShortLine retitled_line(const ShortLine& cue_line, const ShortLine& track_line) {
  if (title_prefix(cue_line).length == 0 || track_title(track_line).length == 0) return cue_line;
  return rebuild_title_line(cue_line, track_line);
}

// Both stages test for the end before each line, so a sheet without a FILE line ends the header
// stage at its end, and no stage adds a line the sheet did not have.
void copy_header(LineFile& backup, LineFile& new_sheet) {
  while (!at_end_guarded(backup)) {
    ShortLine line = read_guarded(backup);
    write_guarded(new_sheet, line);
    if (is_file_line(line)) return;
  }
}

void rewrite_tracks(LineFile& backup, LineFile& new_sheet, LineFile& track_list) {
  while (!at_end_guarded(backup)) {
    ShortLine line = read_guarded(backup);
    if (is_title_line(line)) {
      // Every TITLE line takes one track-list line, used or not, so the titles after it stay
      // in step.
      ShortLine track_line = read_guarded(track_list);
      line = retitled_line(line, track_line);
    }
    write_guarded(new_sheet, line);
  }
}
