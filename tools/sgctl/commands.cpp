// sgctl's commands that change the generator's state or read one part of it.
#include "tools/sgctl/commands.h"

#include "edid/edid_decoder.h"
#include "edid/edid_file.h"
#include "edid/edid_report.h"
#include "link/command_words.h"
#include "link/frame.h"
#include "link/exchanges.h"
#include "link/timing_codes.h"
#include "link/user_timing_checks.h"
#include "link/user_timing_record.h"
#include "link/setting_keys.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace sgctl {

namespace {

using client::CKeyInfo;
using client::Key;

// "34 (SMPTE)".
std::string Described(int code, const std::string& name) {
    return std::to_string(code) + (name.empty() ? "" : " (" + name + ")");
}

const char* const kUsages[][2] = {
    {"search",
     "usage: sgctl [OPTIONS] search [--all [--json]] [--verbose]\n"
     "Sends the console's search frame to every port of COM1..COM99 at once (or to the --port\n"
     "given) and prints the lowest-numbered port where a generator answers, for example COM5.\n"
     "The whole search takes one reply window (400 ms, or --timeout). Exit 3 when none\n"
     "answers.\n"
     "  --all      every generator that answers, a line each: port and device address\n"
     "             (COM5<TAB>01:01)\n"
     "  --json     with --all: one JSON array of {\"port\": \"COM5\", \"address\": \"01:01\"}\n"
     "  --verbose  name each port passed over and why, on standard error: busy, permission,\n"
     "             refused, no answer, line settings refused\n"},
    {"status",
     "usage: sgctl [OPTIONS] status [--json] [--watch SECONDS]\n"
     "Reads the generator's whole state back, as the console does after connecting,\n"
     "and prints it in the status panel's words.\n"
     "  --json     one JSON object: port, output (hdmi/sdi), the raw codes of timing, pattern,\n"
     "             color_space, color_depth, hdcp, sample_rate, audio_bits, audio_source,\n"
     "             channel; hdmi_dvi (hdmi/dvi), signal (on/off), hotplug (true/false),\n"
     "             summary, user_timings (slots 1..10), names (the panel's words, same keys)\n"
     "  --watch S  read the state back every S seconds (0.1..86400) and print a line with\n"
     "             a UTC timestamp each time something changed (the first reading in full),\n"
     "             until interrupted; with --json each line is the JSON object with \"time\"\n"
     "             and \"changed\" (JSON Lines). The port is released between readings; a\n"
     "             port that is gone ends the watch with exit 5.\n"},
    {"set",
     "usage: sgctl [OPTIONS] set KEY VALUE\n"
     "       sgctl [OPTIONS] set KEY --list\n"
     "Sets one setting, reads it back and exits 0 only when the generator reports it.\n"
     "KEY: timing, pattern, color_space, color_depth, hdcp, hdmi_dvi, sample_rate,\n"
     "audio_bits, audio_source, channel (of the selected output).\n"
     "VALUE: a code, or any name the console shows for it, in any case: the Timing\n"
     "page's caption (\"1080p(60)\", \"UHD(4:2:0)(60)\", \"720p_3D(50)SbS\" where the\n"
     "3D groups share a caption) or the panel's name (\"1920x1080p(60)\"), the Pattern\n"
     "page's caption (\"SMPTE\"), the Setting page's caption or list entry (\"HDCP ON\",\n"
     "\"3: 3CH FC_FR_FL\", or its speakers \"FC_FR_FL\"), \"User Define 4\" or the caption of\n"
     "a saved user timing (\"1920x1080i(60)\", read from the generator). Choices the\n"
     "console refuses are refused (exit 2): the 4K and DVI colour rules, and what the\n"
     "selected output does not offer.\n"
     "  --list  print each code of KEY with every name that is its alone, the page's\n"
     "          entry first, tab-separated, one code a line\n"},
    {"output", "usage: sgctl [OPTIONS] output hdmi|sdi\n"
               "Selects the HDMI or the SDI output and checks that the generator reports it.\n"},
    {"signal", "usage: sgctl [OPTIONS] signal on|off\n"
               "Switches the signal on or off and checks that the generator reports it.\n"},
    {"reset", "usage: sgctl [OPTIONS] reset\n"
              "Resets the generator's settings to the factory defaults (user timings and saved\n"
              "EDIDs stay); exits 0 when the generator acknowledges.\n"},
    {"user-timing",
     "usage: sgctl [OPTIONS] user-timing get SLOT [--json]\n"
     "       sgctl [OPTIONS] user-timing set SLOT --clock MHZ --h-active N --h-blank N\n"
     "                 --hs-offset N --hs-width N --v-active N --v-blank N --vs-offset N\n"
     "                 --vs-width N [--interlaced] [--hsync +|-] [--vsync +|-]\n"
     "       sgctl [OPTIONS] user-timing set SLOT --from FORMULA SIZE@RATE|ID [OPTIONS]\n"
     "SLOT is 1..10 (the console's User Define 1..10, timing codes 62..71).\n"
     "get prints the stored record (--json: the object of status --json).\n"
     "set checks the values as the Timing details page does (clock above 0 and at most\n"
     "300.1 MHz, every size 0..65535), stores the record, reads it back and compares. Vertical\n"
     "values are per field for --interlaced; the syncs are positive unless given as -. When\n"
     "the slot's timing is in force it is left during the upload and selected again.\n"
     "--from stores the timing `timing calc` computes (same formulas and options); a timing\n"
     "the record cannot hold exactly is refused with the reason.\n"},
    {"timing",
     "usage: sgctl [OPTIONS] timing calc FORMULA SIZE@RATE [--interlaced] [--json] [OPTIONS]\n"
     "       sgctl [OPTIONS] timing calc cta VIC [--json]\n"
     "       sgctl [OPTIONS] timing calc dmt ID [--json]\n"
     "Computes a timing; needs no port. FORMULA: cvt (CVT 2.0), cvt-rb, cvt-rb2, cvt-rb3\n"
     "(reduced blanking v1, v2, v3), gtf (GTF, default parameters), dmt (the DMT format of\n"
     "the size and rate, or DMT ID 82 or 0x52), cta (the CTA-861 format VIC 1..127,\n"
     "193..219). SIZE@RATE like 2560x1440@59.95; RATE is the frame rate, so an --interlaced\n"
     "timing has fields at twice it. Vertical values of an interlaced timing are per field.\n"
     "  --json             one object: formula, pixel_clock_mhz, h_active, h_front_porch,\n"
     "                     h_sync, h_back_porch, h_blank, h_total, v_active, v_front_porch,\n"
     "                     v_sync, v_back_porch, v_blank, v_total, hsync_positive,\n"
     "                     vsync_positive, interlaced, half_line, h_freq_khz, v_freq_hz\n"
     "  --video-optimized  cvt-rb2: the rate times 1000/1001 (59.94 for 60)\n"
     "  --hblank N         cvt-rb3: horizontal blank of N pixels, 80..200 in steps of 8\n"
     "                     (default 80)\n"
     "  --early-vsync      cvt-rb3: vertical sync early in the blank\n"},
    {"edid", "usage: sgctl [OPTIONS] edid read [--saved N] [-o FILE] [--decode]\n"
             "Reads the EDID of the attached display, or saved EDID N (1..6).\n"
             "  -o FILE   write it to FILE: .bin the 256 bytes, .txt the console's text layout\n"
             "  --decode  print the console's reports of it, as edidinfo does\n"
             "Without -o and --decode the EDID is printed in the text layout.\n"},
    {"raw", "usage: sgctl [OPTIONS] raw WORD [HEXBYTES]\n"
            "Sends a request frame with the command word WORD (hex, 8061 or 0x8061) and the\n"
            "payload HEXBYTES (hex, with or without blanks: \"00 01\" or 0001), and prints the\n"
            "reply frame that carries the same word.\n"},
    {"plan",
     "usage: sgctl [OPTIONS] plan run PLAN [--report FILE.json] [--junit FILE.xml]\n"
     "                 [--no-prompt] [--stop-on-fail]\n"
     "       sgctl plan check PLAN\n"
     "       sgctl plan from-edid EDID_FILE [--pattern NAME]... [--dwell S] [-o PLAN]\n"
     "run: runs the plan's steps on one connection, each setting confirmed by the generator's\n"
     "report, and prints one line per step on standard error. Steps with a prompt ask on the\n"
     "terminal: [p]ass / [f]ail / [s]kip, and a note.\n"
     "  --report FILE.json  the run's record: per step the settings, what the generator\n"
     "                      reported, result, verdict, note, start and duration\n"
     "  --junit FILE.xml    the same as JUnit XML, one test case per step\n"
     "  --no-prompt         ask nothing: prompts are recorded as \"not asked\" (as without a\n"
     "                      terminal)\n"
     "  --stop-on-fail      stop after the first step that fails\n"
     "  Exit: 0 every step passed or was skipped; 1 a step failed; 2 the plan or the command\n"
     "  line is invalid (nothing is sent); 3 no answer; 5 port error (the run stops, the\n"
     "  report is still written).\n"
     "check: checks the plan and prints its steps as they would run; needs no port.\n"
     "from-edid: writes a plan with one step per generator timing the EDID file (.bin or .txt)\n"
     "claims, named by where the claim came from, and lists the claims no generator timing\n"
     "answers under \"not_covered\" with the reason; needs no port.\n"
     "  --pattern NAME  each timing with this pattern (repeatable: each timing with each)\n"
     "  --dwell S       the plan's dwell after each step, in seconds\n"
     "  -o PLAN         write the plan to PLAN instead of standard output\n"},
};

// --- set ------------------------------------------------------------------------------------

using client::MaxCode;

int SetList(const CKeyInfo& key, CSession& s) {
    // The channel lists differ by output: both are printed.
    for (bool hdmi : {true, false}) {
        if (!hdmi && key.key != Key::Channel)
            break;
        if (key.key == Key::Channel)
            s.out << (hdmi ? "HDMI output:\n" : "SDI output:\n");
        for (int c = 0; c <= MaxCode(key.key, hdmi); ++c) {
            s.out << c;
            for (const std::string& name : client::ListedNames(key.key, c, hdmi))
                s.out << "\t" << name;
            s.out << "\n";
        }
    }
    return kExitDone;
}

} // namespace

