// The device's state at start-up, set from the command line through its own request handling.
#include "tools/sgsim/initial_state.h"

#include "link/command_words.h"
#include "link/setting_keys.h"

#include <algorithm>

namespace sgsim {

namespace {

std::string KnownKeys() {
    std::string keys;
    for (const std::string& k : client::SettingOrder())
        keys += (keys.empty() ? "" : ", ") + k;
    return keys;
}

} // namespace

std::string ApplySettings(const std::vector<Setting>& settings, CGenerator& generator) {
    const std::vector<std::string>& order = client::SettingOrder();
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const std::string& key = settings[i].first;
        if (std::find(order.begin(), order.end(), key) == order.end())
            return "unknown KEY " + key + " (one of " + KnownKeys() + ")";
        for (std::size_t j = 0; j < i; ++j)
            if (settings[j].first == key)
                return key + " is given twice";
    }
    for (const std::string& key : order) {
        const auto it = std::find_if(settings.begin(), settings.end(),
                                     [&key](const Setting& s) { return s.first == key; });
        if (it == settings.end())
            continue;
        const std::string& value = it->second;
        const bool hdmi = generator.State().settings.nOutputInterface == 0;
        std::string error;
        std::uint16_t word = 0;
        int code = 0;
        if (client::IsSwitch(key)) {
            bool first = true;
            if (!client::ParseSwitch(key, value, first, error))
                return key + " " + value + ": " + error;
            word = key == "output" ? cmd::SetOutputInterface : cmd::SetSignalOutput;
            code = first ? 0 : 1;
        } else {
            const client::CKeyInfo& info = *client::FindKey(key);
            if (!client::ParseValue(info.key, value, hdmi, code, error))
                return key + " " + value + ": " + error;
            word = client::SetWord(info, hdmi);
        }
        CRequest request;
        request.address = generator.State().address;
        request.wWord = word;
        request.abPayload = {static_cast<std::uint8_t>(code)};
        if (generator.Handle(request).eOutcome != CGenerator::Outcome::Answered)
            return key + " " + value +
                   ": refused by the generator (the output, timing and HDMI/DVI mode are set "
                   "first)";
    }
    return std::string();
}

} // namespace sgsim
