// edidinfo's command line: reading each EDID (a .bin or .txt file with the rules of the console's
// "Open EDID", or standard input), then printing the page's texts, the model and the findings,
// or the findings alone, or the difference of two EDIDs.
#include "tools/edidinfo/edidinfo.h"

#include "edid/edid_checks.h"
#include "edid/edid_decoder.h"
#include "edid/edid_file.h"
#include "edid/edid_model.h"
#include "edid/edid_report.h"
#include "kestrelon_version.h"
#include "tools/edidinfo/edid_diff.h"
#include "tools/edidinfo/edid_json.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace edidinfo {

namespace {

const char kUsage[] =
    "usage: edidinfo [--json] [--as-opened] [--check] FILE...\n"
    "       edidinfo diff [--json] A B\n"
    "\n"
    "Decodes EDID files (.bin: raw bytes; .txt: hexadecimal numbers; -: standard input, either\n"
    "form) and prints the EDID status, the hex dump and the video, audio and general reports,\n"
    "one result per file.\n"
    "\n"
    "  --json       print one JSON object per file (one per line): \"file\", the five texts\n"
    "               (\"status\", \"hexdump\", \"video\", \"audio\", \"general\", CR LF included), "
    "the\n"
    "               decoded EDID under \"edid\" and the findings of the checks under \"checks\"\n"
    "  --check      print the findings of the checks only; exit status 3 when one is an error\n"
    "  --as-opened  give the texts as \"Open EDID\" shows them: no header or checksum check,\n"
    "               empty status\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "\n"
    "diff prints the fields of the two EDIDs that differ and the byte offsets that differ.\n"
    "\n"
    "Exit status: 0 done (without --check also for an EDID with a bad header or checksum, which\n"
    "the status text says), 1 when a file cannot be read or is not a .bin or .txt file, 2 on a\n"
    "usage error, 3 with --check when a finding is an error. diff: 0 identical, 1 different,\n"
    "2 usage error or a file that cannot be read.\n";

// More is never an EDID: a text of 32768 numbers fits many times over.
constexpr std::size_t kReadLimit = 1 << 20;

struct Input {
    bool ok = false;
    std::string message;
    std::vector<std::uint8_t> bytes;
};

// Standard input has no name to tell its form: it is text when every byte is a printable ASCII
// character or white space (an EDID's raw bytes start with 00 FF).
bool LooksLikeText(const std::string& content) {
    for (char ch : content) {
        const auto c = static_cast<unsigned char>(ch);
        if (!(c >= 0x20 && c < 0x7F) && c != '\n' && c != '\r' && c != '\t' && c != '\v' &&
            c != '\f')
            return false;
    }
    return true;
}

Input ReadStandardInput(std::istream& in) {
    Input input;
    std::string content;
    char buffer[65536];
    while (content.size() < kReadLimit && in.read(buffer, sizeof buffer).gcount() > 0)
        content.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        input.message = edid::kFileReadFailed;
        return input;
    }
    input.bytes = edid::ParseEdidBuffer(content, LooksLikeText(content));
    input.ok = true;
    return input;
}

// The file whole, with the rules of "Open EDID": a file that does not open is a failed read
// whatever its name, then only the extensions "bin" and "txt" (exactly) are taken.
Input ReadFile(const std::string& path) {
    Input input;
    const std::string extension = edid::FileExtension(path);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        input.message = edid::kFileReadFailed;
        return input;
    }
    if (extension != "bin" && extension != "txt") {
        std::fclose(file);
        input.message = edid::kNotBinOrTxt;
        return input;
    }
    std::string content;
    char buffer[65536];
    std::size_t n = 0;
    while (content.size() < kReadLimit && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        input.message = edid::kFileReadFailed;
        return input;
    }
    input.bytes = edid::ParseEdidBuffer(content, extension == "txt");
    input.ok = true;
    return input;
}

Input Read(const std::string& name, std::istream& in) {
    return name == "-" ? ReadStandardInput(in) : ReadFile(name);
}

std::string Dump(const edidjson::Json& json) {
    return json.dump(-1, ' ', false, edidjson::Json::error_handler_t::replace);
}

struct Options {
    bool json = false;
    bool asOpened = false;
    bool check = false;
};

std::string CheckText(const std::string& name, const std::vector<edid::Finding>& findings) {
    std::string out;
    std::size_t errors = 0;
    for (const edid::Finding& f : findings) {
        errors += f.severity == edid::Severity::kError;
        out +=
            name + ": " + edid::SeverityName(f.severity) + ": " + f.message + " [" + f.rule + "]\n";
    }
    const std::size_t warnings = findings.size() - errors;
    out += name + ": " + std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") +
           std::to_string(warnings) + (warnings == 1 ? " warning\n" : " warnings\n");
    return out;
}

