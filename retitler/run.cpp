#include "retitler/run.h"

#include <cstring>

#include "retitler/messages.h"
#include "retitler/rewrite.h"
#include "textio/line_file.h"

namespace {

LineFile track_list;
LineFile backup;
LineFile new_sheet;

void say(std::string_view message) {
  write_line(standard_output(), short_line(message));
  guard_io();
}

}  // namespace

void print_usage() {
  write_line(standard_output(), short_line(messages::usage_title));
  write_line(standard_output(), short_line(messages::usage_copy));
  write_line(standard_output(), short_line(messages::usage_command));
}

void run_retitler(ArgumentList arguments) {
  if (arguments.count == 0) {
    print_usage();
    halt_with(0);
  }
  const ShortLine sheet_name = short_line({arguments.items[0], std::strlen(arguments.items[0])});
  ShortLine backup_name = sheet_name;
  append(backup_name, messages::backup_suffix);

  bind_name(track_list, short_line(messages::track_list_name));
  open_input(track_list);
  if (take_io_code() != io_ok) {
    say(messages::track_list_not_opened);
    halt_with(0);
  }
  say(messages::track_list_opened);

  // From here on the old sheet lives under the backup name only.
  bind_name(backup, sheet_name);
  rename_closed(backup, backup_name);
  guard_io();

  // A backup or new sheet that did not open shows up as 103 at its first use.
  open_input(backup);
  if (take_io_code() == io_ok) say(messages::backup_created);

  bind_name(new_sheet, sheet_name);
  create_output(new_sheet);
  if (take_io_code() == io_ok) say(messages::new_sheet_created);

  copy_header(backup, new_sheet);
  rewrite_tracks(backup, new_sheet, track_list);

  close_file(backup);
  guard_io();
  close_file(new_sheet);
  guard_io();
  close_file(track_list);
  guard_io();
  say(messages::all_done);
}
