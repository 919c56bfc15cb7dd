// sgctl: the generator from the command line.
#include "tools/sgctl/sgctl.h"

#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <cstdio>
#include <io.h>
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // A plan's questions are asked only when standard input is a terminal.
    sgctl::CTerminal terminal;
    terminal.in = &std::cin;
#if defined(_WIN32)
    terminal.interactive = _isatty(_fileno(stdin)) != 0;
#else
    terminal.interactive = isatty(STDIN_FILENO) != 0;
#endif
    const int status = sgctl::Run(args, std::cout, std::cerr, terminal);
    std::cout.flush();
    return std::cout ? status : (status == 0 ? 1 : status);
}
