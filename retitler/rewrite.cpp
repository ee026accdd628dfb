#include "retitler/rewrite.h"

namespace {

constexpr char blank = ' ';
constexpr char tab = 9;
constexpr char double_quote = '"';

// How many blanks the line starts with.
int leading_blanks(const ShortLine& line) {
  return skip_byte<blank>(line, 0);
}

// A part of a line, 0-based from `from` up to, not including, `to`.
struct Span {
  int from = 0;
  int to = 0;
  int length() const { return to - from; }
};

std::string_view text_in(const ShortLine& line, Span span) {
  return std::string_view(line.bytes + span.from, static_cast<size_t>(span.length()));
}

ShortLine slice(const ShortLine& line, Span span) {
  return short_line(text_in(line, span));
}

// Where title_prefix and track_title find their text; the rewrite uses the places themselves,
// so that a TITLE line is built once, without copies of its parts.
Span prefix_span(const ShortLine& line) {
  int quote = find_byte<double_quote>(line, 0);
  return quote < line.length ? Span{0, quote + 1} : Span{};
}

Span title_span(const ShortLine& track_line) {
  int first_tab = find_byte<tab>(track_line, 0);
  int start = first_tab < track_line.length ? first_tab + 1 : 0;
  return Span{start, find_byte<tab>(track_line, start)};
}

ShortLine joined_title_line(const ShortLine& cue_line, Span prefix, const ShortLine& track_line,
                            Span title) {
  ShortLine line = slice(cue_line, prefix);
  append(line, text_in(track_line, title));
  append(line, double_quote);
  return line;
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
  int blanks = leading_blanks(line);
  return blanks < line.length ? blanks + 1 : 0;
}

bool is_file_line(const ShortLine& line) {
  int blanks = leading_blanks(line);
  return blanks < line.length && line.bytes[blanks] == 'F';
}

bool is_title_line(const ShortLine& line) {
  int blanks = leading_blanks(line);
  return blanks + 1 < line.length && line.bytes[blanks] == 'T' && line.bytes[blanks + 1] == 'I';
}

ShortLine title_prefix(const ShortLine& line) {
  return slice(line, prefix_span(line));
}

ShortLine track_title(const ShortLine& track_line) {
  return slice(track_line, title_span(track_line));
}

ShortLine rebuild_title_line(const ShortLine& cue_line, const ShortLine& track_line) {
  return joined_title_line(cue_line, prefix_span(cue_line), track_line, title_span(track_line));
}

void retitle(ShortLine& line, const ShortLine& track_line) {
  Span prefix = prefix_span(line);
  Span title = title_span(track_line);
  if (prefix.length() == 0 || title.length() == 0) return;
  line.length = static_cast<uint8_t>(prefix.to);  // the prefix is where it stands already
  append(line, text_in(track_line, title));
  append(line, double_quote);
}

ShortLine retitled_line(const ShortLine& cue_line, const ShortLine& track_line) {
  ShortLine line = cue_line;
  retitle(line, track_line);
  return line;
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
      retitle(line, read_guarded(track_list));
    }
    write_guarded(new_sheet, line);
  }
}
