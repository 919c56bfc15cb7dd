// Template captions that stand for resources: the image of an icon or bitmap static, and the
// initial list of a combo box.
#include "platform/ui/dialog.h"
#include "res/art.h"

#include <cstdlib>
#include <string>

void ApplyTemplateResources(ui::Dialog& dlg) {
    const ui::DialogTemplate& t = dlg.Template();
    for (std::size_t i = 0; i < t.count; ++i) {
        const ui::ControlTemplate& c = t.controls[i];
        if (c.id == ui::IDC_STATIC || c.caption == nullptr || *c.caption == '\0')
            continue;
        if (c.kind == ui::ControlKind::Icon || c.kind == ui::ControlKind::Bitmap) {
            const ui::Image img = LoadIconImage(std::atoi(c.caption));
            if (!img.IsNull())
                dlg.SetDlgItemImage(c.id, img);
        } else if (c.kind == ui::ControlKind::ComboDropDown ||
                   c.kind == ui::ControlKind::ComboDropList) {
            dlg.ComboResetContent(c.id);
            std::string item;
            for (const char* p = c.caption;; ++p) {
                if (*p == '\n' || *p == '\0') {
                    dlg.ComboAddString(c.id, item);
                    item.clear();
                    if (*p == '\0')
                        break;
                } else {
                    item.push_back(*p);
                }
            }
        }
    }
}
