// The settings of a plan step, their order and the check of their values.
#include "plan/plan_keys.h"

#include "link/setting_keys.h"

#include <cctype>

namespace plan {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The two-way switches take what the generator client's Set takes.
std::string CheckSwitch(const std::string& value, const char* first, const char* second) {
    const std::string v = Lower(value);
    if (v == first || v == second || v == "0" || v == "1")
        return std::string();
    return std::string(first) + " or " + second;
}

} // namespace

const std::vector<std::string>& SettingKeys() {
    // The order every program applies several settings in, stated once beside the keys.
    return client::SettingOrder();
}

int KeyRank(const std::string& key) {
    const std::vector<std::string>& keys = SettingKeys();
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return static_cast<int>(i);
    return -1;
}

KnownOutput OutputOf(const std::string& value) {
    const std::string v = Lower(value);
    return v == "hdmi" || v == "0" ? KnownOutput::Hdmi : KnownOutput::Sdi;
}

std::string CheckValue(const std::string& key, const std::string& value, KnownOutput output) {
    if (key == "output")
        return CheckSwitch(value, "hdmi", "sdi");
    if (key == "signal")
        return CheckSwitch(value, "on", "off");
    const client::CKeyInfo* info = client::FindKey(key);
    if (!info)
        return "no such setting";
    int code = 0;
    std::string error;
    if (info->key != client::Key::Channel || output != KnownOutput::Unknown) {
        if (client::ParseValue(info->key, value, output != KnownOutput::Sdi, code, error))
            return std::string();
        if (info->key == client::Key::Channel)
            error +=
                output == KnownOutput::Sdi ? " (for the SDI output)" : " (for the HDMI output)";
        return error;
    }
    // The channel lists differ by output: without a known output either list's value is taken,
    // and the run refuses what the output in force does not offer.
    std::string sdiError;
    if (client::ParseValue(info->key, value, true, code, error) ||
        client::ParseValue(info->key, value, false, code, sdiError))
        return std::string();
    return error + " (for either output)";
}

} // namespace plan
