// The generator as a program talks to it: the exchanges of link/exchanges.h run synchronously on
// one line.
#include "link/generator_client.h"

#include "link/code_names.h"
#include "link/command_words.h"
#include "link/timing_codes.h"
#include "platform/serial/open_failure.h"
#include "platform/serial/port_map.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

namespace client {

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// "34 (SMPTE)".
std::string Described(int code, const std::string& name) {
    return std::to_string(code) + (name.empty() ? "" : " (" + name + ")");
}

// The read-back's item queries as messages name them.
const char* const kItemWhat[exchange::kStatusItems] = {
    "the timing query",       "the pattern query",    "the colour space query",
    "the colour depth query", "the HDCP query",       "the HDMI/DVI mode query",
    "the sample rate query",  "the audio bits query", "the audio source query",
    "the HDMI channel query", "the hot plug query",   "the signal query",
};

} // namespace

int ExitCodeOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Done:
        return kExitDone;
    case Outcome::Refused:
        return kExitUsage;
    case Outcome::NoAnswer:
        return kExitNoAnswer;
    case Outcome::Different:
        return kExitDifferent;
    case Outcome::PortError:
        return kExitPort;
    }
    return kExitUsage;
}

namespace {

Outcome OutcomeOf(int exitCode) {
    switch (exitCode) {
    case kExitDone:
        return Outcome::Done;
    case kExitNoAnswer:
        return Outcome::NoAnswer;
    case kExitDifferent:
        return Outcome::Different;
    case kExitPort:
        return Outcome::PortError;
    default:
        return Outcome::Refused;
    }
}

} // namespace

int ComNumber(const std::string& port) {
    if (port.size() < 4 || port.size() > 5 ||
        std::tolower(static_cast<unsigned char>(port[0])) != 'c' ||
        std::tolower(static_cast<unsigned char>(port[1])) != 'o' ||
        std::tolower(static_cast<unsigned char>(port[2])) != 'm')
        return 0;
    int n = 0;
    for (std::size_t i = 3; i < port.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(port[i])))
            return 0;
        n = n * 10 + (port[i] - '0');
    }
    return n >= exchange::kFirstCom && n <= exchange::kLastCom ? n : 0;
}

CGeneratorClient::CGeneratorClient(const Options& options) : m_options(options) {}

CGeneratorClient::~CGeneratorClient() = default;

template <class F> Result CGeneratorClient::Run(F body) {
    try {
        body();
        return Result{};
    } catch (const CFailure& failure) {
        Result r;
        r.outcome = OutcomeOf(failure.ExitCode());
        r.message = failure.what();
        while (!r.message.empty() && r.message.back() == '\n')
            r.message.pop_back();
        return r;
    }
}

bool CGeneratorClient::IsOpen() const {
    return m_bOpen && m_line != nullptr;
}

std::string CGeneratorClient::PortName() const {
    return m_line ? m_line->Name() : std::string();
}

CLine* CGeneratorClient::Line() {
    return IsOpen() ? m_line.get() : nullptr;
}

void CGeneratorClient::Close() {
    if (m_line)
        m_line->Close();
    m_bOpen = false;
}

void CGeneratorClient::OpenFailure(const std::string& name, const std::string& device,
                                   const serial::Error& error) {
    std::string message = name;
    if (device.empty()) {
        message += ": no such port (nothing in the port map, no such serial device)";
    } else {
        if (device != name)
            message += " (" + device + ")";
        message += ": ";
        message += serial::CauseName(error.cause);
        if (!error.text.empty() && error.text != serial::CauseName(error.cause))
            message += " (" + error.text + ")";
        const std::string advice = serial::ExplainOpenFailure(error, device);
        if (!advice.empty())
            message += "\n" + advice;
    }
    throw CFailure(kExitPort, message);
}

Result CGeneratorClient::Open(const std::string& port) {
    return Run([&] {
        Close();
        m_line = std::make_unique<CLine>(m_options.address, m_options.timeoutMs,
                                         m_options.log ? *m_options.log : m_noLog);
        const int n = ComNumber(port);
        const std::string device = n ? serial::ResolveComPort(n) : port;
        const serial::Error e = m_line->Open(port, device);
        m_bOpenBusy = e.cause == serial::Cause::Busy;
        if (e)
            OpenFailure(port, device, e);
        m_bOpen = true;
    });
}

CLine& CGeneratorClient::Open_() {
    if (!IsOpen())
        throw CFailure(kExitPort, "no port is open");
    return *m_line;
}

