// Read-back benchmark: how long the console's status read-back takes (twelve item queries and
// ten user timing records, each request sent when the previous reply has been taken) against the
// emulator on a pseudo-terminal, on a raw TCP port and on an RFC 2217 port of the loopback
// address; and beside it `sgctl status` (opening the port included) on each. Real timers, an
// offscreen QApplication; prints the best and the median of the runs.
//
//   bench_readback [runs]      (default 20)
#include "app/address_file.h"
#include "support/console_internals.h"
#include "app/console_dlg.h"
#include "link/command_words.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog.h"
#include "platform/ui/test_hooks.h"
#include "res/resource.h"
#include "support/pty_peer.h"
#include "support/served_emulator.h"
#include "tools/sgctl/sgctl.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::ServedEmulator;
using testsupport::Transport;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

bool Until(const std::function<bool()>& done, int withinMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(withinMs);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        ui::ProcessEvents(1);
    }
    return true;
}

struct Figures {
    const char* name;
    std::vector<double> console, sgctl;
};

void Print(const char* what, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("  %-26s no complete run\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-26s best %7.1f ms   median %7.1f ms   (%zu runs)\n", what, ms.front(),
                ms[ms.size() / 2], ms.size());
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: %s [runs]\n", argv[0]);
        return 2;
    }
    int qtArgc = 1;
    ui::Application app(qtArgc, argv);
    testsupport::PortMap map;
    testsupport::TempDir home;
    address_file::SetModuleFileNameForTesting(home.Path() + "/kestrelon");

    const struct {
        const char* name;
        Transport transport;
    } kForms[] = {{"pseudo-terminal", Transport::Pty},
                  {"socket:// (loopback)", Transport::Tcp},
                  {"rfc2217:// (loopback)", Transport::Rfc2217}};
    std::vector<Figures> figures;
    bool ok = true;
    int com = 1;
    for (const auto& form : kForms) {
        ServedEmulator sim(map.Dir(), com, false, {}, 115200, form.transport);
        Figures f{form.name, {}, {}};
        CConsoleDlg console;
        ui::test::SetModalHandler([&](ui::Dialog& d) {
            if (&d != &console)
                return ui::IDOK;
            In(console).m_nPort = com;
            console.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
            ok = ok && console.m_bPortOpen == 1 &&
                 Until([&] { return console.m_bReadingStatus == 0; }, 5000);
            for (int i = 0; ok && i < runs; ++i) {
                Until([&] { return In(console).m_nFollowUpQueries == 0; }, 2000);
                ui::ProcessEvents(50); // the last replies of the one before
                const std::size_t before = sim.Words().size();
                const auto start = Clock::now();
                console.StartStatusReadBack(400);
                if (!Until([&] { return console.m_bReadingStatus == 0; }, 5000)) {
                    ok = false;
                    break;
                }
                const double ms = Ms(start);
                // Every item and record was asked for and answered (the summary query follows).
                if (!Until([&] { return sim.Words().size() >= before + 23; }, 2000)) {
                    std::fprintf(stderr, "%s: a read-back asked %zu times\n", form.name,
                                 sim.Words().size() - before);
                    ok = false;
                    break;
                }
                f.console.push_back(ms);
            }
            // The port off, and closed by the worker before sgctl opens it.
            console.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
            Until([&] { return !In(console).m_link.IsOpen(); }, 2000);
            return ui::IDCANCEL;
        });
        console.DoModal();
        ui::test::SetModalHandler(nullptr);

        for (int i = 0; i < runs; ++i) {
            std::ostringstream out, err;
            const auto start = Clock::now();
            const int code =
                sgctl::Run({"--port", "COM" + std::to_string(com), "status"}, out, err);
            if (code != 0 || out.str().find("Timing:") == std::string::npos) {
                std::fprintf(stderr, "sgctl on %s: %s", form.name, err.str().c_str());
                ok = false;
                break;
            }
            f.sgctl.push_back(Ms(start));
        }
        figures.push_back(f);
        ++com;
    }

    std::printf("status read-back, 22 exchanges, each request when the reply is taken:\n");
    for (const Figures& f : figures) {
        std::printf("%s\n", f.name);
        Print("console read-back", f.console);
        Print("sgctl status (with open)", f.sgctl);
    }
    return ok ? 0 : 1;
}
