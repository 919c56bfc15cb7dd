// CPlanConsole: what the plan window needs of the console it runs a plan through. A setting goes
// out as a click's does (the console's frame builder, its reply handlers, so the panel and the
// pages follow it) and is confirmed by the generator's own report; its result comes back to the
// window (CPlanDlg::SettingFinished): within the call for a setting refused before it goes out,
// else once the generator has answered or its time is up.
#pragma once

#include "edid/edid_decoder.h"
#include "link/generator_client.h"

#include <string>

class CPlanConsole {
public:
    virtual ~CPlanConsole() = default;

    // A search, a status read-back or an EDID read holds the line.
    virtual bool ExchangeRunning() const = 0;
    // Whether a port is open, and what reports call it ("COM2").
    virtual bool PlanPortOpen() const = 0;
    virtual std::string PlanPortName() const = 0;
    // Sends KEY (a key of the setting keys, "output" or "signal") set to VALUE and asks the
    // generator for it afterwards, refused as the pages refuse it.
    virtual void ApplyPlanSetting(const std::string& key, const std::string& value) = 0;
    // Forgets the setting under way: its answers, when they come, change the screen only.
    virtual void CancelPlanSetting() = 0;
    // The EDID the TV EDID page shows (read or opened); false when it shows none.
    virtual bool ShownEdid(edid::Image& image) const = 0;
};