int CGeneratorClient::ProbeWindow(bool firstPort) const {
    if (m_options.timeoutGiven)
        return m_options.timeoutMs;
    return firstPort ? exchange::kFirstProbeMs : exchange::kNextProbeMs;
}

bool CGeneratorClient::ProbeOn(CLine& line, int windowMs, CReply* answer) {
    CAwait await;
    await.wWord = cmd::Search;
    await.nMinPayload = 2;
    await.bAnyAddress = true; // the console's search takes an answer from any generator
    await.accept = [](const CReply& r) {
        return r.Payload()[0] == exchange::kFoundPayload[0] &&
               r.Payload()[1] == exchange::kFoundPayload[1];
    };
    line.Send(cmd::Search, {}, "search " + line.Name());
    CReply reply;
    return line.Await(await, windowMs, answer ? *answer : reply);
}

Result CGeneratorClient::Probe() {
    return Run([&] {
        CLine& line = Open_();
        if (!ProbeOn(line, ProbeWindow(true))) {
            const std::string ignored = line.Ignored();
            throw CFailure(kExitNoAnswer, line.Name() + ": no generator answered the search" +
                                              (ignored.empty() ? "" : "; " + ignored));
        }
    });
}

namespace {

// Why a port of the search did not open, in a word a list can show.
std::string PassedReason(const serial::Error& e, const std::string& device) {
    switch (e.cause) {
    case serial::Cause::Busy:
        return "busy";
    case serial::Cause::AccessDenied:
        return "permission";
    case serial::Cause::NotFound:
        // A device server's endpoint that refused the connection, or a device that is not there.
        return device.find("://") != std::string::npos ? "refused" : "missing";
    case serial::Cause::InvalidArgument:
        return "line settings refused";
    case serial::Cause::Timeout:
        return "no answer";
    default:
        return serial::CauseName(e.cause);
    }
}

} // namespace

