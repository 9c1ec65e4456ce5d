#include "gti/params/listing.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "gti/util/number_text.h"

namespace lib {
namespace {

// Joins the fields with tabs.
AnsiString tab_line(std::initializer_list<AnsiString> fields) {
    AnsiString line;
    for (const AnsiString& f : fields) {
        if (&f != fields.begin()) line += '\t';
        line += f;
    }
    return line;
}

AnsiString number(double v) {
    return float_to_str(v);
}

AnsiString integer(long long v) {
    return std::to_string(v);
}

}  // namespace

void list_params(const ParTabl& table, TStrings& out) {
    for (std::size_t i = 0; i < table.params.size(); ++i) {
        const Param& p = table.params[i];
        AnsiString extra;
        for (const auto& [key, value] : p.ext_info.items()) {
            if (!extra.empty()) extra += "; ";
            extra += key + "=" + value;
        }
        out.Add(tab_line({integer(static_cast<long long>(i)), p.global_name, p.name, p.short_name, p.unit,
                          integer(p.adc_channel), number(p.range), number(p.zero), number(p.scale_min),
                          number(p.scale_max), integer(p.averaging), integer(p.flags),
                          integer(static_cast<long long>(p.calibration.size())), extra}));
    }
}

void list_catalogue(AllParams& catalogue, TStrings& out) {
    std::vector<int> order(static_cast<std::size_t>(catalogue.get_items_count()));
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return catalogue.at(a).group < catalogue.at(b).group; });
    for (int i : order) {
        const DefaultParam& e = catalogue.at(i);
        out.Add(tab_line({AllParams::get_group_name(e.group), integer(i), e.global_name, e.name, e.short_name, e.unit,
                          integer(e.adc_channel), number(e.range), number(e.scale_min), number(e.scale_max),
                          integer(e.averaging), integer(e.flags)}));
    }
}

}  // namespace lib
