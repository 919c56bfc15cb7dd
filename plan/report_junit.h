// The run's record as JUnit XML, the form CI servers show test results in: one <testsuite> for
// the plan inside <testsuites>, one <testcase> per step (named by its number and name, the plan's
// name as its classname, its duration as time), a <failure> for a step that failed, an <error>
// for one that ended in an error, a <skipped> for one skipped or never run, each with the reason
// as message; the counts (tests, failures, errors, skipped) and times on the suite and the root.
// The settings asked, what the generator reported and the operator's verdict and note go to the
// test case's <system-out>. Any text is made valid XML 1.0 (control characters and bytes that are
// not UTF-8 are replaced).
#pragma once

#include "plan/plan_run.h"

#include <string>

namespace plan {

std::string ReportJunit(const RunReport& report);

// Text as XML character data or attribute value: markup escaped; characters XML 1.0 does not
// allow, and bytes that are not UTF-8, replaced.
std::string XmlEscape(const std::string& text, bool attribute);

} // namespace plan
