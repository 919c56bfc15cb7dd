// calc(): the timing calculator with the checks and messages of `sgctl timing calc`.
#include "link/timing_calc.h"
#include "link/timing_json.h"
#include "python/py_json.h"
#include "python/py_support.h"
#include "python/py_tools.h"

#include <cmath>

namespace py = pybind11;

namespace pyk {

namespace {

using timing_calc::Formula;

int Whole(py::handle value, const char* what, int min, int max) {
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value))
        throw py::type_error(std::string(what) + " must be an int");
    const long long v = value.cast<long long>();
    if (v < min || v > max)
        Refuse(std::string(what) + " must be " + std::to_string(min) + ".." + std::to_string(max) +
               ", not " + std::to_string(v));
    return static_cast<int>(v);
}

} // namespace

py::dict Calc(const std::string& formula, const py::args& size, std::optional<int> id,
              bool interlaced, bool videoOptimized, std::optional<int> hblank, bool earlyVsync) {
    timing_calc::Request q;
    if (!timing_calc::ParseFormula(formula, q.formula))
        Refuse("unknown formula " + formula + " (cvt, cvt-rb, cvt-rb2, cvt-rb3, gtf, dmt or cta)");
    const bool byNumber = q.formula == Formula::Cta || q.formula == Formula::Dmt;
    if (size.size() == 1 && byNumber && !id) {
        id = Whole(size[0], q.formula == Formula::Cta ? "the VIC" : "the DMT id", 1, 255);
    } else if (size.size() == 3 && q.formula != Formula::Cta && !id) {
        q.hActive = Whole(size[0], "the width", 1, 65535);
        q.vActive = Whole(size[1], "the height", 1, 65535);
        if (!py::isinstance<py::float_>(size[2]) &&
            (!py::isinstance<py::int_>(size[2]) || py::isinstance<py::bool_>(size[2])))
            throw py::type_error("the rate must be a number");
        q.rateHz = size[2].cast<double>();
        if (!std::isfinite(q.rateHz))
            Refuse("the rate must be a finite number");
    } else if (!(size.size() == 0 && id && byNumber)) {
        Refuse(q.formula == Formula::Cta   ? "cta takes a VIC: calc('cta', 16)"
               : q.formula == Formula::Dmt ? "dmt takes width, height and rate, or a DMT id"
                                           : formula + " takes width, height and rate");
    }
    if (id)
        q.id = Whole(py::int_(*id), q.formula == Formula::Cta ? "the VIC" : "the DMT id", 1, 255);
    auto option = [&](bool given, const char* name, bool allowed) {
        if (given && !allowed)
            Refuse(std::string(name) + " is no option of " + formula + (q.id ? " with an id" : ""));
    };
    option(interlaced, "interlaced", q.id == 0);
    option(videoOptimized, "video_optimized", q.formula == Formula::CvtRb2);
    option(hblank.has_value(), "hblank", q.formula == Formula::CvtRb3);
    option(earlyVsync, "early_vsync", q.formula == Formula::CvtRb3);
    q.interlaced = interlaced;
    q.videoOptimized = videoOptimized;
    q.rb3EarlyVsync = earlyVsync;
    if (hblank)
        q.rb3HBlank = Whole(py::int_(*hblank), "hblank", 0, 65535);
    const timing_calc::Result r = timing_calc::Calculate(q);
    if (!r.ok)
        Refuse("no timing: " + r.error);
    return ToDict(timing_calc::ToJson(r.timing));
}

} // namespace pyk
