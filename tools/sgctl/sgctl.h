// sgctl: the generator from the command line, for scripts and test rigs. The whole program as a
// function, so that tests run it in their own process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace sgctl {

// Runs the command line (without the program's name): results on out, messages on err. Returns
// the exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace sgctl
