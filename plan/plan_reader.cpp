// Plan files: JSON in, checked steps out, or the reason the plan is refused.
#include "plan/plan_reader.h"

#include "plan/plan_expand.h"
#include "plan/plan_keys.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>
#include <tuple>

namespace plan {

namespace {

using Json = nlohmann::ordered_json;

// Deeper than any plan goes (plan, steps, step, each, list): the reader need not go further.
constexpr int kMaxDepth = 8;

// A refusal on the way: the step it names (0: the plan) and why.
struct Refusal : std::runtime_error {
    Refusal(std::size_t s, const std::string& why) : std::runtime_error(why), step(s) {}
    std::size_t step;
};

std::string KeyList() {
    std::string keys;
    for (const std::string& k : SettingKeys())
        keys += ", " + k;
    return keys;
}

// JSON's name for what a value is, for messages.
std::string KindOf(const Json& j) {
    switch (j.type()) {
    case Json::value_t::object:
        return "an object";
    case Json::value_t::array:
        return "a list";
    case Json::value_t::string:
        return "a text";
    case Json::value_t::boolean:
        return j.get<bool>() ? "true" : "false";
    case Json::value_t::null:
        return "null";
    default:
        return "the number " + j.dump();
    }
}

// Parses the text, refusing a key given twice in one object and nesting deeper than a plan's.
// Keys count steps as the parser meets them, so that a refusal can name the step.
Json Parse(const std::string& text) {
    std::vector<std::set<std::string>> keys; // of each object open
    std::string topKey;                      // the plan's key being read
    std::size_t step = 0;                    // the element of "steps" being read
    auto callback = [&](int depth, Json::parse_event_t event, Json& parsed) {
        if (depth > kMaxDepth)
            throw Refusal(step, "nested deeper than a plan goes");
        const bool stepStart =
            depth == 2 && topKey == "steps" &&
            (event == Json::parse_event_t::object_start ||
             event == Json::parse_event_t::array_start || event == Json::parse_event_t::value);
        if (stepStart)
            ++step;
        switch (event) {
        case Json::parse_event_t::object_start:
            keys.emplace_back();
            break;
        case Json::parse_event_t::object_end:
            if (!keys.empty())
                keys.pop_back();
            break;
        case Json::parse_event_t::key: {
            const std::string key = parsed.get<std::string>();
            if (depth == 1) {
                topKey = key;
                step = 0;
            }
            if (!keys.empty() && !keys.back().insert(key).second)
                throw Refusal(depth >= 3 && topKey == "steps" ? step : 0,
                              "the key \"" + key + "\" is given twice");
            break;
        }
        default:
            break;
        }
        return true;
    };
    try {
        return Json::parse(text, callback);
    } catch (const Json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line 3, column 5: ...", or a number
        // beyond what a double holds.
        std::string what = e.what();
        const std::size_t at = what.find("] ");
        if (at != std::string::npos)
            what = what.substr(at + 2);
        throw Refusal(0, "not JSON: " + what);
    }
}

std::int64_t DwellMs(const Json& j, std::size_t step) {
    if (!j.is_number())
        throw Refusal(step, "dwell_s must be a number of seconds, not " + KindOf(j));
    const double s = j.get<double>();
    if (!(s >= 0) || s > kMaxDwellSeconds)
        throw Refusal(step, "dwell_s " + j.dump() + ": from 0 to " +
                                std::to_string(static_cast<long>(kMaxDwellSeconds)) + " seconds");
    return std::llround(s * 1000);
}

std::string Text(const Json& j, const char* key, std::size_t step) {
    if (!j.is_string())
        throw Refusal(step, std::string(key) + " must be a text, not " + KindOf(j));
    return j.get<std::string>();
}

// A setting's value: a name as it stands, a code as its decimal digits.
std::string Value(const std::string& key, const Json& j, std::size_t step) {
    if (j.is_string())
        return j.get<std::string>();
    if (j.is_number_unsigned())
        return std::to_string(j.get<std::uint64_t>());
    throw Refusal(step,
                  key + " " + j.dump() + ": neither a code (a whole number from 0) nor a name");
}

bool IsSettingKey(const std::string& key) {
    return KeyRank(key) >= 0;
}

PlannedStep ReadStep(const Json& j, std::size_t step, std::int64_t planDwellMs) {
    if (!j.is_object())
        throw Refusal(step, "a step is an object, not " + KindOf(j));
    PlannedStep planned;
    planned.planStep = step;
    planned.dwellMs = planDwellMs;
    bool dwellGiven = false;
    for (auto it = j.begin(); it != j.end(); ++it) {
        const std::string& key = it.key();
        if (key == "name") {
            planned.hasName = true;
            planned.name = Text(it.value(), "name", step);
        } else if (key == "dwell_s") {
            planned.dwellMs = DwellMs(it.value(), step);
            dwellGiven = true;
        } else if (key == "prompt") {
            planned.hasPrompt = true;
            planned.prompt = Text(it.value(), "prompt", step);
            if (planned.prompt.empty())
                throw Refusal(step, "prompt is empty");
        } else if (key == "each") {
            if (!it.value().is_object() || it.value().empty())
                throw Refusal(step, "each takes an object of keys with lists of values, not " +
                                        KindOf(it.value()));
            for (auto e = it.value().begin(); e != it.value().end(); ++e) {
                if (!IsSettingKey(e.key()))
                    throw Refusal(step, "each: unknown key " + e.key() + " (one of" +
                                            KeyList().substr(1) + ")");
                if (j.contains(e.key()))
                    throw Refusal(step, e.key() + " is given both alone and in each");
                if (!e.value().is_array() || e.value().empty())
                    throw Refusal(step,
                                  "each: " + e.key() + " takes a list of values, not " +
                                      (e.value().is_array() ? "an empty one" : KindOf(e.value())));
                std::vector<std::string> values;
                for (const Json& v : e.value())
                    values.push_back(Value(e.key(), v, step));
                planned.each.emplace_back(e.key(), std::move(values));
            }
        } else if (IsSettingKey(key)) {
            planned.settings.push_back({key, Value(key, it.value(), step)});
        } else {
            throw Refusal(step, "unknown key " + key +
                                    " (a step takes name, dwell_s, prompt, each" + KeyList() + ")");
        }
    }
    if (planned.settings.empty() && planned.each.empty() && !planned.hasPrompt &&
        planned.dwellMs == 0)
        throw Refusal(step, std::string("the step sets nothing, asks nothing and waits ") +
                                (dwellGiven ? "0 s" : "nothing"));
    return planned;
}

// Every value against what the setting takes, with the output the steps before select.
void CheckValues(const std::vector<Step>& steps) {
    std::map<std::tuple<std::string, std::string, KnownOutput>, std::string> checked;
    KnownOutput output = KnownOutput::Unknown;
    for (const Step& step : steps) {
        for (const Setting& s : step.settings) {
            const auto key = std::make_tuple(s.key, s.value, output);
            auto found = checked.find(key);
            if (found == checked.end())
                found = checked.emplace(key, CheckValue(s.key, s.value, output)).first;
            if (!found->second.empty())
                throw Refusal(step.planStep, s.key + " " + s.value + ": " + found->second);
            if (s.key == "output")
                output = OutputOf(s.value);
        }
    }
}

Plan Read(const std::string& text, const std::string& file) {
    if (text.size() > kMaxPlanBytes)
        throw Refusal(0, "larger than a plan may be (" + std::to_string(kMaxPlanBytes >> 20) +
                             " MiB)");
    const Json root = Parse(text);
    if (!root.is_object())
        throw Refusal(0, "a plan is a JSON object, not " + KindOf(root));
    Plan plan;
    plan.file = file;
    plan.name = file;
    std::int64_t dwellMs = 0;
    const Json* steps = nullptr;
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (it.key() == "name") {
            plan.name = Text(it.value(), "name", 0);
        } else if (it.key() == "dwell_s") {
            dwellMs = DwellMs(it.value(), 0);
        } else if (it.key() == "steps") {
            steps = &it.value();
        } else if (it.key() == "not_covered") {
            if (!it.value().is_array())
                throw Refusal(0, "not_covered is a list, not " + KindOf(it.value()));
        } else {
            throw Refusal(0, "unknown key " + it.key() +
                                 " (a plan takes name, dwell_s, steps and not_covered)");
        }
    }
    if (!steps)
        throw Refusal(0, "the plan has no steps");
    if (!steps->is_array())
        throw Refusal(0, "steps is a list, not " + KindOf(*steps));
    if (steps->empty())
        throw Refusal(0, "the plan has no steps");
    std::size_t number = 0;
    for (const Json& j : *steps) {
        const PlannedStep planned = ReadStep(j, ++number, dwellMs);
        if (plan.steps.size() + ExpandedCount(planned) > kMaxSteps)
            throw Refusal(number,
                          "the plan expands to more than " + std::to_string(kMaxSteps) + " steps");
        Expand(planned, plan.steps);
    }
    CheckValues(plan.steps);
    return plan;
}

} // namespace

ReadResult ReadPlan(const std::string& text, const std::string& file) {
    ReadResult r;
    const std::string where = file.empty() ? std::string("plan") : file;
    try {
        r.plan = Read(text, where);
        r.ok = true;
    } catch (const Refusal& refusal) {
        r.step = refusal.step;
        r.error = where + ": " +
                  (refusal.step ? "step " + std::to_string(refusal.step) + ": " : std::string()) +
                  refusal.what();
    } catch (const nlohmann::json::exception& e) {
        // Not expected of a parsed document; refused rather than let through.
        r.error = where + ": " + e.what();
    }
    return r;
}

ReadResult ReadPlanFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        ReadResult r;
        r.error = path + ": cannot read: " + std::strerror(errno);
        return r;
    }
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() <= kMaxPlanBytes)
        text.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        ReadResult r;
        r.error = path + ": cannot read";
        return r;
    }
    return ReadPlan(text, path);
}

} // namespace plan
