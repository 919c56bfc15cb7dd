// sgctl against the generator emulator on pseudo-terminals of a temporary port map, and on TCP
// ports as a serial device server: every command, every exit code, names and codes both ways, the
// JSON keys, and a line that misbehaves (late, corrupt, cut, silent, gone, another device
// answering, an endpoint that refuses or never answers) failing clearly and in bounded time.
#include "edid/edid_file.h"
#include "link/command_words.h"
#include "link/frame.h"
#include "link/setting_keys.h"
#include "link/user_timing_record.h"
#include "platform/serial/serial_port.h"
#include "support/pty_peer.h"
#include "support/tcp_peer.h"
#include "tools/sgctl/sgctl.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/pty_server.h"
#include "tools/sgsim/tcp_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
    double seconds = 0;
};

// Runs sgctl in this process.
Result RunSgctl(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const Clock::time_point start = Clock::now();
    Result r;
    r.code = sgctl::Run(args, out, err);
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.out = out.str();
    r.err = err.str();
    return r;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The emulator served on a pseudo-terminal mapped as COMn, from a thread of its own. Its state
// is set before Start and read after Stop; the words it received are recorded as they come.
class Generator {
public:
    Generator(testsupport::PortMap& map, int com, sgsim::CMisbehaviour misbehaviour = {},
              int delayMs = 0)
        : m_emulator(misbehaviour) {
        m_options.nCom = com;
        m_options.strPortsDir = map.Dir();
        m_options.nDelayMs = delayMs;
        m_emulator.SetLog(
            [this](const char* direction, const sgsim::FrameBytes& bytes, const std::string&) {
                if (std::string(direction) != "RX" || bytes.size() < 10)
                    return;
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(bytes);
            },
            false);
    }
    ~Generator() { Stop(); }

    sgsim::CGeneratorState& State() { return m_emulator.Generator().State(); }

    // Serves on a TCP port of the loopback address instead, as a serial device server.
    void OverTcp(bool rfc2217, int fixedBaud = 0) {
        m_tcpOptions.bRfc2217 = rfc2217;
        m_tcpOptions.nFixedBaud = fixedBaud;
        m_bTcp = true;
    }
    // The URL COMn holds when served over TCP.
    std::string Url() const { return m_tcp ? m_tcp->Url() : std::string(); }

    void Start() {
        std::string error;
        if (m_bTcp) {
            m_tcp = std::make_unique<sgsim::CTcpServer>(m_emulator, m_options, m_tcpOptions);
            ASSERT_TRUE(m_tcp->Open(error)) << error;
        } else {
            m_server = std::make_unique<sgsim::CPtyServer>(m_emulator, m_options);
            ASSERT_TRUE(m_server->Open(error)) << error;
        }
        ASSERT_EQ(0, pipe(m_stop));
        m_end = std::async(std::launch::async, [this] {
            return m_tcp ? m_tcp->Run(m_stop[0]) : m_server->Run(m_stop[0]);
        });
    }
    void Stop() {
        if (!m_end.valid())
            return;
        const char b = 1;
        EXPECT_EQ(1, write(m_stop[1], &b, 1));
        m_end.get();
        if (m_tcp)
            m_tcp->Close();
        else
            m_server->Close();
        close(m_stop[0]);
        close(m_stop[1]);
    }

    std::vector<Bytes> Requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    std::vector<std::uint16_t> Words() {
        std::vector<std::uint16_t> words;
        for (const Bytes& f : Requests())
            words.push_back(static_cast<std::uint16_t>(f[7] | (f[8] << 8)));
        return words;
    }
    int Count(std::uint16_t word) {
        int n = 0;
        for (std::uint16_t w : Words())
            n += w == word;
        return n;
    }

private:
    sgsim::CEmulator m_emulator;
    sgsim::CServerOptions m_options;
    std::unique_ptr<sgsim::CPtyServer> m_server;
    bool m_bTcp = false;
    sgsim::CTcpOptions m_tcpOptions;
    std::unique_ptr<sgsim::CTcpServer> m_tcp;
    int m_stop[2] = {-1, -1};
    std::future<sgsim::CPtyServer::End> m_end;
    std::mutex m_mutex;
    std::vector<Bytes> m_requests;
};

// A generator that is the emulator but for what the test changes: requests it drops never reach
// the emulator, and each reply may be edited on its way out (its checksum made right again).
class TamperedGenerator {
public:
    TamperedGenerator(testsupport::PortMap& map, int com, std::function<bool(const Bytes&)> drop,
                      std::function<void(Bytes&)> edit = nullptr,
                      frame::DeviceAddress address = {0x01, 0x01})
        : m_peer(map, com), m_drop(std::move(drop)), m_edit(std::move(edit)) {
        m_emulator.Generator().State().address = address;
        m_thread = std::thread([this] { Serve(); });
    }
    ~TamperedGenerator() {
        m_stop = true;
        m_thread.join();
    }

private:
    void Serve() {
        Bytes pending;
        while (!m_stop) {
            const Bytes in = m_peer.Receive(10ms);
            pending.insert(pending.end(), in.begin(), in.end());
            while (!pending.empty()) {
                if (pending[0] != 0xAA) {
                    pending.erase(pending.begin());
                    continue;
                }
                if (pending.size() < 5)
                    break;
                const std::size_t size = (pending[3] | (pending[4] << 8)) + 5u;
                if (pending.size() < size)
                    break;
                const Bytes request(pending.begin(), pending.begin() + static_cast<long>(size));
                pending.erase(pending.begin(), pending.begin() + static_cast<long>(size));
                if (m_drop(request))
                    continue;
                for (sgsim::COutFrame& f : m_emulator.Feed(request)) {
                    if (m_edit) {
                        m_edit(f.abBytes);
                        f.abBytes.back() = frame::Checksum(f.abBytes.data(), f.abBytes.size() - 1);
                    }
                    m_peer.Send(f.abBytes);
                }
            }
        }
    }

    testsupport::PtyPeer m_peer;
    sgsim::CEmulator m_emulator;
    std::function<bool(const Bytes&)> m_drop;
    std::function<void(Bytes&)> m_edit;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::uint16_t WordOf(const Bytes& frame) {
    return static_cast<std::uint16_t>(frame[7] | (frame[8] << 8));
}

// A small JSON reader for the checks: flattens the document into paths ("names.timing",
// "user_timings[3].clock_mhz") and the text of their values (strings without their quotes).
// Anything that is not JSON fails the parse.
class JsonPaths {
public:
    bool Parse(const std::string& text) {
        m_text = text;
        m_pos = 0;
        m_values.clear();
        if (!Value(""))
            return false;
        Blank();
        return m_pos == m_text.size();
    }
    std::string operator[](const std::string& path) const {
        const auto it = m_values.find(path);
        return it == m_values.end() ? "<missing>" : it->second;
    }
    bool Has(const std::string& path) const { return m_values.count(path) > 0; }

private:
    void Blank() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool Eat(char c) {
        Blank();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool String(std::string& s) {
        if (!Eat('"'))
            return false;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            char c = m_text[m_pos++];
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c == '\\') {
                if (m_pos >= m_text.size())
                    return false;
                const char e = m_text[m_pos++];
                static const std::string kSimple = "\"\\/bfnrt";
                if (e == 'u') {
                    if (m_pos + 4 > m_text.size())
                        return false;
                    m_pos += 4;
                    c = '?';
                } else if (kSimple.find(e) == std::string::npos) {
                    return false;
                } else {
                    c = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
                }
            }
            s += c;
        }
        return Eat('"');
    }
    bool Value(const std::string& path) {
        Blank();
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            if (Eat('}'))
                return true;
            do {
                std::string key;
                if (!String(key) || !Eat(':') || !Value(path.empty() ? key : path + "." + key))
                    return false;
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            ++m_pos;
            int i = 0;
            if (Eat(']'))
                return true;
            do {
                if (!Value(path + "[" + std::to_string(i++) + "]"))
                    return false;
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"') {
            std::string s;
            if (!String(s))
                return false;
            m_values[path] = s;
            return true;
        }
        const std::size_t start = m_pos;
        for (const char* word : {"true", "false", "null"}) {
            if (m_text.compare(m_pos, std::strlen(word), word) == 0) {
                m_pos += std::strlen(word);
                m_values[path] = word;
                return true;
            }
        }
        if (m_pos < m_text.size() && m_text[m_pos] == '-')
            ++m_pos;
        if (m_pos >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
            return false;
        while (m_pos < m_text.size() &&
               (std::isdigit(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '.' ||
                m_text[m_pos] == 'e' || m_text[m_pos] == 'E' || m_text[m_pos] == '+' ||
                m_text[m_pos] == '-'))
            ++m_pos;
        m_values[path] = m_text.substr(start, m_pos - start);
        return true;
    }

    std::string m_text;
    std::size_t m_pos = 0;
    std::map<std::string, std::string> m_values;
};

class Sgctl : public ::testing::Test {
protected:
    testsupport::PortMap m_map;
};

// --- The search and the port ------------------------------------------------------------------

TEST_F(Sgctl, SearchSkipsMissingAndSilentPortsAndFindsTheGenerator) {
    testsupport::PtyPeer silent(m_map, 1); // opens, never answers
    Generator generator(m_map, 3);
    generator.Start();

    const Result found = RunSgctl({"--address", "01:00", "search"});
    EXPECT_EQ(0, found.code) << found.err;
    EXPECT_EQ("COM3\n", found.out);
    // The search frame, with the address given, reached the silent port first.
    const Bytes probe = silent.Receive(100ms);
    ASSERT_EQ(10u, probe.size());
    EXPECT_EQ((Bytes{0xAA, 0x00, 0x00, 0x05, 0x00, 0x01, 0x00, 0x02, 0xF8}),
              Bytes(probe.begin(), probe.begin() + 9));

    // Without --port every command searches first, then works on the port found.
    const Result set = RunSgctl({"set", "pattern", "5"});
    EXPECT_EQ(0, set.code) << set.err;
    EXPECT_EQ((std::vector<std::uint16_t>{cmd::Search, cmd::Search, cmd::QueryOutputInterface,
                                          cmd::SetPattern, cmd::QueryPattern}),
              generator.Words());

    generator.Stop();
    m_map.Unmap(3);
    const Result none = RunSgctl({"search"});
    EXPECT_EQ(3, none.code);
    EXPECT_TRUE(Contains(none.err, "no generator answered the search on COM1..COM99")) << none.err;
    EXPECT_TRUE(Contains(none.err, "no answer on COM1")) << none.err;
    EXPECT_LT(none.seconds, 3.0) << "missing ports are skipped at once";
    EXPECT_EQ(3, RunSgctl({"--port", "COM1", "search"}).code);
}

TEST_F(Sgctl, SearchProbesEveryPortAtOnceAndListsEveryGenerator) {
    std::vector<std::unique_ptr<testsupport::PtyPeer>> silent;
    for (int com = 1; com <= 8; ++com)
        silent.push_back(std::make_unique<testsupport::PtyPeer>(m_map, com));
    serial::Port holder; // another program holds COM5
    ASSERT_FALSE(holder.Open(m_map.Dir() + "/COM5"));
    m_map.Map(10, m_map.Dir() + "/gone"); // an entry whose device is not there
    Generator first(m_map, 9);
    Generator second(m_map, 12);
    second.State().address = {0x02, 0x05};
    first.Start();
    second.Start();

    // The generator behind eight ports that never answer, in one window.
    Result r = RunSgctl({"search"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("COM9\n", r.out);
    EXPECT_LT(r.seconds, 1.5) << "one window, not one per port";
    // Each silent port got exactly the console's search frame, once.
    const Bytes probe = silent[0]->Receive(100ms);
    EXPECT_EQ((Bytes{0xAA, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02, 0xF8, 0x57}), probe);

    r = RunSgctl({"search", "--all", "--verbose"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("COM9\t01:01\nCOM12\t02:05\n", r.out);
    EXPECT_LT(r.seconds, 1.5);
    for (const char* passed :
         {"sgctl: COM1 passed over: no answer\n", "sgctl: COM5 passed over: busy",
          "sgctl: COM10 passed over: missing"})
        EXPECT_TRUE(Contains(r.err, passed)) << passed << "\n" << r.err;
    EXPECT_FALSE(Contains(r.err, "COM9")) << r.err;
    EXPECT_EQ(1, first.Count(cmd::Search) - 1) << "once per search";

    r = RunSgctl({"search", "--all", "--json"});
    JsonPaths json;
    ASSERT_TRUE(json.Parse(r.out)) << r.out;
    EXPECT_EQ("COM12", json["[1].port"]);
    EXPECT_EQ("02:05", json["[1].address"]);
    EXPECT_EQ(2, RunSgctl({"--port", "COM9", "search", "--all"}).code);
}

TEST_F(Sgctl, StatusWatchPrintsEachChangeUntilThePortIsGone) {
    Generator generator(m_map, 2);
    generator.Start();
    Result watched;
    std::thread watch([&watched] {
        watched = RunSgctl({"--port", "2", "status", "--watch", "0.2", "--json"});
    });
    // The watch releases the port between readings: another program sets the pattern.
    Result set;
    for (int i = 0; i < 50 && set.code != 0; ++i) {
        std::this_thread::sleep_for(50ms);
        set = RunSgctl({"--port", "COM2", "set", "pattern", "SMPTE"});
    }
    EXPECT_EQ(0, set.code) << set.err;
    std::this_thread::sleep_for(600ms);
    generator.Stop();
    watch.join();
    EXPECT_EQ(5, watched.code);
    EXPECT_TRUE(Contains(watched.err, "sgctl: the watch of COM2 ends\n")) << watched.err;

    // The first reading in full, then a line for the change alone (JSON Lines).
    std::istringstream lines(watched.out);
    std::vector<std::string> records;
    for (std::string line; std::getline(lines, line);)
        records.push_back(line);
    ASSERT_EQ(2u, records.size()) << watched.out;
    JsonPaths json;
    ASSERT_TRUE(json.Parse(records[0])) << records[0];
    EXPECT_EQ("COM2", json["port"]);
    EXPECT_EQ("0", json["pattern"]);
    ASSERT_TRUE(json.Parse(records[1])) << records[1];
    EXPECT_EQ("pattern", json["changed[0]"]);
    EXPECT_FALSE(json.Has("changed[1]"));
    EXPECT_EQ("34", json["pattern"]);
    EXPECT_EQ("SMPTE", json["names.pattern"]);
    EXPECT_EQ('Z', json["time"].back());
    EXPECT_EQ(24u, json["time"].size()) << json["time"];
}

TEST_F(Sgctl, PortErrorsSayWhyAndExitFive) {
    // A bare number is the COM number the console shows.
    for (const char* port : {"COM9", "9", "09"}) {
        const Result missing = RunSgctl({"--port", port, "status"});
        EXPECT_EQ(5, missing.code);
        EXPECT_EQ(0u, missing.err.find("sgctl: COM9: no such port")) << missing.err;
    }
    const Result path = RunSgctl({"--port", "/nonexistent/tty", "status"});
    EXPECT_EQ(5, path.code);
    EXPECT_TRUE(Contains(path.err, "/nonexistent/tty: no such port")) << path.err;

    Generator generator(m_map, 4);
    generator.Start();
    {
        serial::Port holder; // another program holds the port
        ASSERT_FALSE(holder.Open(m_map.Dir() + "/COM4"));
        const Result busy = RunSgctl({"--port", "COM4", "status"});
        EXPECT_EQ(5, busy.code);
        EXPECT_TRUE(Contains(busy.err, "port in use")) << busy.err;
        EXPECT_TRUE(Contains(busy.err, "Another program is using")) << busy.err;
    }
    EXPECT_EQ(0, RunSgctl({"--port", "COM4", "raw", "8061"}).code) << "a closed port is free again";
    generator.Stop();

    // The device goes away in the middle of the read-back.
    sgsim::CMisbehaviour vanish;
    vanish.nVanishAfter = 5;
    Generator vanishing(m_map, 5, vanish);
    vanishing.Start();
    const Result gone = RunSgctl({"--port", "COM5", "status"});
    EXPECT_EQ(5, gone.code) << gone.err;
    EXPECT_TRUE(Contains(gone.err, "port went away")) << gone.err;
    EXPECT_LT(gone.seconds, 5.0);

    // A port that never takes the bytes: the write gives up instead of hanging.
    testsupport::PtyPeer stuck(m_map, 6);
    ASSERT_TRUE(stuck.FillOutput());
    const Result full = RunSgctl({"--port", "COM6", "raw", "8061"});
    EXPECT_EQ(5, full.code) << full.err;
    EXPECT_TRUE(Contains(full.err, "timed out")) << full.err;
    EXPECT_LT(full.seconds, 10.0);
}

// --- status -----------------------------------------------------------------------------------

TEST_F(Sgctl, StatusReadsEverythingBackAsTheConsoleDoes) {
    Generator generator(m_map, 2);
    sgsim::CSettings& s = generator.State().settings;
    s.nTiming = 65; // user timing slot 3
    s.nPattern = 34;
    s.nHdcp = 1;
    s.nOutputInterface = 1; // SDI
    s.nChannelsSdi = 5;
    s.nChannelsHdmi = 11;
    s.nSignal = 1;
    generator.State().bHotPlug = false;
    // 1080i59.94 in slot 3: 540 lines a field.
    const Bytes record = {3,    0xFA, 0x1C, 0x03, 0x80, 0x07, 0x18, 0x01, 0x58, 0x00,
                          0x2C, 0x00, 0x1C, 0x02, 0x16, 0x00, 0x02, 0x00, 0x05, 0x00};
    std::copy(record.begin(), record.end(), generator.State().userTimings[3].begin());
    generator.Start();

    const Result r = RunSgctl({"--port", "COM2", "status", "--json"});
    ASSERT_EQ(0, r.code) << r.err;
    JsonPaths json;
    ASSERT_TRUE(json.Parse(r.out)) << r.out;
    for (const char* key :
         {"port", "output", "timing", "pattern", "color_space", "color_depth", "hdcp", "hdmi_dvi",
          "sample_rate", "audio_bits", "audio_source", "channel", "signal", "hotplug"})
        EXPECT_TRUE(json.Has(key)) << key;
    EXPECT_FALSE(json.Has("interface")) << "output and hdmi_dvi say which interface";
    EXPECT_EQ("COM2", json["port"]);
    EXPECT_EQ("hdmi", json["hdmi_dvi"]) << "the HDMI output's mode, whichever output is in force";
    EXPECT_EQ("65", json["timing"]);
    EXPECT_EQ("34", json["pattern"]);
    EXPECT_EQ("1", json["hdcp"]);
    EXPECT_EQ("5", json["channel"]) << "the channel setting of the SDI output in force";
    EXPECT_EQ("sdi", json["output"]);
    EXPECT_EQ("off", json["signal"]);
    EXPECT_EQ("false", json["hotplug"]);
    // The panel's words: the user timing by its record, the SDI output's fixed words.
    EXPECT_EQ("1920x1080i(60)", json["names.timing"]);
    EXPECT_EQ("SMPTE", json["names.pattern"]);
    EXPECT_EQ("SDI", json["names.hdmi_dvi"]);
    EXPECT_EQ("OFF", json["names.hdcp"]);
    EXPECT_EQ("YUV4:2:2", json["names.color_space"]);
    EXPECT_EQ("CH5,6,7,8", json["names.channel"]);
    EXPECT_EQ("false", json["hotplug"]);
    EXPECT_EQ("OFF", json["names.hotplug"]) << "one spelling per key, at the top and in names";
    for (int slot = 0; slot < 10; ++slot) {
        const std::string p = "user_timings[" + std::to_string(slot) + "].";
        EXPECT_EQ(std::to_string(slot + 1), json[p + "slot"]) << "slots 1..10";
        for (const char* key :
             {"record", "clock_mhz", "h_active", "h_blank", "hs_offset", "hs_width", "v_active",
              "v_blank", "vs_offset", "vs_width", "interlaced", "hsync_positive", "vsync_positive"})
            EXPECT_TRUE(json.Has(p + key)) << p + key;
    }
    EXPECT_EQ("03fa1c038007180158002c001c02160002000500", json["user_timings[3].record"]);
    EXPECT_EQ("74.18", json["user_timings[3].clock_mhz"]);
    EXPECT_EQ("540", json["user_timings[3].v_active"]);
    EXPECT_EQ("true", json["user_timings[3].interlaced"]);
    EXPECT_EQ("false", json["user_timings[3].vsync_positive"]);
    EXPECT_EQ("1280", json["user_timings[0].h_active"]);

    // The read-back's requests in the console's order; the SDI channel query follows the output
    // report.
    std::vector<std::uint16_t> expected = {0x8061, 0x8062, 0x8063, 0x8064, 0x8065, 0x8066,
                                           0x8067, 0x8068, 0x8069, 0x806b, 0xb839, 0x80ab};
    expected.insert(expected.end(), 10, cmd::FetchUserTiming);
    expected.insert(expected.end(), {0x80a9, 0x8082, 0x806a});
    EXPECT_EQ(expected, generator.Words());
    const std::vector<Bytes> requests = generator.Requests();
    for (int slot = 0; slot < 10; ++slot)
        EXPECT_EQ(slot, requests[12 + slot][9]);

    const Result text = RunSgctl({"--port", "COM2", "status"});
    EXPECT_EQ(0, text.code);
    EXPECT_TRUE(Contains(text.out, "Timing:       1920x1080i(60) (65)")) << text.out;
    EXPECT_TRUE(Contains(text.out, "Channels:     CH5,6,7,8 (5)")) << text.out;
    EXPECT_TRUE(Contains(text.out, "Hot Plug:     OFF (0)")) << text.out;
}

// --- set, output, signal, reset, raw ----------------------------------------------------------

TEST_F(Sgctl, SetTakesCodesAndNamesAndIsDoneWhenTheGeneratorReportsTheValue) {
    Generator generator(m_map, 2);
    generator.Start();
    auto set = [](const std::string& key, const std::string& value) {
        return RunSgctl({"--port", "COM2", "set", key, value});
    };
    Result r = set("timing", "1920x1080I(50)");
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("timing 25 (1920x1080i(50))\n", r.out);
    EXPECT_EQ("pattern 34 (SMPTE)\n", set("pattern", "smpte").out);
    EXPECT_EQ("pattern 33 (Gradient)\n", set("pattern", "0x21").out);
    EXPECT_EQ("color_space 4 (AUTO)\n", set("color_space", "auto").out);
    EXPECT_EQ("audio_source 3 (Ext. Stereo)\n", set("audio_source", "Ext. Stereo").out);
    EXPECT_EQ("sample_rate 1 (44.1K)\n", set("sample_rate", "44.1K").out);
    EXPECT_EQ("channel 11 (5.1CH)\n", set("channel", "11").out);
    r = set("channel", "5.1CH"); // three HDMI layouts have that name
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "fits the codes 11 13 23")) << r.err;
    EXPECT_EQ(0, RunSgctl({"--port", "COM2", "output", "sdi"}).code);
    EXPECT_EQ("channel 7 (OFF)\n", set("channel", "off").out) << "the SDI list";
    EXPECT_EQ(0, RunSgctl({"--port", "COM2", "signal", "off"}).code);
    generator.Stop();
    const sgsim::CSettings s = generator.State().settings;
    EXPECT_EQ(25, s.nTiming);
    EXPECT_EQ(33, s.nPattern);
    EXPECT_EQ(4, s.nColorSpace);
    EXPECT_EQ(3, s.nAudioSource);
    EXPECT_EQ(1, s.nSampleRate);
    EXPECT_EQ(11, s.nChannelsHdmi);
    EXPECT_EQ(7, s.nChannelsSdi);
    EXPECT_EQ(1, s.nOutputInterface);
    EXPECT_EQ(1, s.nSignal);

    // --list gives the page's entry first, then every other name that is the code's alone.
    const Result list = RunSgctl({"set", "timing", "--list"});
    EXPECT_EQ(0, list.code);
    for (const char* line :
         {"\n20\t1080p(60)\t1920x1080p(60)\n", "\n38\tUHD(4:2:0)(60)\t3840x2160p(60)\n",
          "\n45\t720p_3D(59.94)FP\n", "\n53\t720p_3D(50)SbS\n",
          "\n61\tAuto (Output timing based on EDID of sink device)\tAUTO\n",
          "\n62\tUser Define 1\n", "\n71\tUser Define 10\n"})
        EXPECT_TRUE(Contains(list.out, line)) << line << list.out;
    const Result channels = RunSgctl({"set", "channel", "--list"});
    EXPECT_TRUE(
        Contains(channels.out, "\n2\t3: 3CH        FC_FR_FL\t3CH        FC_FR_FL\tFC_FR_FL\n"))
        << channels.out;
    EXPECT_TRUE(Contains(channels.out, "\n7\t8: OFF\tOFF\n")) << channels.out;
}

// Every name a list shows is taken back as its code: no two codes share one.
TEST_F(Sgctl, EveryListedNameIsItsCodeAlone) {
    for (const client::CKeyInfo& key : client::Keys()) {
        for (const bool hdmi : {true, false}) {
            for (int code = 0; code <= client::MaxCode(key.key, hdmi); ++code) {
                const std::vector<std::string> names = client::ListedNames(key.key, code, hdmi);
                EXPECT_FALSE(names.empty()) << key.name << " " << code;
                for (const std::string& name : names) {
                    int parsed = -1;
                    std::string error;
                    EXPECT_TRUE(client::ParseValue(key.key, name, hdmi, parsed, error))
                        << key.name << " " << name << ": " << error;
                    EXPECT_EQ(code, parsed) << key.name << " " << name;
                }
            }
        }
    }
}

TEST_F(Sgctl, SetTakesEveryNameTheConsoleShows) {
    Generator generator(m_map, 2);
    generator.Start();
    auto set = [](const std::string& key, const std::string& value) {
        return RunSgctl({"--port", "COM2", "set", key, value});
    };
    struct Case {
        const char* key;
        const char* value;
        const char* done;
    };
    for (const Case& c : {
             Case{"timing", "1080p(60)", "timing 20 (1920x1080p(60))\n"},
             Case{"timing", "uhd(30)", "timing 28 (3840x2160p(30))\n"},
             Case{"timing", "DCI 4K(4:2:0)(59.94)", "timing 42 (4096x2160p(59.94))\n"},
             Case{"timing", "720p_3d(50)sbs", "timing 53 (720P_3D(50)SbS)\n"},
             Case{"timing", "user define 3", "timing 64\n"},
             Case{"hdcp", "HDCP ON", "hdcp 1 (ON)\n"},
             Case{"channel", "3: 3CH FC_FR_FL", "channel 2 (3CH)\n"},
             Case{"channel", "rc_fr_fl", "channel 4 (3CH)\n"},
         }) {
        const Result r = set(c.key, c.value);
        EXPECT_EQ(0, r.code) << c.value << ": " << r.err;
        EXPECT_EQ(c.done, r.out) << c.value;
    }
    Result r = set("timing", "720p_3D(50)"); // three 3D groups have that caption
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "fits the codes 48 53 59")) << r.err;

    // A saved user timing by the caption the Timing page shows for it.
    r = RunSgctl({"--port", "COM2", "user-timing", "set", "6", "--from", "cvt-rb", "2560x1440@60"});
    ASSERT_EQ(0, r.code) << r.err;
    r = set("timing", "2560X1440(60)");
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("timing 67\n", r.out);
    r = set("timing", "2560x1440(50)");
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "nor a saved user timing's")) << r.err;
    EXPECT_EQ(2, set("timing", "nothing").code);
    generator.Stop();
    EXPECT_EQ(67, generator.State().settings.nTiming);
}

TEST_F(Sgctl, ChoicesTheConsoleRefusesAreRefusedWithItsWordsAndNothingIsSent) {
    Generator generator(m_map, 2);
    generator.State().settings.nTiming = 40; // UHD 50 Hz, 4:2:0
    generator.Start();
    auto set = [](const std::string& key, const std::string& value) {
        return RunSgctl({"--port", "COM2", "set", key, value});
    };
    struct Case {
        const char* key;
        const char* value;
        const char* message;
    };
    for (const Case& c : {
             Case{"color_space", "YUV4:4:4",
                  "When in 4K(60Hz/50Hz) mode, the colorspace is fixed to YUV4:2:0 !"},
             Case{"color_depth", "12bit", "When in 4K mode, Color Depth is fixed to 24bit !"},
             Case{"timing", "72", "the console sends codes 0..71"},
             Case{"pattern", "42", "needs the SDI output"},
             Case{"hdcp", "maybe", "neither a code nor a name"},
         }) {
        const Result r = set(c.key, c.value);
        EXPECT_EQ(2, r.code) << c.key << " " << c.value;
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    }
    EXPECT_EQ(0, set("color_depth", "AUTO").code);
    EXPECT_EQ(0, set("timing", "20").code);
    EXPECT_EQ(0, set("hdmi_dvi", "dvi").code);
    Result r = set("color_depth", "8bit");
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "When in DVI mode, the color depth is fixed to 24bit !")) << r.err;
    r = set("color_space", "RGB4:4:4");
    EXPECT_TRUE(Contains(r.err, "When in DVI mode, the colorspace is fixed to RGB4:4:4 !"))
        << r.err;
    EXPECT_EQ(0, set("hdmi_dvi", "HDMI").code);
    r = set("color_space", "YUV4:2:0");
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "YUV4:2:0 is only available in 4K 50/60Hz mode")) << r.err;
    EXPECT_EQ(0, RunSgctl({"--port", "COM2", "output", "sdi"}).code);
    r = set("timing", "640x480(60)");
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "SDI output")) << r.err;
    r = set("sample_rate", "48K");
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "for the HDMI output only")) << r.err;
    EXPECT_EQ(0, set("pattern", "Pathological Test (SDI only)").code);
    // A refused choice sends no setting.
    EXPECT_EQ(0, generator.Count(cmd::SetColorSpace));
    EXPECT_EQ(0, generator.Count(cmd::SetSampleRate));
    EXPECT_EQ(1, generator.Count(cmd::SetColorDepth));
    EXPECT_EQ(1, generator.Count(cmd::SetTiming));
}

