// The client's outcomes as the Python exceptions of kestrelon._errors, texts and bytes.
#include "python/py_support.h"

namespace py = pybind11;

namespace pyk {

void Check(const client::Result& result) {
    if (!result.Ok())
        throw OutcomeError(result.outcome, result.message);
}

void Refuse(const std::string& message) {
    throw OutcomeError(client::Outcome::Refused, message);
}

py::str Text(const std::string& utf8) {
    PyObject* s =
        PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace");
    if (!s)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(s);
}

std::vector<std::uint8_t> BytesOf(py::handle object, const char* what) {
    Py_buffer view;
    if (PyObject_GetBuffer(object.ptr(), &view, PyBUF_SIMPLE) != 0) {
        PyErr_Clear();
        throw py::type_error(
            std::string(what) + " must be bytes-like, not " +
            py::str(py::type::handle_of(object).attr("__name__")).cast<std::string>());
    }
    const auto* bytes = static_cast<const std::uint8_t*>(view.buf);
    std::vector<std::uint8_t> out(bytes, bytes + view.len);
    PyBuffer_Release(&view);
    return out;
}

namespace {

const char* ClassName(client::Outcome outcome) {
    switch (outcome) {
    case client::Outcome::Refused:
        return "Refused";
    case client::Outcome::NoAnswer:
        return "NoAnswer";
    case client::Outcome::Different:
        return "Mismatch";
    case client::Outcome::PortError:
        return "PortError";
    case client::Outcome::Done:
        break;
    }
    return "Error";
}

} // namespace

void RegisterTranslator() {
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const OutcomeError& e) {
            const py::object cls =
                py::module_::import("kestrelon._errors").attr(ClassName(e.Outcome()));
            PyErr_SetObject(cls.ptr(), Text(e.what()).ptr());
        }
    });
}

} // namespace pyk
