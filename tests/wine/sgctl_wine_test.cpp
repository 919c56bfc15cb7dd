// sgctl.exe under wine on the pseudo-terminal null-modem cable of run_serial.sh: sgctl.exe opens
// COM5 in a process of its own, the test serves the emulator's device model on COM6, and on a TCP
// port as a serial device server. The Windows build's own parts are what is tried here: the Win32
// serial layer and Winsock under the exchange, the read deadlines, the files it writes and the
// exit codes. COM1..COM4 are the machine's own ports in a wine prefix, so the device search is
// not run.
#include "edid/edid_file.h"
#include "link/command_words.h"
#include "platform/serial/port_map.h"
#include "platform/serial/serial_port.h"
#include "tools/sgsim/builtin_edids.h"
#include "tools/sgsim/device_server.h"
#include "tools/sgsim/emulator.h"

#include "winsock_peer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kPeerCom = 6;

// The emulator's device model served on COM6 from a thread. Requests with the word `dropped`
// never reach it; `silent` keeps it from answering at all.
class ServedModel {
public:
    ServedModel() {
        if (m_port.Open(serial::ResolveComPort(kPeerCom)))
            return;
        serial::PortState state;
        if (m_port.SetTimeouts({0, 0, 20, 1, 1000}) || m_port.GetState(state) ||
            !serial::ParseDefinition("baud=115200 parity=N data=8 stop=1", state.line) ||
            m_port.SetState(state) || m_port.Purge())
            return;
        m_bReady = true;
        m_thread = std::thread([this] { Serve(); });
    }
    ~ServedModel() {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool Ready() const { return m_bReady; }

    std::atomic<bool> silent{false};
    std::atomic<int> dropped{-1};

private:
    void Serve() {
        std::vector<std::uint8_t> pending;
        while (!m_bStop) {
            std::uint8_t byte = 0;
            bool got = false;
            if (m_port.ReadByte(byte, got))
                std::this_thread::sleep_for(10ms);
            if (!got)
                continue;
            pending.push_back(byte);
            while (!pending.empty() && pending[0] != 0xAA)
                pending.erase(pending.begin());
            if (pending.size() < 5 || pending.size() < (pending[3] | (pending[4] << 8)) + 5u)
                continue;
            const std::vector<std::uint8_t> request = pending;
            pending.clear();
            if (silent || (request[7] | (request[8] << 8)) == dropped)
                continue;
            for (const sgsim::COutFrame& f : m_emulator.Feed(request))
                m_port.Write(f.abBytes.data(), f.abBytes.size());
        }
    }

    serial::Port m_port;
    sgsim::CEmulator m_emulator;
    bool m_bReady = false;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

struct Result {
    DWORD code = 0xFFFFFFFF;
    std::string out;
    std::string err;
    double seconds = 0;
};

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Runs sgctl.exe with the arguments, its output in files; ends it after a minute.
Result RunSgctl(const std::string& arguments) {
    Result r;
    const std::string outPath = TempFile("sgctl_out.txt"), errPath = TempFile("sgctl_err.txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + WindowsPath(SGCTL_EXE) + "\" " + arguments;
    const auto start = std::chrono::steady_clock::now();
    const BOOL started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    EXPECT_TRUE(started) << command;
    if (!started)
        return r;
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "sgctl.exe did not end: " << arguments;
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    GetExitCodeProcess(pi.hProcess, &r.code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    r.out = ReadAll(outPath);
    r.err = ReadAll(errPath);
    return r;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(SgctlWine, CommandsWorkOnAWindowsPort) {
    ServedModel model;
    ASSERT_TRUE(model.Ready()) << "COM6 is not mapped: run through run_serial.sh";

    Result r = RunSgctl("--port COM5 status --json");
    EXPECT_EQ(0u, r.code) << r.err;
    EXPECT_TRUE(Contains(r.out, "\"output\": \"hdmi\"")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\"timing\": \"1920x1080p(60)\"")) << r.out;
    EXPECT_TRUE(Contains(r.out, "{\"slot\": 10, ")) << r.out; // slots 1..10

    r = RunSgctl("--port COM5 set timing \"1920x1080p(50)\"");
    EXPECT_EQ(0u, r.code) << r.err;
    EXPECT_TRUE(Contains(r.out, "timing 27 (1920x1080p(50))")) << r.out;
    r = RunSgctl("--port COM5 raw 8061");
    EXPECT_TRUE(Contains(r.out, "ab 00 00 06 00 01 01 61 80 1b ")) << r.out;

    r = RunSgctl("--port COM5 user-timing set 2 --clock 148.5 --h-active 1920 --h-blank 280 "
                 "--hs-offset 88 --hs-width 44 --v-active 1080 --v-blank 45 --vs-offset 4 "
                 "--vs-width 5");
    EXPECT_EQ(0u, r.code) << r.err;
    EXPECT_TRUE(Contains(r.out, "2  1920x1080(60)")) << r.out;

    // The files are written byte for byte: no line ends added on the way.
    const std::string txt = TempFile("sgctl_saved2.txt"), bin = TempFile("sgctl_saved2.bin");
    r = RunSgctl("--port COM5 edid read --saved 2 -o \"" + txt + "\"");
    EXPECT_EQ(0u, r.code) << r.err;
    r = RunSgctl("--port COM5 edid read --saved 2 -o \"" + bin + "\"");
    EXPECT_EQ(0u, r.code) << r.err;
    const edid::Image saved2 = sgsim::SavedEdid(1);
    edid::Image image;
    std::copy(saved2.begin(), saved2.end(), image.begin());
    EXPECT_EQ(edid::EdidTextLayout(image), ReadAll(txt));
    EXPECT_EQ(std::string(saved2.begin(), saved2.end()), ReadAll(bin));
    DeleteFileA(txt.c_str());
    DeleteFileA(bin.c_str());

    r = RunSgctl("--port COM5 set color_depth 12bit");
    EXPECT_EQ(0u, r.code) << r.err;
    r = RunSgctl("--port COM5 set timing 40");
    r = RunSgctl("--port COM5 set color_depth 10bit");
    EXPECT_EQ(2u, r.code);
    EXPECT_TRUE(Contains(r.err, "When in 4K mode, Color Depth is fixed to 24bit !")) << r.err;
}

TEST(SgctlWine, FailuresEndWithTheirExitCodes) {
    ServedModel model;
    ASSERT_TRUE(model.Ready()) << "COM6 is not mapped: run through run_serial.sh";

    model.dropped = cmd::SetPattern;
    Result r = RunSgctl("--port COM5 --timeout 200 set pattern SMPTE");
    EXPECT_EQ(4u, r.code) << r.err;
    EXPECT_TRUE(Contains(r.err, "sent 34 (SMPTE), the generator reports 0")) << r.err;

    model.silent = true;
    r = RunSgctl("--port COM5 status");
    EXPECT_EQ(3u, r.code) << r.err;
    EXPECT_TRUE(Contains(r.err, "COM5: no answer to the timing query (0x8061) within 400 ms"))
        << r.err;
    EXPECT_LT(r.seconds, 20.0);

    r = RunSgctl("--port COM77 status");
    EXPECT_EQ(5u, r.code);
    EXPECT_TRUE(Contains(r.err, "COM77")) << r.err;
    EXPECT_TRUE(Contains(r.err, "no such port")) << r.err;

    r = RunSgctl("--port COM5 set timing 99");
    EXPECT_EQ(2u, r.code);
}

// The device model on a WinsockPeer, as a serial device server (raw, or Telnet with the COM port
// control option), one client after another, until destroyed.
class ServedModelTcp {
public:
    explicit ServedModelTcp(bool rfc2217, int fixedBaud = 0)
        : m_bRfc2217(rfc2217), m_nFixedBaud(fixedBaud), m_thread([this] { Serve(); }) {}
    ~ServedModelTcp() {
        m_bStop = true;
        m_thread.join();
    }
    std::string Url() const { return m_peer.Url(m_bRfc2217 ? "rfc2217" : "socket"); }

private:
    void Serve() {
        while (!m_bStop) {
            if (!m_peer.Accept(50))
                continue;
            sgsim::CDeviceServerSession session(m_bRfc2217, m_nFixedBaud);
            bool closed = false;
            while (!m_bStop && !closed) {
                const std::vector<std::uint8_t> in = m_peer.Receive(20, 1, &closed);
                sgsim::FrameBytes data, out;
                session.Receive(in.data(), in.size(), data, out);
                for (const sgsim::COutFrame& f : m_emulator.Feed(data))
                    session.Send(f.abBytes.data(), f.abBytes.size(), out);
                m_peer.Send(out);
            }
            m_peer.Hangup();
        }
    }

    winetest::WinsockPeer m_peer;
    sgsim::CEmulator m_emulator;
    bool m_bRfc2217;
    int m_nFixedBaud;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

// sgctl.exe on Winsock: the device model served on a TCP port of the loopback address by this
// process, as a serial device server, raw and with RFC 2217.
TEST(SgctlWine, NetworkPortsWork) {
    for (const bool rfc2217 : {false, true}) {
        ServedModelTcp server(rfc2217);
        Result r = RunSgctl("--port " + server.Url() + " status --json");
        EXPECT_EQ(0u, r.code) << server.Url() << ": " << r.err;
        EXPECT_TRUE(Contains(r.out, "\"timing\": \"1920x1080p(60)\"")) << r.out;

        // The saved EDID's header is six 0xFF bytes.
        const std::string bin = TempFile("sgctl_net.bin");
        r = RunSgctl("--port " + server.Url() + " edid read --saved 2 -o \"" + bin + "\"");
        EXPECT_EQ(0u, r.code) << r.err;
        const edid::Image saved2 = sgsim::SavedEdid(1);
        EXPECT_EQ(std::string(saved2.begin(), saved2.end()), ReadAll(bin)) << server.Url();
        DeleteFileA(bin.c_str());
    }

    ServedModelTcp fixed(true, 9600);
    Result r = RunSgctl("--port " + fixed.Url() + " status");
    EXPECT_EQ(5u, r.code);
    EXPECT_TRUE(Contains(r.err, "setting not accepted (the device server set 9600 baud instead "
                                "of 115200)"))
        << r.err;

    r = RunSgctl("--port socket://127.0.0.1:1 status");
    EXPECT_EQ(5u, r.code);
    EXPECT_TRUE(Contains(r.err, "Nothing accepts connections at 127.0.0.1:1")) << r.err;
    EXPECT_LT(r.seconds, 20.0);
}

} // namespace
