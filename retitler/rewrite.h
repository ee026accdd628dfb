#pragma once
// The cue sheet rewrite: the header stage copies up to and including the FILE line, the track
// stage copies the rest and gives each TITLE line the next title of the track list. All it knows
// of cue sheets is two tests on a line's first non-blank bytes.

#include "textio/line_file.h"

void copy_header(LineFile& backup, LineFile& new_sheet);
void rewrite_tracks(LineFile& backup, LineFile& new_sheet, LineFile& track_list);

// The 1-based position of the first byte that is not a space; 0 when there is none.
int first_non_blank(const ShortLine& line);
bool is_file_line(const ShortLine& line);
bool is_title_line(const ShortLine& line);
// The line up to and including its first double quote; empty when it has none.
ShortLine title_prefix(const ShortLine& line);
// The text after the first tab (from the start when there is no tab) up to the next tab; empty
// when that text would start with a tab or the line ends there.
ShortLine track_title(const ShortLine& track_line);
ShortLine rebuild_title_line(const ShortLine& cue_line, const ShortLine& track_line);
// Makes a TITLE line the one to write, in place: the rebuilt line, or the line as it was when it
// has no double quote to keep or the track-list line holds no title.
void retitle(ShortLine& line, const ShortLine& track_line);
// The line to write for a TITLE line: the rebuilt one, or the line as it was when it has no
// double quote to keep or the track-list line holds no title.
ShortLine retitled_line(const ShortLine& cue_line, const ShortLine& track_line);
