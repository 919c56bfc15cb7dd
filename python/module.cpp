// kestrelon._core: the generator client, the timing calculator and the EDID decoder for Python.
// What Python sees of them, with its documentation; the package kestrelon (kestrelon/) puts it
// together with the exceptions and the emulator.
#include "kestrelon_version.h"
#include "link/setting_keys.h"
#include "link/timing_calc.h"
#include "python/py_generator.h"
#include "python/py_support.h"
#include "python/py_tools.h"

#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

// A port as open() takes it: None, a COM number, a name, a device path or URL, a path object.
std::optional<std::string> PortText(py::handle port) {
    if (port.is_none())
        return std::nullopt;
    if (py::isinstance<py::int_>(port) && !py::isinstance<py::bool_>(port))
        return "COM" + py::str(port).cast<std::string>();
    return py::module_::import("os").attr("fspath")(port).cast<std::string>();
}

const char kOpenDoc[] = R"doc(Opens the generator's port and returns a Generator.

port: a COM number (7 or "COM7", resolved through the port map as the console
  does), a device path ("/dev/ttyUSB0"), or a serial device server's port
  ("socket://HOST:PORT", "rfc2217://HOST:PORT"). None searches COM1..COM99
  as the console does and stays on the first port where a generator answers.
timeout: the seconds a reply may take to begin (default 0.4; sgctl's
  --timeout, there in milliseconds); a search then waits as long on every port.
address: the device address "G:D" in hex (default "00:00", which every
  generator takes).
log: a file to which every frame sent and received is appended, one line
  each, as sgctl --log writes them ("-": standard error).

Opening asks nothing of the generator; probe() does. Raises PortError when
the port does not open, NoAnswer when a search finds no generator, Refused for
a value no option takes. Use it in a with statement, which closes the port.)doc";

const char kCalcDoc[] =
    R"doc(Computes a timing, as `sgctl timing calc --json` does; needs no generator.

formula: "cvt" (VESA CVT), "cvt-rb", "cvt-rb2", "cvt-rb3" (reduced blanking
  v1, v2, v3), "gtf" (VESA GTF, default parameters), "dmt" (the DMT format of
  the size and rate, or DMT id N), "cta" (CTA-861 format VIC N).
args: width, height and rate (the frame rate in Hz), or for "cta" and "dmt"
  the id alone: calc("cvt-rb2", 2560, 1440, 60), calc("cta", 16),
  calc("dmt", 0x52). The id may be given as id= instead.
interlaced: an interlaced timing (fields at twice the rate; vertical values
  per field). video_optimized: cvt-rb2 at the rate times 1000/1001.
hblank: cvt-rb3's horizontal blank, 80..200 in steps of 8 (default 80).
early_vsync: cvt-rb3's vertical sync early in the blank.

Returns a dict with the keys formula, pixel_clock_mhz, h_active,
h_front_porch, h_sync, h_back_porch, h_blank, h_total, v_active,
v_front_porch, v_sync, v_back_porch, v_blank, v_total, hsync_positive,
vsync_positive, interlaced, half_line, h_freq_khz and v_freq_hz, which
Generator.store_user_timing() takes. Raises Refused for a request no formula
defines, with the reason.)doc";

const char kDecodeDoc[] = R"doc(Decodes an EDID, as `edidinfo --json` does for a file.

data: the EDID's bytes (bytes, bytearray or memoryview), for example what
  Generator.read_edid() returns; a base block and its extensions, at most the
  first 256 bytes making the console's texts.

Returns a dict: the EDID page's five texts "status", "hexdump", "video",
"audio" and "general" (with CR LF line ends, as the console shows them), the
decoded EDID under "edid" and the findings of the named checks under
"checks" (each with rule, severity, message and offset). `man edidinfo` has
the schema. A bad header or checksum is a finding, not an exception.)doc";

const char kGeneratorDoc[] = R"doc(One generator on one port, made by kestrelon.open().

Every method is one exchange with the generator, run to its end: it returns
when the generator has answered, and raises Refused, NoAnswer, Mismatch or
PortError (see kestrelon.Error) when it did not go as asked. A setting is done
only when the generator reports the value asked for. The methods release the
GIL while they wait on the line; one thread at a time talks on a line, others
wait for it. Close the port with close() or a with statement.)doc";

const char kStatusDoc[] =
    R"doc(Reads the generator's whole state back, as the console does after connecting.

