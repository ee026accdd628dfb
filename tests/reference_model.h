#pragma once
// A second, plain account of what the tool does to bytes, written with the standard library
// and nothing of the tool's own code: the lines a file yields, and the new sheet a cue sheet
// and a track list give. Tests and fuzz targets compare the tool against it.

#include <algorithm>
#include <string>
#include <vector>

namespace reference {

constexpr size_t longest_line = 255;

// The lines of a file: LF, CR LF and a lone CR end a line, Ctrl-Z (26) ends the file, each line
// keeps its first 255 bytes and the rest of it is passed over.
inline std::vector<std::string> lines_of(const std::string& bytes) {
  std::string text = bytes.substr(0, bytes.find('\x1a'));
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, std::min(end - at, longest_line)));
    if (end == text.size()) break;
    at = end + 1;
    if (text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
  }
  return lines;
}

inline bool first_non_blank_is(const std::string& line, char byte) {
  size_t first = line.find_first_not_of(' ');
  return first != std::string::npos && line[first] == byte;
}

inline bool is_title_line(const std::string& line) {
  size_t first = line.find_first_not_of(' ');
  return first != std::string::npos && first + 1 < line.size() && line[first] == 'T' &&
         line[first + 1] == 'I';
}

// The title of a track-list line: after its first tab (from its start when it has none) up to
// the next tab.
inline std::string title_of(const std::string& track_line) {
  size_t tab = track_line.find('\t');
  size_t start = tab == std::string::npos ? 0 : tab + 1;
  size_t end = track_line.find('\t', start);
  return track_line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// A TITLE line with a double quote and a title to put behind it is rebuilt; any other is kept.
inline std::string retitled(const std::string& cue_line, const std::string& track_line) {
  size_t quote = cue_line.find('"');
  std::string title = title_of(track_line);
  if (quote == std::string::npos || title.empty()) return cue_line;
  std::string rebuilt = cue_line.substr(0, quote + 1) + title + "\"";
  return rebuilt.substr(0, longest_line);
}

// The lines of the new sheet: every line of the old one, the TITLE lines after the first FILE
// line each given the next track-list line's title.
inline std::vector<std::string> new_sheet_lines(const std::string& sheet,
                                                const std::string& track_list) {
  std::vector<std::string> lines = lines_of(sheet);
  std::vector<std::string> tracks = lines_of(track_list);
  size_t next_track = 0;
  bool in_tracks = false;
  for (std::string& line : lines) {
    if (!in_tracks) {
      in_tracks = first_non_blank_is(line, 'F');
      continue;
    }
    if (!is_title_line(line)) continue;
    std::string track_line = next_track < tracks.size() ? tracks[next_track] : "";
    ++next_track;
    line = retitled(line, track_line);
  }
  return lines;
}

// The new sheet's bytes: its lines, each ended by CR LF.
inline std::string new_sheet(const std::string& sheet, const std::string& track_list) {
  std::string bytes;
  for (const std::string& line : new_sheet_lines(sheet, track_list))
    bytes += line + "\r\n";
  return bytes;
}

}  // namespace reference
