// Open failures of network endpoints and of port map entries that hold no usable address, the
// same on every system.
#include "platform/serial/network_endpoint.h"
#include "platform/serial/network_port.h"
#include "platform/serial/open_failure.h"

namespace serial {

namespace {

// Failures the server itself reported begin so (network_port.cpp); the rest of the text says
// what it did.
constexpr const char* kServerSaid = "the device server ";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string ExplainBadMapEntry(const std::string& entry) {
    return entry + " is neither a link to a serial device nor a file holding the address of a "
                   "network port (socket://HOST:PORT or rfc2217://HOST:PORT).";
}

std::string ExplainNetworkFailure(const Error& error, const std::string& url) {
    NetworkEndpoint endpoint;
    if (!ParseNetworkUrl(url, endpoint))
        return url + " is not the address of a network port: write socket://HOST:PORT or "
                     "rfc2217://HOST:PORT.";
    const std::string where = EndpointName(endpoint);
    const std::string server = "The serial device server at " + where;
    const bool fromServer = StartsWith(error.text, kServerSaid);
    const std::string what = fromServer ? error.text.substr(std::string(kServerSaid).size()) : "";
    const std::string rawInstead =
        " If it passes the line's bytes as they are, use socket://" + where + " instead.";
    switch (error.cause) {
    case Cause::NotFound:
        if (StartsWith(error.text, "unknown host "))
            return "No computer is known by the name " + endpoint.host + " (" + error.text +
                   "). Check the address of the serial device server.";
        return "Nothing accepts connections at " + where + " (" + error.text +
               "). Check the address and port of the serial device server, and that it is "
               "switched on.";
    case Cause::Timeout:
        if (!fromServer)
            return "No answer from " + where + " within " +
                   std::to_string(NetworkPort::kOpenLimitMs / 1000) +
                   " seconds. Check the address of the serial device server, and that this "
                   "computer can reach it.";
        return server + " " + what + " in time." + rawInstead;
    case Cause::InvalidArgument:
        if (!fromServer)
            return std::string();
        if (StartsWith(what, "set "))
            return server + " did not take the line settings: it " + what +
                   ". Let that port take its settings from the client, or set them there by "
                   "hand.";
        return server + " " + what + "." + rawInstead;
    case Cause::HungUp:
        return server + " closed the connection at once: another client may be using that port.";
    default:
        return std::string();
    }
}

} // namespace serial
