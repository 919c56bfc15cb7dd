// Whether the executable's own folder may keep the user's address file, one file per OS
// (program_folder_posix.cpp, program_folder_win.cpp): a portable copy keeps it beside itself, an
// installed console in the user's configuration directory.
#pragma once

#include <string>

namespace address_file {

// A folder this user may create files in. One marked read-only counts as not writable even for
// a user whom the system would let write it anyway (the superuser, an administrator).
bool UserMayCreateFilesIn(const std::string& dir);

// Where the system keeps installed programs (/usr, Program Files): never a place for the user's
// file, even for a user who may write there.
bool IsSystemProgramFolder(const std::string& dir);

} // namespace address_file