const char* CommandUsage(const std::string& command) {
    for (const auto& u : kUsages)
        if (command == u[0])
            return u[1];
    return "";
}

void UsageError(const std::string&, const std::string& message) {
    throw CFailure(kExitUsage, message + "\n" + kTryHelp);
}

void RequireReadable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw CFailure(kExitFile, "cannot read " + path + ": " + std::strerror(errno));
    std::fclose(f);
}

int CmdSet(const Args& args, CSession& s) {
    if (args.size() != 2)
        UsageError("set", "set takes KEY and VALUE");
    const CKeyInfo* key = client::FindKey(args[0]);
    if (!key) {
        std::string keys;
        for (const CKeyInfo& k : client::Keys())
            keys += std::string(keys.empty() ? "" : ", ") + k.name;
        UsageError("set", "unknown KEY " + args[0] + " (one of " + keys + ")");
    }
    if (args[1] == "--list")
        return SetList(*key, s);
    // A value is refused before the line is touched, but for the channel settings, whose codes
    // and names depend on the output.
    int code = 0;
    std::string error;
    if (key->key != Key::Channel && !client::ParseValue(key->key, args[1], true, code, error) &&
        !(key->key == Key::Timing && client::MayBeTimingCaption(args[1])))
        throw CFailure(kExitUsage, std::string(key->name) + " " + args[1] + ": " + error);
    client::SetDone done;
    CSession::Check(s.Generator().Set(key->name, args[1], &done));
    s.out << key->name << " " << Described(done.code, done.name) << "\n";
    return kExitDone;
}

