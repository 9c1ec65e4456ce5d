#include "gti/ui/density_dialog.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <numeric>
#include <stdexcept>
#include <string>

#include "gti/numeric/interpolation.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/system.h"
#include "gti/util/number_text.h"
#include "gti/util/text.h"

namespace lib::ui {
namespace {

const char* const attention = " ВНИМАНИЕ!"_cp;

// A number in the platform's general form (up to 15 significant digits).
AnsiString general_text(double v) {
    StringContainer s;
    s.add(v);
    return s.get_string(0);
}

AnsiString quoted(const AnsiString& s) {
    return "\"" + s + "\"";
}

}  // namespace

recalibration_clock recalibration_clock::system() {
    return {[](unsigned ms) { lib::sleep_ms(ms); }, [] { return lib::now(); }};
}

struct density_dialog::state {
    state(Param& p, const HostData& host, const density_controls& c, task_runner& runner, recalibration_clock clock)
        : p(p), host(host), c(c), runner(runner), clock(std::move(clock)) {}

    Param& p;
    HostData host;
    density_controls c;
    task_runner& runner;
    recalibration_clock clock;
    std::deque<int> window;
    std::atomic<bool> running{false};
    bool alive = true;  // touched on the dialog's thread only
    AnsiString start_label;

    // Fills the grid of points and selects point `select` (none for -1); redraws the chart.
    void show_points(int select) {
        if (c.points) {
            c.points->SetColCount(2);
            c.points->SetRowCount(std::max<int>(2, static_cast<int>(p.calibration.size()) + 1));
            c.points->SetCell(0, 0, "Число импульсов"_cp);
            c.points->SetCell(1, 0, "Плотность"_cp);
            for (int i = 0; i < static_cast<int>(p.calibration.size()); ++i) {
                const UnitCalibrPoint& pt = p.calibration[static_cast<std::size_t>(i)];
                c.points->SetCell(0, i + 1, float_to_str(pt.voltage));
                c.points->SetCell(1, i + 1, float_to_str(pt.value));
            }
            if (p.calibration.empty()) c.points->SetCell(0, 1, ""), c.points->SetCell(1, 1, "");
            if (select >= 0) c.points->SetRow(select + 1);
        }
        show_graph();
    }

    // Sorts the curve by count and returns the new place of point `index`.
    int sort_keeping(int index) {
        std::vector<int> order(p.calibration.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return p.calibration[static_cast<std::size_t>(a)] < p.calibration[static_cast<std::size_t>(b)];
        });
        std::vector<UnitCalibrPoint> sorted;
        int place = -1;
        for (std::size_t k = 0; k < order.size(); ++k) {
            sorted.push_back(p.calibration[static_cast<std::size_t>(order[k])]);
            if (order[k] == index) place = static_cast<int>(k);
        }
        p.calibration = std::move(sorted);
        return place;
    }

    void show_graph() {
        if (!c.chart) return;
        c.chart->SetTitle("Калибровочная кривая для параметра "_cp + quoted(p.name));
        c.chart->SetAxisTitles("Значение параметра, "_cp + p.unit, "Число импульсов"_cp);
        std::vector<std::pair<double, double>> points;
        for (const UnitCalibrPoint& pt : p.calibration)
            points.emplace_back(pt.voltage, pt.value);
        c.chart->SetPoints(points);
    }

    void message(const char* text, message_kind kind) {
        if (c.messages) c.messages->Show(text, attention, kind);
    }

    void show_progress(int i, int n) {
        if (c.progress)
            c.progress->SetText("Идёт перекалибровка... "_cp + AnsiString(std::to_string(i * 100 / n)) + "%");
    }

    // Shifts the curve so that it gives `density` at the mean count `m`.
    void apply(double m, double density) {
        Interpolation table;
        table.set_size(static_cast<int>(p.calibration.size()));
        for (std::size_t k = 0; k < p.calibration.size(); ++k)
            table.set_point(static_cast<int>(k), p.calibration[k].value, p.calibration[k].voltage);
        const double expected = table.get_line_value(density);
        const double shift = m - expected;
        if (!std::isfinite(shift)) {
            message("Перекалибровка невозможна: калибровочная кривая не задана!"_cp, mb_warning);
            return;
        }
        for (UnitCalibrPoint& pt : p.calibration)
            pt.voltage += shift;
        p.ext_info.set("last_calibr_time", general_text(clock.now()));
        show_points(-1);
        message("Перекалибровка завершена!"_cp, mb_information);
    }
};

density_dialog::density_dialog(Param& working, const HostData& host, const density_controls& controls,
                               task_runner& runner, recalibration_clock clock)
    : s_(std::make_shared<state>(working, host, controls, runner, std::move(clock))) {}

density_dialog::~density_dialog() {
    s_->running = false;
    s_->alive = false;
    if (s_->c.timer) {
        s_->c.timer->SetEnabled(false);
        s_->c.timer->SetOnTimer({});
    }
}

void density_dialog::open() {
    const density_controls& c = s_->c;
    const Param& p = s_->p;
    if (c.form) c.form->SetCaption(" Настройка параметра "_cp + quoted(p.name));
    if (c.name) c.name->SetText(p.name);
    if (c.short_name) c.short_name->SetText(p.short_name);
    if (c.adc_channel) c.adc_channel->SetText(AnsiString(std::to_string(p.adc_channel)));
    if (c.averaging) c.averaging->SetText(AnsiString(std::to_string(p.averaging)));
    if (c.half_life) c.half_life->SetText(p.ext_info.get("half_life"));
    s_->show_points(-1);
    on_timer();
    if (c.timer) {
        c.timer->SetInterval(1000);
        c.timer->SetOnTimer([this] { on_timer(); });
        c.timer->SetEnabled(true);
    }
}

