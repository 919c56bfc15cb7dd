// sgsim.exe under wine, as a process of its own: serving sgctl.exe on a TCP port of the loopback
// address (raw and as RFC 2217) and on COM6 of the pseudo-terminal null-modem cable of
// run_serial.sh (sgctl.exe on COM5); stopping when the process it watches ends; and refusing,
// with one line and status 2, the options only the POSIX emulator offers.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string TempFile(const std::string& name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

// What the file holds now, while another process may still be writing it.
std::string ReadShared(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
    CloseHandle(file);
    return text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// One of the build's programs in a process of its own, its output in files; ended when the
// object goes.
class Program {
public:
    Program(const std::string& exe, const std::string& arguments, const std::string& tag) {
        m_outPath = TempFile(tag + "_out.txt");
        m_errPath = TempFile(tag + "_err.txt");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out =
            CreateFileA(m_outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        &inherit, CREATE_ALWAYS, 0, nullptr);
        HANDLE err =
            CreateFileA(m_errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = out;
        si.hStdError = err;
        std::string command = "\"" + WindowsPath(exe) + "\" " + arguments;
        m_bStarted = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                    nullptr, &si, &m_info) != 0;
        CloseHandle(out);
        CloseHandle(err);
        EXPECT_TRUE(m_bStarted) << command;
    }
    ~Program() {
        if (m_bStarted && Wait(0ms) == STILL_ACTIVE) {
            TerminateProcess(m_info.hProcess, 99);
            WaitForSingleObject(m_info.hProcess, 5000);
        }
        if (m_bStarted) {
            CloseHandle(m_info.hProcess);
            CloseHandle(m_info.hThread);
        }
        DeleteFileA(m_outPath.c_str());
        DeleteFileA(m_errPath.c_str());
    }

    // The exit code, or STILL_ACTIVE when it has not ended within the time.
    DWORD Wait(std::chrono::milliseconds limit) {
        if (!m_bStarted)
            return 0xFFFFFFFF;
        WaitForSingleObject(m_info.hProcess, static_cast<DWORD>(limit.count()));
        DWORD code = 0xFFFFFFFF;
        GetExitCodeProcess(m_info.hProcess, &code);
        return code;
    }
    void Terminate() { TerminateProcess(m_info.hProcess, 99); }
    DWORD Id() const { return m_info.dwProcessId; }
    std::string Out() const { return ReadShared(m_outPath); }
    std::string Err() const { return ReadShared(m_errPath); }

    // Waits up to a minute for a line of standard output that starts with prefix; the rest of
    // that line, or "" when none came (or the program ended first).
    std::string WaitForLine(const std::string& prefix) {
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < end) {
            const std::string out = Out();
            const std::size_t at = out.find(prefix);
            const std::size_t eol = at == std::string::npos ? at : out.find('\n', at);
            if (eol != std::string::npos) {
                std::string rest = out.substr(at + prefix.size(), eol - at - prefix.size());
                if (!rest.empty() && rest.back() == '\r')
                    rest.pop_back();
                return rest;
            }
            if (Wait(0ms) != STILL_ACTIVE)
                break;
            std::this_thread::sleep_for(50ms);
        }
        return std::string();
    }

private:
    std::string m_outPath, m_errPath;
    PROCESS_INFORMATION m_info{};
    bool m_bStarted = false;
};

struct Result {
    DWORD code;
    std::string out, err;
};

Result RunToEnd(const std::string& exe, const std::string& arguments) {
    Program p(exe, arguments, "run");
    const DWORD code = p.Wait(60s);
    EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << arguments;
    return {code, p.Out(), p.Err()};
}

Result Sgctl(const std::string& arguments) {
    return RunToEnd(SGCTL_EXE, arguments);
}

