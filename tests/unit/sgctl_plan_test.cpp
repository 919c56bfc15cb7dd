// sgctl plan against the generator emulator on a pseudo-terminal: a run on one connection with
// its progress lines, reports and exit codes, what goes on the line in which order, a plan
// refused before anything is sent, a generator that vanishes mid-plan, the operator's answers
// on the terminal, and the commands that need no port.
#include "edid/edid_file.h"
#include "link/command_words.h"
#include "support/pty_peer.h"
#include "tools/sgctl/sgctl.h"
#include "tools/sgsim/builtin_edids.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/pty_server.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <future>
#include <mutex>
#include <sstream>

#include <unistd.h>

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

Result RunSgctl(const std::vector<std::string>& args, const std::string& answers = "",
                bool terminal = false) {
    std::ostringstream out, err;
    std::istringstream in(answers);
    sgctl::CTerminal t;
    t.in = &in;
    t.interactive = terminal;
    Result r;
    r.code = sgctl::Run(args, out, err, t);
    r.out = out.str();
    r.err = err.str();
    return r;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The emulator on a pseudo-terminal mapped as COMn, served from a thread; the command words it
// receives are recorded.
class Emulator {
public:
    Emulator(testsupport::PortMap& map, int com, sgsim::CMisbehaviour misbehaviour = {})
        : m_emulator(misbehaviour) {
        sgsim::CServerOptions options;
        options.nCom = com;
        options.strPortsDir = map.Dir();
        m_emulator.SetLog(
            [this](const char* direction, const sgsim::FrameBytes& f, const std::string&) {
                if (std::string(direction) == "RX" && f.size() >= 10) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_words.push_back(static_cast<std::uint16_t>(f[7] | (f[8] << 8)));
                }
            },
            false);
        m_server = std::make_unique<sgsim::CPtyServer>(m_emulator, options);
        std::string error;
        if (!m_server->Open(error))
            throw std::runtime_error(error);
        if (pipe(m_stop) != 0)
            throw std::runtime_error("pipe");
        m_end = std::async(std::launch::async, [this] { return m_server->Run(m_stop[0]); });
    }
    ~Emulator() {
        const char b = 1;
        (void)!write(m_stop[1], &b, 1);
        m_end.wait();
        m_server->Close();
        close(m_stop[0]);
        close(m_stop[1]);
    }
    std::vector<std::uint16_t> Words() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_words;
    }
    // The settings sent, in order (queries left out).
    std::vector<std::uint16_t> Settings() {
        std::vector<std::uint16_t> settings;
        for (std::uint16_t w : Words())
            if (!(w & 0x8000))
                settings.push_back(w);
        return settings;
    }
    sgsim::CSettings& State() { return m_emulator.Generator().State().settings; }

private:
    sgsim::CEmulator m_emulator;
    std::unique_ptr<sgsim::CPtyServer> m_server;
    int m_stop[2] = {-1, -1};
    std::future<sgsim::CPtyServer::End> m_end;
    std::mutex m_mutex;
    std::vector<std::uint16_t> m_words;
};

class SgctlPlan : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_dir.Path() + "/" + name; }
    std::string Plan(const std::string& text) {
        const std::string path = Path("plan" + std::to_string(++m_plans) + ".json");
        WriteText(path, text);
        return path;
    }

    testsupport::PortMap m_map;
    testsupport::TempDir m_dir;
    int m_plans = 0;
};

