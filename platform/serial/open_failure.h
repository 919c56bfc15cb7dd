// Why a serial device did not open, in plain words for the operator: the line the console shows
// under its own message. One implementation per OS (open_failure_posix.cpp, open_failure_win.cpp)
// for the system's devices; network endpoints and port map entries are explained alike on every
// system (open_failure_network.cpp).
#pragma once

#include "platform/serial/serial_port.h"

#include <string>

namespace serial {

// For a device that exists but could not be opened, because this user may not use it or another
// program holds it: what happened and what to do. For a network endpoint (device is its URL):
// what its failure means (nothing listening, no answer in time, a serial device server that did
// not take the line settings) and what to check. For a port map entry that is a file holding no
// URL (Linux): what such an entry must hold. Empty for any other cause (a missing device needs no
// explanation beyond the console's message), and on systems without such advice.
std::string ExplainOpenFailure(const Error& error, const std::string& device);

// The network and port map entry parts of ExplainOpenFailure, the same on every system.
std::string ExplainNetworkFailure(const Error& error, const std::string& url);
std::string ExplainBadMapEntry(const std::string& entry);

} // namespace serial
