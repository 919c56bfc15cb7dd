// The application object of the dialog layer: one per process, created on the UI thread.
#pragma once

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

} // namespace ui