void density_dialog::on_timer() {
    state& s = *s_;
    if (!s.host.get_adc_value) return;
    int v;
    try {
        v = s.host.get_adc_value(s.p.adc_channel);
    } catch (const std::exception&) {
        // A converter that cannot be read now leaves the last values shown.
        return;
    }
    if (s.c.count) s.c.count->SetText(AnsiString(std::to_string(v)));
    s.window.push_back(v);
    while (static_cast<int>(s.window.size()) > std::max(1, s.p.averaging))
        s.window.pop_front();
    const double mean = std::accumulate(s.window.begin(), s.window.end(), 0.0) / static_cast<double>(s.window.size());
    if (s.c.mean) s.c.mean->SetText(float_to_str(mean, 1, -1));
}

void density_dialog::take_fields() {
    const density_controls& c = s_->c;
    Param& p = s_->p;
    int v;
    if (c.adc_channel) p.adc_channel = str_to_int(c.adc_channel->Text(), v) ? v : 19;
    if (c.averaging) p.averaging = std::max(1, str_to_int(c.averaging->Text(), v) ? v : 120);
    if (c.name) p.name = c.name->Text();
    if (c.short_name) p.short_name = c.short_name->Text();
    if (c.half_life) {
        const double half_life = str_to_float(c.half_life->Text());
        p.ext_info.set("half_life", general_text(std::isfinite(half_life) ? half_life : 0));
    }
}

bool density_dialog::can_close() const {
    return !s_->running;
}

void density_dialog::edit_point(int index, const AnsiString& count, const AnsiString& density) {
    auto& curve = s_->p.calibration;
    if (index < 0 || index >= static_cast<int>(curve.size())) return;
    const double n = str_to_float(count), d = str_to_float(density);
    curve[static_cast<std::size_t>(index)] = UnitCalibrPoint(std::isfinite(n) ? n : 0, std::isfinite(d) ? d : 0);
    s_->show_points(s_->sort_keeping(index));
}

void density_dialog::add_point() {
    s_->p.calibration.emplace_back(0.0, 0.0);
    s_->show_points(s_->sort_keeping(static_cast<int>(s_->p.calibration.size()) - 1));
}

void density_dialog::delete_point(int index) {
    auto& curve = s_->p.calibration;
    if (index < 0 || index >= static_cast<int>(curve.size()) || !s_->c.messages) return;
    if (s_->c.messages->Show("Вы хотите удалить точку калибровки?"_cp, attention, mb_yes_no) != answer_yes) return;
    curve.erase(curve.begin() + index);
    s_->show_points(std::min(index, static_cast<int>(curve.size()) - 1));
}

void density_dialog::show_graph() {
    s_->show_graph();
}

bool density_dialog::running() const {
    return s_->running;
}

void density_dialog::start_button() {
    state& s = *s_;
    if (s.running) {
        s.running = false;
        return;
    }
    const double density = s.c.density ? str_to_float(s.c.density->Text()) : 0;
    if (!std::isfinite(density) || is_over_null(density)) {
        s.message("Вы не ввели корректное значение плотности!"_cp, mb_warning);
        return;
    }
    const double half_life = s.c.half_life ? str_to_float(s.c.half_life->Text()) : 0;
    if (!std::isfinite(half_life) || is_over_null(half_life)) {
        s.message("Перед переклибровкой задайте значение периода полураспада радиоактивного источника!"_cp, mb_warning);
        return;
    }
    s.running = true;
    if (s.c.start) {
        s.start_label = s.c.start->Caption();
        s.c.start->SetCaption("Отменить"_cp);
    }
    const int n = std::max(1, s.p.averaging);
    const int channel = s.p.adc_channel;
    const auto read = s.host.get_adc_value;
    std::shared_ptr<state> st = s_;
    s.runner.run_in_background([st, read, channel, n, density] {
        // The end, however the measurement ends: the button's label back and the dialog redrawn.
        struct finish {
            std::shared_ptr<state> st;
            ~finish() {
                try {
                    st->runner.call_on_dialog_thread([st = st] {
                        st->running = false;
                        if (!st->alive) return;
                        if (st->c.start) st->c.start->SetCaption(st->start_label);
                        st->show_points(-1);
                    });
                } catch (...) {
                    st->running = false;
                }
            }
        } end{st};
        const auto progress = [&](int i) {
            st->runner.call_on_dialog_thread([st, i, n] {
                if (st->alive) st->show_progress(i, n);
            });
        };
        progress(0);
        double sum = 0;
        int readings = 0;
        for (int i = 1; i <= n && st->running; ++i) {
            if (!read) throw std::runtime_error("the host reads no converter counts");
            sum += read(channel);
            ++readings;
            st->clock.sleep(1000);
            progress(i);
        }
        if (!st->running) return;
        st->clock.sleep(1500);
        if (!st->running || readings == 0) return;
        const double mean = sum / readings;
        st->runner.call_on_dialog_thread([st, mean, density] {
            if (st->alive && st->running) st->apply(mean, density);
        });
    });
}

bool run_density_dialog(Param& working, const HostData& host, const density_controls& controls, task_runner& runner,
                        recalibration_clock clock) {
    density_dialog dialog(working, host, controls, runner, std::move(clock));
    dialog.open();
    if (!controls.form) return false;
    while (controls.form->ShowModal() == mrOk) {
        if (!dialog.can_close()) continue;
        dialog.take_fields();
        return true;
    }
    return false;
}

}  // namespace lib::ui
