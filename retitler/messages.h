#pragma once
// The tool's fixed names and every line it says, byte for byte.

#include <string_view>

#ifndef BRENVIK_VERSION
#error "BRENVIK_VERSION comes from the project's version"
#endif

namespace messages {

inline constexpr std::string_view track_list_name = "freedb.txt";
inline constexpr std::string_view backup_suffix = ".bak";

inline constexpr std::string_view usage_title =
    "-=BRENVIK [v" BRENVIK_VERSION
    "]=-  Puts the track titles of a freedb track list into a CD "
    "cue sheet.";
inline constexpr std::string_view usage_copy =
    "Copy from freedb.org tracklist to file \"freedb.txt\". Then use command line!";
inline constexpr std::string_view usage_command = "Uses: brenvik.exe CUE_file";

inline constexpr std::string_view track_list_opened = "Open \"freedb.txt\" - OK.";
inline constexpr std::string_view track_list_not_opened = "Error open \"freedb.txt\" !";
inline constexpr std::string_view backup_created = "Create backup file - OK.";
inline constexpr std::string_view new_sheet_created = "Create new CUE file - OK.";
inline constexpr std::string_view all_done = "All Done!";

}  // namespace messages