TEST_F(Sgctl, AGeneratorThatDoesNotTakeTheValueIsReportedAsDifferent) {
    // This generator ignores pattern and output selections.
    TamperedGenerator stubborn(m_map, 2, [](const Bytes& request) {
        return WordOf(request) == cmd::SetPattern || WordOf(request) == cmd::SetOutputInterface;
    });
    Result r = RunSgctl({"--port", "COM2", "--timeout", "150", "set", "pattern", "SMPTE"});
    EXPECT_EQ(4, r.code);
    EXPECT_EQ("sgctl: COM2: pattern: sent 34 (SMPTE), the generator reports 0 (100%ColorBar)\n",
              r.err);
    EXPECT_EQ("", r.out);
    r = RunSgctl({"--port", "COM2", "--timeout", "150", "output", "sdi"});
    EXPECT_EQ(4, r.code);
    EXPECT_TRUE(Contains(r.err, "sent sdi, the generator reports hdmi")) << r.err;
    EXPECT_EQ(0, RunSgctl({"--port", "COM2", "signal", "off"}).code);
}

TEST_F(Sgctl, RepliesFromAnotherDeviceAreNotTaken) {
    // The generator at 01:05 answers as 01:06.
    TamperedGenerator other(
        m_map, 2, [](const Bytes&) { return false; },
        [](Bytes& reply) {
            reply[5] = 0x01;
            reply[6] = 0x06;
        },
        {0x01, 0x05});
    Result r = RunSgctl({"--port", "COM2", "--address", "01:05", "raw", "8061"});
    EXPECT_EQ(3, r.code);
    EXPECT_TRUE(Contains(r.err, "1 reply from another address")) << r.err;
    // Its group's broadcast takes it, as the console does.
    r = RunSgctl({"--port", "COM2", "--address", "01:00", "raw", "8061"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(0u, r.out.find("ab 00 00 06 00 01 06 61 80 14 ")) << r.out;
}

TEST_F(Sgctl, RawOutputSignalAndReset) {
    Generator generator(m_map, 2);
    generator.State().settings.nPattern = 7;
    generator.Start();
    Result r = RunSgctl({"--port", "COM2", "raw", "0x8062"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(0u, r.out.find("ab 00 00 06 00 01 01 62 80 07 ")) << r.out;
    EXPECT_EQ(33u, r.out.size());
    r = RunSgctl({"--port", "COM2", "raw", "80a0", "04"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(30u * 3, r.out.size()) << "a 30-byte record reply: " << r.out;
    r = RunSgctl({"--port", "COM2", "raw", "7801"}); // not answered
    EXPECT_EQ(3, r.code);
    const std::string tooLong(291 * 2, '0');
    r = RunSgctl({"--port", "COM2", "raw", "0062", tooLong});
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "Too much parameter.")) << r.err;
    r = RunSgctl({"--port", "COM2", "raw", "0062", std::string(290 * 2, '0')});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(300u, generator.Requests().back().size());

    EXPECT_EQ(0, RunSgctl({"--port", "COM2", "set", "audio_bits", "16bit"}).code);
    EXPECT_EQ("output sdi\n", RunSgctl({"--port", "COM2", "output", "sdi"}).out);
    EXPECT_EQ("signal off\n", RunSgctl({"--port", "COM2", "signal", "off"}).out);
    EXPECT_EQ("reset\n", RunSgctl({"--port", "COM2", "reset"}).out);
    generator.Stop();
    const sgsim::CSettings defaults;
    EXPECT_EQ(defaults.nAudioBits, generator.State().settings.nAudioBits);
    EXPECT_EQ(defaults.nOutputInterface, generator.State().settings.nOutputInterface);
    EXPECT_EQ(defaults.nSignal, generator.State().settings.nSignal);
}

// --- user timings -----------------------------------------------------------------------------

TEST_F(Sgctl, UserTimingIsCheckedStoredReadBackAndLeftWhileRewritten) {
    Generator generator(m_map, 2);
    generator.State().settings.nTiming = 65; // slot 3 in force
    generator.Start();
    const std::vector<std::string> values = {
        "--clock",    "74.18", "--h-active",   "1920",    "--h-blank", "280", "--hs-offset", "88",
        "--hs-width", "44",    "--v-active",   "540",     "--v-blank", "22",  "--vs-offset", "2",
        "--vs-width", "5",     "--interlaced", "--vsync", "-"};
    auto store = [&values](const std::string& slot, std::vector<std::string> changes) {
        std::vector<std::string> args = {"--port", "COM2", "user-timing", "set", slot};
        args.insert(args.end(), values.begin(), values.end());
        args.insert(args.end(), changes.begin(), changes.end());
        return RunSgctl(args);
    };
    // Refused as the Timing details page refuses, before anything is sent. Slot 4 is the
    // generator's fourth record (index 3), "User Define 4".
    Result r = store("4", {"--clock", "300.2"});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("sgctl: user timing refused: pixcel clock can not be higher than 300MHz\n", r.err);
    r = store("4", {"--v-blank", "65536"});
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "V blank must be a value from 0 to 65535")) << r.err;
    r = store("4", {"--clock", "0"});
    EXPECT_TRUE(Contains(r.err, "Video clk must be higher than 0MHz")) << r.err;
    for (const char* slot : {"0", "11", "4x"}) {
        r = store(slot, {});
        EXPECT_EQ(2, r.code) << slot;
        EXPECT_EQ("sgctl: SLOT must be 1..10, not " + std::string(slot) + "\nTry 'sgctl --help'.\n",
                  r.err);
    }
    EXPECT_EQ(2, store("4", {"--h-active", "1920.5"}).code);
    EXPECT_TRUE(generator.Words().empty());

    r = store("4", {"--clock", "300.1"});
    EXPECT_EQ(0, r.code) << r.err;
    r = store("4", {});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(Contains(r.out, " 4  1920x1080i(60)")) << r.out;
    // The slot's timing was in force: left (code 2) before the upload, selected again after it.
    std::vector<Bytes> timings;
    for (const Bytes& f : generator.Requests())
        if (WordOf(f) == cmd::SetTiming || WordOf(f) == cmd::StoreUserTiming)
            timings.push_back(f);
    ASSERT_EQ(6u, timings.size());
    EXPECT_EQ(2, timings[3][9]);
    EXPECT_EQ(cmd::StoreUserTiming, WordOf(timings[4]));
    EXPECT_EQ(65, timings[5][9]);

    r = RunSgctl({"--port", "COM2", "user-timing", "get", "4", "--json"});
    EXPECT_EQ(0, r.code);
    JsonPaths json;
    ASSERT_TRUE(json.Parse(r.out)) << r.out;
    EXPECT_EQ("03fa1c038007180158002c001c02160002000500", json["record"]);
    EXPECT_EQ("4", json["slot"]);
    EXPECT_EQ("1920x1080i(60)", json["name"]);
    generator.Stop();
    EXPECT_EQ(65, generator.State().settings.nTiming);
    EXPECT_EQ(0x1CFA,
              generator.State().userTimings[3][1] | (generator.State().userTimings[3][2] << 8));
}

TEST_F(Sgctl, AUserTimingTheGeneratorDoesNotKeepIsReportedAsDifferent) {
    // This generator acknowledges the upload but keeps its old record.
    TamperedGenerator forgetful(
        m_map, 2, [](const Bytes& request) { return WordOf(request) == cmd::StoreUserTiming; });
    const Result r =
        RunSgctl({"--port",     "COM2",        "--timeout",  "150",         "user-timing",
                  "set",        "1",           "--clock",    "148.5",       "--h-active",
                  "1920",       "--h-blank",   "280",        "--hs-offset", "88",
                  "--hs-width", "44",          "--v-active", "1080",        "--v-blank",
                  "45",         "--vs-offset", "4",          "--vs-width",  "5"});
    EXPECT_EQ(4, r.code);
    EXPECT_TRUE(Contains(r.err,
                         "user timing slot 1: sent 00023a068007180158002c0038042d0004000500, "
                         "the generator holds 00011d06"))
        << r.err;
}

TEST_F(Sgctl, UserTimingFromTheCalculatorStoresItsTimingOrSaysWhyNot) {
    Generator generator(m_map, 2);
    generator.Start();
    auto from = [](std::vector<std::string> request) {
        std::vector<std::string> args = {"--port", "COM2", "user-timing", "set", "2", "--from"};
        args.insert(args.end(), request.begin(), request.end());
        return RunSgctl(args);
    };
    // What the record cannot hold exactly is refused before anything is sent.
    Result r = from({"gtf", "1920x1080@60"}); // 172.79808 MHz
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "172.798 MHz is not a whole number of 10 kHz")) << r.err;
    r = from({"cvt", "3840x2160@60"});
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "712.750 MHz is above the 300 MHz")) << r.err;
    EXPECT_EQ(2, from({"cvt-rb3", "1920x1080@60", "--video-optimized"}).code);
    EXPECT_TRUE(generator.Words().empty());

    r = from({"cvt", "1920x1080@60"});
    EXPECT_EQ(0, r.code) << r.err;
    generator.Stop();
    const UserTimingRecord stored =
        UserTimingRecord::FromBytes(generator.State().userTimings[1].data());
    EXPECT_EQ(17300, stored.pixelClock10kHz);
    EXPECT_EQ(UserTimingRecord::kVsyncPositive, stored.flags);
    EXPECT_EQ(656, stored.hBlank);
    EXPECT_EQ(128, stored.hsOffset);
    EXPECT_EQ(200, stored.hsWidth);
    EXPECT_EQ(40, stored.vBlank);
    EXPECT_EQ(3, stored.vsOffset);
    EXPECT_EQ(5, stored.vsWidth);
}

