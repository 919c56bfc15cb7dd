// The program folder rules on Windows. Who may write a folder is its access control list, which
// the C runtime's access() does not read (it calls every folder writable): a folder counts as
// writable when a file can be made in it, a probe that is gone again as its handle closes.
#include "app/program_folder.h"

#include <cstdio>

#include <windows.h>

#include <shlobj.h>

namespace address_file {

namespace {

// The folder with '\' for '/' and one '\' at its end, so that a prefix ends on a folder's name.
std::string Normalised(std::string dir) {
    for (char& c : dir)
        if (c == '/')
            c = '\\';
    while (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    return dir + '\\';
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.data(),
                          static_cast<int>(prefix.size()), prefix.data(),
                          static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

} // namespace

bool UserMayCreateFilesIn(const std::string& dir) {
    const DWORD attributes = GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    char probe[MAX_PATH + 64];
    const int n =
        std::snprintf(probe, sizeof probe, "%s.kestrelon-probe-%lu-%lu.tmp",
                      Normalised(dir).c_str(), static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(GetTickCount()));
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof probe)
        return false;
    const HANDLE file = CreateFileA(
        probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool IsSystemProgramFolder(const std::string& dir) {
    const std::string folder = Normalised(dir);
    for (const int id : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        char programs[MAX_PATH] = {};
        if (SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, programs) == S_OK &&
            programs[0] != '\0' && StartsWithIgnoringCase(folder, Normalised(programs)))
            return true;
    }
    return false;
}

} // namespace address_file
