// The application object of the dialog layer: one per process, created on the UI thread.
#pragma once

#include <string>

namespace ui {

class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
};

// Shows a message box owned by no dialog (start-up failures), caption "Kestrelon".
void AppMessageBox(const char* text);

// Before an Application exists: why no window could be shown (no display to show it on), or ""
// when windows can be shown.
std::string NoDisplayReason();
// Writes text where the user who started the program reads it (the terminal, or what standard
// output was redirected to; on Windows, with neither, a message box), for the options that print
// instead of opening the console's window.
void WriteToTerminal(const std::string& text, bool error = false);

} // namespace ui
