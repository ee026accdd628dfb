// The system calls the tool makes on a sheet and its track list, and nothing else: the track
// list read 256 bytes at a time, the sheet copied 256 bytes at a time into a new file. With one
// 256-byte buffer per file no retitler can take less time than this, so `bench/compare` times it
// beside the tool and `dd`.
// Usage: syscall_floor SHEET TRACK_LIST OUTPUT
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  int sheet = open(argv[1], O_RDONLY);
  int track_list = open(argv[2], O_RDONLY);
  int output = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (sheet < 0 || track_list < 0 || output < 0) return 1;
  char buffer[256];
  while (read(track_list, buffer, sizeof buffer) > 0) {
  }
  for (ssize_t got; (got = read(sheet, buffer, sizeof buffer)) > 0;) {
    if (write(output, buffer, static_cast<size_t>(got)) != got) return 1;
  }
  return close(output) == 0 ? 0 : 1;
}
