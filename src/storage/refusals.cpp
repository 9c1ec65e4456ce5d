// What the writers check before they touch a file.
#include "refusals.h"

#include <string_view>

#include "gti/storage/file_storage.h"

namespace lib::storage {
namespace {

// What is wrong with a text that a reader takes up to its zero byte, or line by line; null
// when nothing is.
const char* flaw_of(std::string_view text, bool one_line) noexcept {
    if (text.find('\0') != std::string_view::npos) return "a zero byte";
    if (one_line && text.find_first_of("\r\n") != std::string_view::npos) return "a line break";
    return nullptr;
}

[[noreturn]] void refuse(const AnsiString& file, const std::string& what, const char* flaw) {
    throw FileStorageException(file.str() + ": not written: " + what + " holds " + flaw, true);
}

}  // namespace

void refuse_unstorable_texts(const FileStorage& s, const AnsiString& file) {
    for (int i = 0; i < s.get_param_count(); ++i) {
        const FileStorageParam& p = *s.get_param(i);
        for (const AnsiString* text : {&p.name, &p.short_name, &p.unit, &p.global_name}) {
            if (const char* flaw = flaw_of(text->view(), false))
                refuse(file, "the text of parameter " + std::to_string(i + 1), flaw);
        }
    }
    const TStringList& list = s.get_text_values().get_list();
    for (int i = 0; i < list.Count(); ++i) {
        if (const char* flaw = flaw_of(list[i].view(), true))
            refuse(file, "line " + std::to_string(i + 1) + " of the run information", flaw);
    }
}

void refuse_unstorable_run_fields(const RaceInfoData& run, const AnsiString& file) {
    static constexpr struct {
        const char* name;
        AnsiString RaceInfoData::*field;
    } texts[] = {
        {"stability", &RaceInfoData::stability},
        {"mud_type", &RaceInfoData::mud_type},
        {"viscosity", &RaceInfoData::viscosity},
        {"filtration", &RaceInfoData::filtration},
        {"stickiness", &RaceInfoData::stickiness},
        {"assembly", &RaceInfoData::assembly},
        {"bit_type", &RaceInfoData::bit_type},
        {"customer", &RaceInfoData::customer},
        {"oilfield", &RaceInfoData::oilfield},
        {"foreman", &RaceInfoData::foreman},
        {"motor_size", &RaceInfoData::motor_size},
        {"pump", &RaceInfoData::pump},
        {"operators", &RaceInfoData::operators},
        {"well", &RaceInfoData::well},
        {"bit_number", &RaceInfoData::bit_number},
        {"area", &RaceInfoData::area},
        {"well_category", &RaceInfoData::well_category},
        {"time_file_name", &RaceInfoData::time_file_name},
        {"depth_file_name", &RaceInfoData::depth_file_name},
        {"real_depth_file_name", &RaceInfoData::real_depth_file_name},
        {"bit_wear", &RaceInfoData::bit_wear},
    };
    for (const auto& t : texts) {
        if (const char* flaw = flaw_of((run.*t.field).view(), true))
            refuse(file, std::string("the run field ") + t.name, flaw);
    }
}

std::string key_list(const std::vector<AnsiString>& keys) {
    std::string out;
    for (const AnsiString& k : keys) {
        if (!out.empty()) out += ", ";
        out += k.view();
    }
    return out;
}

}  // namespace lib::storage
