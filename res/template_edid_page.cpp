// Template EDID_PAGE: the page's controls (drawn with the page).
#include "res/resource.h"
#include "res/templates.h"

using namespace ui;

namespace {

const DialogTemplate kTemplate = {
    IDD_EDID_PAGE, "", 345, 330, "Segoe UI", 9, nullptr, 0, true, false, false,
};

} // namespace

const DialogTemplate& EdidPageTemplate() {
    return kTemplate;
}
