// The reports of a run with a passed, a failed, an erred and skipped steps: the JSON's fields, and
// the JUnit XML read back by an XML parser with the elements and attributes CI servers read
// (testsuites/testsuite with tests, failures, errors, skipped, time; testcase with name,
// classname, time; failure, error, skipped with a message), whatever the names hold.
#include "plan/plan_reader.h"
#include "plan/plan_runner.h"
#include "plan/report_json.h"
#include "plan/report_junit.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

namespace {

using plan::Action;

// A run of four steps: passed (with a verdict), failed (refused), ended by a port error, never
// run. Names and notes carry markup, control characters and bytes that are not UTF-8.
plan::RunReport SampleRun() {
    static plan::Plan p;
    const plan::ReadResult read = plan::ReadPlan(R"j({"name": "Sink <smoke> & \"v1.2\"", "steps": [
        {"name": "bars \u0001 <b>", "output": "hdmi", "pattern": "SMPTE", "prompt": "OK?"},
        {"name": "4K 10 bit", "timing": 38, "color_depth": "10bit"},
        {"timing": 20},
        {"timing": 21}]})j",
                                                 "plans/smoke.json");
    EXPECT_TRUE(read.ok) << read.error;
    p = read.plan;
    std::int64_t nowUs = 0;
    plan::PlanClock clock;
    clock.steadyUs = [&] { return nowUs; };
    clock.wallMs = [&] { return 951782400123 + nowUs / 1000; }; // 2000-02-29T00:00:00.123Z
    plan::CPlanRunner runner(p, plan::RunOptions(), clock);
    runner.SetPort("COM7");
    for (;;) {
        const Action a = runner.Next();
        nowUs += 250000;
        if (a.kind == Action::Kind::Done)
            break;
        if (a.kind == Action::Kind::Ask) {
            runner.Answered(plan::Verdict::Pass, "flicker \xff at the <edge>\x02");
        } else if (a.key == "color_depth") {
            runner.SetFinished({client::Outcome::Refused, "When in 4K mode, <fixed> & \"8 bit\""},
                               {});
        } else if (a.step == 2) {
            runner.SetFinished({client::Outcome::PortError, "COM7: port went away"}, {});
        } else {
            runner.SetFinished({}, {a.key == "output" ? 0 : 34, a.value});
        }
    }
    return runner.Report();
}

TEST(PlanReport, JsonHasTheRunAndEveryStep) {
    const nlohmann::json j = nlohmann::json::parse(plan::ReportJson(SampleRun()));
    EXPECT_EQ("Sink <smoke> & \"v1.2\"", j["plan"]);
    EXPECT_EQ("plans/smoke.json", j["file"]);
    EXPECT_EQ("COM7", j["port"]);
    EXPECT_EQ("2000-02-29T00:00:00.123Z", j["start"]);
    EXPECT_EQ(1500, j["duration_ms"]);
    EXPECT_EQ("error", j["result"]);
    EXPECT_EQ(3, j["stopped_at"]);
    EXPECT_EQ("step 3: COM7: port went away", j["stop_reason"]);
    EXPECT_EQ(
        (nlohmann::json{{"steps", 4}, {"pass", 1}, {"fail", 1}, {"error", 1}, {"skipped", 1}}),
        j["counts"]);
    const nlohmann::json& steps = j["steps"];
    ASSERT_EQ(4u, steps.size());
    EXPECT_EQ(1, steps[0]["index"]);
    EXPECT_EQ(1, steps[0]["plan_step"]);
    EXPECT_EQ("pass", steps[0]["result"]);
    EXPECT_EQ("pass", steps[0]["verdict"]);
    EXPECT_EQ("flicker \xef\xbf\xbd at the <edge>\x02", steps[0]["note"]) << "not UTF-8: replaced";
    EXPECT_EQ((nlohmann::json{{"output", "hdmi"}, {"pattern", "SMPTE"}}), steps[0]["settings"]);
    EXPECT_EQ((nlohmann::json{{"code", 34}, {"name", "SMPTE"}}), steps[0]["reported"]["pattern"]);
    EXPECT_EQ("2000-02-29T00:00:00.123Z", steps[0]["start"]);
    EXPECT_EQ(750, steps[0]["duration_ms"]);
    EXPECT_EQ("fail", steps[1]["result"]);
    EXPECT_TRUE(steps[1]["verdict"].is_null());
    EXPECT_EQ("When in 4K mode, <fixed> & \"8 bit\"", steps[1]["message"]);
    EXPECT_EQ(1u, steps[1]["reported"].size());
    EXPECT_EQ("error", steps[2]["result"]);
    EXPECT_EQ("skipped", steps[3]["result"]);
    EXPECT_TRUE(steps[3]["start"].is_null());
    EXPECT_EQ("not run: step 3: COM7: port went away", steps[3]["message"]);
}

