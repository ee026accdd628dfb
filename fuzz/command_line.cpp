// split_command_line on arbitrary strings (up to the 32767 bytes a Windows command line holds):
// the pieces are those a plain account of the quoting rules gives, and every argument reaches
// the run cut to 255 bytes.

#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "textio/command_line.h"

namespace {

// Bytes 1 to 32 separate arguments outside quotes; a double quote switches quoting; two in a
// row are dropped and change nothing.
std::vector<std::string> plain_split(const std::string& text) {
  auto separates = [](unsigned char c) { return c >= 1 && c <= 32; };
  std::vector<std::string> pieces;
  size_t at = 0;
  while (true) {
    while (at < text.size() && separates(text[at]))
      ++at;
    if (at == text.size()) return pieces;
    std::string piece;
    bool quoting = false;
    for (; at < text.size() && (quoting || !separates(text[at])); ++at) {
      if (text[at] != '"') {
        piece += text[at];
      } else if (at + 1 < text.size() && text[at + 1] == '"') {
        ++at;
      } else {
        quoting = !quoting;
      }
    }
    pieces.push_back(piece);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 32767) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, text.find('\0'));  // the string ends at its first zero byte

  ArgumentList split = split_command_line(text.c_str());
  std::vector<std::string> pieces(split.items, split.items + split.count);
  fuzz::require(pieces == plain_split(text), "the pieces follow the quoting rules");

  if (split.count == 0) return 0;
  ArgumentList after_program{split.count - 1, split.items + 1};
  set_arguments("module", after_program);
  fuzz::require(argument_count() == split.count - 1, "the program name is not an argument");
  fuzz::require(std::string(text_of(argument(0))) == "module", "argument 0 is the module");
  for (int i = 1; i <= argument_count(); ++i) {
    // A ShortLine cannot hold more than 255 bytes; what matters is that it holds the right ones.
    fuzz::require(std::string(text_of(argument(i))) == pieces[i].substr(0, 255),
                  "an argument is its piece cut to 255 bytes");
  }
  fuzz::require(argument(argument_count() + 1).length == 0 && argument(-1).length == 0,
                "outside the list an empty line");
  return 0;
}
