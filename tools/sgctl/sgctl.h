// sgctl: the generator from the command line, for scripts and test rigs. The whole program as a
// function, so that tests run it in their own process.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace sgctl {

// Where the operator answers the questions of a plan: the input, and whether it is a terminal
// (without one, or without an input, nobody is asked).
struct CTerminal {
    std::istream* in = nullptr;
    bool interactive = false;
};

// Runs the command line (without the program's name): results on out, messages on err, the
// operator's answers from the terminal. Returns the exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const CTerminal& terminal);
// ... with nobody to ask.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace sgctl
