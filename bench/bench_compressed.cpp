// Size and speed of the compressed data stream on real drilling data and on the gti demo run.
//
// Data sets: the time logs of the Volve field in $GTI_VOLVE_DIR, else ../shared/data/volve beside the project
// (F9_GenTime.csv.gz, F7_GenTime.csv.gz, F9_GasTime.csv.gz, F9_Pits.csv.gz; each skipped when
// absent), loaded one parameter per column with the time column as the record time; and the
// four-hour run of `gti demo`. Nothing of them is copied anywhere.
//
// Each data set is measured in both encodings. Sizes, in bytes per record:
//   reg          the registration file                       reg_z   the same deflated (zlib 9)
//   stream       the compressed data stream                  stream_z   the same deflated (zlib 9)
//   z_vs_reg_z   stream_z / reg_z
// Speed, with the references timed in the same iteration on the same bytes:
//   Encode   save_for_compressing into memory   vs  compress2 (level 9) of the stream it wrote
//   Decode   load_after_decompressing           vs  uncompress of the deflated stream
// "vs_reference" = reference time / library time; Encode also reports "with_deflate" =
// compress2 time / (encode + compress2 time), the whole road against compress2 alone. MB/s are
// of the records' data (17 + 4 bytes per parameter per record).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "demo.h"
#include "gti/io/streams.h"
#include "gti/storage/file_storage.h"
#include "gti/time/unix_time.h"

namespace {

using bench::clock_type;
using bench::seconds_since;

struct data_set {
    std::string name;
    std::unique_ptr<FileStorage> store;
    double data_bytes = 0;  // the records' data: 17 + 4 bytes per parameter, per record
};

// A Volve time log: a header of mnemonics, then rows of numbers; the first column is UTC seconds
// since 1970, taken as the station's wall-clock time.
std::unique_ptr<FileStorage> load_csv(const std::string& path) {
    const std::string text = bench::read_gz(path);
    if (text.empty()) return nullptr;
    auto store = std::make_unique<FileStorage>();
    const std::uint32_t epoch = lib::time_2_long(1970, 1, 1, 0, 0, 0);
    std::size_t pos = text.find('\n');
    std::string header = text.substr(0, pos);
    std::size_t columns = 0;
    for (std::size_t start = 0, comma; start <= header.size(); start = comma + 1, ++columns) {
        comma = std::min(header.find(',', start), header.size());
        if (columns > 0) {
            const AnsiString key(header.substr(start, comma - start));
            store->add_parametr({key, key, "", key});
        }
    }
    FileStorageItem r;
    for (++pos; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const char* p = text.data() + pos;
        const char* const line_end = text.data() + end;
        double epoch_seconds = 0;
        p = std::from_chars(p, line_end, epoch_seconds).ptr;
        r.time = epoch + static_cast<std::uint32_t>(epoch_seconds);
        r.values.assign(columns - 1, 0.0f);
        for (std::size_t c = 0; c + 1 < columns && p < line_end; ++c) {
            ++p;  // the comma
            p = std::from_chars(p, line_end, r.values[c]).ptr;
        }
        store->add_record(r);
        pos = end + 1;
    }
    return store;
}

std::vector<data_set>& data_sets() {
    static std::vector<data_set> sets = [] {
        std::vector<data_set> s;
        for (const char* name : {"F9_GenTime", "F7_GenTime", "F9_GasTime", "F9_Pits"}) {
            auto store = load_csv(bench::volve_dir() + "/" + name + ".csv.gz");
            if (store)
                s.push_back({name, std::move(store)});
            else
                std::fprintf(stderr, "%s/%s.csv.gz cannot be read: skipped\n", bench::volve_dir().c_str(), name);
        }
        auto demo = std::make_unique<FileStorage>();
        gti_tool::generate_run(*demo, lib::time_2_long(2024, 3, 5, 7, 0, 0), 4 * 3600);
        s.push_back({"gti_demo", std::move(demo)});
        for (data_set& d : s)
            d.data_bytes = static_cast<double>(d.store->get_record_count()) * (17 + 4.0 * d.store->get_param_count());
        return s;
    }();
    return sets;
}

std::string deflate9(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  bytes.size(), 9) != Z_OK)
        std::abort();
    out.resize(size);
    return out;
}

