// Search benchmark: how long it takes to find the generator behind ports that never answer,
// searched one port after another with the console's windows (300 ms on the first port that
// opens, 400 ms on each later one) and searched by the client, which probes every port at once.
// The generator is the emulator on a pseudo-terminal on the last COM number; the ports before it
// are pseudo-terminals whose other end never answers.
//
//   bench_search [runs]      (default 5; the sequential search over 99 ports runs once)
#include "link/generator_client.h"
#include "support/pty_peer.h"
#include "support/served_emulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// The search as it was: COM1 up, one port at a time, the first port that opens with the first
// window and every later one with the next; the first port that answers ends it.
std::string SearchOneByOne() {
    for (int n = exchange::kFirstCom, opened = 0; n <= exchange::kLastCom; ++n) {
        client::Options options;
        options.timeoutMs = opened == 0 ? exchange::kFirstProbeMs : exchange::kNextProbeMs;
        options.timeoutGiven = true;
        client::CGeneratorClient generator(options);
        const std::string port = "COM" + std::to_string(n);
        if (!generator.Open(port).Ok())
            continue;
        ++opened;
        if (generator.Probe().Ok())
            return port;
    }
    return std::string();
}

std::string SearchAtOnce() {
    client::CGeneratorClient generator;
    return generator.Search().Ok() ? generator.PortName() : std::string();
}

void Print(const char* what, std::vector<double> ms, const std::string& found) {
    std::sort(ms.begin(), ms.end());
    std::printf("  %-34s best %8.1f ms   median %8.1f ms   (%zu runs, found %s)\n", what,
                ms.front(), ms[ms.size() / 2], ms.size(), found.empty() ? "none" : found.c_str());
}

int Measure(int ports, int runs) {
    testsupport::PortMap map;
    std::vector<std::unique_ptr<testsupport::PtyPeer>> silent;
    for (int com = 1; com < ports; ++com)
        silent.push_back(std::make_unique<testsupport::PtyPeer>(map, com));
    testsupport::ServedEmulator generator(map.Dir(), ports);
    const std::string want = "COM" + std::to_string(ports);
    std::printf("%d ports: the generator on %s behind %d silent ports\n", ports, want.c_str(),
                ports - 1);

    std::vector<double> sequential, parallel;
    std::string foundSequential, foundParallel;
    const int sequentialRuns = ports > 9 ? 1 : runs;
    for (int i = 0; i < sequentialRuns; ++i) {
        const Clock::time_point start = Clock::now();
        foundSequential = SearchOneByOne();
        sequential.push_back(Ms(start));
    }
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        foundParallel = SearchAtOnce();
        parallel.push_back(Ms(start));
    }
    Print("before: one port after another", sequential, foundSequential);
    Print("after: every port at once", parallel, foundParallel);
    return foundSequential == want && foundParallel == want ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: %s [runs]\n", argv[0]);
        return 2;
    }
    int status = Measure(9, runs);
    status |= Measure(99, runs);
    return status;
}