TEST_F(SgctlPlan, RunsOnOneConnectionConfirmsEverySettingAndWritesBothReports) {
    Emulator generator(m_map, 4);
    const std::string plan = Plan(R"j({
      "name": "Sink smoke test",
      "steps": [
        {"name": "1080p60 bars", "pattern": "100%ColorBar", "timing": "1920x1080p(60)",
         "output": "hdmi", "dwell_s": 0.1},
        {"hdcp": "on", "color_depth": "10bit"},
        {"prompt": "Is the picture stable, without sparkles?"},
        {"each": {"timing": ["1920x1080p(50)", "1920x1080p(60)"], "pattern": ["RedScreen", 4]}},
        {"name": "4K at 10 bits", "timing": "3840x2160p(60)", "color_depth": "10bit",
         "pattern": "SMPTE"},
        {"output": "sdi", "timing": "1920x1080i(50)", "channel": "ALL"}
      ]})j");
    const std::string report = Path("report.json"), junit = Path("junit.xml");
    const Result r =
        RunSgctl({"--port", "COM4", "plan", "run", plan, "--report", report, "--junit", junit});
    // The refused step fails the run; the prompt is not asked without a terminal.
    EXPECT_EQ(1, r.code) << r.err;
    EXPECT_TRUE(Contains(r.err, "step 1 of 9: 1080p60 bars: pass\n")) << r.err;
    EXPECT_TRUE(Contains(r.err, "step 3 of 9: Is the picture stable, without sparkles?: skipped: "
                                "the operator was not asked\n"))
        << r.err;
    EXPECT_TRUE(Contains(r.err, "step 8 of 9: 4K at 10 bits: fail: color_depth 1 (10bit) refused: "
                                "When in 4K mode, Color Depth is fixed to 24bit !\n"))
        << r.err;
    EXPECT_TRUE(
        Contains(r.err, "step 9 of 9: output sdi, timing 1920x1080i(50), channel ALL: pass"))
        << r.err;
    EXPECT_TRUE(Contains(r.out, "plan Sink smoke test: fail (7 passed, 1 failed, 0 errors, 1 "
                                "skipped of 9)"))
        << r.out;

    // Output and timing first, the pattern last; nothing of the refused setting or after it in
    // its step.
    using namespace cmd;
    EXPECT_EQ((std::vector<std::uint16_t>{SetOutputInterface, SetTiming, SetPattern, SetColorDepth,
                                          SetHdcp, SetTiming, SetPattern, SetTiming, SetPattern,
                                          SetTiming, SetPattern, SetTiming, SetPattern, SetTiming,
                                          SetOutputInterface, SetTiming, SetChannelsSdi}),
              generator.Settings());
    EXPECT_EQ(1, generator.State().nOutputInterface);
    EXPECT_EQ(25, generator.State().nTiming);
    EXPECT_EQ(6, generator.State().nChannelsSdi);

    const nlohmann::json j = nlohmann::json::parse(ReadText(report));
    EXPECT_EQ("fail", j["result"]);
    EXPECT_EQ("COM4", j["port"]);
    EXPECT_EQ(9u, j["steps"].size());
    EXPECT_EQ((nlohmann::json{{"code", 20}, {"name", "1920x1080p(60)"}}),
              j["steps"][0]["reported"]["timing"]);
    EXPECT_EQ((nlohmann::json{{"code", 4}, {"name", "GreenScreen"}}),
              j["steps"][4]["reported"]["pattern"]);
    EXPECT_EQ("not asked", j["steps"][2]["verdict"]);
    EXPECT_EQ("fail", j["steps"][7]["result"]);
    EXPECT_GE(j["steps"][0]["duration_ms"].get<int>(), 100) << "the dwell";
    const std::string xml = ReadText(junit);
    EXPECT_TRUE(Contains(xml, "<testsuite name=\"Sink smoke test\" tests=\"9\" failures=\"1\" "
                              "errors=\"0\" skipped=\"1\""))
        << xml;
}

TEST_F(SgctlPlan, APlanThatIsRefusedSendsNothingAndWritesNoReport) {
    Emulator generator(m_map, 5);
    const std::string plan =
        Plan(R"j({"steps": [{"timing": 20}, {"timing": 27, "pattern": "ColorBar"}]})j");
    const std::string report = Path("never.json");
    const Result r = RunSgctl({"--port", "COM5", "plan", "run", plan, "--report", report});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("sgctl: " + plan +
                  ": step 2: pattern ColorBar: neither a code nor a name the console shows\n",
              r.err);
    EXPECT_TRUE(generator.Words().empty());
    EXPECT_FALSE(std::ifstream(report).good());
    // A report that cannot be written is found out before the run, too: a file failure.
    EXPECT_EQ(6,
              RunSgctl({"--port", "COM5", "plan", "run", Plan(R"j({"steps": [{"timing": 20}]})j"),
                        "--junit", Path("no/such/dir/j.xml")})
                  .code);
    EXPECT_TRUE(generator.Words().empty());
    EXPECT_EQ(2, RunSgctl({"plan", "run"}).code);
    EXPECT_EQ(2, RunSgctl({"plan", "run", plan, "--fast"}).code);
}

TEST_F(SgctlPlan, AGeneratorThatVanishesMidPlanStopsTheRunAndTheReportSaysWhere) {
    sgsim::CMisbehaviour vanish;
    vanish.nVanishAfter = 5; // the five requests of step 1's two settings
    Emulator generator(m_map, 6, vanish);
    const std::string plan =
        Plan(R"j({"steps": [{"output": "hdmi", "timing": 20}, {"pattern": 3}, {"hdcp": 1}]})j");
    const std::string report = Path("r.json"), junit = Path("j.xml");
    const Result r =
        RunSgctl({"--port", "COM6", "plan", "run", plan, "--report", report, "--junit", junit});
    EXPECT_TRUE(r.code == 5 || r.code == 3) << r.code << r.err;
    const nlohmann::json j = nlohmann::json::parse(ReadText(report));
    EXPECT_EQ("error", j["result"]);
    EXPECT_EQ(2, j["stopped_at"]);
    EXPECT_TRUE(Contains(j["stop_reason"].get<std::string>(), "step 2: COM6: ")) << j.dump();
    EXPECT_EQ("pass", j["steps"][0]["result"]);
    EXPECT_EQ("error", j["steps"][1]["result"]);
    EXPECT_EQ("skipped", j["steps"][2]["result"]);
    EXPECT_TRUE(Contains(ReadText(junit), "<error message=\"COM6: ")) << ReadText(junit);
    EXPECT_TRUE(Contains(r.out, j["stop_reason"].get<std::string>())) << r.out;

    // No generator at all: the reports say so too.
    const Result none = RunSgctl({"--port", "COM9", "plan", "run", plan, "--report", report});
    EXPECT_EQ(5, none.code);
    const nlohmann::json n = nlohmann::json::parse(ReadText(report));
    EXPECT_EQ(1, n["stopped_at"]);
    EXPECT_EQ("COM9: no such port (nothing in the port map, no such serial device)",
              n["steps"][0]["message"]);
}

