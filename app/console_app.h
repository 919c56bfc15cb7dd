// CConsoleApp: starts the platform, runs the console dialog modally, ends with it.
#pragma once

class CConsoleApp {
public:
    CConsoleApp() = default;
    ~CConsoleApp() = default;
    // Returns the process exit code.
    int InitInstance(int& argc, char** argv);
};
