#include "app/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace whole_file {

std::string Write(const std::string& path, const std::string& text) {
    const std::string temp = path + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int err = ok ? 0 : errno;
    if (f != nullptr && std::fclose(f) != 0 && ok)
        ok = false;
    std::error_code moved;
    if (ok) {
        std::filesystem::rename(std::filesystem::u8path(temp), std::filesystem::u8path(path),
                                moved);
        ok = !moved;
    }
    if (ok)
        return std::string();
    std::remove(temp.c_str());
    return err != 0 ? std::strerror(err)
           : moved  ? moved.message()
                    : std::string("The disk refused the file.");
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace whole_file