// --- output, signal, reset --------------------------------------------------------------------

namespace {

// A two-way switch: the first or the second word, confirmed by the generator.
int Switch(const Args& args, CSession& s, const char* command, const char* first,
           const char* second) {
    if (args.size() != 1 || (args[0] != first && args[0] != second))
        UsageError(command, std::string(command) + " takes " + first + " or " + second);
    CSession::Check(s.Generator().Set(command, args[0]));
    s.out << command << " " << args[0] << "\n";
    return kExitDone;
}

} // namespace

int CmdOutput(const Args& args, CSession& s) {
    return Switch(args, s, "output", "hdmi", "sdi");
}

int CmdSignal(const Args& args, CSession& s) {
    return Switch(args, s, "signal", "on", "off");
}

int CmdReset(const Args& args, CSession& s) {
    if (!args.empty())
        UsageError("reset", "reset takes no arguments");
    CSession::Check(s.Generator().Reset());
    s.out << "reset\n";
    return kExitDone;
}

// --- user-timing ------------------------------------------------------------------------------

namespace {

// Slots 1..10, as the console's "User Define 1".."User Define 10".
int ParseSlot(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 2 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    const int slot = digits ? std::atoi(text.c_str()) : 0;
    if (slot < 1 || slot > exchange::kUserSlots)
        UsageError("user-timing", "SLOT must be 1..10, not " + text);
    return slot;
}

// A whole number as the page's integer fields take it; sizes out of range are the check's.
bool ParseLong(const std::string& text, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && errno == 0;
}

int UserTimingGet(const Args& args, CSession& s) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--json"))
        UsageError("user-timing", "user-timing get takes SLOT and --json");
    const int slot = ParseSlot(args[1]);
    UserTimingRecord::Bytes record{};
    CSession::Check(s.Generator().FetchUserTiming(slot, record));
    if (args.size() == 3)
        s.out << UserTimingJson(slot, record) << "\n";
    else
        s.out << UserTimingLine(slot, record.data()) << "\n";
    return kExitDone;
}

