// JSON to Python objects and back.
#include "python/py_json.h"

#include "python/py_support.h"

#include <string>

namespace py = pybind11;

namespace pyk {

py::object ToPython(const Json& j) {
    switch (j.type()) {
    case Json::value_t::null:
    case Json::value_t::discarded:
        return py::none();
    case Json::value_t::boolean:
        return py::bool_(j.get<bool>());
    case Json::value_t::number_integer:
        return py::int_(j.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return py::int_(j.get<std::uint64_t>());
    case Json::value_t::number_float:
        return py::float_(j.get<double>());
    case Json::value_t::string:
        return Text(j.get_ref<const std::string&>());
    case Json::value_t::array: {
        py::list list;
        for (const Json& item : j)
            list.append(ToPython(item));
        return std::move(list);
    }
    case Json::value_t::object: {
        py::dict dict;
        for (const auto& item : j.items())
            dict[Text(item.key())] = ToPython(item.value());
        return std::move(dict);
    }
    case Json::value_t::binary:
        break;
    }
    return py::none();
}

py::dict ToDict(const Json& object) {
    return py::reinterpret_borrow<py::dict>(ToPython(object.is_object() ? object : Json::object()));
}

Json FromPython(py::handle o) {
    if (o.is_none())
        return nullptr;
    // bool before int: True is an int too.
    if (py::isinstance<py::bool_>(o))
        return o.cast<bool>();
    if (py::isinstance<py::int_>(o))
        return o.cast<long long>();
    if (py::isinstance<py::float_>(o))
        return o.cast<double>();
    if (py::isinstance<py::str>(o))
        return o.cast<std::string>();
    if (py::isinstance<py::list>(o) || py::isinstance<py::tuple>(o)) {
        Json array = Json::array();
        for (py::handle item : o)
            array.push_back(FromPython(item));
        return array;
    }
    if (PyMapping_Check(o.ptr()) && py::hasattr(o, "items")) {
        Json object = Json::object();
        for (py::handle item : o.attr("items")()) {
            const py::tuple pair = py::reinterpret_borrow<py::tuple>(item);
            if (!py::isinstance<py::str>(pair[0]))
                throw py::type_error("keys must be str, not " +
                                     py::repr(pair[0]).cast<std::string>());
            object[pair[0].cast<std::string>()] = FromPython(pair[1]);
        }
        return object;
    }
    throw py::type_error("cannot take a " +
                         py::str(py::type::handle_of(o).attr("__name__")).cast<std::string>() +
                         " here");
}

} // namespace pyk
