// kestrelon.Generator over the generator client: values in as sgctl takes them, results out as
// the JSON objects sgctl prints, failures as the exceptions of sgctl's exit codes.
#include "python/py_generator.h"

#include "edid/edid_decoder.h"
#include "link/setting_keys.h"
#include "link/status_json.h"
#include "link/timing_json.h"
#include "plan/plan_driver.h"
#include "plan/plan_reader.h"
#include "plan/report_json.h"
#include "python/py_json.h"
#include "python/py_support.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace pyk {

namespace {

bool ParseAddress(const std::string& text, frame::DeviceAddress& address) {
    unsigned group = 0, device = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x%c", &group, &device, &extra) != 2)
        return false;
    address = {static_cast<std::uint8_t>(group), static_cast<std::uint8_t>(device)};
    return true;
}

std::string KnownKeys() {
    std::string keys;
    for (const client::CKeyInfo& k : client::Keys())
        keys += std::string(keys.empty() ? "" : ", ") + k.name;
    return keys + ", output, signal";
}

} // namespace

std::string SettingText(const std::string& key, py::handle value) {
    const std::string type =
        py::str(py::type::handle_of(value).attr("__name__")).cast<std::string>();
    // The switches take their words (or True and False for the signal): a bare 1 would be the
    // signal's code for off.
    if (client::IsSwitch(key)) {
        if (py::isinstance<py::str>(value))
            return value.cast<std::string>();
        if (key == "signal" && py::isinstance<py::bool_>(value))
            return value.cast<bool>() ? "on" : "off";
        throw py::type_error(key == "signal"
                                 ? "signal takes True, False, 'on' or 'off', not " + type
                                 : "output takes 'hdmi' or 'sdi', not " + type);
    }
    if (py::isinstance<py::bool_>(value))
        return value.cast<bool>() ? "1" : "0";
    if (py::isinstance<py::int_>(value))
        return py::str(value).cast<std::string>();
    if (py::isinstance<py::str>(value))
        return value.cast<std::string>();
    throw py::type_error(key + " takes a str, an int or a bool, not " + type);
}

Generator::Generator(const std::optional<std::string>& port, std::optional<double> timeout,
                     const std::optional<std::string>& address,
                     const std::optional<std::string>& log) {
    client::Options options;
    if (timeout) {
        if (!std::isfinite(*timeout) || *timeout < 0.001 || *timeout > 60)
            Refuse("timeout takes 0.001 to 60 seconds, not " + std::to_string(*timeout));
        options.timeoutMs = std::max(1, static_cast<int>(std::lround(*timeout * 1000)));
        options.timeoutGiven = true;
    }
    if (address && !ParseAddress(*address, options.address))
        Refuse("address takes two hex bytes G:D, not " + *address);
    if (log) {
        if (*log == "-") {
            m_logFile = stderr;
        } else if (!(m_logFile = std::fopen(log->c_str(), "a"))) {
            Refuse("cannot write the log " + *log + ": " + std::strerror(errno));
        }
        m_log = client::CFrameLog(m_logFile);
        options.log = &m_log;
    }
    m_client.emplace(options);
    client::Result r;
    {
        py::gil_scoped_release release;
        r = port ? m_client->Open(*port) : m_client->Search();
    }
    if (!r.Ok())
        Close();
    Check(r);
}

Generator::~Generator() {
    // Nobody else holds the object any more, and the interpreter may be finishing: no GIL games.
    std::lock_guard<std::mutex> lock(m_mutex);
    CloseLine();
}

void Generator::CloseLine() {
    if (m_client)
        m_client->Close();
    if (m_logFile && m_logFile != stderr)
        std::fclose(m_logFile);
    m_logFile = nullptr;
    m_log = client::CFrameLog();
}

template <class F> auto Generator::OnLine(F body) {
    py::gil_scoped_release release;
    std::lock_guard<std::mutex> lock(m_mutex);
    return body();
}

int Generator::ClientSlot(int slot) const {
    if (slot < kFirstSlot || slot >= kFirstSlot + exchange::kUserSlots)
        Refuse("user timing slot " + std::to_string(slot) + ": the slots are " +
               std::to_string(kFirstSlot) + ".." +
               std::to_string(kFirstSlot + exchange::kUserSlots - 1));
    return slot - kFirstSlot + 1; // the client's numbering, 1..10
}

std::string Generator::Port() {
    return OnLine([&] { return m_client->PortName(); });
}

void Generator::Close() {
    OnLine([&] { CloseLine(); });
}

void Generator::Probe() {
    Check(OnLine([&] { return m_client->Probe(); }));
}