std::unique_ptr<CLine> CGeneratorClient::ProbeAll(std::vector<Probed>& probed, bool keep) {
    struct CPort {
        Probed result;
        std::string device;
        std::unique_ptr<CLine> line;
    };
    std::vector<CPort> ports;
    for (int n = exchange::kFirstCom; n <= exchange::kLastCom; ++n) {
        CPort p;
        p.result.com = n;
        p.device = serial::ResolveComPort(n);
        // A COM number the map resolves to nothing is no port at all.
        if (!p.device.empty())
            ports.push_back(std::move(p));
    }
    // Every port waits as long as a later port of the console's search, the longer window, so
    // that a generator the console would find is found here too.
    const int windowMs = ProbeWindow(false);
    CFrameLog& log = m_options.log ? *m_options.log : m_noLog;
    std::vector<std::thread> threads;
    threads.reserve(ports.size());
    for (CPort& p : ports) {
        threads.emplace_back([this, &p, &log, windowMs] {
            p.line = std::make_unique<CLine>(m_options.address, m_options.timeoutMs, log);
            const serial::Error e = p.line->Open(p.result.Port(), p.device);
            if (e) {
                p.result.reason = PassedReason(e, p.device);
                p.result.detail = e.text;
                p.line.reset();
                return;
            }
            CReply answer;
            try {
                p.result.found = ProbeOn(*p.line, windowMs, &answer);
            } catch (const CFailure& failure) {
                p.result.reason = "port error";
                p.result.detail = failure.what();
            }
            if (p.result.found) {
                p.result.address = {answer.abFrame[frame::kGroupAt],
                                    answer.abFrame[frame::kDeviceAt]};
            } else {
                if (p.result.reason.empty()) {
                    p.result.reason = "no answer";
                    p.result.detail = p.line->Ignored();
                }
                p.line->Close();
                p.line.reset();
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    std::unique_ptr<CLine> kept;
    probed.clear();
    for (CPort& p : ports) {
        if (p.line && keep && !kept)
            kept = std::move(p.line);
        else if (p.line)
            p.line->Close();
        probed.push_back(p.result);
    }
    return kept;
}

namespace {

std::string NoneAnswered(const std::vector<Probed>& probed) {
    std::string silent;
    for (const Probed& p : probed)
        if (p.reason == "no answer")
            silent += (silent.empty() ? "" : ", ") + p.Port();
    return "no generator answered the search on COM1..COM99" +
           (silent.empty() ? std::string(" (no port opened)") : " (no answer on " + silent + ")");
}

} // namespace

Result CGeneratorClient::Search(std::vector<Probed>* probed) {
    return Run([&] {
        Close();
        std::vector<Probed> results;
        m_line = ProbeAll(results, true);
        if (probed)
            *probed = results;
        if (!m_line)
            throw CFailure(kExitNoAnswer, NoneAnswered(results));
        m_bOpen = true;
    });
}

Result CGeneratorClient::SearchAll(std::vector<Probed>& probed) {
    return Run([&] {
        Close();
        m_line.reset();
        ProbeAll(probed, false);
        for (const Probed& p : probed)
            if (p.found)
                return;
        throw CFailure(kExitNoAnswer, NoneAnswered(probed));
    });
}

// --- Reading the state ----------------------------------------------------------------------

// The record at index 0..9 (slot index + 1), the byte the fetch request carries.
UserTimingRecord::Bytes CGeneratorClient::Fetch(int index) {
    CAwait await;
    await.wWord = cmd::FetchUserTiming;
    await.nMinPayload = UserTimingRecord::kSize;
    const CReply r =
        Open_().Exchange(cmd::FetchUserTiming, {static_cast<std::uint8_t>(index)}, await,
                         "the fetch of user timing slot " + std::to_string(index + 1));
    UserTimingRecord::Bytes record{};
    std::copy(r.Payload(), r.Payload() + UserTimingRecord::kSize, record.begin());
    return record;
}

void CGeneratorClient::ReadStatus_(Status& st) {
    CLine& line = Open_();
    st.port = line.Name();
    // The console's order: the items (the channel query of the HDMI output, the console's output
    // at start-up), the user timing records, the summary, the output in force.
    for (int i = 0; i < exchange::kStatusItems; ++i)
        st.items[static_cast<std::size_t>(i)] =
            line.Query(exchange::ReadBackWord(i, true), kItemWhat[i]);
    for (int slot = 0; slot < exchange::kUserSlots; ++slot)
        st.userTimings[static_cast<std::size_t>(slot)] = Fetch(slot);
    CAwait summary;
    summary.wWord = cmd::QueryStatusSummary;
    summary.nMinPayload = 6;
    const CReply r =
        line.Exchange(cmd::QueryStatusSummary, {}, summary, "the status summary query");
    std::copy(r.Payload(), r.Payload() + 6, st.summary.begin());
    st.hdmiOutput = line.Query(cmd::QueryOutputInterface, "the output interface query") == 0;
    // The channel setting of the output in force, as the console asks after the output report.
    if (!st.hdmiOutput)
        st.items[exchange::kChannelItem] = line.Query(
            exchange::ReadBackWord(exchange::kChannelItem, false), "the SDI channel query");
}

Result CGeneratorClient::ReadStatus(Status& status) {
    return Run([&] { ReadStatus_(status); });
}

Result CGeneratorClient::QueryOutput(bool& hdmi) {
    return Run([&] {
        hdmi = Open_().Query(cmd::QueryOutputInterface, "the output interface query") == 0;
    });
}

// --- Settings -------------------------------------------------------------------------------

// Sends a setting and waits for the generator's acknowledgement, which carries the same word; a
// generator that does not acknowledge is not waited for beyond the window. Whether the setting
// took is for the read-back to tell.
void CGeneratorClient::SendSetting(std::uint16_t word, const std::vector<std::uint8_t>& payload) {
    CLine& line = Open_();
    CAwait ack;
    ack.wWord = word;
    line.Send(word, payload);
    CReply reply;
    line.Await(ack, line.WindowMs(), reply);
}

SetDone CGeneratorClient::SetKey(const CKeyInfo& key, const std::string& value) {
    // A value is refused before the line is touched, but for the channel settings, whose codes
    // and names depend on the output.
    int code = 0;
    std::string error;
    const bool parsed = key.key == Key::Channel || ParseValue(key.key, value, true, code, error);
    if (!parsed && !(key.key == Key::Timing && MayBeTimingCaption(value)))
        throw CFailure(kExitUsage, std::string(key.name) + " " + value + ": " + error);

    CLine& line = Open_();
    if (!parsed) {
        // A user timing by the caption the Timing page shows for its saved record.
        std::vector<std::pair<int, std::string>> captions;
        for (int index = 0; index < exchange::kUserSlots; ++index) {
            const UserTimingRecord::Bytes record = Fetch(index);
            if (UserTimingRecord::FromBytes(record.data()).HTotal() > 0)
                captions.emplace_back(timing::kFirstUser + index,
                                      names::UserTimingPageCaption(record.data()));
        }
        if (!MatchName(captions, value, code, error))
            throw CFailure(kExitUsage,
                           std::string(key.name) + " " + value + ": " +
                               (captions.empty() || error.find("fits") != std::string::npos
                                    ? error
                                    : error + " (nor a saved user timing's)"));
    }
    CRuleState state;
    if (NeedsOutput(key.key))
        state.bHdmiOutput =
            line.Query(cmd::QueryOutputInterface, "the output interface query") == 0;
    if (NeedsVideoMode(key.key)) {
        state.nTiming = line.Query(cmd::QueryTiming, "the timing query");
        state.nHdmiDvi = line.Query(cmd::QueryHdmiDviMode, "the HDMI/DVI mode query");
    }
    if (key.key == Key::Channel && !ParseValue(key.key, value, state.bHdmiOutput, code, error))
        throw CFailure(kExitUsage, std::string(key.name) + " " + value + ": " + error + " (" +
                                       (state.bHdmiOutput ? "HDMI" : "SDI") + " output selected)");
    const std::string name = CodeName(key.key, code, state.bHdmiOutput);
    const std::string refusal = Refusal(key, code, state);
    if (!refusal.empty())
        throw CFailure(kExitUsage, std::string(key.name) + " " + Described(code, name) +
                                       " refused: " + refusal);

    SendSetting(SetWord(key, state.bHdmiOutput), {static_cast<std::uint8_t>(code)});
    const int reported =
        line.Query(QueryWord(key, state.bHdmiOutput), "the " + std::string(key.label) + " query");
    if (reported != code)
        throw CFailure(kExitDifferent,
                       line.Name() + ": " + key.name + ": sent " + Described(code, name) +
                           ", the generator reports " +
                           Described(reported, CodeName(key.key, reported, state.bHdmiOutput)));
    return SetDone{code, name};
}

// A two-way switch: sends 0 or 1 and reads back, 0 meaning the first state.
void CGeneratorClient::Switch(const char* what, const char* first, const char* second, bool toFirst,
                              std::uint16_t setWord, std::uint16_t queryWord,
                              const char* queryWhat) {
    CLine& line = Open_();
    SendSetting(setWord, {static_cast<std::uint8_t>(toFirst ? 0 : 1)});
    // Any value but 0 reads as the second state.
    const bool isFirst = line.Query(queryWord, queryWhat) == 0;
    if (isFirst != toFirst)
        throw CFailure(kExitDifferent, line.Name() + ": " + what + ": sent " +
                                           (toFirst ? first : second) + ", the generator reports " +
                                           (isFirst ? first : second));
}

Result CGeneratorClient::SetOutput(bool hdmi) {
    return Run([&] {
        Switch("output", "hdmi", "sdi", hdmi, cmd::SetOutputInterface, cmd::QueryOutputInterface,
               "the output interface query");
    });
}

Result CGeneratorClient::SetSignal(bool on) {
    return Run([&] {
        Switch("signal", "on", "off", on, cmd::SetSignalOutput, cmd::QuerySignalOutput,
               "the signal query");
    });
}

Result CGeneratorClient::Set(const std::string& key, const std::string& value, SetDone* done) {
    if (IsSwitch(key)) {
        const bool output = key == "output";
        bool toFirst = true;
        std::string error;
        if (!ParseSwitch(key, value, toFirst, error))
            return Result{Outcome::Refused, key + " " + value + ": " + error};
        Result r = output ? SetOutput(toFirst) : SetSignal(toFirst);
        if (r.Ok() && done)
            *done = SetDone{toFirst ? 0 : 1,
                            output ? (toFirst ? "hdmi" : "sdi") : (toFirst ? "on" : "off")};
        return r;
    }
    const CKeyInfo* info = FindKey(key);
    if (!info) {
        std::string keys;
        for (const CKeyInfo& k : Keys())
            keys += std::string(keys.empty() ? "" : ", ") + k.name;
        return Result{Outcome::Refused,
                      "unknown KEY " + key + " (one of " + keys + ", output, signal)"};
    }
    return Run([&] {
        const SetDone d = SetKey(*info, value);
        if (done)
            *done = d;
    });
}

Result CGeneratorClient::Reset() {
    return Run([&] {
        CAwait ack;
        ack.wWord = cmd::ResetToDefault;
        Open_().Exchange(cmd::ResetToDefault, {}, ack, "the reset");
    });
}

// --- User timings ---------------------------------------------------------------------------

namespace {

void CheckSlot(int slot) {
    if (slot < 1 || slot > exchange::kUserSlots)
        throw CFailure(kExitUsage, "user timing slot " + std::to_string(slot) +
                                       ": the slots are 1.." +
                                       std::to_string(exchange::kUserSlots));
}

} // namespace

Result CGeneratorClient::FetchUserTiming(int slot, UserTimingRecord::Bytes& record) {
    return Run([&] {
        CheckSlot(slot);
        record = Fetch(slot - 1);
    });
}

Result CGeneratorClient::StoreUserTiming(int slot, const rules::UserTimingValues& v,
                                         UserTimingRecord::Bytes* stored) {
    return Run([&] {
        CheckSlot(slot);
        const std::string refusal = rules::CheckUserTiming(slot, v);
        if (!refusal.empty())
            throw CFailure(kExitUsage, "user timing refused: " + refusal);
        const UserTimingRecord::Bytes record = rules::MakeUserTimingRecord(slot, v).ToBytes();

        CLine& line = Open_();
        // The generator must leave a user timing before that slot is rewritten.
        const int code = timing::kFirstUser + slot - 1;
        const bool inForce = line.Query(cmd::QueryTiming, "the timing query") == code;
        if (inForce) {
            SendSetting(cmd::SetTiming, {exchange::kLeaveSlotTiming});
            Pause(exchange::kLeaveSlotWaitMs);
        }
        SendSetting(cmd::StoreUserTiming, std::vector<std::uint8_t>(record.begin(), record.end()));
        const UserTimingRecord::Bytes held = Fetch(slot - 1);
        if (held != record)
            throw CFailure(kExitDifferent,
                           line.Name() + ": user timing slot " + std::to_string(slot) + ": sent " +
                               frame::Hex(record.data(), record.size(), "") +
                               ", the generator holds " + frame::Hex(held.data(), held.size(), ""));
        if (inForce) {
            // Back to the timing that was in force, now with the new values.
            Pause(exchange::kAfterStoreWaitMs);
            SendSetting(cmd::SetTiming, {static_cast<std::uint8_t>(code)});
            const int reported = line.Query(cmd::QueryTiming, "the timing query");
            if (reported != code)
                throw CFailure(kExitDifferent,
                               line.Name() + ": user timing slot " + std::to_string(slot) +
                                   " stored, but timing " + std::to_string(code) +
                                   " was not selected again: the generator reports " +
                                   std::to_string(reported));
        }
        if (stored)
            *stored = record;
    });
}

// --- EDID -----------------------------------------------------------------------------------

Result CGeneratorClient::ReadEdid(int source, exchange::EdidBytes& image) {
    return Run([&] {
        if (source < 0 || source > exchange::kSavedEdids)
            throw CFailure(kExitUsage, "EDID source " + std::to_string(source) +
                                           ": 0 is the display's, 1..6 the saved ones");
        const exchange::EdidRead form = exchange::EdidReadOf(source);
        CAwait await;
        await.wWord = form.word;
        // The saved form carries its slot before the 256 bytes.
        await.nMinPayload = static_cast<int>(exchange::kEdidBytes) + (form.saved ? 1 : 0);
        if (form.saved) {
            const std::uint8_t slot = form.payload;
            await.accept = [slot](const CReply& r) { return r.Payload()[0] == slot; };
        }
        const CReply reply =
            Open_().Exchange(form.word, {form.payload}, await,
                             form.saved ? "the read of saved EDID " + std::to_string(source)
                                        : std::string("the read of the display's EDID"));
        const std::uint8_t* bytes = reply.Payload() + (form.saved ? 1 : 0);
        std::copy(bytes, bytes + exchange::kEdidBytes, image.begin());
    });
}

// --- Anything else --------------------------------------------------------------------------

Result CGeneratorClient::Raw(std::uint16_t word, const std::vector<std::uint8_t>& payload,
                             std::vector<std::uint8_t>& replyFrame) {
    return Run([&] {
        if (payload.size() > static_cast<std::size_t>(frame::kMaxPayload))
            throw CFailure(kExitUsage, "Too much parameter. (" + std::to_string(payload.size()) +
                                           " bytes, at most " + std::to_string(frame::kMaxPayload) +
                                           ")");
        CAwait await;
        await.wWord = word;
        replyFrame = Open_().Exchange(word, payload, await, "the request").abFrame;
    });
}

} // namespace client
