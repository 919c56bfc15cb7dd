// A folder of captured EDIDs decoded two ways, side by side in one run: one edidinfo process for
// the whole folder (--json: texts, model and checks of every file) against one edid-decode
// process per file, the way a lab script calls a tool without a batch mode. For scale it also
// times one edidinfo process per file.
//
//   bench_edidinfo [FILES [RUNS]]     default 1200 files, 3 runs; prints microseconds per file
//
// The folder is made in a temporary directory from the emulator's seven EDIDs and the tests'
// two, each varied (product code, serial, name, timings, broken checksums) and written as .bin.
// Needs edid-decode (Debian: edid-decode) on the PATH. Exit status 1 when edidinfo did not
// print one JSON line per file or is less than 20 times faster per file, 2 when edid-decode is
// missing.
#include "tools/sgsim/builtin_edids.h"
#include "unit/edid_test_images.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using edid_test::Image;

std::vector<Image> Originals() {
    std::vector<Image> images{sgsim::SinkTvEdid(), edid_test::Television4K(),
                              edid_test::DviMonitor()};
    for (int slot = 0; slot < sgsim::kSavedEdids; ++slot)
        images.push_back(sgsim::SavedEdid(slot));
    return images;
}

// A variation of an original: new product code, serial and name letters, a detailed timing
// with another clock now and then, and one in twenty with a broken checksum.
Image Variation(const Image& original, std::size_t n, std::mt19937& random) {
    Image image = original;
    std::uniform_int_distribution<int> byte(0, 255);
    image[10] = static_cast<std::uint8_t>(n);
    image[11] = static_cast<std::uint8_t>(n >> 8);
    for (std::size_t i = 12; i < 16; ++i)
        image[i] = static_cast<std::uint8_t>(byte(random));
    for (std::size_t d = 54; d < 126; d += 18) {
        if (image[d] == 0 && image[d + 1] == 0 && image[d + 3] == 0xFC)
            image[d + 5] = static_cast<std::uint8_t>('A' + n % 26);
        else if ((image[d] || image[d + 1]) && n % 3 == 0)
            image[d] = static_cast<std::uint8_t>(byte(random) | 1);
    }
    edid_test::FixChecksums(image);
    if (n % 20 == 0)
        image[127] ^= 0x01;
    return image;
}

// Runs argv with standard output to out_fd (or /dev/null) and returns the exit status.
int Spawn(const std::vector<std::string>& args, int outFd) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool HaveProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        if (access((dirs.substr(start, end - start) + "/" + name).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1200;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (count == 0 || runs <= 0) {
        std::fprintf(stderr, "usage: bench_edidinfo [FILES [RUNS]]\n");
        return 2;
    }
    if (!HaveProgram("edid-decode")) {
        std::fprintf(stderr, "bench_edidinfo: edid-decode is not on the PATH (Debian: apt-get "
                             "install edid-decode)\n");
        return 2;
    }

    std::string pattern = (fs::temp_directory_path() / "bench_edidinfo_XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    const fs::path dir = pattern;
    const std::vector<Image> originals = Originals();
    std::mt19937 random(26);
    std::vector<std::string> files;
    for (std::size_t n = 0; n < count; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "edid%05zu.bin", n);
        const std::string path = (dir / name).string();
        const Image image = Variation(originals[n % originals.size()], n, random);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), image.size());
        files.push_back(path);
    }

    // One edidinfo run over the folder; its output is kept once to check it is complete.
    std::vector<std::string> batch{KESTRELON_EDIDINFO, "--json"};
    batch.insert(batch.end(), files.begin(), files.end());
    const std::string outPath = (dir / "out.jsonl").string();
    std::vector<double> batchTimes;
    bool complete = true;
    for (int run = 0; run < runs; ++run) {
        const int fd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const auto start = Clock::now();
        const int status = Spawn(batch, fd);
        batchTimes.push_back(Seconds(start));
        close(fd);
        std::ifstream out(outPath);
        std::size_t lines = 0;
        for (std::string line; std::getline(out, line);)
            lines += line.rfind("{\"file\":", 0) == 0;
        complete = complete && status == 0 && lines == count;
    }

    auto perFile = [&](const char* program, std::vector<std::string> extra) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            const auto start = Clock::now();
            for (const std::string& file : files) {
                std::vector<std::string> args{program};
                args.insert(args.end(), extra.begin(), extra.end());
                args.push_back(file);
                Spawn(args, -1);
            }
            times.push_back(Seconds(start));
        }
        return times;
    };
    const std::vector<double> decodeTimes = perFile("edid-decode", {});
    const std::vector<double> singleTimes = perFile(KESTRELON_EDIDINFO, {"--json"});

    const double us = 1e6 / double(count);
    const double batchBest = *std::min_element(batchTimes.begin(), batchTimes.end()) * us;
    const double decodeBest = *std::min_element(decodeTimes.begin(), decodeTimes.end()) * us;
    const double singleBest = *std::min_element(singleTimes.begin(), singleTimes.end()) * us;
    std::printf("bench_edidinfo: %zu EDIDs (%zu originals varied), %d runs each, per file:\n",
                count, originals.size(), runs);
    std::printf("  edidinfo --json, one process for all files  best %8.1f us   median %8.1f us\n",
                batchBest, Median(batchTimes) * us);
    std::printf("  edid-decode, one process per file           best %8.1f us   median %8.1f us\n",
                decodeBest, Median(decodeTimes) * us);
    std::printf("  edidinfo --json, one process per file       best %8.1f us   median %8.1f us\n",
                singleBest, Median(singleTimes) * us);
    const double ratio = decodeBest / batchBest;
    std::printf("  edidinfo's one run is %.1f times faster per file than edid-decode per file "
                "(target: 20)\n",
                ratio);
    if (!complete)
        std::printf("  edidinfo did not print one JSON line per file\n");

    std::error_code error;
    fs::remove_all(dir, error);
    return complete && ratio >= 20.0 ? 0 : 1;
}
