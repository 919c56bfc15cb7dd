#include "app/console_app.h"

#include "app/console_dlg.h"
#include "app/sockets.h"
#include "platform/ui/application.h"
#include "res/resource.h"
#include "res/templates.h"

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
