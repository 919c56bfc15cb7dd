// Open failures on Windows: the console's own message already names the only cause the system
// reports for an existing port (another program holds it), so there is nothing to add for the
// system's ports; network endpoints and port map entries are explained as everywhere.
#include "platform/serial/open_failure.h"

#include "platform/serial/network_endpoint.h"

#include <windows.h>

namespace serial {

std::string ExplainOpenFailure(const Error& error, const std::string& device) {
    if (IsNetworkUrl(device))
        return ExplainNetworkFailure(error, device);
    const DWORD attributes = GetFileAttributesA(device.c_str());
    if (error.cause == Cause::InvalidArgument && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ExplainBadMapEntry(device);
    return std::string();
}

} // namespace serial
