// Reading the far side of the wine tests' serial cable: what a port has queued, byte by byte.
#pragma once

#include "platform/serial/serial_port.h"

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace winetest {

// Reads what the port has queued until want bytes arrived or the time is up.
inline std::vector<std::uint8_t> Drain(serial::Port& port, std::size_t want,
                                       std::chrono::milliseconds within = std::chrono::seconds(3)) {
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + within;
    while (got.size() < want && std::chrono::steady_clock::now() < end) {
        std::size_t queued = 0;
        if (port.InputQueueCount(queued) || queued == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        std::uint8_t byte = 0;
        bool read = false;
        if (port.ReadByte(byte, read))
            break;
        if (read)
            got.push_back(byte);
    }
    return got;
}

} // namespace winetest
