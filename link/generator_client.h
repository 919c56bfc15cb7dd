// The generator as a program talks to it: one object per generator, each call one exchange run to
// its end, synchronously, with a result that says what happened. It opens a port (a COM number,
// a device path, or a serial device server's URL) or searches the COM ports as the console does,
// reads the whole state back as the console does after connecting, sets a setting and confirms
// it by the generator's own report, stores a user timing with the console's waits, and reads an
// EDID. sgctl, the test plans and the Python module are built on it; the console steps through
// the same exchanges (link/exchanges.h) on its timers.
//
// No thread, no window. A call blocks for as long as its exchange takes (a reply's window, 400 ms
// unless the options say otherwise, and the waits of the exchange); the object may be used from
// any one thread at a time.
#pragma once

#include "link/exchanges.h"
#include "link/frame.h"
#include "link/generator_line.h"
#include "link/setting_keys.h"
#include "link/user_timing_checks.h"
#include "link/user_timing_record.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace client {

enum class Outcome {
    Done,
    Refused,   // a choice the console refuses, or a value no setting takes
    NoAnswer,  // no reply in time: a silent port, no generator
    Different, // the generator answered differently than asked
    PortError, // the port is missing, busy, not ours to use, or went away
};

// The exit code of the command-line tools for an outcome (0, 2, 3, 4, 5).
int ExitCodeOf(Outcome outcome);

struct Result {
    Outcome outcome = Outcome::Done;
    std::string message; // what to tell the user; empty when done
    bool Ok() const { return outcome == Outcome::Done; }
};

struct Options {
    frame::DeviceAddress address; // stamped into every request (00:00 by default)
    int timeoutMs = 400;          // how long a reply may take to begin
    bool timeoutGiven = false;    // the search then waits as long on every port
    CFrameLog* log = nullptr;     // every frame, when given
};

// The state the status read-back collects: the twelve items in read-back order (timing,
// pattern, colour space, colour depth, HDCP, HDMI/DVI, sample rate, audio bits, audio source,
// channel of the output in force, hot plug, signal), the ten user timing records, the status
// summary and the output in force.
struct Status {
    std::array<int, exchange::kStatusItems> items{};
    std::array<UserTimingRecord::Bytes, exchange::kUserSlots> userTimings{};
    std::array<std::uint8_t, 6> summary{};
    bool hdmiOutput = true;
    std::string port; // what messages call the port it was read on ("COM5")

    int Item(exchange::Item item) const { return items[static_cast<std::size_t>(item)]; }
};

// A setting confirmed: its code and the name the console shows for it.
struct SetDone {
    int code = 0;
    std::string name;
};

// "COM5" / "com5" -> 5 (1..99); 0 for anything else, which names a device path or a URL.
int ComNumber(const std::string& port);

// What the search found on one port of the map: a generator (its port and the address it
// answered from), or why the port was passed over ("busy", "permission", "refused" (a device
// server's endpoint), "missing" (a device that is not there), "no answer", "line settings
// refused", or the port's own failure), with the OS's words.
struct Probed {
    int com = 0;
    bool found = false;
    frame::DeviceAddress address;
    std::string reason; // when not found
    std::string detail; // the OS's text, or the frames seen that were not the answer
    std::string Port() const { return "COM" + std::to_string(com); }
};

class CGeneratorClient {
public:
    explicit CGeneratorClient(const Options& options = Options());
    ~CGeneratorClient();
    CGeneratorClient(const CGeneratorClient&) = delete;
    CGeneratorClient& operator=(const CGeneratorClient&) = delete;

    // Opens the port (without asking anything of the generator).
    Result Open(const std::string& port);
    // Whether the last Open failed because another program holds the port.
    bool OpenFoundBusy() const { return m_bOpenBusy; }
    // Sends the search frame on the open port and waits for "found".
    Result Probe();
    // Searches COM1..COM99: every port the map resolves is opened and sent the console's search
    // frame at once, each on a thread of its own with the line settings and the window of a
    // later port of the console's search (or the timeout given), so that the whole search takes
    // one window. Stays on the lowest-numbered port where a generator answers; every other port
    // is closed again. probed, when given, gets what became of each port, in COM order.
    Result Search(std::vector<Probed>* probed = nullptr);
    // The same search, staying on no port: done when at least one generator answered.
    Result SearchAll(std::vector<Probed>& probed);
    bool IsOpen() const;
    // What messages call the port ("COM5", or the device path or URL given).
    std::string PortName() const;
    void Close();

    // The status read-back, as the console runs it after connecting.
    Result ReadStatus(Status& status);
    // Which output is selected.
    Result QueryOutput(bool& hdmi);

    // Sets KEY (a key of setting_keys.h, or "output" or "signal") to VALUE (a code, or a name the
    // console shows for one, in any case; "hdmi"/"sdi", "on"/"off"), refused as the console
    // refuses, and confirmed: done only when the generator reports the value asked for.
    Result Set(const std::string& key, const std::string& value, SetDone* done = nullptr);
    Result SetOutput(bool hdmi);
    Result SetSignal(bool on);
    // Back to the factory settings; done when the generator acknowledges.
    Result Reset();

    // User timing slot 1..10, as the console numbers them ("User Define 1".."User Define 10").
    Result FetchUserTiming(int slot, UserTimingRecord::Bytes& record);
    // Checks the values as the Timing details page does, stores them (leaving the slot's timing
    // first when it is in force, with the page's waits), reads the slot back and compares, and
    // selects the slot's timing again when it was in force.
    Result StoreUserTiming(int slot, const rules::UserTimingValues& values,
                           UserTimingRecord::Bytes* stored = nullptr);

    // The EDID of source 0 (the attached display) or 1..6 (saved EDID n).
    Result ReadEdid(int source, exchange::EdidBytes& image);

    // Any request; the reply frame with the same word.
    Result Raw(std::uint16_t word, const std::vector<std::uint8_t>& payload,
               std::vector<std::uint8_t>& replyFrame);

    // The line itself, open, for what the calls above do not cover; nullptr when closed.
    CLine* Line();

private:
    template <class F> Result Run(F body);
    CLine& Open_();
    bool ProbeOn(CLine& line, int windowMs, CReply* answer = nullptr);
    // Probes every port of the map at once; the line of the lowest that answered, when keep.
    std::unique_ptr<CLine> ProbeAll(std::vector<Probed>& probed, bool keep);
    int ProbeWindow(bool firstPort) const;
    [[noreturn]] void OpenFailure(const std::string& name, const std::string& device,
                                  const serial::Error& error);
    void SendSetting(std::uint16_t word, const std::vector<std::uint8_t>& payload);
    void ReadStatus_(Status& status);
    SetDone SetKey(const CKeyInfo& key, const std::string& value);
    void Switch(const char* what, const char* first, const char* second, bool toFirst,
                std::uint16_t setWord, std::uint16_t queryWord, const char* queryWhat);
    UserTimingRecord::Bytes Fetch(int index);

    Options m_options;
    CFrameLog m_noLog;
    std::unique_ptr<CLine> m_line;
    bool m_bOpen = false;
    bool m_bOpenBusy = false;
};

} // namespace client
