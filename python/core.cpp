// gtikit._core: the station's data files as numpy arrays, for the Python package gtikit.
//
// Every file is read and written by the C++ library (FileStorage, the LAS reader and exporter);
// this module only moves the store's contents into numpy buffers and back, one copy per record
// row, with the interpreter lock released while files are read and written. Text crosses as
// UTF-8 (Python str) and is station text (code page 1251) inside; file names come as
// std::filesystem::path, the system's own names, so a folder may be named in any language.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "gti/io/whole_file.h"
#include "gti/las/export.h"
#include "gti/las/import.h"
#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/file_replacement.h"
#include "gti/platform/os.h"
#include "gti/storage/data_file.h"
#include "gti/storage/file_storage.h"
#include "gti/time/unix_time.h"

namespace py = pybind11;
namespace fs = std::filesystem;
using namespace lib::literals;

namespace {

// Station time values and seconds of local time since 1970-01-01 (gti/time/unix_time.h), with
// one calendar look-up a day instead of one a record: within a day the two differ by a constant.
class epoch_days {
public:
    // The local epoch seconds of a time value.
    std::int64_t to_epoch(std::uint32_t t) {
        const std::uint32_t day = t / 86400;
        if (day != station_day_) {
            station_day_ = day;
            station_offset_ = lib::to_local_epoch_seconds(day * 86400) - std::int64_t{day} * 86400;
        }
        return t + station_offset_;
    }
    // The time value of local epoch seconds; throws std::out_of_range outside the time values.
    std::uint32_t to_station(std::int64_t seconds) {
        const std::int64_t day = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
        if (day != local_day_) {
            local_offset_ = std::int64_t{lib::from_local_epoch_seconds(day * 86400)} - day * 86400;
            local_day_ = day;
        }
        const std::int64_t t = seconds + local_offset_;
        if (t < 0 || t > 0xFFFFFFFF) throw std::out_of_range("a time after the station's last time value");
        return static_cast<std::uint32_t>(t);
    }

private:
    std::uint32_t station_day_ = 0xFFFFFFFF;
    std::int64_t station_offset_ = 0;
    std::int64_t local_day_ = std::numeric_limits<std::int64_t>::min();
    std::int64_t local_offset_ = 0;
};

// The UTF-8 text of station text.
std::string utf8(std::string_view s) {
    return lib::cp1251::to_utf8(s);
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

// Raises `type` with "NAME: message" (the message as it is when it names the file first) and the
// file name as its `filename`.
[[noreturn]] void raise_for(const py::object& type, const fs::path& path, const std::string& message) {
    const std::string name = path.string();
    const std::string text = message.rfind(name + ":", 0) == 0 ? message : name + ": " + message;
    const py::object shown = py::reinterpret_steal<py::object>(
        PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "replace"));
    py::object error = type(shown);
    error.attr("filename") = py::reinterpret_steal<py::object>(PyUnicode_DecodeFSDefault(name.c_str()));
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

// Runs a library call without the interpreter lock; its exceptions become `type` (FormatError
// unless said otherwise) with the library's message and the file's name.
template <class F>
void guarded(const fs::path& path, F&& f, const py::object* type = nullptr) {
    std::string message;
    {
        py::gil_scoped_release unlocked;
        try {
            f();
            return;
        } catch (const std::exception& e) {
            message = utf8(e.what());
        }
    }
    raise_for(type ? *type : format_error, path, message);
}

// True for a LAS file by its extension.
bool is_las(const fs::path& path) {
    return lib::cp1251::to_lower(path.extension().string()) == ".las";
}

// Frees loaded stores on a thread of its own, one at a time, so that a read returns as soon as its
// arrays are full: a million records take a quarter of the load's time to free.
class store_reaper {
public:
    // Frees the store after the one handed before.
    void hand(std::unique_ptr<FileStorage> store) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable()) thread_.join();
        try {
            thread_ = std::thread([doomed = std::move(store)]() mutable { doomed.reset(); });
        } catch (const std::system_error&) {
            // No thread: the store went here, with the function the thread did not take.
        }
    }
    // Waits until every store handed is freed (before the interpreter exits or forks).
    void drain() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable()) thread_.join();
    }

