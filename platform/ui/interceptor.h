// What may stand in for the operator and the clock: a message box answered instead of shown, a
// sleep not slept, timers that only record their interval, a modal dialog or a file chooser
// answered. The application installs none, and then every call goes to the toolkit; a test
// harness installs one to run the console's code unchanged without a person at the screen.
#pragma once

#include <functional>
#include <string>

namespace ui {

class Dialog;

class Interceptor {
public:
    virtual ~Interceptor() = default;
    // True when the box was taken instead of shown; it then counts as answered with OK. Any
    // thread.
    virtual bool MessageBox(const std::string& text) = 0;
    // True when the sleep was taken instead of slept (UI thread).
    virtual bool Sleep(int milliseconds) = 0;
    // True while SetTimer only records the interval and starts no timer.
    virtual bool ManualTimers() = 0;
    // True when the chooser was answered: chosen says whether a path was chosen, path holds it.
    virtual bool FileChooser(const std::string& filter, const std::string& initialDir,
                             std::string& path, bool& chosen) = 0;
    // Runs a created and initialised modal dialog instead of its event loop and gives its
    // result; null runs the dialog.
    virtual std::function<int(Dialog&)> ModalHandler() = 0;
};

// Installs the interceptor (null: none). It must outlive its installation.
void SetInterceptor(Interceptor* interceptor);

} // namespace ui
