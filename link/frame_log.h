// The frame log line: one frame on the serial line, in either direction, as one line of text.
//   "<seconds> TX|RX <hex bytes>[  (<note>)]"
// Seconds with six decimals, counted from whatever origin the writer chooses (the emulator: its
// start; sgctl: the Unix epoch, so that the logs of several runs merge in time order); bytes as
// two lower-case hex digits each, separated by one blank; the note says what became of the frame.
// Shared by the console, the emulator and sgctl so that their logs read and compare alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace framelog {

std::string FormatLine(double seconds, const char* direction, const std::uint8_t* bytes,
                       std::size_t count, const std::string& note = std::string());

} // namespace framelog