private:
    std::mutex mutex_;
    std::thread thread_;
};

// Never destroyed: a thread object must not go with the statics while it may still run.
store_reaper& reaper = *new store_reaper;

// Loads a data file of any kind into the store; the notes of a file read in part go to `notes`.
void load(FileStorage& store, const fs::path& path, std::vector<std::string>& notes) {
    if (!is_las(path)) {
        store.add_file(lib::os::file_path(path), false);
        std::vector<AnsiString> warnings;
        store.get_warnings(warnings);
        for (const AnsiString& w : warnings)
            notes.push_back(utf8(w.view()));
        return;
    }
    const lib::io::whole_file bytes = lib::io::read_whole_file(lib::os::file_path(path));
    lib::las::file doc;
    doc.load_text(std::string_view(bytes.data.get(), bytes.size));
    const lib::las::import_result result = lib::las::import_storage(doc, store);
    for (const lib::las::diagnostic& d : doc.diagnostics.items())
        notes.push_back(
            utf8((d.line > 0 ? "строка "_cp + std::to_string(d.line) + ": " : std::string()) + d.text.str()));
    if (doc.diagnostics.total() > doc.diagnostics.items().size())
        notes.push_back(
            utf8("ещё замечаний: "_cp + std::to_string(doc.diagnostics.total() - doc.diagnostics.items().size())));
    if (result.skipped > 0)
        notes.push_back(utf8("строк без времени станции пропущено: "_cp + std::to_string(result.skipped)));
}

// Reads a data file of any kind the library knows (registration files, the old generation,
// compressed data files, LAS).
py::dict read_file(const fs::path& path) {
    auto loaded = std::make_unique<FileStorage>();
    FileStorage& store = *loaded;
    std::vector<std::string> notes;
    guarded(path, [&] { load(store, path, notes); });

    const py::ssize_t n = store.get_record_count();
    const py::ssize_t p = store.get_param_count();
    py::array times(py::dtype("datetime64[s]"), std::vector<py::ssize_t>{n});
    py::array_t<float> depths(n);
    py::array_t<float> values({n, p});
    {
        auto* t = static_cast<std::int64_t*>(times.mutable_data());
        float* d = depths.mutable_data();
        float* v = values.mutable_data();
        py::gil_scoped_release unlocked;
        const auto columns = static_cast<std::size_t>(p);
        epoch_days days;
        for (py::ssize_t i = 0; i < n; ++i) {
            const FileStorageItem& r = *store.get_record(static_cast<int>(i));
            t[i] = days.to_epoch(r.time);
            d[i] = r.depth;
            float* row = v + static_cast<std::size_t>(i) * columns;
            const std::size_t have = std::min(r.values.size(), columns);
            std::memcpy(row, r.values.data(), have * sizeof(float));
            std::fill(row + have, row + columns, missing_value);
        }
    }

    py::list params;
    for (int i = 0; i < p; ++i) {
        const FileStorageParam& q = *store.get_param(i);
        params.append(py::make_tuple(utf8(q.global_name.view()), utf8(q.name.view()), utf8(q.unit.view()),
                                     utf8(q.short_name.view()), q.scale_min, q.scale_max));
    }
    py::dict run;
    const TStringList& lines = store.get_text_values().get_list();
    for (int i = 0; i < lines.Count(); ++i) {
        const AnsiString& line = lines[i];
        const auto eq = line.find('=');
        if (eq == AnsiString::npos) continue;
        run[py::str(utf8(line.substr(0, eq).view()))] =
            py::str(utf8(FileStorageTextValues::check_inverted_commas(line.substr(eq + 1)).view()));
    }

    {
        py::gil_scoped_release unlocked;
        reaper.hand(std::move(loaded));
    }
    py::dict out;
    out["params"] = params;
    out["times"] = times;
    out["depths"] = depths;
    out["values"] = values;
    out["run"] = run;
    out["warnings"] = py::cast(notes);
    return out;
}

