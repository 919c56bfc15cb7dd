// Open failures on Windows: the console's own message already names the only cause the system
// reports for an existing port (another program holds it), so there is nothing to add for the
// system's ports; network endpoints are explained as everywhere.
#include "platform/serial/open_failure.h"

#include "platform/serial/network_endpoint.h"

namespace serial {

std::string ExplainOpenFailure(const Error& error, const std::string& device) {
    if (IsNetworkUrl(device))
        return ExplainNetworkFailure(error, device);
    return std::string();
}

} // namespace serial
