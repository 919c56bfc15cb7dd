// The generator on the wire, without the port: received bytes in, reply frames out. It puts the
// request parser and the generator together and applies the misbehaviour options that concern
// bytes (silence, corrupt checksums, dropped bytes, address announcement, vanishing). The ones
// that concern time (delay, line-rate pacing) belong to whoever writes the bytes out.
#pragma once

#include "link/command_words.h"
#include "link/frame.h"
#include "tools/sgsim/generator.h"
#include "tools/sgsim/request_parser.h"

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace sgsim {

struct CMisbehaviour {
    bool bSilent = false;  // apply settings but never send a byte
    int nCorruptEvery = 0; // every n-th frame sent gets a wrong checksum (0: never)
    int nDropEvery = 0;    // every n-th byte sent is left out (0: never)
    int nNoiseBefore = 0;  // this many bytes that start no frame go before every frame sent
    int nStrayWord = -1;   // after every reply, a frame with this command word (-1: none)
    // Replies carry this address instead of the device's own (requests still go by the own).
    bool bReplyAddress = false;
    frame::DeviceAddress replyAddress;
    bool bAnnounce = false; // send the 0xf801 address report after the reply to wAnnounceAfter
    std::uint16_t wAnnounceAfter = cmd::QueryStatusSummary;
    int nVanishAfter = 0; // vanish once this many requests have been answered (0: never)
    // After a reset the generator is busy restoring its defaults: it answers none of this many
    // requests that follow (the reset itself is acknowledged).
    int nResetSilence = 0;
    // Requests with this command word are neither applied nor answered, as by a generator that
    // does not take that setting (-1: none).
    int nIgnoreWord = -1;
    // Chaos: each answered request may get a fault of its own, drawn from this seed: silence, a
    // reply later than any window, garbage before it, a frame whose length is too short or off by
    // a little, a dropped byte, a wrong checksum, an address report; and now and then the device
    // vanishes (the server brings it back after a while).
    bool bChaos = false;
    unsigned nChaosSeed = 1;
    // Every request frame that is not well formed (its checksum does not add up) is reported.
    bool bStrict = false;
};

// One frame going out: the bytes as they go on the line, and what was done to them.
struct COutFrame {
    FrameBytes abBytes;
    std::string strNote;
    int nDelayMs = 0; // sent this much later than the replies' usual delay
};

// One line per frame: "<seconds> RX|TX <hex bytes>[  (<note>)]" (link/frame_log.h).
std::string FormatLogLine(double seconds, const char* direction, const std::uint8_t* bytes,
                          std::size_t count, const std::string& note);

class CEmulator {
public:
    using LogSink = std::function<void(const char* direction, const FrameBytes& bytes,
                                       const std::string& note)>;

    explicit CEmulator(CMisbehaviour misbehaviour = {})
        : m_misbehaviour(misbehaviour), m_chaos(misbehaviour.nChaosSeed) {}

    // Takes received bytes; returns the frames to send, in order.
    std::vector<COutFrame> Feed(const std::uint8_t* data, std::size_t count);
    std::vector<COutFrame> Feed(const FrameBytes& data) { return Feed(data.data(), data.size()); }

    // All bytes to send for the given input, frames concatenated.
    FrameBytes FeedBytes(const FrameBytes& data);

    // The line went quiet in mid-frame (see CRequestParser::Abandon).
    std::vector<COutFrame> Abandon();
    bool InFrame() const { return m_parser.InFrame(); }

    // True once the vanish count has been reached; later input is ignored.
    bool VanishDue() const { return m_bVanishDue; }
    int RequestsAnswered() const { return m_nAnswered; }
    // The device is back on a new line after vanishing: it answers again, from a clean parser.
    void ComeBack();
    // Request frames whose checksum did not add up (always counted; reported with bStrict).
    int MalformedRequests() const { return m_nMalformed; }

    // Receives every frame seen (RX, with what became of it) and, when bLogSent is true, every
    // frame produced (TX). A server that sends frames later logs TX itself, when it sends them.
    void SetLog(LogSink sink, bool bLogSent) {
        m_log = std::move(sink);
        m_bLogSent = bLogSent;
    }

    CGenerator& Generator() { return m_generator; }
    const CMisbehaviour& Misbehaviour() const { return m_misbehaviour; }

private:
    void Process(const CRawFrame& raw, std::vector<COutFrame>& out);
    void Send(FrameBytes bytes, std::vector<COutFrame>& out);
    // Appends a frame as it is (logged as sent when the emulator logs its own output).
    void Emit(FrameBytes bytes, std::string note, std::vector<COutFrame>& out);
    // Chaos: the replies to one request, with the fault drawn for it.
    void SendWithChaos(const std::vector<FrameBytes>& replies, std::vector<COutFrame>& out);

    CMisbehaviour m_misbehaviour;
    CGenerator m_generator;
    CRequestParser m_parser;
    LogSink m_log;
    bool m_bLogSent = true;
    long m_nFramesSent = 0;
    long m_nBytesSent = 0;
    int m_nAnswered = 0;
    bool m_bVanishDue = false;
    int m_nMalformed = 0;
    int m_nResetSilenceLeft = 0;
    std::mt19937 m_chaos;
};

} // namespace sgsim
