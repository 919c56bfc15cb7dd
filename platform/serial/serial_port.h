// The OS serial interface of the console: open a port by device path, configure it from a
// definition text, purge it, count its input queue, read single bytes, write, and wait on the
// link's three objects (stop, write, port). One backend per OS implements it for the system's
// serial devices (serial_posix.cpp: termios, eventfd and poll; serial_win.cpp: an overlapped comm
// handle, events and the comm event wait); a path that is a URL (socket://HOST:PORT,
// rfc2217://HOST:PORT) opens a serial device server's TCP port instead, through the network
// backend (network_port.h), which behaves the same for the port's users. Callers never see an
// #ifdef, nor which backend a port has. No Qt.
//
// Thread-safety: a Port is not locked internally; its user serialises every call on it (the link
// holds its own mutex around each one). An Event may be set, reset and waited on from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace serial {

// --- Errors -------------------------------------------------------------------------------------

// The small closed set of causes the link distinguishes; the OS text travels beside it.
enum class Cause {
    None,
    NotOpen,         // the port is closed
    NotFound,        // no such device (or the COM number maps to nothing); for a network
                     // endpoint: refused, unreachable or an unknown host
    Busy,            // in use by another open
    AccessDenied,    // no permission
    InvalidArgument, // a setting the device or the OS does not accept
    Timeout,         // a write did not finish within the write timeouts; a network endpoint
                     // that did not answer in time
    HungUp,          // the device went away (adapter pulled, other end of a pty closed, the
                     // network connection closed or reset)
    Aborted,         // a wait given up on request (the abort event of a write)
    Other,
};

struct Error {
    Cause cause = Cause::None;
    int code = 0;     // the OS error number, 0 when the cause was found without one
    std::string text; // the OS's text for code, or a short description

    explicit operator bool() const { return cause != Cause::None; }
};

// Turns the system's error number (errno on POSIX, GetLastError() on Windows) into a cause,
// keeping the system's text. The only place that classifies.
Error ErrorFromSystem(int code);
Error MakeError(Cause cause, const std::string& text);
const char* CauseName(Cause cause);

// --- Settings -----------------------------------------------------------------------------------

// Line settings as the definition text "baud=115200 parity=N data=8 stop=1" names them.
// parity is one of N, E, O, M (mark), S (space).
struct LineSettings {
    int baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
};

// Applies a definition text to settings: each key given replaces its value, keys left out keep
// theirs. Keys (case-insensitive): baud (> 0), parity (N E O M S, either case), data (5..8),
// stop (1 or 2); separated by blanks. Returns false, and leaves settings unchanged, on an unknown
// key, a repeated key, a malformed token or a value out of range.
bool ParseDefinition(const std::string& text, LineSettings& settings);

// Timeouts in milliseconds, as the port's time-out block names them. A write must finish within
// writeTotalMultiplier * bytes + writeTotalConstant (no limit when both are 0); a read of a byte
// that is not yet queued waits at most readTotalMultiplier + readTotalConstant. There is no
// equivalent of the interval timeout: single-byte reads have no interval between bytes.
struct Timeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;
};

// Bits of the port's event mask.
namespace event {
constexpr std::uint32_t kRxChar = 0x0001;
constexpr std::uint32_t kRxFlag = 0x0002;
constexpr std::uint32_t kCts = 0x0008;
constexpr std::uint32_t kBreak = 0x0040;
constexpr std::uint32_t kErr = 0x0080;
constexpr std::uint32_t kRing = 0x0100;
} // namespace event

enum class RtsControl { Disable, Enable };

// The port state read, adjusted and written back when a port is configured. The line is always
// raw: no echo, no line editing, no character translation, and neither XON/XOFF nor RTS/CTS flow
// control, because frames carry every byte value including 0x11 and 0x13.
struct PortState {
    LineSettings line;
    char eventChar = 0; // kept for the event mask's kRxFlag; POSIX has no event character
    RtsControl rts = RtsControl::Disable;
};

// --- Objects ------------------------------------------------------------------------------------

