// Plan benchmark: the program's own time between one confirmed reply and the next request, and
// how precisely a dwell is kept.
//
// 1. The runner alone, driven in-process by a generator that confirms every setting at once (no
//    line at all): the runner's own cost per setting.
// 2. The synchronous driver with the generator client against the emulator on a
//    pseudo-terminal without line pacing. The emulator stamps each frame as it sends and receives
//    it; the time from a setting's confirming reply going out to the next request coming in is
//    the program's own work (reply framing, the runner, the report, the next frame) plus the
//    pseudo-terminal's hand-over both ways, so an upper bound of the program's share. Within a
//    step and from one step to the next (dwell 0) separately.
// 3. Steps with a dwell of 200 ms against the emulator: from the last confirming reply of a step
//    to the first request of the next, less the dwell.
//
//   bench_plan [steps]      (default 200)
#include "link/command_words.h"
#include "plan/plan_driver.h"
#include "plan/plan_reader.h"
#include "plan/plan_runner.h"
#include "support/pty_peer.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/pty_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// One frame as the emulator logged it.
struct Frame {
    double seconds;
    bool received; // a request
    std::uint16_t word;
};

class Emulator {
public:
    Emulator(testsupport::PortMap& map, int com) {
        sgsim::CServerOptions options;
        options.nCom = com;
        options.strPortsDir = map.Dir();
        m_server = std::make_unique<sgsim::CPtyServer>(m_emulator, options);
        m_server->SetFrameLog([this](const std::string& line) {
            // "<seconds> RX|TX <hex bytes>": bytes 7 and 8 are the command word.
            Frame f{};
            char direction[3] = {};
            unsigned b7 = 0, b8 = 0;
            if (std::sscanf(line.c_str(), "%lf %2s %*x %*x %*x %*x %*x %*x %*x %x %x", &f.seconds,
                            direction, &b7, &b8) != 4)
                return;
            f.received = std::string(direction) == "RX";
            f.word = static_cast<std::uint16_t>(b7 | (b8 << 8));
            std::lock_guard<std::mutex> lock(m_mutex);
            m_frames.push_back(f);
        });
        std::string error;
        if (!m_server->Open(error)) {
            std::fprintf(stderr, "bench_plan: %s\n", error.c_str());
            std::exit(2);
        }
        if (pipe(m_stop) != 0)
            std::exit(2);
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
    std::vector<Frame> Frames() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.clear();
    }

private:
    sgsim::CEmulator m_emulator;
    std::unique_ptr<sgsim::CPtyServer> m_server;
    int m_stop[2] = {-1, -1};
    std::future<sgsim::CPtyServer::End> m_end;
    std::mutex m_mutex;
    std::vector<Frame> m_frames;
};

plan::Plan PlanOf(const std::string& json) {
    const plan::ReadResult r = plan::ReadPlan(json, "bench.json");
    if (!r.ok) {
        std::fprintf(stderr, "bench_plan: %s\n", r.error.c_str());
        std::exit(2);
    }
    return r.plan;
}

// steps steps, each a timing and a pattern (alternating), with the dwell given.
std::string StepsJson(int steps, double dwellS) {
    std::string json = "{\"dwell_s\": " + std::to_string(dwellS) + ", \"steps\": [";
    for (int i = 0; i < steps; ++i)
        json += std::string(i ? "," : "") + "{\"timing\": " + (i % 2 ? "20" : "27") +
                ", \"pattern\": " + std::to_string(i % 10) + "}";
    return json + "]}";
}

void Print(const char* what, std::vector<double> us) {
    if (us.empty()) {
        std::printf("  %-34s no samples\n", what);
        return;
    }
    std::sort(us.begin(), us.end());
    std::printf("  %-34s median %8.1f us   p99 %8.1f us   max %8.1f us   (%zu)\n", what,
                us[us.size() / 2], us[us.size() * 99 / 100], us.back(), us.size());
}

// For each setting the client confirmed (a setting request, then its query's reply), the time
// from that reply going out to the next request coming in. Settings of the step's last key end a
// step (the plan sets timing then pattern).
void Gaps(const std::vector<Frame>& frames, std::vector<double>& withinUs,
          std::vector<double>& betweenUs) {
    for (std::size_t i = 0; i + 3 < frames.size(); ++i) {
        // RX setting, TX its acknowledgement, RX query, TX confirming reply, RX next request.
        if (!frames[i].received || (frames[i].word & 0x8000))
            continue;
        std::size_t k = i + 1;
        while (k < frames.size() && !(frames[k].received && (frames[k].word & 0x8000)))
            ++k; // the confirming query
        std::size_t reply = k + 1;
        while (reply < frames.size() && frames[reply].received)
            ++reply;
        std::size_t next = reply + 1;
        while (next < frames.size() && !frames[next].received)
            ++next;
        if (next >= frames.size())
            break;
        const double gap = (frames[next].seconds - frames[reply].seconds) * 1e6;
        (frames[i].word == cmd::SetPattern ? betweenUs : withinUs).push_back(gap);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int steps = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    int status = 0;

    // 1. The runner alone.
    {
        const plan::Plan p = PlanOf(StepsJson(static_cast<int>(plan::kMaxSteps), 0));
        std::int64_t settings = 0;
        const Clock::time_point start = Clock::now();
        plan::CPlanRunner runner(p);
        for (;;) {
            const plan::Action& a = runner.Next();
            if (a.kind == plan::Action::Kind::Done)
                break;
            runner.SetFinished(client::Result{}, client::SetDone{20, "1920x1080p(60)"});
            ++settings;
        }
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        std::printf("plan runner alone, %lld settings confirmed at once (no line): %.2f us per "
                    "setting\n",
                    static_cast<long long>(settings), us / settings);
    }

    testsupport::PortMap map;
    Emulator emulator(map, 7);
    client::CGeneratorClient generator;
    if (!generator.Open("COM7").Ok()) {
        std::fprintf(stderr, "bench_plan: COM7 does not open\n");
        return 2;
    }

    // 2. Step switching against the emulator, dwell 0.
    {
        const plan::Plan p = PlanOf(StepsJson(steps, 0));
        emulator.Clear();
        const Clock::time_point start = Clock::now();
        const plan::RunReport r = plan::RunPlan(p, generator);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::vector<double> within, between;
        Gaps(emulator.Frames(), within, between);
        std::printf("plan against the emulator on a pseudo-terminal (no line pacing), %d steps of "
                    "two settings, dwell 0: %.1f ms in all, result %s\n",
                    steps, ms, plan::RunResultName(r.result));
        std::printf("from a confirming reply going out to the next request coming in (the "
                    "program's own time and the pseudo-terminal both ways):\n");
        Print("within a step (timing -> pattern)", within);
        Print("to the next step (pattern -> timing)", between);
        if (r.result != plan::RunResult::Pass)
            status = 1;
    }

    // 3. Dwell precision.
    {
        const int dwellSteps = std::max(10, steps / 10);
        const plan::Plan p = PlanOf(StepsJson(dwellSteps, 0.2));
        emulator.Clear();
        const plan::RunReport r = plan::RunPlan(p, generator);
        std::vector<double> within, between;
        Gaps(emulator.Frames(), within, between);
        for (double& us : between)
            us -= 200000;
        std::printf("dwell of 200 ms, %d steps: the last confirming reply of a step to the first "
                    "request of the next, less 200 ms:\n",
                    dwellSteps);
        Print("dwell error", between);
        if (r.result != plan::RunResult::Pass)
            status = 1;
    }
    return status;
}
