#include "app/console_app.h"

#include "app/console_dlg.h"
#include "platform/serial/socket.h"
#include "kestrelon_version.h"
#include "platform/ui/application.h"
#include "res/resource.h"
#include "res/templates.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: kestrelon [--log FILE] [--plan FILE]\n"
    "\n"
    "The Kestrelon console: drives the signal generator on a COM port from its window.\n"
    "\n"
    "  --log FILE   append every frame sent and received to FILE, one line each (\"-\":\n"
    "               standard error)\n"
    "  --plan FILE  open the Plan window with the test plan FILE loaded\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

// The console's options: "--log FILE" (or "-" for standard error) writes every frame sent and
// received to FILE, one line each, appended to what the file held; "--plan FILE" opens the plan
// window with that plan.
struct Options {
    std::string logPath;
    std::string planPath;
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--log" && i + 1 < argc)
            o.logPath = argv[++i];
        else if (a.rfind("--log=", 0) == 0)
            o.logPath = a.substr(6);
        else if (a == "--plan" && i + 1 < argc)
            o.planPath = argv[++i];
        else if (a.rfind("--plan=", 0) == 0)
            o.planPath = a.substr(7);
    }
    return o;
}

// The open frame log, closed when the console ends.
class FrameLogFile {
public:
    ~FrameLogFile() {
        if (m_file != nullptr && m_file != stderr)
            std::fclose(m_file);
    }
    // Empty on success, else why the file could not be opened.
    std::string Open(const std::string& path) {
        m_file = path == "-" ? stderr : std::fopen(path.c_str(), "a");
        return m_file != nullptr ? std::string() : std::strerror(errno);
    }
    void Write(const std::string& line) {
        std::fputs((line + "\n").c_str(), m_file);
        std::fflush(m_file);
    }

private:
    std::FILE* m_file = nullptr;
};

} // namespace

int CConsoleApp::InitInstance(int& argc, char** argv) {
    // The options that print need no window, nor a display to show one on.
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            ui::WriteToTerminal(kUsage);
            return 0;
        }
        if (a == "--version") {
            ui::WriteToTerminal("kestrelon (Kestrelon) " KESTRELON_VERSION "\n");
            return 0;
        }
    }
    const std::string noDisplay = ui::NoDisplayReason();
    if (!noDisplay.empty()) {
        ui::WriteToTerminal("kestrelon: no display to show the console on (" + noDisplay +
                                "). Start it in a desktop session, or with "
                                "QT_QPA_PLATFORM=offscreen to run it without a screen.\n",
                            true);
        return 1;
    }
    ui::Application application(argc, argv);
    if (!serial::StartSockets()) {
        ui::AppMessageBox(LoadStringResource(IDS_SOCKETS_INIT_FAILED));
        return 1;
    }
    return Run(argc, argv);
}

int CConsoleApp::Run(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    FrameLogFile log;
    CConsoleDlg dlg;
    if (!options.logPath.empty()) {
        const std::string failure = log.Open(options.logPath);
        if (failure.empty()) {
            dlg.Conversation().SetLogSink([&log](const std::string& line) { log.Write(line); });
            dlg.Conversation().Enable(true);
        } else {
            const std::string text = "The frame log " + options.logPath +
                                     " could not be opened: " + failure +
                                     "\nThe console runs without it.";
            ui::AppMessageBox(text.c_str());
        }
    }
    if (!options.planPath.empty())
        dlg.OpenPlanAtStart(options.planPath);
    dlg.DoModal();
    // No frame is recorded once the console is gone.
    dlg.Conversation().SetLogSink(nullptr);
    return 0;
}
