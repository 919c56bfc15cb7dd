#include "tools/sgsim/frame_logger.h"

namespace sgsim {

void CFrameLogger::Attach(CEmulator& emulator, Sink sink) {
    m_sink = std::move(sink);
    if (!m_sink) {
        emulator.SetLog(nullptr, false);
        return;
    }
    emulator.SetLog(
        [this](const char* direction, const FrameBytes& bytes, const std::string& note) {
            m_sink(
                FormatLogLine(Seconds(Clock::now()), direction, bytes.data(), bytes.size(), note));
        },
        false);
}

void CFrameLogger::Sent(Clock::time_point when, const FrameBytes& bytes,
                        const std::string& note) const {
    if (m_sink)
        m_sink(FormatLogLine(Seconds(when), "TX", bytes.data(), bytes.size(), note));
}

double CFrameLogger::Seconds(Clock::time_point t) const {
    return std::chrono::duration<double>(t - m_start).count();
}

} // namespace sgsim
