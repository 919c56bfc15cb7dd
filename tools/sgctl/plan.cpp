// sgctl plan: run a test plan on the generator with its reports, check a plan, and write a plan
// from an EDID file.
#include "tools/sgctl/commands.h"

#include "edid/edid_file.h"
#include "edid/edid_model.h"
#include "plan/edid_plan.h"
#include "plan/plan_driver.h"
#include "plan/plan_expand.h"
#include "plan/plan_keys.h"
#include "plan/plan_reader.h"
#include "plan/report_json.h"
#include "plan/report_junit.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace sgctl {

namespace {

plan::Plan ReadOrRefuse(const std::string& path) {
    RequireReadable(path);
    plan::ReadResult r = plan::ReadPlanFile(path);
    if (!r.ok)
        throw CFailure(kExitUsage, r.error);
    return std::move(r.plan);
}

// The operator at the terminal: the step, its question, then [p]ass / [f]ail / [s]kip and a
// note. The end of the input leaves the verdict "not asked".
class CTerminalOperator : public plan::IOperator {
public:
    CTerminalOperator(std::istream& in, std::ostream& err) : m_in(in), m_err(err) {}

    plan::Verdict Ask(const plan::Step& step, std::size_t index, std::size_t count,
                      std::string& note) override {
        m_err << "step " << index << " of " << count << ": " << step.name << "\n  " << step.prompt
              << "\n";
        for (;;) {
            m_err << "  [p]ass / [f]ail / [s]kip: " << std::flush;
            std::string line;
            if (!std::getline(m_in, line))
                return plan::Verdict::NotAsked;
            const std::string a = Trimmed(line);
            plan::Verdict verdict;
            if (a == "p" || a == "pass")
                verdict = plan::Verdict::Pass;
            else if (a == "f" || a == "fail")
                verdict = plan::Verdict::Fail;
            else if (a == "s" || a == "skip")
                verdict = plan::Verdict::Skip;
            else
                continue;
            m_err << "  note (Enter for none): " << std::flush;
            if (std::getline(m_in, line)) {
                note = line;
                while (!note.empty() && (note.back() == '\r' || note.back() == ' '))
                    note.pop_back();
            }
            return verdict;
        }
    }

private:
    static std::string Trimmed(const std::string& s) {
        std::string t;
        for (char c : s)
            if (c != ' ' && c != '\t' && c != '\r')
                t += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return t;
    }

    std::istream& m_in;
    std::ostream& m_err;
};

// A report file, judged before the run so that a run is never made in vain; removed again when
// it was made here and nothing was written into it.
struct CReportFile {
    std::string path;
    bool created = false;

    void Claim(const std::string& option) {
        if (path.empty())
            return;
        created = !FileExists(path);
        std::FILE* f = std::fopen(path.c_str(), "ab");
        if (!f)
            throw CFailure(kExitFile,
                           option + ": cannot write " + path + ": " + std::strerror(errno));
        std::fclose(f);
    }
    void Release() {
        if (!path.empty() && created)
            std::remove(path.c_str());
    }
    // False with a message on err when the file cannot be written.
    bool Write(const std::string& text, std::ostream& err) const {
        if (path.empty())
            return true;
        const std::string failure = WriteFile(path, text);
        if (failure.empty())
            return true;
        err << "sgctl: cannot write " << path << ": " << failure << "\n";
        return false;
    }
};

std::string SecondsText(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

int PlanRun(const Args& args, CSession& s) {
    std::string planPath;
    CReportFile report, junit;
    plan::DriverOptions options;
    bool prompt = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--report" || a == "--junit") {
            if (i + 1 >= args.size())
                UsageError("plan", a + " needs a file");
            (a == "--report" ? report : junit).path = args[++i];
        } else if (a == "--no-prompt") {
            prompt = false;
        } else if (a == "--stop-on-fail") {
            options.run.stopOnFail = true;
        } else if (a.size() > 1 && a[0] == '-') {
            UsageError("plan", "unknown option " + a);
        } else if (planPath.empty()) {
            planPath = a;
        } else {
            UsageError("plan", "plan run takes one PLAN");
        }
    }
    if (planPath.empty())
        UsageError("plan", "plan run takes PLAN");
    // Everything is judged before the generator is touched.
    const plan::Plan p = ReadOrRefuse(planPath);
    report.Claim("--report");
    try {
        junit.Claim("--junit");
    } catch (...) {
        report.Release();
        throw;
    }

    std::unique_ptr<CTerminalOperator> terminalOperator;
    if (prompt && s.terminal.interactive && s.terminal.in) {
        terminalOperator = std::make_unique<CTerminalOperator>(*s.terminal.in, s.err);
        options.op = terminalOperator.get();
    }
    options.progress = [&s](const plan::StepRecord& r, std::size_t count) {
        s.err << "step " << r.index << " of " << count << ": " << r.name << ": "
              << plan::ResultName(r.result) << (r.message.empty() ? "" : ": " + r.message) << "\n"
              << std::flush;
    };

