// Saving a file the user chose so that a failed save never leaves half a file in its place.
#pragma once

#include <string>

namespace whole_file {

// Writes the text beside the target and moves it over the target only when complete (one step
// on both systems, replacing an existing file). Returns an empty string, or why it failed; the
// target is then as it was.
std::string Write(const std::string& path, const std::string& text);

// The folder part of a path, "" when it has none: where the next file chooser opens.
std::string FolderOf(const std::string& path);

} // namespace whole_file
