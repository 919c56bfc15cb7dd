// The serial link engine: opening and configuring a COM port, the worker's wait loop, byte-wise
// delivery of input, one-frame transmission.
#include "link/serial_link.h"

#include "link/conversation.h"
#include "platform/serial/network_endpoint.h"
#include "platform/serial/port_map.h"

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <cstring>
#include <system_error>

namespace {

// A queue count above this is taken for a broken status read, not for input.
constexpr std::size_t kMaxQueued = 50000;
constexpr std::uint32_t kTimeoutMs = 1000;
constexpr char kEventChar = 'q';

std::atomic<bool> g_failNextWorkerStart{false};

bool DebugLogEnabled() {
    static const bool enabled = std::getenv("KESTRELON_DEBUG") != nullptr;
    return enabled;
}

} // namespace

CSerialLink::CSerialLink() = default;

CSerialLink::~CSerialLink() {
    Close();
}

std::string CSerialLink::PortName(UINT nPort) {
    char name[32];
    std::snprintf(name, sizeof name, nPort < 10 ? "COM%u" : "\\\\.\\COM%u", nPort);
    return name;
}

bool CSerialLink::Open(ui::MessageTarget* pOwner, UINT nPort, UINT nBaud, char cParity,
                       UINT nDataBits, UINT nStopBits, std::uint32_t dwEventMask,
                       int nTxBufferSize) {
    StopWorkerAndWait();
    m_lastOpenError = serial::Error{};
    m_lastOpenDevice.clear();

    for (serial::Event* event : {&m_hWriteEvent, &m_hStopEvent}) {
        if (event->IsValid()) {
            event->Reset();
        } else if (serial::Error e = event->Create()) {
            ReportError("create the events", e);
            return false;
        }
    }
    m_waitHandles = serial::WaitObjects{&m_hStopEvent, &m_hWriteEvent, &m_hPort};

    m_pOwner = pOwner;
    m_nTxBufferSize = nTxBufferSize > 0 ? nTxBufferSize : 0;
    const std::size_t allocated = m_nTxBufferSize > 0 ? m_nTxBufferSize : 1;
    m_pTxBuffer.reset(new std::uint8_t[allocated]());
    m_pTxFrame.reset(new std::uint8_t[allocated]());
    m_nPortNumber = nPort;
    m_dwEventMask = dwEventMask;

    std::lock_guard<std::mutex> lock(m_lock);
    ClosePort();

    const std::string name = PortName(nPort);
    char definition[96];
    std::snprintf(definition, sizeof definition, "baud=%u parity=%c data=%u stop=%u", nBaud,
                  cParity, nDataBits, nStopBits);

    // On this platform the port map says which device the COM number stands for; a number that
    // maps to nothing fails at once.
    const std::string path = serial::ResolveComPort(static_cast<int>(nPort));
    m_lastOpenDevice = path;
    m_lastOpenError = path.empty()
                          ? serial::MakeError(serial::Cause::NotFound, name + " maps to no device")
                          : m_hPort.Open(path);
    if (m_lastOpenError) {
        ReportError("open the port", m_lastOpenError);
        return false;
    }
    m_bPortHeld.store(true);

    // Each step only after the previous one succeeded; the port keeps whatever configuration it
    // has when one fails.
    serial::Error e;
    // A frame must leave within kWriteLimitMs whatever its length: the write bound does not grow
    // with the byte count, so a port that never drains fails in a bounded time.
    m_timeouts = serial::Timeouts{kTimeoutMs, kTimeoutMs, kTimeoutMs, 0,
                                  static_cast<std::uint32_t>(kWriteLimitMs)};
    if ((e = m_hPort.SetTimeouts(m_timeouts))) {
        ReportError("set the time-outs", e);
    } else if ((e = m_hPort.SetEventMask(m_dwEventMask))) {
        ReportError("set the event mask", e);
    } else if ((e = m_hPort.GetState(m_portConfig))) {
        ReportError("read the line settings", e);
    } else {
        m_portConfig.eventChar = kEventChar;
        m_portConfig.rts = serial::RtsControl::Enable;
        if (!serial::ParseDefinition(definition, m_portConfig.line)) {
            ReportError("build the line settings",
                        serial::MakeError(serial::Cause::InvalidArgument, definition));
        } else if ((e = m_hPort.SetState(m_portConfig))) {
            ReportError("set the line settings", e);
            // A serial device server that did not take the line settings, or never answered
            // them, keeps its line at settings the generator may not speak, and nothing would
            // tell the operator: that open fails, with the server's answer as the reason.
            if (serial::IsNetworkUrl(path)) {
                ClosePort();
                m_lastOpenError = e;
                return false;
            }
        }
    }

    m_hPort.Purge();
    return true;
}

