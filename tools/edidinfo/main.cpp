// edidinfo: decodes, checks and compares EDID files (tools/edidinfo/edidinfo.h).
#include "tools/edidinfo/edidinfo.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = edidinfo::Run(args, std::cin, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : (status == 0 ? 1 : status);
}
