// sgctl: the generator from the command line.
#include "tools/sgctl/sgctl.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = sgctl::Run(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : (status == 0 ? 1 : status);
}