bool CSerialLink::StartWorker() {
    // Without the events of an Open the worker could never be stopped.
    if (m_bWorkerAlive.load() || !m_hStopEvent.IsValid() || !m_hWriteEvent.IsValid())
        return false;
    if (m_pWorker) {
        m_pWorker->join(); // a worker that ended after RequestStop
        m_pWorker.reset();
    }
    // The worker starts on an empty input queue. Purged here rather than by the new thread, so
    // that input arriving once this call has returned can never be lost to a late purge.
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_hPort.IsOpen())
            m_hPort.Purge();
    }
    if (g_failNextWorkerStart.exchange(false)) {
        ReportError("start the worker", serial::MakeError(serial::Cause::Other, "refused (test)"));
        return false;
    }
    m_deliveryCancel.Reset();
    // Alive from here on, so that an Open right after this call waits for the new worker even if
    // it has not run yet.
    m_bWorkerAlive.store(true);
    try {
        m_pWorker = std::make_unique<std::thread>(&CSerialLink::WorkerLoop, this);
    } catch (const std::system_error& error) {
        m_bWorkerAlive.store(false);
        ReportError("start the worker", serial::ErrorFromSystem(error.code().value()));
        return false;
    }
    return true;
}

void CSerialLink::FailNextWorkerStartForTesting() {
    g_failNextWorkerStart.store(true);
}

void CSerialLink::Write(const void* pData, int nCount, const char* note) {
    if (!m_pTxBuffer || !m_hWriteEvent.IsValid() || nCount < 0 || nCount > m_nTxBufferSize ||
        (nCount > 0 && !pData)) {
        ReportError("take the frame", serial::MakeError(serial::Cause::InvalidArgument,
                                                        "frame does not fit the transmit buffer"));
        return;
    }
    std::lock_guard<std::mutex> tx(m_txLock);
    if (nCount > 0)
        std::memcpy(m_pTxBuffer.get(), pData, static_cast<std::size_t>(nCount));
    m_nTxLength = nCount;
    if (m_pRecorder)
        m_txNote = note ? note : "";
    m_hWriteEvent.Set();
}

void CSerialLink::RequestStop() {
    m_hStopEvent.Set();
    m_deliveryCancel.Cancel();
}

void CSerialLink::Close() {
    StopWorkerAndWait();
    std::lock_guard<std::mutex> lock(m_lock);
    ClosePort();
}

void CSerialLink::StopWorkerAndWait() {
    if (!m_pWorker)
        return;
    // The stop event stays set until the next Open resets it, so one Set is enough. The cancel
    // releases a worker blocked in a delivery, also one whose handler is running further up this
    // thread's stack (it could never return while this loop waits). The loop gives the worker
    // the processor and serves whatever else is queued.
    m_hStopEvent.Set();
    m_deliveryCancel.Cancel();
    const auto spinUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
    while (m_bWorkerAlive.load()) {
        ui::ServePendingDeliveries();
        if (std::chrono::steady_clock::now() < spinUntil)
            std::this_thread::yield();
        else // a worker finishing a long write: stop burning a shared core
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    m_pWorker->join();
    m_pWorker.reset();
}

void CSerialLink::WorkerLoop(CSerialLink* pLink) {
    CSerialLink& link = *pLink;
    link.m_bWorkerAlive.store(true);
    link.m_inputIdleSince = std::chrono::steady_clock::time_point{};
    for (;;) {
        // A closed port (gone away) takes no part in the wait; stop and write are still served.
        const serial::WaitResult result = serial::WaitForAny(link.m_waitHandles);
        switch (result.object) {
        case serial::Signalled::Stop: {
            std::lock_guard<std::mutex> lock(link.m_lock);
            link.ClosePort();
            link.m_bWorkerAlive.store(false);
            return;
        }
        case serial::Signalled::Write:
            link.TransmitPending();
            break;
        case serial::Signalled::Port:
            link.OnPortEvent(result.hangUp);
            break;
        case serial::Signalled::Failed:
            link.ReportError("wait on the port", result.error);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            break;
        }
    }
}

void CSerialLink::OnPortEvent(bool bHangUp) {
    // The configured mask decides what a port event does, not the events that occurred.
    bool bPresent = true;
    if (m_dwEventMask & serial::event::kRxChar)
        bPresent = ReceivePending();
    if (m_dwEventMask & serial::event::kCts)
        Notify(WM_LINK_CTS, 0);
    if (m_dwEventMask & serial::event::kBreak)
        Notify(WM_LINK_BREAK, 0);
    if (m_dwEventMask & serial::event::kErr)
        Notify(WM_LINK_ERR, 0);
    if (m_dwEventMask & serial::event::kRing)
        Notify(WM_LINK_RING, 0);
    if (m_dwEventMask & serial::event::kRxFlag)
        Notify(WM_LINK_RXFLAG, 0);
    if (bHangUp || !bPresent) {
        const serial::Error lost = serial::MakeError(serial::Cause::HungUp, "port hung up");
        ReportError("wait on the port", lost);
        PortFailed(lost);
    }
}

bool CSerialLink::ReceivePending() {
    std::size_t count = 0;
    serial::Error e;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        e = m_hPort.InputQueueCount(count);
    }
    // The first byte after a quiet line says so: whatever frame was in progress was cut short.
    const auto now = std::chrono::steady_clock::now();
    bool afterSilence = m_inputIdleSince == std::chrono::steady_clock::time_point{} ||
                        now - m_inputIdleSince >= std::chrono::milliseconds(kRxSilenceMs);
    while (!e && count >= 1 && count <= kMaxQueued) {
        std::uint8_t byte = 0;
        bool got = false;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            e = m_hPort.ReadByte(byte, got);
        }
        if (e) {
            ReportError("read the input", e);
            break;
        }
        if (got) {
            Notify(WM_LINK_RXCHAR, byte | (afterSilence ? LINK_RX_AFTER_SILENCE : 0));
            afterSilence = false;
        }
        std::lock_guard<std::mutex> lock(m_lock);
        e = m_hPort.InputQueueCount(count);
    }
    // Measured from here, after the owner has taken every byte: time the owner spent on a byte is
    // no silence of the line (bytes that arrived meanwhile were read above).
    m_inputIdleSince = std::chrono::steady_clock::now();
    // A port whose status or input cannot be read any more has gone away; waiting on it again
    // would only wake the worker at once, over and over.
    return !e;
}