// The calculator opens no port: COM9 is not even mapped.
TEST_F(Sgctl, TimingCalcNeedsNoPortAndRefusesWhatNoFormulaDefines) {
    Result r = RunSgctl({"--port", "COM9", "timing", "calc", "cvt", "2560x1440@120", "--json"});
    EXPECT_EQ(0, r.code) << r.err;
    JsonPaths json;
    ASSERT_TRUE(json.Parse(r.out)) << r.out;
    const std::map<std::string, std::string> want = {{"formula", "cvt"},
                                                     {"pixel_clock_mhz", "661.25"},
                                                     {"h_active", "2560"},
                                                     {"h_front_porch", "224"},
                                                     {"h_sync", "280"},
                                                     {"h_back_porch", "504"},
                                                     {"h_blank", "1008"},
                                                     {"h_total", "3568"},
                                                     {"v_active", "1440"},
                                                     {"v_front_porch", "3"},
                                                     {"v_sync", "5"},
                                                     {"v_back_porch", "97"},
                                                     {"v_blank", "105"},
                                                     {"v_total", "1545"},
                                                     {"hsync_positive", "false"},
                                                     {"vsync_positive", "true"},
                                                     {"interlaced", "false"}};
    for (const auto& [key, value] : want)
        EXPECT_EQ(value, json[key]) << key;
    EXPECT_EQ("185.32", json["h_freq_khz"].substr(0, 6));
    EXPECT_EQ("119.95", json["v_freq_hz"].substr(0, 6));

    r = RunSgctl({"timing", "calc", "cta", "5"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(Contains(r.out, "vertical/2      540      2      5     15     22    562")) << r.out;
    EXPECT_TRUE(Contains(r.out, "field rate   60.000 Hz")) << r.out;

    r = RunSgctl({"timing", "calc", "cvt-rb2", "1920x1080@30", "--interlaced"});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("sgctl: no timing: CVT reduced blanking v2 is defined for progressive scan only\n",
              r.err);
    EXPECT_EQ(2, RunSgctl({"timing", "calc", "cta", "150"}).code);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"timing", "calc", "cvt", "1920x1080"},
             {"timing", "calc", "vesa", "1920x1080@60"},
             {"timing", "calc", "cvt", "1920x1080@60", "--hblank", "160"},
             {"timing", "calc", "cta", "16", "--interlaced"}}) {
        r = RunSgctl(args);
        EXPECT_EQ(2, r.code) << args[3];
        EXPECT_TRUE(Contains(r.err, "\nTry 'sgctl --help'.\n")) << r.err;
    }
}

