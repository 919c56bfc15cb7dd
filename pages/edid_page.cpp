#include "pages/edid_page.h"

#include "app/console_dlg.h"
#include "res/resource.h"
#include "res/templates.h"

CEdidPage::CEdidPage() : ui::Dialog(EdidPageTemplate()), m_cbEdidSource(IDC_EDID_SOURCE) {}

CConsoleDlg& CEdidPage::Main() const {
    return *static_cast<CConsoleDlg*>(GetParentDialog());
}

void CEdidPage::DoDataExchange(ui::DataExchange&) {}

void CEdidPage::ValidateAndDecode() {}