void CSerialLink::TransmitPending() {
    int length = 0;
    std::string note;
    {
        std::lock_guard<std::mutex> tx(m_txLock);
        m_hWriteEvent.Reset();
        length = m_nTxLength;
        if (m_pRecorder)
            note.swap(m_txNote);
        if (length > 0)
            std::memcpy(m_pTxFrame.get(), m_pTxBuffer.get(), static_cast<std::size_t>(length));
    }
    serial::Error e;
    std::vector<std::uint8_t> dropped;
    const bool recording = m_pRecorder && m_pRecorder->Enabled();
    {
        // The purge drops bytes received but not yet read; the reply to this frame comes after.
        // While the conversation is recorded they are read out instead, so that every byte
        // dropped is shown: reading the queue until it is empty is the purge then (a byte that
        // comes after it would equally have come after the purge).
        std::lock_guard<std::mutex> lock(m_lock);
        if (!recording || !TakeUnread(dropped))
            m_hPort.Purge();
        e = m_hPort.Write(m_pTxFrame.get(), static_cast<std::size_t>(length), &m_hStopEvent);
    }
    if (!dropped.empty())
        m_pRecorder->Record(CConversation::Direction::Received, dropped.data(), dropped.size(),
                            "purged unread");
    if (m_pRecorder)
        m_pRecorder->Record(CConversation::Direction::Sent, m_pTxFrame.get(),
                            static_cast<std::size_t>(std::max(length, 0)),
                            e ? std::string("not sent: ") + serial::CauseName(e.cause) : "", note);
    if (e) {
        ReportError("write the frame", e);
        // A port that went away, or that did not take the frame within the limit (nobody reads
        // it), has failed; a write given up for a stop request has not.
        if (e.cause == serial::Cause::HungUp || e.cause == serial::Cause::Timeout)
            PortFailed(e);
    }
    // Also after a failed write, so that a caller pacing on it is never stalled.
    Notify(WM_LINK_TXEMPTY, 0);
}

bool CSerialLink::TakeUnread(std::vector<std::uint8_t>& bytes) {
    // A flood is not chased for ever: past the bound the purge takes the rest.
    constexpr std::size_t kMaxTaken = 64 * 1024;
    for (;;) {
        std::size_t count = 0;
        if (m_hPort.InputQueueCount(count))
            return false;
        if (count == 0)
            return true;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint8_t byte = 0;
            bool got = false;
            if (m_hPort.ReadByte(byte, got) || !got || bytes.size() >= kMaxTaken)
                return false;
            bytes.push_back(byte);
        }
    }
}

void CSerialLink::PortFailed(const serial::Error& error) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_hPort.IsOpen())
            return;
        ClosePort();
    }
    Notify(WM_LINK_LOST, static_cast<ui::WPARAM>(error.cause));
}

void CSerialLink::ClosePort() {
    m_hPort.Close();
    m_bPortHeld.store(false);
}

void CSerialLink::Notify(UINT message, ui::WPARAM wParam) {
    if (m_pOwner)
        m_pOwner->SendMessageCancellable(message, wParam, static_cast<ui::LPARAM>(m_nPortNumber),
                                         m_deliveryCancel);
}

CSerialLink::Failure CSerialLink::LastFailure() const {
    std::lock_guard<std::mutex> lock(m_failureLock);
    return m_lastFailure;
}

void CSerialLink::ReportError(const char* label, const serial::Error& error) {
    {
        std::lock_guard<std::mutex> lock(m_failureLock);
        m_lastFailure = Failure{label, error};
    }
    if (!DebugLogEnabled())
        return;
    std::fprintf(stderr, "kestrelon: COM%u: %s failed: %s (%s)\n", m_nPortNumber, label,
                 error.text.empty() ? "-" : error.text.c_str(), serial::CauseName(error.cause));
}