TEST(SgsimWine, ServesSgctlOnATcpPort) {
    for (const char* kind : {"tcp", "rfc2217"}) {
        Program sgsim(SGSIM_EXE, std::string("--") + kind + " 127.0.0.1:0 --set pattern=SMPTE",
                      "sgsim_tcp");
        const std::string url = sgsim.WaitForLine("sgsim: serving on ");
        ASSERT_EQ(0u, url.rfind(std::string(kind == std::string("tcp") ? "socket" : kind) +
                                    "://127.0.0.1:",
                                0))
            << "no URL: " << sgsim.Out() << sgsim.Err();

        Result r = Sgctl("--port " + url + " set timing 27");
        EXPECT_EQ(0u, r.code) << url << ": " << r.err;
        r = Sgctl("--port " + url + " status --json");
        EXPECT_EQ(0u, r.code) << url << ": " << r.err;
        // The setting of the first connection and the one sgsim started with are both kept.
        EXPECT_TRUE(Contains(r.out, "\"timing\": 27,")) << r.out;
        EXPECT_TRUE(Contains(r.out, "\"pattern\": \"SMPTE\"")) << r.out;
        EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), sgsim.Wait(0ms)) << sgsim.Err();
    }
}

TEST(SgsimWine, ServesSgctlOnASerialPort) {
    Program sgsim(SGSIM_EXE, "--serial COM6 --log -", "sgsim_serial");
    ASSERT_NE("", sgsim.WaitForLine("sgsim: serving on ")) << sgsim.Out() << sgsim.Err();

    Result r = Sgctl("--port COM5 set timing \"1920x1080p(50)\"");
    EXPECT_EQ(0u, r.code) << r.err;
    r = Sgctl("--port COM5 status --json");
    EXPECT_EQ(0u, r.code) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"timing\": 27,")) << r.out;
    // Both sides of the line in the frame log, the request for the timing and its answer.
    EXPECT_TRUE(Contains(sgsim.Err(), " RX aa 00 00 05 00 00 00 61 80 ")) << sgsim.Err();
    EXPECT_TRUE(Contains(sgsim.Err(), " TX ab 00 00 06 00 01 01 61 80 1b ")) << sgsim.Err();
}

TEST(SgsimWine, StopsWhenTheWatchedProcessEnds) {
    Program watched(SGSIM_EXE, "--tcp 127.0.0.1:0", "sgsim_watched");
    ASSERT_NE("", watched.WaitForLine("sgsim: serving on "));
    Program sgsim(SGSIM_EXE, "--tcp 127.0.0.1:0 --pid " + std::to_string(watched.Id()),
                  "sgsim_watching");
    ASSERT_NE("", sgsim.WaitForLine("sgsim: serving on "));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), sgsim.Wait(500ms));
    watched.Terminate();
    EXPECT_EQ(0u, sgsim.Wait(10s));
    EXPECT_TRUE(Contains(sgsim.Err(),
                         "sgsim: process " + std::to_string(watched.Id()) + " has ended, stopping"))
        << sgsim.Err();
}

TEST(SgsimWine, RefusesWhatOnlyPosixOffers) {
    for (const char* option :
         {"--com 7", "--ports-dir C:\\ports", "--force", "--exit-with-parent"}) {
        const Result r = RunToEnd(SGSIM_EXE, std::string("--tcp 127.0.0.1:0 ") + option);
        EXPECT_EQ(2u, r.code) << option;
        const std::string name = std::string(option).substr(0, std::string(option).find(' '));
        EXPECT_EQ(0u, r.err.rfind("sgsim: " + name + " is POSIX-only", 0)) << r.err;
        // One line, and nothing served.
        EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << r.err;
        EXPECT_EQ("", r.out);
    }

    const Result help = RunToEnd(SGSIM_EXE, "--help");
    EXPECT_EQ(0u, help.code);
    EXPECT_TRUE(Contains(help.out, "--serial COMn")) << help.out;
    EXPECT_TRUE(Contains(help.out, "--tcp HOST:PORT")) << help.out;
    for (const char* posixOnly :
         {"--com", "--ports-dir", "--force", "--exit-with-parent", "pseudo-terminal", "COMn holds"})
        EXPECT_FALSE(Contains(help.out, posixOnly)) << posixOnly;
}

} // namespace
