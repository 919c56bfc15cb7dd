// Runs a real CConsoleDlg with the dialog layer's test hooks on: message boxes and sleeps are
// recorded, timers are fired by the test, and the address file lives in a temporary directory.
#pragma once

#include "app/address_file.h"
#include "app/console_dlg.h"
#include "app/module_path.h"
#include "platform/ui/test_hooks.h"
#include "support/pty_peer.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class ConsoleFixture : public ::testing::Test {
protected:
    ConsoleFixture() { address_file::SetModuleFileNameForTesting(InExeDir("kestrelon")); }
    ~ConsoleFixture() override {
        ui::test::SetModalHandler(nullptr);
        address_file::SetModuleFileNameForTesting("");
    }

    // Creates and initialises the console, runs body on it, then closes it. Nested modal dialogs
    // (the About box) are handed to onNested and closed with its result.
    void RunConsole(const std::function<void(CConsoleDlg&)>& body,
                    const std::function<int(ui::Dialog&)>& onNested = nullptr) {
        CConsoleDlg dlg;
        ui::test::SetModalHandler([&](ui::Dialog& d) {
            if (&d == &dlg) {
                body(dlg);
                return ui::IDCANCEL;
            }
            return onNested ? onNested(d) : ui::IDOK;
        });
        dlg.DoModal();
        ui::test::SetModalHandler(nullptr);
    }

    // A file beside the executable, joined with the system's own path separator.
    std::string InExeDir(const std::string& name) const {
        return m_exeDir.Path() + address_file::kModulePathSeparator + name;
    }

    std::vector<std::string> Boxes() const { return ui::test::MessageBoxes(); }

    ui::test::ScopedHooks m_hooks;
    TempDir m_exeDir;
    PortMap m_ports;
};

} // namespace testsupport
