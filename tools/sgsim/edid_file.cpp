// EDID files for --sink-edid and --saved-edid. A short or damaged file is still used (the point
// may be to see how the console copes with it); its problems are reported as a warning.
#include "tools/sgsim/edid_file.h"

#include "edid/edid_decoder.h"
#include "edid/edid_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
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

} // namespace

std::string DescribeEdidProblems(const edid::Image& image, int bytesRead) {
    std::string problems;
    auto add = [&problems](const std::string& p) {
        if (!problems.empty())
            problems += "; ";
        problems += p;
    };
    if (bytesRead < 128)
        add("only " + std::to_string(bytesRead) + " bytes");
    if (!edid::HasValidHeader(image))
        add("header is not 00 FF FF FF FF FF FF 00");
    if (!edid::BlockChecksumOk(image, 0))
        add("block 0 checksum is wrong");
    if (image[126] != 0 && !edid::BlockChecksumOk(image, 1))
        add("block 1 checksum is wrong");
    return problems;
}

CEdidFileResult ReadEdidFile(const std::string& path, edid::Image& image) {
    CEdidFileResult result;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        result.strError = "cannot open " + path + ": " + std::strerror(errno);
        return result;
    }
    std::ostringstream content;
    content << file.rdbuf();
    // The file's bytes as the EDID tools read them; the emulator uses the first 256.
    const std::vector<std::uint8_t> bytes = edid::ParseEdidBuffer(content.str(), EndsWithTxt(path));
    result.nBytesRead = static_cast<int>(std::min<std::size_t>(bytes.size(), edid::kImageSize));
    if (result.nBytesRead == 0) {
        result.strError = path + " holds no EDID bytes";
        return result;
    }
    image.fill(0xFF);
    std::copy_n(bytes.begin(), result.nBytesRead, image.begin());
    result.bOk = true;
    result.strWarning = DescribeEdidProblems(image, result.nBytesRead);
    return result;
}

} // namespace sgsim
