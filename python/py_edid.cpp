// decode_edid(): the object edidinfo --json prints for an EDID, without its "file".
#include "edid/edid_checks.h"
#include "edid/edid_model.h"
#include "python/py_json.h"
#include "python/py_support.h"
#include "python/py_tools.h"
#include "tools/edidinfo/edid_json.h"

namespace py = pybind11;

namespace pyk {

py::dict DecodeEdid(const py::buffer& data) {
    const std::vector<std::uint8_t> bytes = BytesOf(data, "the EDID");
    Json json;
    {
        py::gil_scoped_release release;
        const edid::EdidModel model = edid::DecodeEdidModel(bytes.data(), bytes.size());
        const std::vector<edid::Finding> findings =
            edid::CheckEdidModel(model, bytes.data(), bytes.size());
        json = edidjson::EdidJson(bytes, model, findings, std::string(), false);
    }
    return ToDict(json);
}

} // namespace pyk
