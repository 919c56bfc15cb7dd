// The program folder rules on POSIX systems: the mode bits and access(), and /usr.
#include "app/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

namespace address_file {

bool UserMayCreateFilesIn(const std::string& dir) {
    struct stat st {};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0222) != 0 &&
           access(dir.c_str(), W_OK) == 0;
}

bool IsSystemProgramFolder(const std::string& dir) {
    return dir == "/usr" || dir.compare(0, 5, "/usr/") == 0;
}

} // namespace address_file
