// Network endpoints that stand in for a serial port: the TCP port of a serial device server, named
// by a URL. socket://HOST:PORT carries the line's bytes as they are; rfc2217://HOST:PORT speaks
// Telnet with the COM port control option, which also sets the server's line. Text only: no
// sockets here.
#pragma once

#include <cstdint>
#include <string>

namespace serial {

enum class NetworkProtocol { Raw, Rfc2217 };

struct NetworkEndpoint {
    NetworkProtocol protocol = NetworkProtocol::Raw;
    std::string host; // a name, an IPv4 address, or an IPv6 address without its brackets
    std::uint16_t port = 0;
};

// True when text begins with "socket://" or "rfc2217://" (either case): it means a network
// endpoint, well formed or not, and never a device path.
bool IsNetworkUrl(const std::string& text);

// Parses socket://HOST:PORT or rfc2217://HOST:PORT: HOST a name or an IPv4 address, or an IPv6
// address in brackets; PORT 1..65535. Nothing may follow. False, and endpoint unchanged, for
// anything else.
bool ParseNetworkUrl(const std::string& text, NetworkEndpoint& endpoint);

// "HOST:PORT" ("[::1]:4001" for IPv6), as messages name an endpoint.
std::string EndpointName(const NetworkEndpoint& endpoint);

// The URL held by a port map entry that is a regular file: its text without the surrounding
// blanks and line ends, when that is one word that IsNetworkUrl takes; else empty (an unreadable
// file, an empty one, or one that holds something else).
std::string ReadUrlEntry(const std::string& path);

} // namespace serial