int StoreUserTiming(CSession& s, int slot, const rules::UserTimingValues& v);

int UserTimingSet(const Args& args, CSession& s) {
    if (args.size() < 2)
        UsageError("user-timing", "user-timing set takes SLOT and the timing's values");
    const int slot = ParseSlot(args[1]);
    if (args.size() > 2 && args[2] == "--from") {
        const timing_calc::Timing t = CalculateFromArgs(args, 3, "user-timing", nullptr);
        const std::string refusal = timing_calc::CheckFitsUserRecord(t);
        if (!refusal.empty())
            throw CFailure(kExitUsage, "user timing refused: " + refusal);
        return StoreUserTiming(s, slot, timing_calc::ToUserTimingValues(t));
    }
    rules::UserTimingValues v;
    v.hsyncPositive = v.vsyncPositive = true;
    struct CSize {
        const char* option;
        long* value;
        bool given;
    } sizes[] = {{"--h-active", &v.hActive, false},   {"--h-blank", &v.hBlank, false},
                 {"--hs-offset", &v.hsOffset, false}, {"--hs-width", &v.hsWidth, false},
                 {"--v-active", &v.vActive, false},   {"--v-blank", &v.vBlank, false},
                 {"--vs-offset", &v.vsOffset, false}, {"--vs-width", &v.vsWidth, false}};
    bool clockGiven = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--interlaced") {
            v.interlaced = true;
            continue;
        }
        if (i + 1 >= args.size())
            UsageError("user-timing", a + " needs a value");
        const std::string& value = args[++i];
        if (a == "--clock") {
            char* end = nullptr;
            v.clockMhz = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0')
                UsageError("user-timing", "--clock " + value + ": Please enter a number.");
            clockGiven = true;
        } else if (a == "--hsync" || a == "--vsync") {
            if (value != "+" && value != "-")
                UsageError("user-timing", a + " takes + or -");
            (a == "--hsync" ? v.hsyncPositive : v.vsyncPositive) = value == "+";
        } else {
            CSize* size = nullptr;
            for (CSize& c : sizes)
                if (a == c.option)
                    size = &c;
            if (!size)
                UsageError("user-timing", "unknown option " + a);
            if (!ParseLong(value, *size->value))
                UsageError("user-timing", a + " " + value + ": Please enter an integer.");
            size->given = true;
        }
    }
    if (!clockGiven)
        UsageError("user-timing", "--clock is missing");
    for (const CSize& c : sizes)
        if (!c.given)
            UsageError("user-timing", std::string(c.option) + " is missing");
    return StoreUserTiming(s, slot, v);
}

// Checks the values as the Timing details page does, stores them in the slot, reads the slot
// back and compares; a slot whose timing is in force is left during the upload and selected
// again.
int StoreUserTiming(CSession& s, int slot, const rules::UserTimingValues& v) {
    // Refused before the line is touched.
    const std::string refusal = rules::CheckUserTiming(slot, v);
    if (!refusal.empty())
        throw CFailure(kExitUsage, "user timing refused: " + refusal);
    UserTimingRecord::Bytes record{};
    CSession::Check(s.Generator().StoreUserTiming(slot, v, &record));
    s.out << UserTimingLine(slot, record.data()) << "\n";
    return kExitDone;
}

} // namespace