Returns the dict `sgctl status --json` prints: the raw codes of timing,
pattern, color_space, color_depth, hdcp, hdmi_dvi, sample_rate, audio_bits,
audio_source and channel (of the output in force), then interface ("hdmi" or
"sdi"), signal ("on" or "off"), hotplug (a bool), summary (the status summary
in hex), user_timings (the ten records, as user_timing() gives them) and
names (the status panel's words by key).)doc";

const char kSetDoc[] = R"doc(Sets one or more settings, each confirmed by the generator's report.

Keywords: timing, pattern, color_space, color_depth, hdcp, hdmi_dvi,
sample_rate, audio_bits, audio_source, channel (of the output selected),
output ("hdmi" or "sdi") and signal (True/False or "on"/"off"). A value is a
code or a name the console shows for it, in any case, as `sgctl set KEY VALUE`
takes it: set(timing="1920x1080p(60)", pattern="SMPTE"), set(hdcp=1).
`sgctl set KEY --list` lists the names.

Whatever the order of the keywords, they are applied in this one:
output, timing, hdmi_dvi, color_space, color_depth, hdcp, audio_source,
sample_rate, audio_bits, channel, signal, pattern (kestrelon.SETTING_ORDER):
the output and the timing before the settings whose rules and lists depend
on them, the pattern last. Every key and value is checked before the first
is sent; the settings are sent one by one and the first that fails raises
(those before it stay set).

Returns {key: {"code": code, "name": name}} of what the generator confirmed.
Raises Refused for an unknown key, a value that is no code or name, or a
choice the console refuses (the 4K and DVI colour rules, what the selected
output does not offer); Mismatch when the generator reports another value.)doc";

const char kUserTimingDoc[] = R"doc(Reads user timing slot `slot`.

The slots are {slots}: timing codes 62..71, the console's User Define 1..10.

Returns the dict of status()["user_timings"]: slot, record (hex), clock_mhz,
h_active, h_blank, hs_offset, hs_width, v_active, v_blank, vs_offset,
vs_width, interlaced, hsync_positive, vsync_positive, name.)doc";

const char kStoreDoc[] =
    R"doc(Stores a timing in user timing slot `slot` ({slots}) and reads it back.

timing: a dict with the keys of calc() (what calc() returns, or a detailed
  timing of decode_edid()'s "edid"): pixel_clock_mhz, h_active,
  h_front_porch, h_sync, h_back_porch, v_active, v_front_porch, v_sync,
  v_back_porch (per field when interlaced), hsync_positive, vsync_positive,
  interlaced, and half_line (optional; an interlaced timing's fields differ
  by half a line, which is what the record holds). Blanks and totals, when
  given, must agree with their parts.

The values are checked as the Timing details page checks them; a timing the
record cannot hold exactly (a clock above 300 MHz or not a whole number of
10 kHz) raises Refused with the reason. When the slot's timing is in force it
is left during the upload and selected again. Returns the stored record as
user_timing() gives it; Mismatch when the generator holds something else.)doc";

const char kRunPlanDoc[] = R"doc(Runs a test plan file on the generator and returns its report.

path: the plan file (JSON), as `sgctl plan run` takes it: steps of settings
  (applied in SETTING_ORDER, each confirmed by the generator's report), a
  dwell, and a prompt for an operator's verdict. `sgctl plan check` shows the
  steps a file makes.
stop_on_fail: stop the run after the first step that fails.

Returns the dict of `sgctl plan run --report`: plan, file, port, start,
duration_ms, result ("pass", "fail", "error", "stopped"), stopped_at,
stop_reason, counts and steps (each with its settings, result, verdict,
message, what the generator reported and its times). Nobody is asked here:
a step's prompt is recorded as "not asked". A failing step is in the report,
not an exception; a plan file that is refused raises Refused with the file,
the step and the reason, as sgctl says them.)doc";

