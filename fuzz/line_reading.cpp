// Line reading from arbitrary bytes handed back in arbitrary chunks: every line the file yields
// is the one the plain account yields (so at most 255 bytes, cut where it should be), the end comes
// where the bytes (or a Ctrl-Z) end, and no I/O code is left behind.

#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "tests/faulty_os.h"
#include "tests/memory_os.h"
#include "tests/reference_model.h"
#include "textio/line_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = reference::lines_of(bytes);

  MemoryOs memory;
  memory.files["in"] = bytes;
  MemoryOsInUse in_use(memory);
  use_faulty_os(os(), FaultPlan{});
  use_read_chunks(fuzz::chunk_seed_of(bytes));

  LineFile file;
  bind_name(file, short_line("in"));
  open_input(file);
  fuzz::require(take_io_code() == io_ok, "the file opens");
  std::vector<std::string> lines;
  // Each line takes at least one byte, so more lines than bytes would be a reader that is stuck.
  while (!at_end(file) && lines.size() <= bytes.size())
    lines.emplace_back(text_of(read_line(file)));
  fuzz::require(!io_code_pending(), "reading leaves no code");
  fuzz::require(lines == expected, "the lines are those of the plain account");
  fuzz::require(read_line(file).length == 0 && at_end(file), "past the end only empty lines");
  fuzz::require(!io_code_pending(), "reading past the end leaves no code");
  close_file(file);
  fuzz::require(take_io_code() == io_ok, "the file closes");
  fuzz::require(memory.files["in"] == bytes, "reading changes nothing");
  return 0;
}
