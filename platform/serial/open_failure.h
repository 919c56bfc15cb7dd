// Why a serial device did not open, in plain words for the operator: the line the console shows
// under its own message. One implementation per OS (open_failure_posix.cpp, open_failure_win.cpp).
#pragma once

#include "platform/serial/serial_port.h"

#include <string>

namespace serial {

// For a device that exists but could not be opened, because this user may not use it or another
// program holds it: what happened and what to do. Empty for any other cause (a missing device
// needs no explanation beyond the console's message), and on systems without such advice.
std::string ExplainOpenFailure(const Error& error, const std::string& device);

} // namespace serial