// A documentation text with the user timing slots' numbers in place of {slots}.
std::string WithSlots(const char* text) {
    std::string doc = text;
    const std::string slots = std::to_string(pyk::kFirstSlot) + ".." +
                              std::to_string(pyk::kFirstSlot + exchange::kUserSlots - 1);
    for (std::size_t at; (at = doc.find("{slots}")) != std::string::npos;)
        doc.replace(at, 7, slots);
    return doc;
}

} // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "The compiled core of the kestrelon package: use `import kestrelon`.";
    pyk::RegisterTranslator();

    py::class_<pyk::Generator> generator(m, "Generator", kGeneratorDoc);
    generator.attr("__module__") = "kestrelon";
    generator
        .def_property_readonly("port", &pyk::Generator::Port,
                               "The port's name: \"COM7\", or the device path or URL opened.")
        .def("close", &pyk::Generator::Close,
             "Closes the port. Later calls raise PortError; closing again does nothing.")
        .def(
            "__enter__", [](py::object self) { return self; }, "Returns the generator itself.")
        .def(
            "__exit__",
            [](pyk::Generator& g, py::args) {
                g.Close();
                return false;
            },
            "Closes the port.")
        .def("__repr__",
             [](pyk::Generator& g) {
                 const std::string port = g.Port();
                 return "<kestrelon.Generator " + (port.empty() ? "closed" : "on " + port) + ">";
             })
        .def("probe", &pyk::Generator::Probe,
             "Sends the device search frame and waits for the generator's \"found\".\n\n"
             "Raises NoAnswer when no generator answers on the port.")
        .def("status", &pyk::Generator::Status, kStatusDoc)
        .def("set", &pyk::Generator::Set, kSetDoc)
        .def("output", &pyk::Generator::Output, py::arg("which"),
             "Selects the \"hdmi\" or the \"sdi\" output, confirmed by the generator's report.")
        .def("signal", &pyk::Generator::Signal, py::arg("on"),
             "Switches the signal on (True or \"on\") or off (False or \"off\"), confirmed by "
             "the\ngenerator's report.")
        .def("reset", &pyk::Generator::Reset,
             "Resets the settings to the factory defaults (user timings and saved EDIDs "
             "stay);\ndone when the generator acknowledges.")
        .def("read_edid", &pyk::Generator::ReadEdid, py::kw_only(), py::arg("saved") = 0,
             "Reads an EDID: the attached display's (saved=0), or saved EDID 1..6.\n\n"
             "Returns its 256 bytes; decode_edid() decodes them. Raises NoAnswer when no EDID\n"
             "comes (no display attached).")
        .def("user_timing", &pyk::Generator::UserTiming, py::arg("slot"),
             WithSlots(kUserTimingDoc).c_str())
        .def("store_user_timing", &pyk::Generator::StoreUserTiming, py::arg("slot"),
             py::arg("timing"), WithSlots(kStoreDoc).c_str())
        .def(
            "run_plan",
            [](pyk::Generator& g, const py::object& path, bool stopOnFail) {
                return g.RunPlan(py::module_::import("os").attr("fspath")(path).cast<std::string>(),
                                 stopOnFail);
            },
            py::arg("path"), py::kw_only(), py::arg("stop_on_fail") = false, kRunPlanDoc)
        .def("raw", &pyk::Generator::Raw, py::arg("word"), py::arg("payload") = py::bytes(),
             "Sends any request: command word `word` (0x8061) with the payload's bytes.\n\n"
             "Returns the whole reply frame that carries the same word, as bytes.");

    m.def(
        "open",
        [](py::object port, std::optional<double> timeout, std::optional<std::string> address,
           std::optional<std::string> log) {
            return std::make_unique<pyk::Generator>(PortText(port), timeout, address, log);
        },
        py::arg("port") = py::none(), py::kw_only(), py::arg("timeout") = py::none(),
        py::arg("address") = py::none(), py::arg("log") = py::none(), kOpenDoc);
    m.def("calc", &pyk::Calc, py::arg("formula"), py::arg("id") = py::none(),
          py::arg("interlaced") = false, py::arg("video_optimized") = false,
          py::arg("hblank") = py::none(), py::arg("early_vsync") = false, kCalcDoc);
    m.def("decode_edid", &pyk::DecodeEdid, py::arg("data"), kDecodeDoc);
    m.def("_setting_text", &pyk::SettingText, py::arg("key"), py::arg("value"),
          "A setting's value as text, as set() sends it.");
    for (const char* name : {"open", "calc", "decode_edid"})
        m.attr(name).attr("__module__") = "kestrelon";

    py::tuple order(client::SettingOrder().size());
    for (std::size_t i = 0; i < client::SettingOrder().size(); ++i)
        order[i] = client::SettingOrder()[i];
    m.attr("SETTING_ORDER") = order;
    py::tuple formulas(timing_calc::kFormulaCount);
    for (int i = 0; i < timing_calc::kFormulaCount; ++i)
        formulas[static_cast<std::size_t>(i)] =
            timing_calc::FormulaKey(static_cast<timing_calc::Formula>(i));
    m.attr("FORMULAS") = formulas;
    m.attr("__version__") = KESTRELON_VERSION;
}