TEST_F(SgctlPlan, PromptsAreAskedOnTheTerminalOnly) {
    Emulator generator(m_map, 7);
    const std::string plan = Plan(R"j({"steps": [{"pattern": "SMPTE", "prompt": "Bars?"},
        {"prompt": "Audio?"}, {"prompt": "Sync?"}, {"timing": 20}]})j");
    const std::string report = Path("r.json");
    // An answer that is none is asked again; the note follows each verdict.
    const Result asked = RunSgctl({"--port", "COM7", "plan", "run", plan, "--report", report},
                                  "x\nP\nlooks fine\nf\nhum at 1 kHz\ns\n\n", true);
    EXPECT_EQ(1, asked.code) << asked.err;
    EXPECT_TRUE(Contains(asked.err,
                         "step 1 of 4: pattern SMPTE\n  Bars?\n  [p]ass / [f]ail / "
                         "[s]kip:   [p]ass / [f]ail / [s]kip:   note (Enter for none): "))
        << asked.err;
    nlohmann::json j = nlohmann::json::parse(ReadText(report));
    EXPECT_EQ("pass", j["steps"][0]["verdict"]);
    EXPECT_EQ("looks fine", j["steps"][0]["note"]);
    EXPECT_EQ("fail", j["steps"][1]["result"]);
    EXPECT_EQ("hum at 1 kHz", j["steps"][1]["note"]);
    EXPECT_EQ("skip", j["steps"][2]["verdict"]);
    EXPECT_EQ("pass", j["steps"][3]["result"]);

    // --no-prompt, or no terminal: nothing is asked, and the run passes.
    const Result quiet =
        RunSgctl({"--port", "COM7", "plan", "run", plan, "--no-prompt"}, "p\n", true);
    EXPECT_EQ(0, quiet.code) << quiet.err;
    EXPECT_FALSE(Contains(quiet.err, "[p]ass"));
    // --stop-on-fail: nothing after the step the operator failed.
    const Result stop =
        RunSgctl({"--port", "COM7", "plan", "run", plan, "--stop-on-fail", "--report", report},
                 "p\n\nf\n\n", true);
    EXPECT_EQ(1, stop.code);
    j = nlohmann::json::parse(ReadText(report));
    EXPECT_EQ(2, j["stopped_at"]);
    EXPECT_EQ("not run: stopped after step 2 failed", j["steps"][3]["message"]);
}

TEST_F(SgctlPlan, FromEdidAndCheckNeedNoPort) {
    const edid::Image sink = sgsim::SinkTvEdid();
    const std::string edid = Path("sink.bin"), out = Path("sink-plan.json");
    WriteText(edid, std::string(sink.begin(), sink.end()));
    const Result made = RunSgctl({"plan", "from-edid", edid, "--pattern", "SMPTE", "--pattern",
                                  "RedScreen", "--dwell", "2", "-o", out});
    ASSERT_EQ(0, made.code) << made.err;
    EXPECT_TRUE(Contains(made.err, "36 generator timings (73 steps), 5 not covered")) << made.err;
    const Result check = RunSgctl({"plan", "check", out});
    EXPECT_EQ(0, check.code) << check.err;
    EXPECT_TRUE(Contains(check.out,
                         "plan Timings of the EDID of QZ-55UX9: 73 steps\n1. HDMI output\n"
                         "   set output hdmi\n2. Detailed timing 2; Standard "
                         "1920x1080@60; VIC 16, native (pattern SMPTE)\n   set timing "
                         "1920x1080p(60), pattern SMPTE; wait 2 s\n"))
        << check.out;

    EXPECT_EQ(2, RunSgctl({"plan", "from-edid", edid, "--pattern", "ColorBar"}).code);
    // Files that cannot be read are file failures, not refused input.
    const Result none = RunSgctl({"plan", "from-edid", Path("none.bin")});
    EXPECT_EQ(6, none.code);
    EXPECT_EQ("sgctl: cannot read " + Path("none.bin") + ": No such file or directory\n", none.err);
    EXPECT_EQ(6, RunSgctl({"plan", "check", Path("none.json")}).code);
}

} // namespace