// The columns of a log as numpy arrays, checked to agree.
struct columns {
    py::list params;
    py::array_t<std::int64_t, py::array::c_style> times;  // seconds of local time since 1970-01-01
    py::array_t<float, py::array::c_style> depths;
    py::array_t<float, py::array::c_style> values;  // records x parameters
    py::dict run;
};

// Fills an empty store with the parameters and run of a log and returns the records' time values;
// the records follow in add_records.
std::vector<std::uint32_t> add_header(FileStorage& store, const columns& log) {
    const py::ssize_t n = log.times.size();
    const auto p = static_cast<py::ssize_t>(log.params.size());
    if (log.depths.size() != n || log.values.ndim() != 2 || log.values.shape(0) != n || log.values.shape(1) != p)
        throw py::value_error(
            "times, depths and the rows of values must agree, and values needs a column per parameter");
    if (p > FileStorage::max_params)
        throw py::value_error("a data file holds at most " + std::to_string(FileStorage::max_params) + " parameters");
    for (const py::handle h : log.params) {
        const auto t = h.cast<py::tuple>();
        const FileStorageParam param(
            station(t[1].cast<std::string>(), "parameter name"), station(t[3].cast<std::string>(), "short name"),
            station(t[2].cast<std::string>(), "unit"), station(t[0].cast<std::string>(), "parameter key"),
            t[4].cast<float>(), t[5].cast<float>());
        if (store.add_parametr(param) != store.get_param_count() - 1)
            throw py::value_error("parameter key '" + t[0].cast<std::string>() + "' appears twice");
    }
    TStringList& lines = store.get_text_values().get_list();
    for (const auto& [key, value] : log.run)
        lines.Add(station(py::str(key).cast<std::string>(), "run field") + "=" +
                  station(py::str(value).cast<std::string>(), "run value"));
    store.get_text_values().ri_from_data();

    std::vector<std::uint32_t> times(static_cast<std::size_t>(n));
    epoch_days days;
    const std::int64_t* seconds = log.times.data();
    try {
        for (py::ssize_t i = 0; i < n; ++i)
            times[static_cast<std::size_t>(i)] = days.to_station(seconds[i]);
    } catch (const std::out_of_range&) {
        throw py::value_error("times must lie between 1969-12-31 00:00:00 and 2106-02-05 06:28:15");
    }
    return times;
}

// Appends the log's records with their time values to the store; runs without the interpreter lock.
void add_records(FileStorage& store, const columns& log, const std::vector<std::uint32_t>& times) {
    const py::ssize_t n = log.times.size();
    const py::ssize_t p = log.values.shape(1);
    const float* d = log.depths.data();
    const float* v = log.values.data();
    FileStorageItem item;
    for (py::ssize_t i = 0; i < n; ++i) {
        item.time = times[static_cast<std::size_t>(i)];
        item.depth = d[i];
        item.values.assign(v + i * p, v + (i + 1) * p);
        store.add_record(item);
    }
}

// Writes a store to a data file of the kind its extension names.
void write_file(const fs::path& path, const columns& log) {
    FileStorage store;
    const std::vector<std::uint32_t> times = add_header(store, log);
    const lib::os::file_path name(path);
    if (lib::data_file_kind_of(name) == lib::data_file_kind::unknown)
        raise_for(format_error, path,
                  "the extension names no kind of data file: \"" + path.extension().string() + "\"");
    add_records(store, log, times);
    const py::object os_error = py::reinterpret_borrow<py::object>(PyExc_OSError);
    guarded(
        path, [&] { store.save_all(name, false); }, &os_error);
}

