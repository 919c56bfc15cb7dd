// Dialog templates of the console, by resource id.
#pragma once

#include "platform/ui/dialog_template.h"

const ui::DialogTemplate& ConsoleDialogTemplate();     // 102
const ui::DialogTemplate& AboutDialogTemplate();       // 100
const ui::DialogTemplate& ConversationTemplate();      // 104
const ui::DialogTemplate& PlanTemplate();              // 106
const ui::DialogTemplate& TimingPageTemplate();        // 129
const ui::DialogTemplate& PatternPageTemplate();       // 130
const ui::DialogTemplate& SettingPageTemplate();       // 131
const ui::DialogTemplate& EdidPageTemplate();          // 132
const ui::DialogTemplate& TimingDetailsPageTemplate(); // 182
const ui::DialogTemplate& TimingCalcTemplate();        // 183

// String resources (101, 103, 105, 107).
const char* LoadStringResource(int id);
