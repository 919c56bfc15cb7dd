// kestrelon.Generator: one generator on one port, each method one exchange of the generator
// client run with the GIL released. A lock keeps two Python threads from running exchanges on
// the same line at once (the client is for one thread at a time).
#pragma once

#include "link/generator_client.h"

#include <pybind11/pybind11.h>

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

namespace pyk {

// The user timing slots as the module numbers them, the numbering of sgctl user-timing: the
// first slot's number. The only place that knows it.
constexpr int kFirstSlot = 1;

// A setting's value as `sgctl set` takes it: a str as it is, an int as its digits, a bool as 1/0;
// the output and the signal take their words (hdmi/sdi, on/off), the signal also a bool.
// TypeError for anything else.
std::string SettingText(const std::string& key, pybind11::handle value);

class Generator {
public:
    // port: a COM number, a device path or a URL; none: the search. timeout: seconds a reply may
    // take to begin. address: "G:D". log: a file to append the frame log to ("-": stderr).
    Generator(const std::optional<std::string>& port, std::optional<double> timeout,
              const std::optional<std::string>& address, const std::optional<std::string>& log);
    ~Generator();
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    std::string Port();
    void Close();
    void Probe();
    pybind11::dict Status();
    pybind11::dict Set(const pybind11::kwargs& settings);
    void Output(const std::string& which);
    void Signal(const std::variant<bool, std::string>& on);
    void Reset();
    pybind11::bytes ReadEdid(int saved);
    pybind11::dict UserTiming(int slot);
    pybind11::dict StoreUserTiming(int slot, const pybind11::dict& timing);
    pybind11::bytes Raw(int word, const pybind11::buffer& payload);
    pybind11::dict RunPlan(const std::string& path, bool stopOnFail);

private:
    // Runs body on the line without the GIL, one thread at a time.
    template <class F> auto OnLine(F body);
    int ClientSlot(int slot) const;
    void CloseLine();

    std::mutex m_mutex;
    std::FILE* m_logFile = nullptr;
    client::CFrameLog m_log;
    std::optional<client::CGeneratorClient> m_client;
};

} // namespace pyk
