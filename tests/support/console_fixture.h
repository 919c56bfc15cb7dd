// Runs a real CConsoleDlg with the dialog layer's test hooks on: message boxes and sleeps are
// recorded, timers are fired by the test, and the address file lives in a temporary directory.
#pragma once

#include "app/address_file.h"
#include "support/console_internals.h"
#include "app/console_dlg.h"
#include "app/module_path.h"
#include "link/command_words.h"
#include "link/frame.h"
#include "platform/ui/test_hooks.h"
#include "res/resource.h"
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

    // Feeds a reply as the link would deliver it from COM1.
    static void FeedReply(CConsoleDlg& d, std::uint16_t word,
                          const std::vector<std::uint8_t>& payload) {
        std::vector<std::uint8_t> out(payload.size() + frame::kOverhead);
        frame::BuildReply(out.data(), {}, word, payload.data(), payload.size());
        for (auto b : out)
            In(d).OnLinkRxChar(b, 1);
    }

    // With manual timers: opens the chosen port with the port button (a peer that answers
    // nothing by itself), gives the read-back its first item and lets it time out there, as a
    // generator that stopped answering would. The console stays connected, later replies go to
    // the general parser, and the message about the read-back is cleared.
    static void ConnectAndEndReadBack(CConsoleDlg& d) {
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
        FeedReply(d, cmd::QueryTiming, {0});
        ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerExchange));
        ASSERT_EQ(d.m_bPortOpen, 1);
        ASSERT_EQ(d.m_bReadingStatus, 0);
        ui::test::ClearMessageBoxes();
    }

    ui::test::ScopedHooks m_hooks;
    TempDir m_exeDir;
    PortMap m_ports;
};

} // namespace testsupport
