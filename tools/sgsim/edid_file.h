// Loading an EDID image for the emulator from a file: a binary image (.bin or any other name),
// or a text file (.txt, in any case) of hexadecimal byte values separated by blanks or line
// breaks, as the console's own saved files are written; read as the EDID tools read them.
#pragma once

#include "tools/sgsim/builtin_edids.h"

#include <string>

namespace sgsim {

struct CEdidFileResult {
    bool bOk = false;
    int nBytesRead = 0;     // bytes taken from the file (at most 256); the rest are 0xFF
    std::string strError;   // why the file could not be used, when bOk is false
    std::string strWarning; // header or checksum problems of a usable image
};

CEdidFileResult ReadEdidFile(const std::string& path, edid::Image& image);

// Problems a user should hear about: a wrong header, wrong block checksums.
std::string DescribeEdidProblems(const edid::Image& image, int bytesRead);

} // namespace sgsim