// --- EDID -------------------------------------------------------------------------------------

TEST_F(Sgctl, EdidIsWrittenInTheConsolesFormats) {
    testsupport::TempDir dir;
    Generator generator(m_map, 2);
    generator.Start();
    const std::string bin = dir.Path() + "/sink.bin";
    Result r = RunSgctl({"--port", "COM2", "edid", "read", "-o", bin, "--decode"});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(Contains(r.out, "EDID status:\nHDMI EDID")) << r.out;
    std::ifstream binFile(bin, std::ios::binary);
    const std::string binBytes((std::istreambuf_iterator<char>(binFile)), {});
    const edid::Image sink = generator.State().sinkEdid;
    EXPECT_EQ(std::string(sink.begin(), sink.end()), binBytes);

    const std::string txt = dir.Path() + "/saved3.txt";
    r = RunSgctl({"--port", "COM2", "edid", "read", "--saved", "3", "-o", txt});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.out);
    std::ifstream txtFile(txt, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(txtFile)), {});
    edid::Image saved3;
    std::copy(generator.State().savedEdids[2].begin(), generator.State().savedEdids[2].end(),
              saved3.begin());
    EXPECT_EQ(edid::EdidTextLayout(saved3), text);
    // The console reads it back as it was.
    EXPECT_EQ(saved3, edid::ReadEdidFile(txt).image);

    // Without a file: the text layout on standard output.
    r = RunSgctl({"--port", "COM2", "edid", "read", "--saved", "1"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(16 * 48u, r.out.size()) << "16 lines of 47 characters";

    // A name the console would not read is refused before the generator is asked.
    const std::size_t asked = generator.Words().size();
    r = RunSgctl({"--port", "COM2", "edid", "read", "-o", dir.Path() + "/sink.TXT"});
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(Contains(r.err, "It is not bin or txt file")) << r.err;
    EXPECT_EQ(2, RunSgctl({"--port", "COM2", "edid", "read", "--saved", "7"}).code);
    EXPECT_EQ(asked, generator.Words().size());
    generator.Stop();

    // No display attached: no answer, and no empty file left behind.
    Generator unplugged(m_map, 3);
    unplugged.State().bHotPlug = false;
    unplugged.Start();
    r = RunSgctl({"--port", "COM3", "edid", "read", "-o", dir.Path() + "/none.bin"});
    EXPECT_EQ(3, r.code);
    EXPECT_FALSE(std::ifstream(dir.Path() + "/none.bin").good());

    // A file that cannot be written is its own failure, found before the generator is asked,
    // and so is a log that cannot be written.
    r = RunSgctl({"--port", "COM3", "edid", "read", "-o", dir.Path() + "/no/such/dir/x.bin"});
    EXPECT_EQ(6, r.code);
    EXPECT_TRUE(Contains(r.err, "cannot write " + dir.Path() + "/no/such/dir/x.bin")) << r.err;
    EXPECT_EQ(6, RunSgctl({"--port", "COM3", "--log", dir.Path() + "/no/log", "status"}).code);
}

// --- A line that misbehaves -------------------------------------------------------------------

TEST_F(Sgctl, AMisbehavingLineFailsClearlyAndNeverHangs) {
    struct Case {
        const char* name;
        sgsim::CMisbehaviour misbehaviour;
        int delayMs;
        const char* message;
    };
    sgsim::CMisbehaviour silent, corrupt, cut;
    silent.bSilent = true;
    corrupt.nCorruptEvery = 1;
    cut.nDropEvery = 7;
    int com = 2;
    for (const Case& c : {Case{"silent", silent, 0, "no answer to the timing query (0x8061)"},
                          Case{"late", {}, 600, "within 400 ms"},
                          Case{"corrupt", corrupt, 0, "1 frame with a wrong checksum"},
                          Case{"cut", cut, 0, "1 incomplete frame"}}) {
        Generator generator(m_map, com, c.misbehaviour, c.delayMs);
        generator.Start();
        const Result r = RunSgctl({"--port", "COM" + std::to_string(com), "status"});
        EXPECT_EQ(3, r.code) << c.name << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, c.message)) << c.name << ": " << r.err;
        EXPECT_EQ("", r.out) << c.name;
        // A window of 400 ms per exchange and at most 2 s more while a reply trickles in.
        EXPECT_LT(r.seconds, 10.0) << c.name;
        generator.Stop();
        ++com;
    }

    // At random: late, cut, garbage, wrong lengths and checksums, address reports, the port
    // gone for a while. Whatever happens, sgctl ends in time, with a complete result or a
    // reason.
    for (unsigned seed : {1u, 2u, 3u}) {
        sgsim::CMisbehaviour chaos;
        chaos.bChaos = true;
        chaos.nChaosSeed = seed;
        Generator generator(m_map, 7, chaos);
        generator.Start();
        const Result r = RunSgctl({"--port", "COM7", "status", "--json"});
        EXPECT_LT(r.seconds, 15.0) << "seed " << seed;
        if (r.code == 0) {
            JsonPaths json;
            EXPECT_TRUE(json.Parse(r.out) && json.Has("names.timing")) << r.out;
        } else {
            EXPECT_TRUE(r.code == 3 || r.code == 5) << "seed " << seed << ": " << r.code;
            EXPECT_TRUE(Contains(r.err, "sgctl: COM7: ")) << r.err;
            EXPECT_EQ("", r.out);
        }
        generator.Stop();
    }

    // A generator that is merely slow is fine with a longer window.
    Generator slow(m_map, 9, {}, 600);
    slow.Start();
    const Result r = RunSgctl({"--port", "COM9", "--timeout", "1500", "set", "hdcp", "ON"});
    EXPECT_EQ(0, r.code) << r.err;
    // The search waits as long on every port when a window is given.
    EXPECT_EQ("COM9\n", RunSgctl({"--timeout", "1500", "search"}).out);
}

