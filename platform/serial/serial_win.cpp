// Win32 backend of the serial layer: an overlapped comm handle, Win32 events for the link, the
// comm event wait (WaitCommEvent) and WaitForMultipleObjects for the worker's wait.
//
// A port's handle and what it needs beside it (the overlapped blocks of the event wait and of the
// transfers, whether an event wait is pending) are its implementation struct, made by Open and
// dropped by Close. An event keeps its handle in the header's int (only the low 32 bits of a
// kernel handle are significant).
#include "platform/serial/serial_port.h"

#include <cstdio>
#include <memory>

#include <windows.h>

namespace serial {

namespace {

// Consecutive event waits that fail before the port's status decides: gone when it no longer
// reads, else the event wait is unusable on this port (wine aborts every wait on a
// pseudo-terminal with error 995) and the queue is polled instead. Re-arming a wait that fails
// at once, over and over, would only spin the worker.
constexpr int kMaxFailedWaits = 3;
constexpr DWORD kPollMs = 10;

struct NativePort {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED waitBlock{}; // the event wait; its event is the port event
    OVERLAPPED ioBlock{};   // single-byte reads and writes
    DWORD occurred = 0;     // filled by the event wait
    bool waitPending = false;
    int failedWaits = 0;
    bool polling = false; // the event wait failed too often: poll the input queue
};

HANDLE ToHandle(int value) {
    return LongToHandle(value);
}

int FromHandle(HANDLE handle) {
    return HandleToLong(handle);
}

std::string SystemText(DWORD code) {
    char buffer[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        text = "system error " + std::to_string(code);
    return text;
}

Error LastError() {
    return ErrorFromSystem(static_cast<int>(GetLastError()));
}

Error NotOpen() {
    return MakeError(Cause::NotOpen, "port not open");
}

// Waits for an overlapped transfer that did not complete at once; n gets the bytes moved.
bool FinishTransfer(HANDLE handle, OVERLAPPED& block, BOOL started, DWORD& n) {
    if (started)
        return GetOverlappedResult(handle, &block, &n, FALSE) != 0;
    if (GetLastError() != ERROR_IO_PENDING)
        return false;
    return GetOverlappedResult(handle, &block, &n, TRUE) != 0;
}

// The port's error and queue status; false when the port no longer answers.
bool QueueStatus(HANDLE handle, COMSTAT& status) {
    DWORD errors = 0;
    status = COMSTAT{};
    return ClearCommError(handle, &errors, &status) != 0;
}

} // namespace

// On this platform the OS error number is the thread's last Win32 error.
Error ErrorFromSystem(int code) {
    Error e;
    e.code = code;
    e.text = SystemText(static_cast<DWORD>(code));
    switch (static_cast<DWORD>(code)) {
    case ERROR_SUCCESS:
        e.cause = Cause::None;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        e.cause = Cause::NotFound;
        break;
    case ERROR_ACCESS_DENIED: // what opening a COM port held by another open gives
    case ERROR_SHARING_VIOLATION:
        e.cause = Cause::Busy;
        break;
    case ERROR_INVALID_PARAMETER:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
        e.cause = Cause::InvalidArgument;
        break;
    case ERROR_SEM_TIMEOUT:
    case WAIT_TIMEOUT:
    case ERROR_TIMEOUT:
        e.cause = Cause::Timeout;
        break;
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
        e.cause = Cause::HungUp;
        break;
    case ERROR_INVALID_HANDLE:
        e.cause = Cause::NotOpen;
        break;
    default:
        e.cause = Cause::Other;
        break;
    }
    return e;
}

// --- Event --------------------------------------------------------------------------------------

Event::~Event() {
    Close();
}

Error Event::Create() {
    Close();
    HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (handle == nullptr)
        return LastError();
    m_fd = FromHandle(handle);
    return {};
}

void Event::Close() {
    if (m_fd >= 0)
        CloseHandle(ToHandle(m_fd));
    m_fd = -1;
}

void Event::Set() {
    if (m_fd >= 0)
        SetEvent(ToHandle(m_fd));
}

void Event::Reset() {
    if (m_fd >= 0)
        ResetEvent(ToHandle(m_fd));
}

bool Event::IsSet() const {
    return m_fd >= 0 && WaitForSingleObject(ToHandle(m_fd), 0) == WAIT_OBJECT_0;
}

// --- Port ---------------------------------------------------------------------------------------

struct Port::Impl : NativePort {};

Port::Port() = default;

Port::~Port() {
    Close();
}

Error Port::Open(const std::string& path) {
    Close();
    // Not shared: a second open of the port fails while this one holds it.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return LastError();
    auto native = std::make_unique<Impl>();
    native->handle = handle;
    native->waitBlock.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    native->ioBlock.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (native->waitBlock.hEvent == nullptr || native->ioBlock.hEvent == nullptr) {
        const Error e = LastError();
        if (native->waitBlock.hEvent)
            CloseHandle(native->waitBlock.hEvent);
        if (native->ioBlock.hEvent)
            CloseHandle(native->ioBlock.hEvent);
        CloseHandle(handle);
        return e;
    }
    m_impl = std::move(native);
    m_timeouts = Timeouts{};
    m_eventMask = 0;
    m_eventChar = 0;
    m_rts = RtsControl::Disable;
    return {};
}

void Port::Close() {
    if (!m_impl)
        return;
    std::unique_ptr<Impl> native = std::move(m_impl);
    HANDLE handle = native->handle;
    bool blocksFree = true;
    if (native->waitPending) {
        // A pending event wait ends when the mask is cleared; the blocks it writes to must
        // outlive it.
        SetCommMask(handle, 0);
        CancelIo(handle);
        blocksFree = WaitForSingleObject(native->waitBlock.hEvent, 1000) == WAIT_OBJECT_0;
    }
    CloseHandle(handle);
    if (!blocksFree) {
        native.release(); // still owned by a wait the system never finished
        return;
    }
    CloseHandle(native->waitBlock.hEvent);
    CloseHandle(native->ioBlock.hEvent);
}

Error Port::SetTimeouts(const Timeouts& timeouts) {
    if (!m_impl)
        return NotOpen();
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.readInterval;
    t.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
    t.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
    t.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
    t.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
    if (!SetCommTimeouts(m_impl->handle, &t))
        return LastError();
    m_timeouts = timeouts;
    return {};
}

Error Port::SetEventMask(std::uint32_t mask) {
    if (!m_impl)
        return NotOpen();
    if (!SetCommMask(m_impl->handle, mask))
        return LastError();
    m_eventMask = mask;
    return {};
}

Error Port::GetState(PortState& state) const {
    if (!m_impl)
        return NotOpen();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_impl->handle, &dcb))
        return LastError();
    state.line.baud = static_cast<int>(dcb.BaudRate);
    static const char kParity[] = {'N', 'O', 'E', 'M', 'S'};
    state.line.parity = dcb.Parity <= SPACEPARITY ? kParity[dcb.Parity] : 'N';
    state.line.dataBits = dcb.ByteSize;
    state.line.stopBits = dcb.StopBits == TWOSTOPBITS ? 2 : 1;
    state.eventChar = dcb.EvtChar;
    state.rts = dcb.fRtsControl == RTS_CONTROL_ENABLE ? RtsControl::Enable : RtsControl::Disable;
    return {};
}

