#include "app/console_app.h"

#include "app/console_dlg.h"
#include "platform/ui/application.h"
#include "res/resource.h"
#include "res/templates.h"

namespace {

// Sockets start-up: nothing needs starting on this platform, so it cannot fail.
bool StartSockets() {
    return true;
}

} // namespace

int CConsoleApp::InitInstance(int& argc, char** argv) {
    ui::Application application(argc, argv);
    if (!StartSockets()) {
        ui::AppMessageBox(LoadStringResource(IDS_SOCKETS_INIT_FAILED));
        return 1;
    }
    CConsoleDlg dlg;
    dlg.DoModal();
    return 0;
}
