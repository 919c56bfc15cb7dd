// The emulator's entry in the console's port map directory: COMn as a symbolic link to its
// pseudo-terminal, or as a file holding the URL of its TCP endpoint, made so that the entry never
// points nowhere and removed only while it is still the emulator's own.
#pragma once

#include <string>

namespace sgsim {

// The directory the console looks up COM numbers in (empty when no home directory is known).
std::string DefaultPortMapDirectory();

// Creates the directory and its missing parents; false with the reason in error on failure.
bool MakeDirectories(const std::string& path, std::string& error);

// What an entry points at: a device path (a symbolic link), or a network endpoint (a file with
// the URL).
struct CComTarget {
    bool bUrl = false;
    std::string strTarget;
};

// Creates COMn in dir (empty: DefaultPortMapDirectory()) for target; com 0 picks the lowest
// number with no entry. An entry that is there already is replaced only with force, unless it
// is a symbolic link whose device has gone (left by an emulator that was killed). Gives the
// number and the entry's path; false with the reason in error.
bool CreateComEntry(const std::string& dir, int com, bool force, const CComTarget& target,
                    int& chosen, std::string& path, std::string& error);

// Removes the entry at path if it still points at target.
void RemoveComEntry(const std::string& path, const CComTarget& target);

} // namespace sgsim
