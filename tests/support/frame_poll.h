// Waiting for the request frames a console sends, as they reach the far side of a pseudo-terminal:
// the event loop runs meanwhile, so the link's worker is served and the console keeps working.
#pragma once

#include "platform/ui/dialog.h"
#include "support/pty_peer.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace testsupport {

// The frames that reach peer until at least want of them have come or the time is up; bytes of a
// frame not complete by then are dropped.
inline std::vector<std::vector<std::uint8_t>> AwaitFrames(PtyPeer& peer, std::size_t want,
                                                          int withinMs = 1500) {
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> pending;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
    while (std::chrono::steady_clock::now() < end && frames.size() < want) {
        ui::ProcessEvents(2);
        const std::vector<std::uint8_t> got = peer.Receive(std::chrono::milliseconds(3));
        pending.insert(pending.end(), got.begin(), got.end());
        frames = SplitFrames(pending);
    }
    ui::ProcessEvents(5); // what the last frame's transmission notifies
    return frames;
}

// The command words of those frames.
inline std::vector<std::uint16_t> AwaitWords(PtyPeer& peer, std::size_t want, int withinMs = 1500) {
    std::vector<std::uint16_t> words;
    for (const auto& f : AwaitFrames(peer, want, withinMs))
        words.push_back(FrameWord(f));
    return words;
}

} // namespace testsupport