TEST_F(Sgctl, TheLogHasEveryFrameBothWaysAndWhatBecameOfIt) {
    testsupport::TempDir dir;
    sgsim::CMisbehaviour corrupt;
    corrupt.nCorruptEvery = 2; // the second reply: the query's
    Generator generator(m_map, 2, corrupt);
    generator.Start();
    const std::string log = dir.Path() + "/frames.log";
    const Result r =
        RunSgctl({"--port", "COM2", "--log", log, "--timeout", "150", "raw", "0062", "05"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(3,
              RunSgctl({"--port", "COM2", "--log", log, "--timeout", "150", "raw", "8062"}).code);
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(4u, lines.size());
    // "<seconds since 1970> TX|RX <hex>[  (note)]", appended run after run.
    EXPECT_TRUE(Contains(lines[0], " TX aa 00 00 06 00 00 00 62 00 05 ")) << lines[0];
    EXPECT_TRUE(Contains(lines[1], " RX ab 00 00 06 00 01 01 62 00 05 ")) << lines[1];
    EXPECT_TRUE(Contains(lines[2], " TX aa 00 00 05 00 00 00 62 80 6f")) << lines[2];
    EXPECT_TRUE(Contains(lines[3], " RX ab 00 00 06 00 01 01 62 80 05 ")) << lines[3];
    EXPECT_TRUE(Contains(lines[3], "(wrong checksum)")) << lines[3];
    EXPECT_GT(std::stod(lines[0]), 1.5e9);
    EXPECT_LE(std::stod(lines[0]), std::stod(lines[3]));
}

TEST_F(Sgctl, UsageErrorsExitTwoAndEveryCommandHasHelp) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate"},
                                               {"--address", "1:2:3", "status"},
                                               {"--timeout", "0", "status"},
                                               {"--port"},
                                               {"--port", "0", "status"},
                                               {"--port", "100", "status"},
                                               {"search", "--json"},
                                               {"status", "--yaml"},
                                               {"set", "timing"},
                                               {"output", "dvi"},
                                               {"signal", "1"},
                                               {"user-timing", "get", "12"},
                                               {"raw", "12345"},
                                               {"raw", "8061", "1"},
                                               {"edid", "write"}}) {
        const Result r = RunSgctl(args);
        EXPECT_EQ(2, r.code) << args.size();
        // One line that says what is wrong, then where the usage is: not the whole help.
        EXPECT_EQ(0u, r.err.find("sgctl: ")) << r.err;
        EXPECT_EQ(r.err.find('\n') + 1, r.err.find("Try 'sgctl --help'.\n")) << r.err;
        EXPECT_EQ(r.err.size(), r.err.find("Try") + 20) << r.err;
    }
    EXPECT_TRUE(Contains(RunSgctl({"--help"}).out, "Exit status"));
    for (const char* command : {"search", "status", "set", "output", "signal", "reset",
                                "user-timing", "edid", "raw", "timing"}) {
        const Result r = RunSgctl({command, "--help"});
        EXPECT_EQ(0, r.code) << command;
        EXPECT_TRUE(Contains(r.out, std::string("usage: sgctl [OPTIONS] ") + command)) << command;
    }
}

} // namespace