py::dict Generator::Status() {
    client::Status st;
    Check(OnLine([&] { return m_client->ReadStatus(st); }));
    return ToDict(client::StatusJson(st));
}

py::dict Generator::Set(const py::kwargs& settings) {
    // Every key and value is read before the line is touched, so that a call with a bad one
    // changes nothing.
    std::vector<std::pair<std::string, std::string>> given;
    for (const auto& item : settings) {
        const std::string key = py::str(item.first).cast<std::string>();
        const std::string value = SettingText(key, item.second);
        std::string error;
        int code = 0;
        bool first = true;
        if (client::IsSwitch(key)) {
            if (!client::ParseSwitch(key, value, first, error))
                Refuse(key + " " + value + ": " + error);
        } else if (const client::CKeyInfo* info = client::FindKey(key)) {
            // The channel's codes and names depend on the output, and a saved user timing's
            // caption on the generator's records: the client reads them there.
            if (info->key != client::Key::Channel &&
                !client::ParseValue(info->key, value, true, code, error) &&
                !(info->key == client::Key::Timing && client::MayBeTimingCaption(value)))
                Refuse(key + " " + value + ": " + error);
        } else {
            Refuse("unknown KEY " + key + " (one of " + KnownKeys() + ")");
        }
        given.emplace_back(key, value);
    }
    py::dict done;
    for (const std::string& key : client::SettingOrder()) {
        const auto it = std::find_if(given.begin(), given.end(),
                                     [&key](const auto& g) { return g.first == key; });
        if (it == given.end())
            continue;
        client::SetDone d;
        Check(OnLine([&] { return m_client->Set(key, it->second, &d); }));
        py::dict confirmed;
        confirmed["code"] = d.code;
        confirmed["name"] = Text(d.name);
        done[Text(key)] = confirmed;
    }
    return done;
}

void Generator::Output(const std::string& which) {
    Check(OnLine([&] { return m_client->Set("output", which); }));
}

void Generator::Signal(const std::variant<bool, std::string>& on) {
    const std::string value = std::holds_alternative<bool>(on) ? (std::get<bool>(on) ? "on" : "off")
                                                               : std::get<std::string>(on);
    Check(OnLine([&] { return m_client->Set("signal", value); }));
}

void Generator::Reset() {
    Check(OnLine([&] { return m_client->Reset(); }));
}

py::bytes Generator::ReadEdid(int saved) {
    edid::Image image{};
    Check(OnLine([&] { return m_client->ReadEdid(saved, image); }));
    return py::bytes(reinterpret_cast<const char*>(image.data()), image.size());
}

py::dict Generator::UserTiming(int slot) {
    const int s = ClientSlot(slot);
    UserTimingRecord::Bytes record{};
    Check(OnLine([&] { return m_client->FetchUserTiming(s, record); }));
    return ToDict(client::UserTimingJson(slot, record));
}

py::dict Generator::StoreUserTiming(int slot, const py::dict& timing) {
    const int s = ClientSlot(slot);
    timing_calc::Timing t;
    std::string error;
    if (!timing_calc::FromJson(FromPython(timing), t, error))
        Refuse("user timing refused: " + error);
    const std::string refusal = timing_calc::CheckFitsUserRecord(t);
    if (!refusal.empty())
        Refuse("user timing refused: " + refusal);
    const rules::UserTimingValues values = timing_calc::ToUserTimingValues(t);
    UserTimingRecord::Bytes stored{};
    Check(OnLine([&] { return m_client->StoreUserTiming(s, values, &stored); }));
    return ToDict(client::UserTimingJson(slot, stored));
}

py::bytes Generator::Raw(int word, const py::buffer& payload) {
    if (word < 0 || word > 0xFFFF)
        Refuse("the command word is 0..0xffff, not " + std::to_string(word));
    const std::vector<std::uint8_t> bytes = BytesOf(payload, "the payload");
    std::vector<std::uint8_t> reply;
    Check(OnLine([&] { return m_client->Raw(static_cast<std::uint16_t>(word), bytes, reply); }));
    return py::bytes(reinterpret_cast<const char*>(reply.data()), reply.size());
}

py::dict Generator::RunPlan(const std::string& path, bool stopOnFail) {
    plan::ReadResult r = plan::ReadPlanFile(path);
    if (!r.ok)
        Refuse(r.error);
    plan::DriverOptions options;
    options.run.stopOnFail = stopOnFail;
    options.run.askOperator = false;
    plan::RunReport report;
    OnLine([&] {
        report = plan::RunPlan(r.plan, *m_client, options);
        return true;
    });
    return ToDict(Json::parse(plan::ReportJson(report)));
}

} // namespace pyk