// A manual-reset event: stays set until reset; setting it twice is the same as once.
class Event {
public:
    Event() = default;
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    Error Create(); // not set after creation
    void Close();
    bool IsValid() const { return m_fd >= 0; }
    void Set();
    void Reset();
    bool IsSet() const;
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

struct WaitObjects;
struct WaitResult;
class NetworkPort;

// One open serial device. What the OS needs for it (a descriptor, a handle and its overlapped
// blocks) lives in the backend's own implementation struct, out of sight of the callers.
class Port {
public:
    Port();
    ~Port();
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // Opens the device for reading and writing, non-blocking, and exclusively: a second open of
    // the same device, from this process or another, fails with Cause::Busy. Closes any device
    // this object had open first. A network endpoint's URL connects to it within about two
    // seconds (an rfc2217:// one also negotiates the COM port control option); whether a second
    // connection is taken is the server's to decide.
    Error Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_impl != nullptr || m_network != nullptr; }

    Error SetTimeouts(const Timeouts& timeouts);
    const Timeouts& GetTimeouts() const { return m_timeouts; }
    // kRxChar makes the port object of a wait signal on input. The other bits are kept and
    // reported by the caller on every port event (where the system has no such event, as CTS,
    // break, line errors, ring and the event character have none that poll reports).
    Error SetEventMask(std::uint32_t mask);
    std::uint32_t GetEventMask() const { return m_eventMask; }
    Error GetState(PortState& state) const;
    // A network endpoint takes the line settings as they are; an rfc2217:// one sets them on the
    // server, with no flow control, and fails (Cause::InvalidArgument, saying what the server put
    // in force instead) unless the server answers with the same settings in time: right after
    // the open, within the open's two seconds.
    Error SetState(const PortState& state);

    // Discards what was received and not read yet, and aborts transfers still pending. Output the
    // device has taken is not thrown away: every write waits until it has gone.
    Error Purge();
    Error InputQueueCount(std::size_t& count) const;
    // Reads one byte. got is false when none arrived within the read timeouts. A device that went
    // away gives Cause::HungUp.
    Error ReadByte(std::uint8_t& byte, bool& got);
    // Writes all bytes and waits until the device has sent them, bounded by the write timeouts.
    // When abort is given and becomes set meanwhile, the write gives up with Cause::Aborted (the
    // bytes already taken by the device stay taken).
    Error Write(const std::uint8_t* data, std::size_t count, const Event* abort = nullptr);

private:
    friend WaitResult WaitForAny(const WaitObjects& objects);
    struct Impl;                            // the system's device, one per OS backend
    std::unique_ptr<Impl> m_impl;           // null unless a device is open
    std::unique_ptr<NetworkPort> m_network; // null unless a network endpoint is open

    // The device's side of the calls above, one implementation per OS; the calls themselves
    // (serial_port.cpp) choose between the device and the network endpoint.
    Error OpenDevice(const std::string& path);
    void CloseDevice();
    Error DeviceSetTimeouts(const Timeouts& timeouts);
    Error DeviceSetEventMask(std::uint32_t mask);
    Error DeviceGetState(PortState& state) const;
    Error DeviceSetState(const PortState& state);
    Error DevicePurge();
    Error DeviceInputQueueCount(std::size_t& count) const;
    Error DeviceReadByte(std::uint8_t& byte, bool& got);
    Error DeviceWrite(const std::uint8_t* data, std::size_t count, const Event* abort);

    Timeouts m_timeouts;
    std::uint32_t m_eventMask = 0;
    char m_eventChar = 0;
    RtsControl m_rts = RtsControl::Disable;
};

// --- Waiting ------------------------------------------------------------------------------------

// The three objects a worker waits on, in priority order. port may be null or closed: it then
// takes no part in the wait.
struct WaitObjects {
    const Event* stop = nullptr;
    const Event* write = nullptr;
    const Port* port = nullptr;
};

enum class Signalled { Stop, Write, Port, Failed };

struct WaitResult {
    Signalled object = Signalled::Failed;
    bool hangUp = false; // with Port: the device reported a hang-up or an error (for a network
                         // endpoint: the other end closed and everything it sent has been read)
    Error error;         // with Failed
};

// Waits without time limit until one of the objects is signalled. When several are, the first in
// the order stop, write, port wins.
WaitResult WaitForAny(const WaitObjects& objects);

} // namespace serial