// --- Serial device servers --------------------------------------------------------------------

TEST_F(Sgctl, NetworkPortsCarryEveryByteBothWays) {
    for (const bool rfc2217 : {false, true}) {
        const int com = rfc2217 ? 3 : 2;
        const std::string name = rfc2217 ? "rfc2217" : "socket";
        Generator generator(m_map, com);
        generator.OverTcp(rfc2217);
        generator.Start();

        // By URL, and by the COM number whose entry holds it.
        Result r = RunSgctl({"--port", generator.Url(), "status"});
        EXPECT_EQ(0, r.code) << name << ": " << r.err;
        EXPECT_TRUE(Contains(r.out, "Timing:       1920x1080p(60) (20)")) << r.out;
        EXPECT_EQ(0, RunSgctl({"--port", "COM" + std::to_string(com), "raw", "8061"}).code);

        // Towards the client: the EDID begins with six 0xFF bytes.
        testsupport::TempDir dir;
        r = RunSgctl({"--port", generator.Url(), "edid", "read", "-o", dir.Path() + "/e.bin"});
        ASSERT_EQ(0, r.code) << name << ": " << r.err;
        std::ifstream file(dir.Path() + "/e.bin", std::ios::binary);
        const edid::Image sink = generator.State().sinkEdid;
        EXPECT_EQ(std::string(sink.begin(), sink.end()),
                  std::string((std::istreambuf_iterator<char>(file)), {}))
            << name;

        // Towards the server: 1279 and 511 are 0x04FF and 0x01FF in the record, which is read
        // back and compared.
        r = RunSgctl({"--port", generator.Url(), "user-timing", "set",        "5",   "--clock",
                      "74.25",  "--h-active",    "1279",        "--h-blank",  "511", "--hs-offset",
                      "110",    "--hs-width",    "40",          "--v-active", "720", "--v-blank",
                      "30",     "--vs-offset",   "5",           "--vs-width", "5"});
        EXPECT_EQ(0, r.code) << name << ": " << r.err;
        const auto& stored = generator.State().userTimings[4];
        EXPECT_EQ(2, std::count(stored.begin(), stored.end(), 0xFF)) << name;
        generator.Stop();
    }
}

