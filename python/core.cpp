// gtikit._core: the station's data files as numpy arrays, for the Python package gtikit.
//
// Every file is read and written by the C++ library (FileStorage); this module only moves the
// store's contents into numpy buffers and back, one copy per record row, with the interpreter
// lock released while files are read and written. Text crosses as UTF-8 (Python str) and is
// station text (code page 1251) inside.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/storage/file_storage.h"

namespace py = pybind11;

namespace {

// The UTF-8 text of station text.
std::string utf8(const AnsiString& s) {
    return lib::cp1251::to_utf8(s.view());
}

// Station text of a Python string; `what` names the text in the error.
AnsiString station(const std::string& s, const char* what) {
    std::string out;
    if (!lib::cp1251::from_utf8(s, out))
        throw py::value_error(std::string(what) + " '" + s + "' holds characters that code page 1251 cannot");
    return AnsiString(std::move(out));
}

// Raised for a file the library refuses.
py::object format_error;

// Runs a library call, turning its exceptions into gtikit.FormatError with the file's name.
template <class F>
void guarded(const std::string& path, F&& f) {
    std::string message;
    {
        py::gil_scoped_release unlocked;
        try {
            f();
            return;
        } catch (const std::exception& e) {
            message = lib::cp1251::to_utf8(e.what());
        }
    }
    PyErr_SetString(format_error.ptr(), (path + ": " + message).c_str());
    throw py::error_already_set();
}

// Reads a data file of any kind the library knows by its extension.
py::dict read_file(const std::string& path) {
    FileStorage store;
    const AnsiString name = station(path, "file name");
    guarded(path, [&] {
        if (!store.add_file(name, false)) throw std::runtime_error("the file could not be read");
    });

    const int n = store.get_record_count();
    const int p = store.get_param_count();
    py::array_t<std::uint32_t> times(n);
    py::array_t<float> depths(n);
    py::array_t<float> values({n, p});
    {
        auto t = times.mutable_unchecked<1>();
        auto d = depths.mutable_unchecked<1>();
        float* v = values.mutable_data();
        py::gil_scoped_release unlocked;
        for (int i = 0; i < n; ++i) {
            const FileStorageItem& r = *store.get_record(i);
            t(i) = r.time;
            d(i) = r.depth;
            const std::size_t have = std::min(r.values.size(), static_cast<std::size_t>(p));
            std::memcpy(v + static_cast<std::size_t>(i) * p, r.values.data(), have * sizeof(float));
            for (std::size_t k = have; k < static_cast<std::size_t>(p); ++k)
                v[static_cast<std::size_t>(i) * p + k] = NAN;
        }
    }

    py::list params;
    for (int i = 0; i < p; ++i) {
        const FileStorageParam& q = *store.get_param(i);
        params.append(py::make_tuple(utf8(q.global_name), utf8(q.name), utf8(q.unit), utf8(q.short_name), q.scale_min,
                                     q.scale_max));
    }
    py::dict run;
    const TStringList& lines = store.get_text_values().get_list();
    for (int i = 0; i < lines.Count(); ++i) {
        const AnsiString& line = lines[i];
        const auto eq = line.find('=');
        if (eq == AnsiString::npos) continue;
        run[py::str(utf8(line.substr(0, eq)))] =
            py::str(utf8(FileStorageTextValues::check_inverted_commas(line.substr(eq + 1))));
    }
    std::vector<AnsiString> warnings;
    store.get_warnings(warnings);
    py::list warning_texts;
    for (const AnsiString& w : warnings)
        warning_texts.append(utf8(w));

    py::dict out;
    out["params"] = params;
    out["times"] = times;
    out["depths"] = depths;
    out["values"] = values;
    out["run"] = run;
    out["warnings"] = warning_texts;
    return out;
}

// Writes a store to a data file of the kind its extension names.
void write_file(const std::string& path, const py::list& params, py::array_t<std::uint32_t, py::array::c_style> times,
                py::array_t<float, py::array::c_style> depths, py::array_t<float, py::array::c_style> values,
                const py::dict& run) {
    const py::ssize_t n = times.size();
    const py::ssize_t p = static_cast<py::ssize_t>(params.size());
    if (depths.size() != n || values.ndim() != 2 || values.shape(0) != n || values.shape(1) != p)
        throw py::value_error(
            "times, depths and the rows of values must agree, and values needs a column per parameter");
    if (p > FileStorage::max_params)
        throw py::value_error("a data file holds at most " + std::to_string(FileStorage::max_params) + " parameters");

    FileStorage store;
    for (const py::handle h : params) {
        const auto t = h.cast<py::tuple>();
        const FileStorageParam param(
            station(t[1].cast<std::string>(), "parameter name"), station(t[3].cast<std::string>(), "short name"),
            station(t[2].cast<std::string>(), "unit"), station(t[0].cast<std::string>(), "parameter key"),
            t[4].cast<float>(), t[5].cast<float>());
        if (store.add_parametr(param) != store.get_param_count() - 1)
            throw py::value_error("parameter key '" + t[0].cast<std::string>() + "' appears twice");
    }
    TStringList& lines = store.get_text_values().get_list();
    for (const auto& [key, value] : run)
        lines.Add(station(py::str(key).cast<std::string>(), "run field") + "=" +
                  station(py::str(value).cast<std::string>(), "run value"));
    store.get_text_values().ri_from_data();

    const auto t = times.unchecked<1>();
    const auto d = depths.unchecked<1>();
    const float* v = values.data();
    const AnsiString name = station(path, "file name");
    guarded(path, [&] {
        for (py::ssize_t i = 0; i < n; ++i) {
            FileStorageItem item;
            item.time = t(i);
            item.depth = d(i);
            item.values.assign(v + i * p, v + (i + 1) * p);
            store.add_record(item);
        }
        const std::string ext = lib::cp1251::to_lower(std::filesystem::path(path).extension().string());
        for (const char* known : {".realtim", ".realdep", ".reallag", ".tim", ".dep", ".ldp"})
            if (ext == known) return store.save_all(name, false);
        throw std::runtime_error("the extension names no kind of data file: \"" + ext + "\"");
    });
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "The station's data files read and written by the gtikit C++ library";
    format_error = py::exception<std::runtime_error>(m, "FormatError", PyExc_ValueError);
    m.def("read", &read_file, py::arg("path"),
          "Reads a data file: a dict of params (key, name, unit, short name, scale min, scale max), times "
          "(station time values), depths, values (records x parameters, float32), run and warnings.");
    m.def("write", &write_file, py::arg("path"), py::arg("params"), py::arg("times"), py::arg("depths"),
          py::arg("values"), py::arg("run"), "Writes a data file of the kind its extension names.");
}
