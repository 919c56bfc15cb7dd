// CSerialLink: one COM port and one worker thread. Opens and configures the port, sends one frame
// at a time, and hands every received byte, one by one, to the owner window as WM_LINK_RXCHAR,
// plus WM_LINK_TXEMPTY after every transmission attempt and WM_LINK_LOST once when the port fails
// under it (link/link_messages.h). All notifications are synchronous: the worker waits until the
// owner's thread has handled each one, unless it is told to stop meanwhile.
//
// Threads: the owner's thread calls Open, StartWorker, Write, RequestStop, Close and the
// destructor; the worker runs WorkerLoop, ReceivePending and TransmitPending. m_lock is held
// around every call on the port, never across a notification.
//
// The owner's thread never waits long for the worker: a stop request releases a worker blocked in
// a notification (whose handler may be further up the owner's own stack) and ends a write in
// progress, and a write gives up after kWriteLimitMs.
#pragma once

#include "link/link_messages.h"
#include "platform/serial/serial_port.h"
#include "platform/ui/message_target.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CConversation;

class CSerialLink {
public:
    using UINT = ui::UINT;

    CSerialLink();
    virtual ~CSerialLink();
    CSerialLink(const CSerialLink&) = delete;
    CSerialLink& operator=(const CSerialLink&) = delete;

    // Stops a running worker, then opens COM nPort (1..99) through the port map and configures
    // it. True once the device is open, even when a configuration step failed (that step is
    // reported and the port keeps whatever configuration it has); false when it could not be
    // opened, which leaves the link closed without a worker. A network endpoint whose server
    // does not take the line settings counts as not opened, with the server's answer as the
    // reason.
    bool Open(ui::MessageTarget* pOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
              UINT nStopBits, std::uint32_t dwEventMask, int nTxBufferSize);
    // Starts the worker; false when a worker is already running or the thread could not start.
    bool StartWorker();
    // Copies the frame into the transmit buffer and wakes the worker; returns at once. A frame
    // written before the worker took the previous one replaces it. A count above the buffer size
    // given to Open, or a write before any Open, is refused and sends nothing.
    // note: what the frame is to the owner ("search probe"), kept with it for the recorder.
    void Write(const void* pData, int nCount, const char* note = nullptr);
    // Asks the worker to close the port and end; does not wait. Releases the worker from a
    // notification it is blocked in: no further notification of this worker is handled.
    void RequestStop();
    // Stops the worker (waiting for it) and closes the port; for a port opened without a worker.
    void Close();

    bool IsWorkerAlive() const { return m_bWorkerAlive.load(); }
    // True while the link holds an open port: from a successful Open until the worker closes it
    // (stop, or the port went away) or the next Open. Never waits for the worker.
    bool IsOpen() const { return m_bPortHeld.load(); }
    UINT GetPortNumber() const { return m_nPortNumber; }
    // Why the last Open could not open the device (no cause after one that could), and the
    // device it tried (empty when the COM number mapped to none). Owner's thread only.
    const serial::Error& LastOpenError() const { return m_lastOpenError; }
    const std::string& LastOpenDevice() const { return m_lastOpenDevice; }
    // The last failed system call of either thread, by what the link was doing ("write the
    // frame", "wait on the port" ...), for the debug log and tests.
    struct Failure {
        std::string label;
        serial::Error error;
    };
    Failure LastFailure() const;

    // The longest a frame may take to leave: a port that does not take it by then has failed.
    static constexpr int kWriteLimitMs = 1000;

    // Where the frames the link sends are recorded as they leave (null: nowhere). Set while no
    // worker runs.
    void SetRecorder(CConversation* recorder) { m_pRecorder = recorder; }

    // Makes the next StartWorker fail as if the thread could not be created (tests only).
    static void FailNextWorkerStartForTesting();

    // "COM%d" for ports 1..9, "\\.\COM%d" (the device-namespace form) from 10 on.
    static std::string PortName(UINT nPort);

private:
    static void WorkerLoop(CSerialLink* pLink);
    // Returns false when the port turned out to have gone away.
    bool ReceivePending();
    void TransmitPending();
    void OnPortEvent(bool bHangUp);
    // Records a failed system call; shows nothing. Logged on stderr when KESTRELON_DEBUG is set.
    void ReportError(const char* label, const serial::Error& error = serial::Error{});
    void Notify(UINT message, ui::WPARAM wParam);
    // The port went away under the worker or did not take a frame: close it, so it is no longer
    // waited on and the device can come back under its name, and tell the owner once. Later
    // writes fail and still give WM_LINK_TXEMPTY.
    void PortFailed(const serial::Error& error);
    // Signals stop until the worker has ended, serving deliveries meanwhile: the worker may be
    // blocked handing a notification to this very thread.
    void StopWorkerAndWait();

    int m_nTxLength = 1;
    serial::Port m_hPort;                    // closed when the link is closed
    std::unique_ptr<std::thread> m_pWorker;  // set by StartWorker
    std::mutex m_lock;                       // held around every call on m_hPort
    std::atomic<bool> m_bWorkerAlive{false}; // polled by Open and the destructor
    serial::Event m_hWriteEvent;             // a transmission is requested
    serial::Event m_hStopEvent;              // the worker must close the port and end
    serial::WaitObjects m_waitHandles;       // stop, write, port, in this order
    // There is no overlapped-I/O block: reads and writes are non-blocking calls, and readiness
    // of the port's descriptor is the port event.
    serial::Timeouts m_timeouts;
    serial::PortState m_portConfig;
    ui::MessageTarget* m_pOwner = nullptr;
    UINT m_nPortNumber = 0;
    std::unique_ptr<std::uint8_t[]> m_pTxBuffer;
    std::uint32_t m_dwEventMask = 0;
    int m_nTxBufferSize = 0;

    // Hand-over of a frame from Write to the worker. Write copies into m_pTxBuffer under
    // m_txLock; the worker, under the same lock, resets the write event and copies the frame
    // into m_pTxFrame, and writes that copy. A Write during a transmission therefore only
    // prepares the next frame and can never change bytes on the line; and a Write either lands
    // before the copy (and is sent by it) or sets the event again after it (and is sent next).
    std::mutex m_txLock;
    std::unique_ptr<std::uint8_t[]> m_pTxFrame;
    std::string m_txNote; // under m_txLock, with the frame in m_pTxBuffer

    // Mirrors m_hPort.IsOpen() for the owner's thread, which must not read the port the worker
    // may be closing. Changed only with m_lock held, by ClosePort and Open.
    std::atomic<bool> m_bPortHeld{false};
    void ClosePort(); // caller holds m_lock
    // Reads the bytes waiting in the input queue until it is empty, for the recorder: that is the
    // purge. False when it could not be emptied so (a read failed, or a flood): then the caller
    // purges the rest. Caller holds m_lock.
    bool TakeUnread(std::vector<std::uint8_t>& bytes);

    CConversation* m_pRecorder = nullptr;
    // Releases the worker from a delivery when it must stop (see RequestStop).
    ui::DeliveryCancel m_deliveryCancel;
    // Worker only: when the input queue was last seen empty, to flag a byte after silence.
    std::chrono::steady_clock::time_point m_inputIdleSince{};
    serial::Error m_lastOpenError;
    std::string m_lastOpenDevice;
    mutable std::mutex m_failureLock; // the worker and the owner's thread both report
    Failure m_lastFailure;
};