    plan::RunReport run;
    client::CGeneratorClient* generator = nullptr;
    try {
        generator = &s.Generator();
    } catch (const CFailure& failure) {
        // No generator to run on: the first step ends in that error, and the reports say so.
        std::string message = failure.what();
        for (std::size_t at; (at = message.find("\nsgctl: ")) != std::string::npos;)
            message.erase(at + 1, 7);
        while (!message.empty() && message.back() == '\n')
            message.pop_back();
        const std::string text = failure.what();
        s.err << "sgctl: " << text << (text.empty() || text.back() != '\n' ? "\n" : "");
        plan::CPlanRunner runner(p);
        runner.SetPort(s.options.strPort);
        runner.Error({failure.ExitCode() == kExitNoAnswer ? client::Outcome::NoAnswer
                                                          : client::Outcome::PortError,
                      message});
        run = runner.Report();
    }
    if (generator)
        run = plan::RunPlan(p, *generator, options);

    s.out << "plan " << run.plan << ": " << plan::RunResultName(run.result) << " ("
          << run.Count(plan::StepResult::Pass) << " passed, " << run.Count(plan::StepResult::Fail)
          << " failed, " << run.Count(plan::StepResult::Error) << " errors, "
          << run.Count(plan::StepResult::Skipped) << " skipped of " << run.steps.size() << ") in "
          << SecondsText(run.durationMs) << "\n";
    if (run.stoppedAt)
        s.out << run.stopReason << "\n";
    int code = run.ExitCode();
    const bool written = report.Write(plan::ReportJson(run), s.err);
    if (!junit.Write(plan::ReportJunit(run), s.err) || !written)
        code = code == kExitDone ? kExitFile : code;
    return code;
}

int PlanCheck(const Args& args, CSession& s) {
    if (args.size() != 2)
        UsageError("plan", "plan check takes PLAN");
    const plan::Plan p = ReadOrRefuse(args[1]);
    s.out << "plan " << p.name << ": " << p.steps.size()
          << (p.steps.size() == 1 ? " step\n" : " steps\n");
    for (std::size_t i = 0; i < p.steps.size(); ++i) {
        const plan::Step& step = p.steps[i];
        s.out << i + 1 << ". " << step.name << "\n   ";
        std::string what;
        if (!step.settings.empty())
            what = "set " + plan::SettingsText(step.settings);
        if (step.dwellMs > 0)
            what +=
                (what.empty() ? "" : "; ") + std::string("wait ") + plan::DwellText(step.dwellMs);
        if (step.hasPrompt)
            what += (what.empty() ? "" : "; ") + std::string("ask \"") + step.prompt + "\"";
        s.out << what << "\n";
    }
    return kExitDone;
}

int PlanFromEdid(const Args& args, CSession& s) {
    std::string edidPath, outPath;
    plan::EdidPlanOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--pattern" || a == "--dwell" || a == "-o") {
            if (i + 1 >= args.size())
                UsageError("plan", a + " needs a value");
            const std::string& value = args[++i];
            if (a == "-o") {
                outPath = value;
            } else if (a == "--pattern") {
                const std::string refusal =
                    plan::CheckValue("pattern", value, plan::KnownOutput::Hdmi);
                if (!refusal.empty())
                    UsageError("plan", "--pattern " + value + ": " + refusal);
                options.patterns.push_back(value);
            } else {
                char* end = nullptr;
                options.dwellS = std::strtod(value.c_str(), &end);
                if (value.empty() || *end != '\0' || !(options.dwellS >= 0) ||
                    options.dwellS > plan::kMaxDwellSeconds)
                    UsageError("plan", "--dwell takes 0 to 86400 seconds, not " + value);
                options.dwellGiven = true;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            UsageError("plan", "unknown option " + a);
        } else if (edidPath.empty()) {
            edidPath = a;
        } else {
            UsageError("plan", "plan from-edid takes one EDID_FILE");
        }
    }
    if (edidPath.empty())
        UsageError("plan", "plan from-edid takes EDID_FILE");
    RequireReadable(edidPath);
    const edid::OpenResult file = edid::ReadEdidFile(edidPath);
    if (!file.ok)
        throw CFailure(kExitUsage, edidPath + ": " + file.message);
    const edid::EdidModel model = edid::DecodeEdidModel(file.image);
    options.name =
        "Timings of the EDID of " +
        (model.hasProductName && !model.productName.empty() ? model.productName : edidPath);
    const std::vector<plan::Claim> claims = plan::ClaimsOf(model);
    const plan::EdidCoverage coverage = plan::Cover(claims);
    const std::string text = plan::EdidPlanJson(coverage, options);
    // What is written must be a plan the reader takes.
    const plan::ReadResult check = plan::ReadPlan(text, outPath.empty() ? "plan" : outPath);
    if (!check.ok)
        throw CFailure(kExitUsage,
                       "the plan made from " + edidPath + " is refused: " + check.error);

    if (outPath.empty()) {
        s.out << text;
    } else {
        const std::string failure = WriteFile(outPath, text);
        if (!failure.empty())
            throw CFailure(kExitFile, "cannot write " + outPath + ": " + failure);
    }
    s.err << edidPath << ": " << claims.size() << " claims, " << coverage.covered.size()
          << " generator timings (" << check.plan.steps.size() << " steps), "
          << coverage.notCovered.size() << " not covered\n";
    return kExitDone;
}

} // namespace

int CmdPlan(const Args& args, CSession& s) {
    if (!args.empty() && args[0] == "run")
        return PlanRun(args, s);
    if (!args.empty() && args[0] == "check")
        return PlanCheck(args, s);
    if (!args.empty() && args[0] == "from-edid")
        return PlanFromEdid(args, s);
    UsageError("plan", "plan takes run, check or from-edid");
}

} // namespace sgctl
