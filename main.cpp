// brenvik: puts the track titles of a freedb track list into a CD cue sheet.

#include "retitler/run.h"
#include "textio/process_start.h"

int main(int argc, char** argv) {
  start_process(argc, argv, run_retitler);
}