std::string as_string(const lib::io::BinaryMemoryOutputStream& out) {
    return out.get_size() == 0 ? std::string() : std::string(out.get_buffer(), out.get_size());
}

std::string stream_of(FileStorage& store, FileStorage::EncodeType encoding) {
    lib::io::BinaryMemoryOutputStream out;
    store.save_for_compressing(out, encoding, nullptr);
    return as_string(out);
}

void BM_Encode(benchmark::State& state, data_set* set, FileStorage::EncodeType encoding) {
    FileStorage& store = *set->store;
    const double records = store.get_record_count();
    lib::io::BinaryMemoryOutputStream reg;
    store.save_all_to_stream(reg);
    const std::string reg_bytes = as_string(reg);
    const std::size_t reg_z = deflate9(reg_bytes).size();

    std::string stream;
    std::size_t stream_z = 0;
    double ours = 0, reference = 0;
    for (auto _ : state) {
        lib::io::BinaryMemoryOutputStream out;
        auto start = clock_type::now();
        store.save_for_compressing(out, encoding, nullptr);
        const double t = seconds_since(start);
        stream = as_string(out);
        start = clock_type::now();
        stream_z = deflate9(stream).size();
        reference += seconds_since(start);
        ours += t;
        state.SetIterationTime(t);
    }
    // How many columns quantization kept (the others went plain).
    int quantized = 0;
    if (encoding == FileStorage::encode_quantized) {
        std::vector<float> column(static_cast<std::size_t>(store.get_record_count()));
        for (int p = 0; p < store.get_param_count(); ++p) {
            for (std::size_t j = 0; j < column.size(); ++j)
                column[j] = store.get_record(static_cast<int>(j))->values[static_cast<std::size_t>(p)];
            lib::io::BinaryMemoryOutputStream one;
            FileStorage::save_vector(one, column, encoding);
            quantized += one.get_buffer()[0] == 2;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["records"] = records;
    state.counters["params"] = store.get_param_count();
    state.counters["quantized_columns"] = quantized;
    state.counters["reg"] = static_cast<double>(reg_bytes.size()) / records;
    state.counters["reg_z"] = static_cast<double>(reg_z) / records;
    state.counters["stream"] = static_cast<double>(stream.size()) / records;
    state.counters["stream_z"] = static_cast<double>(stream_z) / records;
    state.counters["stream_z_total"] = static_cast<double>(stream_z);
    state.counters["z_vs_reg_z"] = static_cast<double>(stream_z) / static_cast<double>(reg_z);
    state.counters["encode_MBps"] = set->data_bytes * n / ours / 1e6;
    state.counters["compress2_MBps"] = set->data_bytes * n / reference / 1e6;
    state.counters["vs_reference"] = reference / ours;
    state.counters["with_deflate"] = reference / (ours + reference);
}

void BM_Decode(benchmark::State& state, data_set* set, FileStorage::EncodeType encoding) {
    const std::string stream = stream_of(*set->store, encoding);
    const std::string deflated = deflate9(stream);
    std::vector<char> inflated(stream.size());
    double ours = 0, reference = 0;
    for (auto _ : state) {
        lib::io::BinaryMemoryInputStream in(stream.data(), static_cast<unsigned>(stream.size()));
        FileStorage back;
        auto start = clock_type::now();
        back.load_after_decompressing(in);
        const double t = seconds_since(start);
        start = clock_type::now();
        uLongf size = inflated.size();
        if (uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                       reinterpret_cast<const Bytef*>(deflated.data()), deflated.size()) != Z_OK)
            std::abort();
        reference += seconds_since(start);
        ours += t;
        state.SetIterationTime(t);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["decode_MBps"] = set->data_bytes * n / ours / 1e6;
    state.counters["uncompress_MBps"] = set->data_bytes * n / reference / 1e6;
    state.counters["vs_reference"] = reference / ours;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (data_set& set : data_sets()) {
        for (const auto& [label, encoding] :
             {std::pair{"plain", FileStorage::encode_plain}, {"quantized", FileStorage::encode_quantized}}) {
            benchmark::RegisterBenchmark(("BM_Encode/" + set.name + "/" + label).c_str(), BM_Encode, &set, encoding)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
            benchmark::RegisterBenchmark(("BM_Decode/" + set.name + "/" + label).c_str(), BM_Decode, &set, encoding)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
