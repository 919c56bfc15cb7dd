// The console's own artwork, drawn in code into RGBA images.
#pragma once

#include "platform/ui/types.h"

// Icons 128, 133, 134, 189, 190 and 191 at the given size (32 x 32 when 0). An unknown id gives a
// null image.
ui::Image LoadIconImage(int id, int size = 0);

namespace ui {
class Dialog;
}

// Puts the template's images into its icon and bitmap statics (the caption names the resource)
// and fills its combo boxes with their initial lists (the caption, one entry per line).
void ApplyTemplateResources(ui::Dialog& dlg);
