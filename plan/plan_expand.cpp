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

std::size_t ExpandedCount(const StepSpec& spec) {
    std::size_t count = 1;
    for (const auto& key : spec.each) {
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

void Expand(const StepSpec& spec, std::vector<Step>& out) {
    const std::size_t count = ExpandedCount(spec);
    // The combination's index in each key, the last key counting fastest.
    std::vector<std::size_t> at(spec.each.size(), 0);
    for (std::size_t n = 0; n < count; ++n) {
        Step step;
        step.planStep = spec.planStep;
        step.dwellMs = spec.dwellMs;
        step.hasPrompt = spec.hasPrompt;
        step.prompt = spec.prompt;
        std::vector<Setting> combination;
        for (std::size_t k = 0; k < spec.each.size(); ++k)
            combination.push_back({spec.each[k].first, spec.each[k].second[at[k]]});
        step.settings = spec.settings;
        step.settings.insert(step.settings.end(), combination.begin(), combination.end());
        SortByKey(step.settings);

        if (spec.hasName) {
            step.name = spec.name;
            if (!combination.empty())
                step.name += " (" + SettingsText(combination) + ")";
        } else if (!step.settings.empty()) {
            step.name = SettingsText(step.settings);
        } else if (spec.hasPrompt) {
            step.name = spec.prompt;
        } else {
            step.name = "wait " + DwellText(spec.dwellMs);
        }
        out.push_back(std::move(step));

        for (std::size_t k = spec.each.size(); k-- > 0;) {
            if (++at[k] < spec.each[k].second.size())
                break;
            at[k] = 0;
        }
    }
}

} // namespace plan
