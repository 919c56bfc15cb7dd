#include "pages/pattern_page.h"

#include "app/console_dlg.h"
#include "res/templates.h"

CPatternPage::CPatternPage() : ui::Dialog(PatternPageTemplate()) {}

CConsoleDlg& CPatternPage::Main() const {
    return *static_cast<CConsoleDlg*>(GetParentDialog());
}

void CPatternPage::DoDataExchange(ui::DataExchange&) {}

void CPatternPage::ShowPattern(int code) {
    m_nPattern = code;
}

void CPatternPage::UpdateForTiming() {}

void CPatternPage::UpdateForOutputMode() {}
