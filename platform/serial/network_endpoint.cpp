// URLs of network endpoints, and the port map entries that hold them.
#include "platform/serial/network_endpoint.h"

#include <cctype>
#include <fstream>

namespace serial {

namespace {

constexpr const char* kRawScheme = "socket://";
constexpr const char* kRfc2217Scheme = "rfc2217://";
// A port map entry holds one URL; more than this is no such entry.
constexpr std::size_t kMaxEntryBytes = 1024;

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

bool IsHostNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

} // namespace

bool IsNetworkUrl(const std::string& text) {
    return StartsWithNoCase(text, kRawScheme) || StartsWithNoCase(text, kRfc2217Scheme);
}

bool ParseNetworkUrl(const std::string& text, NetworkEndpoint& endpoint) {
    NetworkEndpoint result;
    std::string rest;
    if (StartsWithNoCase(text, kRawScheme)) {
        result.protocol = NetworkProtocol::Raw;
        rest = text.substr(std::char_traits<char>::length(kRawScheme));
    } else if (StartsWithNoCase(text, kRfc2217Scheme)) {
        result.protocol = NetworkProtocol::Rfc2217;
        rest = text.substr(std::char_traits<char>::length(kRfc2217Scheme));
    } else {
        return false;
    }

    std::size_t colon;
    if (!rest.empty() && rest[0] == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos || close < 3 || close + 1 >= rest.size() ||
            rest[close + 1] != ':')
            return false;
        result.host = rest.substr(1, close - 1);
        for (char c : result.host) {
            if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.')
                return false;
        }
        colon = close + 1;
    } else {
        colon = rest.rfind(':');
        if (colon == std::string::npos || colon == 0)
            return false;
        result.host = rest.substr(0, colon);
        for (char c : result.host) {
            if (!IsHostNameChar(c))
                return false;
        }
    }

    const std::string port = rest.substr(colon + 1);
    if (port.empty() || port.size() > 5)
        return false;
    long value = 0;
    for (char c : port) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    result.port = static_cast<std::uint16_t>(value);
    endpoint = result;
    return true;
}

std::string EndpointName(const NetworkEndpoint& endpoint) {
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
}

std::string ReadUrlEntry(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text(kMaxEntryBytes + 1, '\0');
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxEntryBytes)
        return {};
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    const std::string url = text.substr(begin, end - begin);
    for (char c : url) {
        if (blank(c) || c == '\0')
            return {};
    }
    return IsNetworkUrl(url) ? url : std::string();
}

} // namespace serial
