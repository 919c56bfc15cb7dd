// The commands of sgctl. Each reads its own arguments (a usage error before the line is touched),
// talks to the generator through the session's line, prints its results on the session's out and
// returns the exit code; failures on the way are thrown as CFailure.
#pragma once

#include "link/timing_calc.h"
#include "link/user_timing_record.h"
#include "tools/sgctl/session.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sgctl {

using Args = std::vector<std::string>;

int CmdSearch(const Args& args, CSession& s);
int CmdStatus(const Args& args, CSession& s);
int CmdSet(const Args& args, CSession& s);
int CmdOutput(const Args& args, CSession& s);
int CmdSignal(const Args& args, CSession& s);
int CmdReset(const Args& args, CSession& s);
int CmdUserTiming(const Args& args, CSession& s);
int CmdEdid(const Args& args, CSession& s);
int CmdRaw(const Args& args, CSession& s);
int CmdTiming(const Args& args, CSession& s);
int CmdPlan(const Args& args, CSession& s);

// Reads FORMULA SIZE@RATE (or the VIC or DMT id) and the formula's options from args[first] on
// and calculates the timing; json, when given, takes --json. A usage error names command; a
// request no formula defines is refused (exit 2) with the reason.
timing_calc::Timing CalculateFromArgs(const Args& args, std::size_t first,
                                      const std::string& command, bool* json);

// The usage text of a command ("" for an unknown one).
const char* CommandUsage(const std::string& command);

// A user timing record of slot 1..10 as a JSON object on one line (the keys of `status --json`)
// and as one readable line.
std::string UserTimingJson(int slot, const UserTimingRecord::Bytes& record);
std::string UserTimingLine(int slot, const std::uint8_t* record);

// A usage error: the message on one line and where to find the usage, exit 2.
[[noreturn]] void UsageError(const std::string& command, const std::string& message);
// Throws a file failure (exit 6) when path cannot be opened for reading.
void RequireReadable(const std::string& path);

bool FileExists(const std::string& path);
// Writes the bytes to path, replacing it; the reason when that fails ("" when written).
std::string WriteFile(const std::string& path, const std::string& bytes);

} // namespace sgctl
