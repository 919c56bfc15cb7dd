// The run's record as JUnit XML.
#include "plan/report_junit.h"

#include <cstdio>

namespace plan {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

// The length of the valid UTF-8 sequence at text[i] (1..4), or 0 when it is not one.
std::size_t Utf8Length(const std::string& text, std::size_t i, unsigned& codePoint) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    if (c < 0x80) {
        codePoint = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        codePoint = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        codePoint = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        codePoint = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80)
            return 0;
        codePoint = codePoint << 6 | (t & 0x3F);
    }
    // Overlong forms, surrogates and what lies beyond Unicode.
    if ((n == 3 && codePoint < 0x800) || (n == 4 && codePoint < 0x10000) ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return 0;
    return n;
}

std::string Seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ms) / 1000.0);
    return text;
}

// The timestamp as the JUnit schema takes it: no fraction, no zone (the time is UTC).
std::string Timestamp(std::int64_t unixMs) {
    return IsoTime(unixMs).substr(0, 19);
}

std::string Attr(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + XmlEscape(value, true) + "\"";
}

std::string Counts(const RunReport& r) {
    return Attr("tests", std::to_string(r.steps.size())) +
           Attr("failures", std::to_string(r.Count(StepResult::Fail))) +
           Attr("errors", std::to_string(r.Count(StepResult::Error))) +
           Attr("skipped", std::to_string(r.Count(StepResult::Skipped))) +
           Attr("time", Seconds(r.durationMs)) + Attr("timestamp", Timestamp(r.startMs));
}

// What the step asked and what came of it, for the test case's output.
std::string StepOutput(const StepRecord& s) {
    std::string out = "plan step " + std::to_string(s.planStep) + "\n";
    for (const Setting& a : s.asked)
        out += "set " + a.key + " " + a.value + "\n";
    for (const Reported& r : s.reported)
        out += "reported " + r.key + " " + std::to_string(r.code) +
               (r.name.empty() ? "" : " (" + r.name + ")") + "\n";
    if (s.verdict != Verdict::None)
        out += std::string("verdict ") + VerdictName(s.verdict) + "\n";
    if (!s.note.empty())
        out += "note " + s.note + "\n";
    if (s.ran)
        out += "start " + IsoTime(s.startMs) + "\n";
    return out;
}

} // namespace

std::string XmlEscape(const std::string& text, bool attribute) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned cp = 0;
        const std::size_t n = Utf8Length(text, i, cp);
        if (n == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        const bool allowed = cp == 0x09 || cp == 0x0A || cp == 0x0D ||
                             (cp >= 0x20 && cp < 0xD800) || (cp >= 0xE000 && cp <= 0xFFFD) ||
                             cp >= 0x10000;
        if (!allowed)
            out += kReplacement;
        else if (cp == '&')
            out += "&amp;";
        else if (cp == '<')
            out += "&lt;";
        else if (cp == '>')
            out += "&gt;";
        else if (attribute && cp == '"')
            out += "&quot;";
        else if (attribute && cp == 0x09)
            out += "&#9;";
        else if (attribute && cp == 0x0A)
            out += "&#10;";
        else if (cp == 0x0D)
            out += "&#13;";
        else
            out.append(text, i, n);
        i += n;
    }
    return out;
}

std::string ReportJunit(const RunReport& r) {
    // Readers that take the classname as package.class would split a plan name at its dots.
    std::string classname = r.plan;
    for (char& c : classname)
        if (c == '.')
            c = '_';
    const std::size_t width = std::to_string(r.steps.size()).size();

    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites" + Attr("name", r.plan) + Counts(r) + ">\n";
    xml += "  <testsuite" + Attr("name", r.plan) + Counts(r) + ">\n";
    xml += "    <properties>\n";
    xml += "      <property" + Attr("name", "file") + Attr("value", r.file) + "/>\n";
    xml += "      <property" + Attr("name", "port") + Attr("value", r.port) + "/>\n";
    xml += "      <property" + Attr("name", "result") + Attr("value", RunResultName(r.result)) +
           "/>\n";
    if (r.stoppedAt)
        xml += "      <property" + Attr("name", "stopped_at") +
               Attr("value", std::to_string(r.stoppedAt)) + "/>\n      <property" +
               Attr("name", "stop_reason") + Attr("value", r.stopReason) + "/>\n";
    xml += "    </properties>\n";
    for (const StepRecord& s : r.steps) {
        std::string number = std::to_string(s.index);
        number.insert(0, width - number.size(), '0');
        xml += "    <testcase" + Attr("name", number + " " + s.name) +
               Attr("classname", classname) + Attr("time", Seconds(s.durationMs)) + ">\n";
        switch (s.result) {
        case StepResult::Fail:
            xml += "      <failure" + Attr("message", s.message) + Attr("type", "fail") + ">" +
                   XmlEscape(s.message, false) + "</failure>\n";
            break;
        case StepResult::Error:
            xml += "      <error" + Attr("message", s.message) + Attr("type", "error") + ">" +
                   XmlEscape(s.message, false) + "</error>\n";
            break;
        case StepResult::Skipped:
            xml += "      <skipped" + Attr("message", s.message) + "/>\n";
            break;
        case StepResult::Pass:
            break;
        }
        xml += "      <system-out>" + XmlEscape(StepOutput(s), false) + "</system-out>\n";
        xml += "    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

} // namespace plan