TEST_F(Sgctl, NetworkPortFailuresSayWhyInBoundedTime) {
    int closedPort;
    {
        testsupport::TcpPeer gone;
        closedPort = gone.Port();
    }
    Result r = RunSgctl({"--port", "socket://127.0.0.1:" + std::to_string(closedPort), "status"});
    EXPECT_EQ(5, r.code);
    EXPECT_TRUE(Contains(r.err, "Nothing accepts connections at 127.0.0.1:")) << r.err;
    EXPECT_LT(r.seconds, 1.0);

    // A server that takes the connection and never answers: raw, the generator is silent; with
    // RFC 2217, the server itself does not answer, which is a port that cannot be used.
    testsupport::TcpPeer mute;
    r = RunSgctl({"--port", mute.Url(), "status"});
    EXPECT_EQ(3, r.code) << r.err;
    r = RunSgctl({"--port", mute.Url("rfc2217"), "status"});
    EXPECT_EQ(5, r.code);
    EXPECT_TRUE(Contains(r.err, "did not answer the COM port control negotiation")) << r.err;
    EXPECT_GT(r.seconds, 1.8);
    EXPECT_LT(r.seconds, 4.0);

    // A server whose line stays at 9600 baud.
    Generator fixed(m_map, 2);
    fixed.OverTcp(true, 9600);
    fixed.Start();
    r = RunSgctl({"--port", "COM2", "status"});
    EXPECT_EQ(5, r.code);
    EXPECT_EQ("sgctl: COM2 (" + fixed.Url() +
                  "): setting not accepted (the device server set 9600 baud instead of "
                  "115200)\nsgctl: The serial device server at " +
                  fixed.Url().substr(10) +
                  " did not take the line settings: it set 9600 baud instead of 115200. Let "
                  "that port take its settings from the client, or set them there by hand.\n",
              r.err);
    fixed.Stop();

    // The server closes the connection in the middle of the read-back.
    sgsim::CMisbehaviour vanish;
    vanish.nVanishAfter = 5;
    Generator vanishing(m_map, 3, vanish);
    vanishing.OverTcp(true);
    vanishing.Start();
    r = RunSgctl({"--port", "COM3", "status"});
    EXPECT_EQ(5, r.code);
    EXPECT_TRUE(Contains(r.err, "port went away (the device server closed the connection)"))
        << r.err;
    vanishing.Stop();
}

