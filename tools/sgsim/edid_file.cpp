// EDID files for --sink-edid and --saved-edid. A short or damaged file is still used (the point
// may be to see how the console copes with it); its problems are reported as a warning.
#include "tools/sgsim/edid_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sgsim {

namespace {

bool EndsWithTxt(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".txt";
}

std::uint8_t BlockSum(const EdidImage& image, int first) {
    std::uint8_t sum = 0;
    for (int i = first; i < first + 128; ++i)
        sum = static_cast<std::uint8_t>(sum + image[i]);
    return sum;
}

} // namespace

int ParseEdidText(const std::string& text, EdidImage& image) {
    image.fill(0xFF);
    std::istringstream in(text);
    std::string token;
    int count = 0;
    while (count < 256 && in >> token) {
        const char* start = token.c_str();
        char* end = nullptr;
        errno = 0;
        const unsigned long value = std::strtoul(start, &end, 16);
        if (end == start || *end != '\0' || errno == ERANGE || token[0] == '-' || token[0] == '+')
            break;
        image[count++] = static_cast<std::uint8_t>(value & 0xFF);
    }
    return count;
}

std::string DescribeEdidProblems(const EdidImage& image, int bytesRead) {
    static const std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::string problems;
    auto add = [&problems](const std::string& p) {
        if (!problems.empty())
            problems += "; ";
        problems += p;
    };
    if (bytesRead < 128)
        add("only " + std::to_string(bytesRead) + " bytes");
    if (std::memcmp(image.data(), kHeader, 8) != 0)
        add("header is not 00 FF FF FF FF FF FF 00");
    if (BlockSum(image, 0) != 0)
        add("block 0 checksum is wrong");
    if (image[126] != 0 && BlockSum(image, 128) != 0)
        add("block 1 checksum is wrong");
    return problems;
}

CEdidFileResult ReadEdidFile(const std::string& path, EdidImage& image) {
    CEdidFileResult result;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        result.strError = "cannot open " + path + ": " + std::strerror(errno);
        return result;
    }
    std::ostringstream content;
    content << file.rdbuf();
    const std::string data = content.str();
    EdidImage loaded;
    if (EndsWithTxt(path)) {
        result.nBytesRead = ParseEdidText(data, loaded);
    } else {
        loaded.fill(0xFF);
        result.nBytesRead = static_cast<int>(data.size() < 256 ? data.size() : 256);
        std::memcpy(loaded.data(), data.data(), static_cast<std::size_t>(result.nBytesRead));
    }
    if (result.nBytesRead == 0) {
        result.strError = path + " holds no EDID bytes";
        return result;
    }
    image = loaded;
    result.bOk = true;
    result.strWarning = DescribeEdidProblems(image, result.nBytesRead);
    return result;
}

} // namespace sgsim
