// The address file SG.ini: a line of 32 hexadecimal address words and 32 '*' description lines.
// Created when missing, read at start-up, never rewritten. It lives next to the executable, or in
// the user's configuration directory when the executable's directory is not writable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace address_file {

constexpr int kEntries = 32;
constexpr int kNoteSize = 12; // 10 characters, a terminator, one spare
constexpr std::size_t kCreatedSize = 290;

struct Book {
    std::uint16_t words[kEntries] = {};
    char notes[kEntries][kNoteSize] = {};
};

using Report = std::function<void(const char* message)>;

// Replaces the file name of the executable's path with "SG.ini": after the last '/' among the
// first 200 characters. A path without such a separator gives "SG.ini" (the working directory).
// out holds outSize characters including the terminator.
void BuildPath(const char* modulePath, char* out, std::size_t outSize);

// The address file's path: BuildPath's, beside the executable, when the executable's directory
// is writable (a portable copy). Otherwise, as for an installed console (also one under /usr or
// Program Files that the superuser or an administrator runs), "SG.ini" in configDir, which is
// created when missing (program_folder.h has the rules).
// An empty configDir, one that cannot be created, or a path that does not fit outSize keeps the
// place beside the executable.
void ChoosePath(const char* modulePath, const std::string& configDir, char* out,
                std::size_t outSize);

// Creates the file when no file or directory of that name exists. Reports
// "There is no SG.ini and faild to create new empty ini file !" and then "failed" when it cannot.
void CreateIfMissing(const char* path, const Report& report);

// Reads the file into book. Reports "File read failed" (and leaves book untouched) when the file
// cannot be opened for reading and updating. Returns true when it was read.
bool Read(const char* path, Book& book, const Report& report);

// The executable's own path (/proc/self/exe); tests may replace it.
std::string ModuleFileName();
void SetModuleFileNameForTesting(const std::string& path);

} // namespace address_file