// sgsim itself on a TCP port: the line it prints names the endpoint, the generator answers there
// by the COM number it registered, and the entry goes when sgsim stops.
TEST_F(Sgctl, TheEmulatorProgramServesATcpPortUnderItsComNumber) {
    for (const std::string form : {"--tcp", "--rfc2217"}) {
        int out[2];
        ASSERT_EQ(0, pipe(out));
        const std::string dir = m_map.Dir();
        const pid_t child = fork();
        if (child == 0) {
            dup2(out[1], 1);
            close(out[0]);
            execl(KESTRELON_SGSIM, "sgsim", form.c_str(), "127.0.0.1:0", "--com", "6",
                  "--ports-dir", dir.c_str(), "--exit-with-parent", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char c = 0;
        pollfd p{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && poll(&p, 1, 5000) > 0 &&
               read(out[0], &c, 1) == 1)
            line += c;
        close(out[0]);
        const std::string scheme = form == "--tcp" ? "socket://" : "rfc2217://";
        EXPECT_EQ(0u, line.find("sgsim: COM6 -> " + scheme + "127.0.0.1:")) << line;
        const Result r = RunSgctl({"--port", "COM6", "status"});
        EXPECT_EQ(0, r.code) << form << ": " << r.err;
        kill(child, SIGTERM);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << form;
        EXPECT_FALSE(std::ifstream(dir + "/COM6").good()) << form;
    }
}