// What the XML reader saw of one test case.
struct Case {
    std::map<std::string, std::string> attributes;
    std::string outcome; // "", "failure", "error", "skipped"
    std::string message;
    std::string output;
};

std::map<std::string, std::string> Attributes(const QXmlStreamReader& xml) {
    std::map<std::string, std::string> a;
    for (const QXmlStreamAttribute& attribute : xml.attributes())
        a[attribute.name().toString().toStdString()] = attribute.value().toString().toStdString();
    return a;
}

TEST(PlanReport, JunitIsWellFormedWithTheElementsCiServersRead) {
    const std::string text = plan::ReportJunit(SampleRun());
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    std::vector<std::string> path;
    std::map<std::string, std::string> suites, suite;
    std::vector<Case> cases;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const std::string name = xml.name().toString().toStdString();
            path.push_back(name);
            if (path == std::vector<std::string>{"testsuites"})
                suites = Attributes(xml);
            else if (path == std::vector<std::string>{"testsuites", "testsuite"})
                suite = Attributes(xml);
            else if (name == "testcase")
                cases.push_back(Case{Attributes(xml), "", "", ""});
            else if ((name == "failure" || name == "error" || name == "skipped") &&
                     !cases.empty()) {
                EXPECT_TRUE(cases.back().outcome.empty()) << "one outcome per test case";
                cases.back().outcome = name;
                cases.back().message = Attributes(xml)["message"];
            } else if (name == "system-out" && !cases.empty()) {
                cases.back().output = xml.readElementText().toStdString();
                path.pop_back();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            path.pop_back();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << "\n" << text;

    for (const auto* counts : {&suites, &suite}) {
        EXPECT_EQ("Sink <smoke> & \"v1.2\"", (*counts).at("name"));
        EXPECT_EQ("4", counts->at("tests"));
        EXPECT_EQ("1", counts->at("failures"));
        EXPECT_EQ("1", counts->at("errors"));
        EXPECT_EQ("1", counts->at("skipped"));
        EXPECT_EQ("1.500", counts->at("time"));
        EXPECT_EQ("2000-02-29T00:00:00", counts->at("timestamp"));
    }
    ASSERT_EQ(4u, cases.size());
    EXPECT_EQ("1 bars \xef\xbf\xbd <b>", cases[0].attributes["name"]) << "a control character";
    EXPECT_EQ("Sink <smoke> & \"v1_2\"", cases[0].attributes["classname"]);
    EXPECT_EQ("0.750", cases[0].attributes["time"]);
    EXPECT_EQ("", cases[0].outcome);
    EXPECT_NE(std::string::npos, cases[0].output.find("reported pattern 34 (SMPTE)"));
    EXPECT_NE(std::string::npos, cases[0].output.find("verdict pass"));
    EXPECT_NE(std::string::npos, cases[0].output.find("note flicker \xef\xbf\xbd at the <edge>"));
    EXPECT_EQ("failure", cases[1].outcome);
    EXPECT_EQ("When in 4K mode, <fixed> & \"8 bit\"", cases[1].message);
    EXPECT_EQ("error", cases[2].outcome);
    EXPECT_EQ("COM7: port went away", cases[2].message);
    EXPECT_EQ("skipped", cases[3].outcome);
    EXPECT_EQ("0.000", cases[3].attributes["time"]);
}

TEST(PlanReport, TimesAreUtcIso8601) {
    EXPECT_EQ("1970-01-01T00:00:00.000Z", plan::IsoTime(0));
    EXPECT_EQ("2000-02-29T23:59:59.999Z", plan::IsoTime(951868799999));
    EXPECT_EQ("2024-12-31T12:00:00.500Z", plan::IsoTime(1735646400500));
    EXPECT_EQ("2100-03-01T00:00:00.000Z", plan::IsoTime(4107542400000));
}

} // namespace
