// CAboutDlg: the About box, opened from the system menu.
#pragma once

#include "platform/ui/dialog.h"

class CAboutDlg : public ui::Dialog {
public:
    CAboutDlg();

protected:
    bool OnInitDialog() override;
};