// The result for one EDID; sets hasErrors when a finding is an error.
std::string Describe(const std::string& name, const std::vector<std::uint8_t>& bytes,
                     const Options& options, bool several, bool& hasErrors) {
    const edid::EdidModel model = edid::DecodeEdidModel(bytes.data(), bytes.size());
    const std::vector<edid::Finding> findings =
        edid::CheckEdidModel(model, bytes.data(), bytes.size());
    hasErrors = edid::HasErrors(findings);

    if (options.check) {
        if (!options.json)
            return CheckText(name, findings);
        edidjson::Json j = edidjson::Object(2);
        j["file"] = name;
        j["checks"] = edidjson::FindingsJson(findings);
        return Dump(j) + "\n";
    }

    if (!options.json) {
        const edid::Image image = edidjson::PageImage(bytes);
        const edid::Decoded decoded = options.asOpened ? edid::DecodeWithoutValidation(image)
                                                       : edid::ValidateAndDecode(image);
        const std::string text = edid::ToReadableText(decoded);
        return several ? "==> " + name + " <==\n" + text + "\n" : text;
    }
    const edidjson::Json j = edidjson::EdidJson(bytes, model, findings, name, options.asOpened);
    return Dump(j) + "\n";
}

int Usage(std::ostream& err, const std::string& problem) {
    err << "edidinfo: " << problem << "\n" << kUsage;
    return 2;
}

bool Write(std::ostream& out, const std::string& text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

int RunDiff(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
            std::ostream& err) {
    bool json = false;
    bool options = true;
    std::vector<std::string> names;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--")
            options = false;
        else if (options && arg == "--json")
            json = true;
        else if (options && arg.size() > 1 && arg[0] == '-')
            return Usage(err, "unknown option " + arg);
        else
            names.push_back(arg);
    }
    if (names.size() != 2)
        return Usage(err, "diff compares two EDIDs: give A and B");
    if (names[0] == "-" && names[1] == "-")
        return Usage(err, "standard input can be read only once");
    Input inputs[2];
    for (int k = 0; k < 2; ++k) {
        inputs[k] = Read(names[k], in);
        if (!inputs[k].ok) {
            err << "edidinfo: " << names[k] << ": " << inputs[k].message << "\n";
            return 2;
        }
    }
    const edidjson::EdidDifference diff = edidjson::DiffEdids(inputs[0].bytes, inputs[1].bytes);
    const std::string text =
        json ? Dump(edidjson::DiffJson(diff)) + "\n" : edidjson::DiffText(diff);
    out << text << std::flush;
    if (!out)
        return 2;
    return diff.Identical() ? 0 : 1;
}

} // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
    if (!args.empty() && args[0] == "diff")
        return RunDiff(args, in, out, err);

    Options options;
    std::vector<std::string> names;
    bool optionsEnd = false;
    for (const std::string& arg : args) {
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg == "--json") {
            options.json = true;
        } else if (!optionsEnd && arg == "--as-opened") {
            options.asOpened = true;
        } else if (!optionsEnd && arg == "--check") {
            options.check = true;
        } else if (!optionsEnd && (arg == "--help" || arg == "-h")) {
            out << kUsage;
            return 0;
        } else if (!optionsEnd && arg == "--version") {
            out << "edidinfo (Kestrelon) " KESTRELON_VERSION "\n";
            return 0;
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            return Usage(err, "unknown option " + arg);
        } else {
            names.push_back(arg);
        }
    }
    if (names.empty())
        return Usage(err, "no FILE given");
    std::size_t stdinCount = 0;
    for (const std::string& name : names)
        stdinCount += name == "-";
    if (stdinCount > 1)
        return Usage(err, "standard input can be read only once");

    bool unreadable = false;
    bool errorsFound = false;
    const bool several = names.size() > 1;
    for (const std::string& name : names) {
        const Input input = Read(name, in);
        if (!input.ok) {
            out.flush();
            err << "edidinfo: " << name << ": " << input.message << "\n";
            unreadable = true;
            continue;
        }
        bool hasErrors = false;
        if (!Write(out, Describe(name, input.bytes, options, several, hasErrors)))
            return 1;
        errorsFound = errorsFound || hasErrors;
    }
    out.flush();
    if (!out || unreadable)
        return 1;
    return options.check && errorsFound ? 3 : 0;
}

} // namespace edidinfo
