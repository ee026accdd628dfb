// read_line, write_line and the whole rewrite over in-memory sheets, through the seam: the files
// live in memory, so what is measured is the tool's own work on its 256-byte buffers (and the
// calls through the seam), not the operating system's.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "retitler/rewrite.h"
#include "textio/line_file.h"
#include "textio/os.h"

namespace {

// A sheet like bench/make_sheet.awk writes: a header, then four lines a track.
struct Sheet {
  std::string cue;
  std::string track_list;
};

Sheet make_sheet(int tracks) {
  Sheet sheet;
  sheet.cue =
      "REM GENRE Jazz\r\nREM DATE 1959\r\nPERFORMER \"The Example Quartet\"\r\n"
      "TITLE \"Blue Afternoon\"\r\nFILE \"The Example Quartet - Blue Afternoon.flac\" WAVE\r\n";
  char line[128];
  for (int i = 1; i <= tracks; ++i) {
    int seconds = i * 187;
    std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\r\n    TITLE \"Track %02d\"\r\n", i, i);
    sheet.cue += line;
    sheet.cue += "    PERFORMER \"The Example Quartet and Friends\"\r\n";
    std::snprintf(line, sizeof line, "    INDEX 01 %02d:%02d:%02d\r\n", seconds / 60 % 100,
                  seconds % 60, i % 75);
    sheet.cue += line;
    std::snprintf(line, sizeof line, "%d.\tSong %d\t%d:%02d\n", i, i, 3 + i % 5, i * 7 % 60);
    sheet.track_list += line;
  }
  return sheet;
}

const Sheet& big_sheet() {
  static const Sheet sheet = make_sheet(25000);  // about 3 MB
  return sheet;
}

// The in-memory side of the seam: "cue" and "freedb.txt" are read from the sheet; whatever is
// created is written to a sink that only counts.
const std::string* sources[3];
size_t positions[3];
size_t bytes_written = 0;

OsError open_read(const char* name, OsHandle* handle) {
  const std::string* bytes = std::strcmp(name, "cue") == 0          ? &big_sheet().cue
                             : std::strcmp(name, "freedb.txt") == 0 ? &big_sheet().track_list
                                                                    : nullptr;
  if (bytes == nullptr) return os_file_not_found;
  int slot = sources[1] == nullptr ? 1 : 2;
  sources[slot] = bytes;
  positions[slot] = 0;
  *handle = slot;
  return os_ok;
}

OsError create_write(const char*, OsHandle* handle) {
  *handle = 0;
  return os_ok;
}

OsError read(OsHandle handle, char* buffer, uint32_t size, uint32_t* got) {
  const std::string& bytes = *sources[handle];
  size_t count = std::min<size_t>(size, bytes.size() - positions[handle]);
  std::memcpy(buffer, bytes.data() + positions[handle], count);
  positions[handle] += count;
  *got = static_cast<uint32_t>(count);
  return os_ok;
}

OsError write(OsHandle, const char* bytes, uint32_t size, uint32_t* written) {
  benchmark::DoNotOptimize(bytes);
  bytes_written += size;
  *written = size;
  return os_ok;
}

OsError close(OsHandle handle) {
  if (handle != 0) sources[handle] = nullptr;
  return os_ok;
}

OsError move(const char*, const char*) {
  return os_ok;
}

bool is_console(OsHandle) {
  return false;
}

constexpr OsCalls memory_calls = {open_read, create_write, read, write, close, move, is_console};

LineFile opened(const char* name, bool for_output) {
  LineFile file;
  bind_name(file, short_line(name));
  for_output ? create_output(file) : open_input(file);
  return file;
}

void read_line_bench(benchmark::State& state) {
  use_os(&memory_calls);
  for (auto _ : state) {
    LineFile cue = opened("cue", false);
    while (!at_end(cue))
      benchmark::DoNotOptimize(read_line(cue));
    close_file(cue);
  }
  state.SetBytesProcessed(state.iterations() * big_sheet().cue.size());
  if (take_io_code() != io_ok) state.SkipWithError("an I/O code was left pending");
  use_os(nullptr);
}

void write_line_bench(benchmark::State& state) {
  // The lines of the sheet, read once; the benchmark writes them again and again.
  use_os(&memory_calls);
  static ShortLine lines[16];
  LineFile cue = opened("cue", false);
  for (ShortLine& line : lines)
    line = read_line(cue);
  close_file(cue);
  size_t bytes = 0;
  for (const ShortLine& line : lines)
    bytes += line.length + 2;
  const size_t rounds = big_sheet().cue.size() / bytes;
  for (auto _ : state) {
    LineFile out = opened("out", true);
    for (size_t round = 0; round < rounds; ++round) {
      for (const ShortLine& line : lines)
        write_line(out, line);
    }
    close_file(out);
  }
  state.SetBytesProcessed(state.iterations() * rounds * bytes);
  if (take_io_code() != io_ok) state.SkipWithError("an I/O code was left pending");
  use_os(nullptr);
}

void rewrite_bench(benchmark::State& state) {
  use_os(&memory_calls);
  bytes_written = 0;
  for (auto _ : state) {
    LineFile track_list = opened("freedb.txt", false);
    LineFile backup = opened("cue", false);
    LineFile new_sheet = opened("new", true);
    copy_header(backup, new_sheet);
    rewrite_tracks(backup, new_sheet, track_list);
    close_file(backup);
    close_file(new_sheet);
    close_file(track_list);
  }
  state.SetBytesProcessed(state.iterations() * big_sheet().cue.size());
  state.counters["written_per_read"] = benchmark::Counter(
      static_cast<double>(bytes_written) / (state.iterations() * big_sheet().cue.size()));
  if (take_io_code() != io_ok) state.SkipWithError("an I/O code was left pending");
  use_os(nullptr);
}

}  // namespace

BENCHMARK(read_line_bench)->Name("read_line")->Unit(benchmark::kMillisecond);
BENCHMARK(write_line_bench)->Name("write_line")->Unit(benchmark::kMillisecond);
BENCHMARK(rewrite_bench)->Name("rewrite")->Unit(benchmark::kMillisecond);
