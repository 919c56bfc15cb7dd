// The expansion of `each`, the fixed order of a step's settings and the names of the steps.
#include "plan/plan_expand.h"

#include "plan/plan_keys.h"

#include <algorithm>

namespace plan {

namespace {

void SortByKey(std::vector<Setting>& settings) {
    std::stable_sort(settings.begin(), settings.end(), [](const Setting& a, const Setting& b) {
        return KeyRank(a.key) < KeyRank(b.key);
    });
}

} // namespace

std::size_t ExpandedCount(const PlannedStep& planned) {
    std::size_t count = 1;
    for (const auto& key : planned.each) {
        const std::size_t n = key.second.size();
        if (n == 0)
            return 0;
        if (count > (kMaxSteps + 1) / n)
            return kMaxSteps + 1;
        count *= n;
    }
    return std::min(count, kMaxSteps + 1);
}

std::string SettingsText(const std::vector<Setting>& settings) {
    std::string text;
    for (const Setting& s : settings)
        text += (text.empty() ? "" : ", ") + s.key + " " + s.value;
    return text;
}

std::string DwellText(std::int64_t ms) {
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
        while (fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text + " s";
}

void Expand(const PlannedStep& planned, std::vector<Step>& out) {
    const std::size_t count = ExpandedCount(planned);
    // The combination's index in each key, the last key counting fastest.
    std::vector<std::size_t> at(planned.each.size(), 0);
    for (std::size_t n = 0; n < count; ++n) {
        Step step;
        step.planStep = planned.planStep;
        step.dwellMs = planned.dwellMs;
        step.hasPrompt = planned.hasPrompt;
        step.prompt = planned.prompt;
        std::vector<Setting> combination;
        for (std::size_t k = 0; k < planned.each.size(); ++k)
            combination.push_back({planned.each[k].first, planned.each[k].second[at[k]]});
        step.settings = planned.settings;
        step.settings.insert(step.settings.end(), combination.begin(), combination.end());
        SortByKey(step.settings);

        if (planned.hasName) {
            step.name = planned.name;
            if (!combination.empty())
                step.name += " (" + SettingsText(combination) + ")";
        } else if (!step.settings.empty()) {
            step.name = SettingsText(step.settings);
        } else if (planned.hasPrompt) {
            step.name = planned.prompt;
        } else {
            step.name = "wait " + DwellText(planned.dwellMs);
        }
        out.push_back(std::move(step));

        for (std::size_t k = planned.each.size(); k-- > 0;) {
            if (++at[k] < planned.each[k].second.size())
                break;
            at[k] = 0;
        }
    }
}

} // namespace plan