Error Port::SetState(const PortState& state) {
    if (!m_impl)
        return NotOpen();
    HANDLE handle = m_impl->handle;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb))
        return LastError();
    char definition[96];
    std::snprintf(definition, sizeof definition, "baud=%d parity=%c data=%d stop=%d",
                  state.line.baud, state.line.parity, state.line.dataBits, state.line.stopBits);
    if (!BuildCommDCBA(definition, &dcb))
        return LastError();
    dcb.EvtChar = state.eventChar;
    dcb.fRtsControl = state.rts == RtsControl::Enable ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    // The definition text leaves the flow control as it was, and with XON/XOFF on the frame
    // bytes 0x11 and 0x13 vanish: switch every kind off.
    dcb.fBinary = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE)
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(handle, &dcb))
        return LastError();
    m_eventChar = state.eventChar;
    m_rts = state.rts;
    return {};
}

Error Port::Purge() {
    if (!m_impl)
        return NotOpen();
    if (!PurgeComm(m_impl->handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
        return LastError();
    return {};
}

Error Port::InputQueueCount(std::size_t& count) const {
    count = 0;
    if (!m_impl)
        return NotOpen();
    COMSTAT status;
    if (!QueueStatus(m_impl->handle, status))
        return LastError();
    count = status.cbInQue;
    return {};
}

Error Port::ReadByte(std::uint8_t& byte, bool& got) {
    got = false;
    NativePort* native = m_impl.get();
    if (native == nullptr)
        return NotOpen();
    native->ioBlock.Offset = 0;
    native->ioBlock.OffsetHigh = 0;
    DWORD n = 0;
    const BOOL started = ReadFile(native->handle, &byte, 1, &n, &native->ioBlock);
    if (!FinishTransfer(native->handle, native->ioBlock, started, n)) {
        // A read whose time-outs ran out read nothing, which is no failure: Windows completes it
        // with 0 bytes, wine fails it with a time-out status.
        const DWORD error = GetLastError();
        if (error == WAIT_TIMEOUT || error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT)
            return {};
        return ErrorFromSystem(static_cast<int>(error));
    }
    got = n == 1;
    return {};
}

Error Port::Write(const std::uint8_t* data, std::size_t count, const Event* abort) {
    NativePort* native = m_impl.get();
    if (native == nullptr)
        return NotOpen();
    if (count == 0)
        return {};
    native->ioBlock.Offset = 0;
    native->ioBlock.OffsetHigh = 0;
    DWORD n = 0;
    const BOOL started =
        WriteFile(native->handle, data, static_cast<DWORD>(count), &n, &native->ioBlock);
    const DWORD startError = started ? ERROR_SUCCESS : GetLastError();
    if (!started && startError != ERROR_IO_PENDING)
        return ErrorFromSystem(static_cast<int>(startError));
    if (!started && abort && abort->IsValid()) {
        // The write timeouts bound the transfer; the abort event ends the wait sooner. A
        // cancelled transfer still completes (aborted) before its block may be reused.
        HANDLE events[2] = {native->ioBlock.hEvent, ToHandle(abort->Fd())};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            CancelIo(native->handle);
            GetOverlappedResult(native->handle, &native->ioBlock, &n, TRUE);
            return MakeError(Cause::Aborted, "write given up");
        }
    }
    if (!GetOverlappedResult(native->handle, &native->ioBlock, &n, started ? FALSE : TRUE))
        return LastError();
    if (n < count)
        return MakeError(Cause::Timeout, "write timed out");
    return {};
}

// --- Waiting ------------------------------------------------------------------------------------

namespace {

// Waits on stop and write, looking at the port's input queue every few milliseconds.
WaitResult PollQueue(const HANDLE* events, NativePort& native) {
    WaitResult result;
    for (;;) {
        const DWORD r = WaitForMultipleObjects(2, events, FALSE, kPollMs);
        if (r == WAIT_OBJECT_0 || r == WAIT_OBJECT_0 + 1) {
            result.object = r == WAIT_OBJECT_0 ? Signalled::Stop : Signalled::Write;
            return result;
        }
        if (r != WAIT_TIMEOUT) {
            result.error = LastError();
            return result;
        }
        COMSTAT status;
        if (!QueueStatus(native.handle, status)) {
            result.object = Signalled::Port;
            result.hangUp = true;
            result.error = LastError();
            return result;
        }
        if (status.cbInQue > 0) {
            result.object = Signalled::Port;
            return result;
        }
    }
}

} // namespace

WaitResult WaitForAny(const WaitObjects& objects) {
    WaitResult result;
    HANDLE handles[3];
    DWORD count = 0;
    handles[count++] =
        objects.stop && objects.stop->IsValid() ? ToHandle(objects.stop->Fd()) : nullptr;
    handles[count++] =
        objects.write && objects.write->IsValid() ? ToHandle(objects.write->Fd()) : nullptr;
    if (handles[0] == nullptr || handles[1] == nullptr) {
        result.error = MakeError(Cause::NotOpen, "no stop or write event");
        return result;
    }

    NativePort* native = nullptr;
    if (objects.port && objects.port->IsOpen() && objects.port->GetEventMask() != 0)
        native = objects.port->m_impl.get();
    if (native && native->polling)
        return PollQueue(handles, *native);
    if (native) {
        // Arm the comm event wait unless one is still pending from an earlier call (the stop or
        // write event won that one). A wait that completes at once with nothing queued is armed
        // again; one with input signals the port event, so that stop and write still come first.
        for (int armed = 0; native && !native->waitPending; ++armed) {
            ResetEvent(native->waitBlock.hEvent);
            native->occurred = 0;
            if (WaitCommEvent(native->handle, &native->occurred, &native->waitBlock)) {
                native->failedWaits = 0;
                COMSTAT status;
                if (!QueueStatus(native->handle, status)) {
                    result.object = Signalled::Port;
                    result.hangUp = true;
                    return result;
                }
                if (status.cbInQue > 0 || armed >= 16) {
                    SetEvent(native->waitBlock.hEvent);
                    break;
                }
                continue;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                native->waitPending = true;
            } else if (error == ERROR_INVALID_PARAMETER) {
                // Not an error: a wait is outstanding already. The port event takes no part.
                native = nullptr;
            } else if (++native->failedWaits >= kMaxFailedWaits) {
                native->polling = true;
            } else {
                result.error = ErrorFromSystem(static_cast<int>(error));
                return result; // Failed: the caller reports it and waits again
            }
            break;
        }
    }
    if (native && native->polling)
        return PollQueue(handles, *native);
    if (native)
        handles[count++] = native->waitBlock.hEvent;

    const DWORD r = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0) {
        result.object = Signalled::Stop;
    } else if (r == WAIT_OBJECT_0 + 1) {
        result.object = Signalled::Write;
    } else if (r == WAIT_OBJECT_0 + 2 && native) {
        result.object = Signalled::Port;
        if (native->waitPending) {
            native->waitPending = false;
            DWORD n = 0;
            if (GetOverlappedResult(native->handle, &native->waitBlock, &n, FALSE)) {
                native->failedWaits = 0;
            } else {
                // An aborted wait is no event: the queue tells whether there is input, and
                // repeated aborts switch to polling.
                if (++native->failedWaits >= kMaxFailedWaits)
                    native->polling = true;
                COMSTAT status;
                if (!QueueStatus(native->handle, status))
                    result.hangUp = true;
                else if (status.cbInQue == 0)
                    return WaitForAny(objects);
            }
        }
    } else {
        result.object = Signalled::Failed;
        result.error = LastError();
    }
    return result;
}

} // namespace serial
