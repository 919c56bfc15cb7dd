// edidinfo: decodes, checks and compares EDID files (tools/edidinfo/edidinfo.h).
#include "tools/edidinfo/edidinfo.h"

#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Standard input may carry an EDID's raw bytes: no CR LF translation, no end at 0x1A.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = edidinfo::Run(args, std::cin, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : (status == 0 ? 1 : status);
}
