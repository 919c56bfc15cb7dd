// edidinfo: EDID files decoded, checked and compared, for people, scripts and labs. The whole
// program as a function, so that tests run it in their own process.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace edidinfo {

// Runs the command line (without the program's name): "-" reads in; results on out, messages on
// err. Returns the exit code.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err);

} // namespace edidinfo
