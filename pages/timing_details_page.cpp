#include "pages/timing_details_page.h"

#include "app/console_dlg.h"
#include "res/templates.h"

CTimingDetailsPage::CTimingDetailsPage() : ui::Dialog(TimingDetailsPageTemplate()) {}

CConsoleDlg& CTimingDetailsPage::Main() const {
    return *static_cast<CConsoleDlg*>(GetParentDialog());
}

void CTimingDetailsPage::DoDataExchange(ui::DataExchange&) {}

void CTimingDetailsPage::LoadTimingDetails(char) {}
