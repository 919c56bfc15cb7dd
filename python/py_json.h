// JSON values and Python objects, both ways: the objects sgctl and edidinfo print become dicts,
// lists, str, int, float, bool and None; a mapping given to a call becomes a JSON object.
#pragma once

#include <nlohmann/json.hpp>
#include <pybind11/pybind11.h>

namespace pyk {

using Json = nlohmann::ordered_json;

pybind11::object ToPython(const Json& json);
// A JSON object as a dict.
pybind11::dict ToDict(const Json& object);

// dict (or any mapping with str keys), list, tuple, str, int, float, bool, None; anything else
// raises TypeError.
Json FromPython(pybind11::handle object);

} // namespace pyk
