// Template 106: the plan window. The steps are a read-only list in the fixed font, one line per
// step with its state, under a header line in the same font (both set at run time); below them
// the step under way, the elapsed time, what the window has to say, and the operator's verdict
// with a note; the run's buttons at the bottom.
#include "res/resource.h"
#include "res/templates.h"
#include "platform/ui/types.h"

#include <iterator>

using namespace ui;

namespace {

const ControlTemplate kPlanControls[] = {
    {IDC_PLAN_NAME, ControlKind::Static, "No plan open.", 7, 8, 275, 9, kNoWrap, "Plan"},
    {IDC_PLAN_OPEN, ControlKind::PushButton, "Open plan...", 287, 5, 60, 14, kGroup},
    {IDC_PLAN_FROM_EDID, ControlKind::PushButton, "Plan from this EDID...", 351, 5, 82, 14, kNone},
    {IDC_PLAN_HEADER, ControlKind::Static, "", 9, 24, 420, 9, kNoWrap, "Columns"},
    {IDC_PLAN_STEPS, ControlKind::Edit, "", 7, 34, 426, 150,
     kMultiline | kReadOnly | kVScroll | kHScroll, "Steps"},
    {IDC_PLAN_CURRENT, ControlKind::Static, "", 7, 190, 330, 9, kNoWrap, "Current step"},
    {IDC_PLAN_ELAPSED, ControlKind::Static, "", 343, 190, 90, 9, kNoWrap | kRight, "Elapsed"},
    {IDC_PLAN_MESSAGE, ControlKind::Static, "", 7, 203, 426, 18, kNone, "Message"},
    {IDC_PLAN_PROMPT, ControlKind::Static, "", 7, 225, 426, 18, kNone, "Question"},
    {IDC_PLAN_NOTE_LABEL, ControlKind::Static, "Note:", 7, 250, 22, 9, kDisabled},
    {IDC_PLAN_NOTE, ControlKind::Edit, "", 31, 248, 292, 14, kGroup | kDisabled},
    {IDC_PLAN_PASS, ControlKind::PushButton, "Pass", 329, 248, 50, 14, kDisabled},
    {IDC_PLAN_FAIL, ControlKind::PushButton, "Fail", 383, 248, 50, 14, kDisabled},
    {IDC_PLAN_RUN, ControlKind::PushButton, "Run", 7, 272, 50, 14, kGroup | kDisabled},
    {IDC_PLAN_PAUSE, ControlKind::PushButton, "Pause", 61, 272, 50, 14, kDisabled},
    {IDC_PLAN_STOP, ControlKind::PushButton, "Stop", 115, 272, 50, 14, kDisabled},
    {IDC_PLAN_SAVE, ControlKind::PushButton, "Save report...", 315, 272, 64, 14, kDisabled},
    {ui::IDCANCEL, ControlKind::PushButton, "Close", 383, 272, 50, 14, kNone},
};

const DialogTemplate kPlanTemplate = {
    IDD_PLAN, "Plan", 440,  293, "Segoe UI", 9, kPlanControls, std::size(kPlanControls),
    false,    true,   true,
};

} // namespace

const DialogTemplate& PlanTemplate() {
    return kPlanTemplate;
}
