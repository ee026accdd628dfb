// The whole rewrite (header stage and track stage) of an arbitrary cue sheet with an arbitrary
// track list, in memory through the seam, reads handed back in arbitrary chunks. The input is
// the sheet, then optionally the separator below and the track list.
//
// Properties: no line of the new sheet is longer than 255 bytes; it never has more lines than
// the old; every line that is not a rebuilt TITLE line is copied byte for byte (cut to 255);
// the backup and the track list are left as they were; and the new sheet is, byte for byte,
// the one the plain account gives.

#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "retitler/rewrite.h"
#include "tests/faulty_os.h"
#include "tests/memory_os.h"
#include "tests/reference_model.h"
#include "textio/line_file.h"

namespace {

constexpr char separator[] = "\n@@freedb.txt@@\n";

// The new sheet's lines; every line must end in CR LF and hold neither byte otherwise.
std::vector<std::string> written_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    fuzz::require(end != std::string::npos, "every written line ends in CR LF");
    std::string line = bytes.substr(at, end - at);
    fuzz::require(line.find_first_of("\r\n") == std::string::npos, "a line holds no line end");
    lines.push_back(line);
    at = end + 2;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find(separator);
  const std::string sheet = input.substr(0, split);
  const std::string track_list =
      split == std::string::npos ? "" : input.substr(split + std::strlen(separator));

  MemoryOs memory;
  memory.files["a.cue.bak"] = sheet;
  memory.files["freedb.txt"] = track_list;
  {
    MemoryOsInUse in_use(memory);
    use_faulty_os(os(), FaultPlan{});
    use_read_chunks(fuzz::chunk_seed_of(input));
    LineFile backup, new_sheet, tracks;
    bind_name(tracks, short_line("freedb.txt"));
    open_input(tracks);
    bind_name(backup, short_line("a.cue.bak"));
    open_input(backup);
    bind_name(new_sheet, short_line("a.cue"));
    create_output(new_sheet);
    fuzz::require(take_io_code() == io_ok, "the files open");
    copy_header(backup, new_sheet);
    rewrite_tracks(backup, new_sheet, tracks);
    close_file(backup);
    close_file(new_sheet);
    close_file(tracks);
    fuzz::require(take_io_code() == io_ok, "the rewrite leaves no code");
  }

  fuzz::require(memory.files["a.cue.bak"] == sheet, "the backup is the input unchanged");
  fuzz::require(memory.files["freedb.txt"] == track_list, "the track list is unchanged");
  const std::vector<std::string> old_lines = reference::lines_of(sheet);
  const std::vector<std::string> new_lines = written_lines(memory.files["a.cue"]);
  fuzz::require(new_lines.size() <= old_lines.size(), "no more lines than the old sheet");
  bool in_tracks = false;
  for (size_t i = 0; i < new_lines.size(); ++i) {
    fuzz::require(new_lines[i].size() <= 255, "no line is longer than 255 bytes");
    bool rebuilt =
        in_tracks && reference::is_title_line(old_lines[i]) && new_lines[i] != old_lines[i];
    if (rebuilt) {
      size_t quote = old_lines[i].find('"');
      fuzz::require(quote != std::string::npos &&
                        new_lines[i].compare(0, quote + 1, old_lines[i], 0, quote + 1) == 0,
                    "a rebuilt TITLE line keeps its start up to the first double quote");
    } else {
      fuzz::require(new_lines[i] == old_lines[i], "other lines are copied byte for byte");
    }
    in_tracks = in_tracks || reference::first_non_blank_is(old_lines[i], 'F');
  }
  fuzz::require(memory.files["a.cue"] == reference::new_sheet(sheet, track_list),
                "the new sheet is the one the plain account gives");
  return 0;
}
