// Renders the console offscreen to PNG files, the main dialog and one per tab page (NAME-page.png),
// for the README and for looking at the dialogs as a user would. With --com N it first connects to
// a generator (the emulator) on COM N and waits for the status read-back, so the panel and pages
// show real values; the conversation window, open during that connection, is rendered too, and
// the plan window running docs/plan-example.json, caught at its first question to the operator.
//
//   console_screens OUTDIR [--com N] [--wait MS]
#include "app/console_dlg.h"
#include "support/console_internals.h"
#include "app/conversation_dlg.h"
#include "app/plan_dlg.h"
#include "pages/timing_calc_dlg.h"
#include "platform/ui/application.h"
#include "platform/ui/test_hooks.h"
#include "res/resource.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [--com N] [--wait MS]\n", argv[0]);
        return 2;
    }
    const std::string outDir = argv[1];
    int com = 0;
    int waitMs = 3000;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--com") == 0)
            com = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--wait") == 0)
            waitMs = std::atoi(argv[i + 1]);
    }
    // Offscreen unless the caller chose a platform (putenv exists on every system we build for).
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        putenv(const_cast<char*>("QT_QPA_PLATFORM=offscreen"));
    ui::Application app(argc, argv);
    static const char* const kNames[] = {"timing", "timing-details", "pattern", "setting", "edid"};

    const auto start = std::chrono::steady_clock::now();
    CConsoleDlg dlg;
    int status = 0;
    ui::test::SetModalHandler([&](ui::Dialog& d) {
        if (auto* calc = dynamic_cast<CTimingCalcDlg*>(&d)) {
            // The calculator with a timing the user timing record holds.
            calc->ComboSetCurSel(IDC_C_FORMULA, static_cast<int>(timing_calc::Formula::Cvt));
            calc->SendNotify(IDC_C_FORMULA, ui::Notify::SelChange);
            calc->SetDlgItemText(IDC_C_H_ACTIVE, "1920");
            calc->SetDlgItemText(IDC_C_V_ACTIVE, "1080");
            calc->SetDlgItemText(IDC_C_RATE, "60");
            calc->SendNotify(IDC_C_CALCULATE, ui::Notify::Clicked);
            ui::ProcessEvents(50);
            if (!calc->GrabToPng(outDir + "/timing-calculator.png"))
                status = 1;
            return ui::IDCANCEL;
        }
        if (&d != &dlg)
            return ui::IDOK;
        const auto shown = std::chrono::steady_clock::now();
        std::printf("start-up: %.1f ms from construction to the initialised dialog\n",
                    std::chrono::duration<double, std::milli>(shown - start).count());
        if (com > 0) {
            dlg.ShowConversation();
            In(dlg).m_nPort = com;
            dlg.ComboSetCurSel(IDC_PORT_COMBO, com - 1);
            dlg.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
            ui::ProcessEvents(waitMs);
        }
        if (!dlg.GrabToPng(outDir + "/main-dialog.png"))
            status = 1;
        for (int i = 0; i < 5; ++i) {
            dlg.TabSetCurSel(IDC_TAB, i);
            dlg.SendNotify(IDC_TAB, ui::Notify::SelChange);
            if (i == 4 && com > 0) {
                // The EDID page with the sink's EDID read from the generator.
                In(dlg).m_edidPage.SendNotify(IDC_READ_EDID, ui::Notify::Clicked);
                ui::ProcessEvents(500);
            }
            ui::ProcessEvents(50);
            if (!dlg.GrabToPng(outDir + "/" + kNames[i] + "-page.png"))
                status = 1;
        }
        dlg.TabSetCurSel(IDC_TAB, 1);
        dlg.SendNotify(IDC_TAB, ui::Notify::SelChange);
        In(dlg).m_timingDetailsPage.SendNotify(IDC_D_CALCULATE, ui::Notify::Clicked);
        if (In(dlg).m_pConversationDlg) {
            ui::ProcessEvents(100);
            if (!In(dlg).m_pConversationDlg->GrabToPng(outDir + "/conversation.png"))
                status = 1;
        }
        if (com > 0) {
            dlg.ShowPlan();
            CPlanDlg& plan = *In(dlg).m_pPlanDlg;
            if (!plan.LoadFile("docs/plan-example.json")) {
                status = 1;
            } else {
                plan.SendNotify(IDC_PLAN_RUN, ui::Notify::Clicked);
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
                while (plan.GetDlgItemText(IDC_PLAN_PROMPT).empty() &&
                       std::chrono::steady_clock::now() < until)
                    ui::ProcessEvents(20);
                plan.SetDlgItemText(IDC_PLAN_NOTE, "slight shimmer on the left edge");
                ui::ProcessEvents(300);
                if (!plan.GrabToPng(outDir + "/plan-window.png"))
                    status = 1;
                plan.SendNotify(IDC_PLAN_STOP, ui::Notify::Clicked);
            }
        }
        return ui::IDCANCEL;
    });
    dlg.DoModal();
    return status;
}