int CmdUserTiming(const Args& args, CSession& s) {
    if (!args.empty() && args[0] == "get")
        return UserTimingGet(args, s);
    if (!args.empty() && args[0] == "set")
        return UserTimingSet(args, s);
    UsageError("user-timing", "user-timing takes get or set");
}

// --- edid -------------------------------------------------------------------------------------

bool FileExists(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return true;
    }
    return false;
}

std::string WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return std::strerror(errno);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok ? std::string() : std::string("write failed");
}

namespace {

constexpr int kSavedEdids = exchange::kSavedEdids;

} // namespace

int CmdEdid(const Args& args, CSession& s) {
    if (args.empty() || args[0] != "read")
        UsageError("edid", "edid takes read");
    int saved = 0; // 1..6, or 0 for the display's EDID
    std::string path;
    bool decode = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--decode") {
            decode = true;
        } else if ((a == "--saved" || a == "-o") && i + 1 < args.size()) {
            const std::string& value = args[++i];
            if (a == "-o") {
                path = value;
            } else if (value.size() == 1 && value[0] >= '1' && value[0] < '1' + kSavedEdids) {
                saved = value[0] - '0';
            } else {
                UsageError("edid", "--saved takes 1.." + std::to_string(kSavedEdids));
            }
        } else {
            UsageError("edid", "unknown argument " + a);
        }
    }
    // The file is judged before the generator is asked, so that an EDID is never read in vain.
    bool created = false;
    if (!path.empty()) {
        const std::string extension = edid::FileExtension(path);
        if (extension != "bin" && extension != "txt")
            throw CFailure(kExitUsage, path + ": " + edid::kNotBinOrTxt);
        created = !FileExists(path);
        std::FILE* f = std::fopen(path.c_str(), "ab");
        if (!f)
            throw CFailure(kExitFile, "cannot write " + path + ": " + std::strerror(errno));
        std::fclose(f);
    }

    edid::Image image;
    const client::Result read = s.Generator().ReadEdid(saved, image);
    if (!read.Ok() && created)
        std::remove(path.c_str());
    CSession::Check(read);

    std::string text = edid::EdidTextLayout(image);
    if (!path.empty()) {
        const bool binary = edid::FileExtension(path) == "bin";
        const std::string failure =
            WriteFile(path, binary ? std::string(image.begin(), image.end()) : text);
        if (!failure.empty())
            throw CFailure(kExitFile, "cannot write " + path + ": " + failure);
    }
    if (decode) {
        s.out << edid::ToReadableText(edid::ValidateAndDecode(image));
    } else if (path.empty()) {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        s.out << text;
    }
    return kExitDone;
}

// --- raw --------------------------------------------------------------------------------------

int CmdRaw(const Args& args, CSession& s) {
    if (args.empty())
        UsageError("raw", "raw takes WORD");
    std::string digits = args[0];
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    unsigned word = 0;
    for (char c : digits) {
        const int d = frame::HexDigit(c);
        if (d < 0 || digits.size() > 4)
            UsageError("raw", "WORD must be up to four hex digits, not " + args[0]);
        word = word << 4 | static_cast<unsigned>(d);
    }
    if (digits.empty())
        UsageError("raw", "WORD must be up to four hex digits, not " + args[0]);
    std::vector<std::uint8_t> payload;
    for (std::size_t i = 1; i < args.size(); ++i)
        if (!frame::ParseHexBytes(args[i], payload))
            UsageError("raw", "HEXBYTES must be pairs of hex digits, not " + args[i]);
    if (payload.size() > static_cast<std::size_t>(frame::kMaxPayload))
        throw CFailure(kExitUsage, "Too much parameter. (" + std::to_string(payload.size()) +
                                       " bytes, at most " + std::to_string(frame::kMaxPayload) +
                                       ")");
    std::vector<std::uint8_t> reply;
    CSession::Check(s.Generator().Raw(static_cast<std::uint16_t>(word), payload, reply));
    s.out << frame::Hex(reply.data(), reply.size()) << "\n";
    return kExitDone;
}

} // namespace sgctl