// What export_storage takes, from the Python keywords.
lib::las::export_options export_options_of(const std::string& index, double step, const std::string& agg, bool iso,
                                           const std::vector<std::string>& keys, bool valid_only) {
    lib::las::export_options options;
    if (index == "depth")
        options.index = lib::las::export_index::depth;
    else if (index == "time")
        options.index = lib::las::export_index::time;
    else if (index == "records")
        options.index = lib::las::export_index::records;
    else
        throw py::value_error("index takes 'depth', 'time' or 'records'");
    if (agg == "mean")
        options.agg = lib::las::aggregation::mean;
    else if (agg == "last")
        options.agg = lib::las::aggregation::last;
    else if (agg == "min")
        options.agg = lib::las::aggregation::min;
    else if (agg == "max")
        options.agg = lib::las::aggregation::max;
    else
        throw py::value_error("agg takes 'mean', 'last', 'min' or 'max'");
    if (iso && options.index != lib::las::export_index::time) throw py::value_error("iso goes with index='time'");
    options.step = step;
    options.iso_time = iso;
    options.valid_only = valid_only;
    for (const std::string& k : keys)
        options.params.push_back(station(k, "parameter key"));
    return options;
}

// Writes a log as a LAS 2.0 file, as gti las does; returns the number of rows.
int las_export(const fs::path& path, const columns& log, const std::string& index, double step, const std::string& agg,
               bool iso, const std::vector<std::string>& keys, bool valid_only, const std::string& encoding) {
    if (encoding != "1251" && encoding != "utf-8") throw py::value_error("encoding takes '1251' or 'utf-8'");
    const lib::las::export_options options = export_options_of(index, step, agg, iso, keys, valid_only);
    FileStorage store;
    const std::vector<std::uint32_t> times = add_header(store, log);
    int rows = 0;
    guarded(path, [&] {
        add_records(store, log, times);
        lib::las::file doc;
        rows = lib::las::export_storage(store, options, doc);
        lib::io::BinaryMemoryOutputStream out;
        doc.save(out);
        std::string text(out.get_buffer() != nullptr ? out.get_buffer() : "", out.get_size());
        if (encoding == "utf-8") text = utf8(text);
        lib::os::file_replacement file{lib::os::file_path(path)};
        if (!lib::os::write_file(file.handle(), text.data(), text.size()) || !file.commit())
            throw std::runtime_error("Невозможно записать в файл!"_cp);
    });
    return rows;
}

}  // namespace

namespace pybind11::detail {

// A log's columns from the tuple (params, times, depths, values, run) that the package passes.
template <>
struct type_caster<columns> {
    PYBIND11_TYPE_CASTER(columns, const_name("LogColumns"));

    bool load(handle src, bool) {
        if (!isinstance<tuple>(src) || len(src) != 5) return false;
        const auto t = reinterpret_borrow<tuple>(src);
        value.params = t[0].cast<list>();
        value.times = t[1].cast<decltype(value.times)>();
        value.depths = t[2].cast<decltype(value.depths)>();
        value.values = t[3].cast<decltype(value.values)>();
        value.run = t[4].cast<dict>();
        return true;
    }
};

}  // namespace pybind11::detail

PYBIND11_MODULE(_core, m) {
    m.doc() = "The station's data files read and written by the gtikit C++ library";
    format_error = py::exception<std::runtime_error>(m, "FormatError", PyExc_ValueError);
    // No store is freed while the interpreter exits or forks.
    const py::cpp_function drain([] {
        py::gil_scoped_release unlocked;
        reaper.drain();
    });
    py::module_::import("atexit").attr("register")(drain);
    py::module_::import("os").attr("register_at_fork")(py::arg("before") = drain);
    m.def("read", &read_file, py::arg("path"),
          "Reads a data file: a dict of params (key, name, unit, short name, scale min, scale max), times "
          "(datetime64[s]), depths, values (records x parameters, float32), run and warnings.");
    m.def("write", &write_file, py::arg("path"), py::arg("log"),
          "Writes a data file of the kind its extension names; log is (params, times, depths, values, run).");
    m.def("las_export", &las_export, py::arg("path"), py::arg("log"), py::arg("index"), py::arg("step"), py::arg("agg"),
          py::arg("iso"), py::arg("params"), py::arg("valid_only"), py::arg("encoding"),
          "Writes a log as a LAS 2.0 file; returns the number of rows.");
}
