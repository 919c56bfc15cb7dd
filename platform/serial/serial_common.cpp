// The OS-neutral parts of the serial layer: definition text parsing and error names.
#include "platform/serial/serial_port.h"

#include <cctype>
#include <climits>
#include <sstream>

namespace serial {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A whole decimal number in [low, high], nothing else.
bool ParseNumber(const std::string& text, long low, long high, int& out) {
    if (text.empty() || text.size() > 10)
        return false;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return false;
    out = static_cast<int>(value);
    return true;
}

} // namespace

bool ParseDefinition(const std::string& text, LineSettings& settings) {
    LineSettings result = settings;
    bool seenBaud = false, seenParity = false, seenData = false, seenStop = false;
    std::istringstream tokens(text);
    std::string token;
    while (tokens >> token) {
        const std::size_t eq = token.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == token.size())
            return false;
        const std::string key = Lower(token.substr(0, eq));
        const std::string value = token.substr(eq + 1);
        if (key == "baud") {
            if (seenBaud || !ParseNumber(value, 1, INT_MAX, result.baud))
                return false;
            seenBaud = true;
        } else if (key == "parity") {
            if (seenParity || value.size() != 1)
                return false;
            const char p = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
            if (p != 'N' && p != 'E' && p != 'O' && p != 'M' && p != 'S')
                return false;
            result.parity = p;
            seenParity = true;
        } else if (key == "data") {
            if (seenData || !ParseNumber(value, 5, 8, result.dataBits))
                return false;
            seenData = true;
        } else if (key == "stop") {
            if (seenStop || !ParseNumber(value, 1, 2, result.stopBits))
                return false;
            seenStop = true;
        } else {
            return false;
        }
    }
    settings = result;
    return true;
}

Error MakeError(Cause cause, const std::string& text) {
    Error e;
    e.cause = cause;
    e.text = text;
    return e;
}

const char* CauseName(Cause cause) {
    switch (cause) {
    case Cause::None:
        return "no error";
    case Cause::NotOpen:
        return "port not open";
    case Cause::NotFound:
        return "no such port";
    case Cause::Busy:
        return "port in use";
    case Cause::AccessDenied:
        return "access denied";
    case Cause::InvalidArgument:
        return "setting not accepted";
    case Cause::Timeout:
        return "timed out";
    case Cause::HungUp:
        return "port went away";
    case Cause::Aborted:
        return "given up";
    case Cause::Other:
        break;
    }
    return "system error";
}

} // namespace serial
