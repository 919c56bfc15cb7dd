// CConsoleApp: starts the platform, runs the console dialog modally, ends with it.
#pragma once

class CConsoleApp {
public:
    CConsoleApp() = default;
    ~CConsoleApp() = default;
    // Returns the process exit code.
    int InitInstance(int& argc, char** argv);
    // The console itself, on an application already started: the options in argv (after the
    // platform took its own), the dialog run modally. Returns the process exit code.
    int Run(int argc, char** argv);
};
