#include "app/about_dlg.h"

#include "res/art.h"
#include "res/templates.h"

CAboutDlg::CAboutDlg() : ui::Dialog(AboutDialogTemplate()) {}

bool CAboutDlg::OnInitDialog() {
    ApplyTemplateResources(*this);
    return ui::Dialog::OnInitDialog();
}
