#include "gti/ui/density_dialog.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "gti/platform/cp_literal.h"

using namespace lib;
using namespace lib::literals;
using namespace lib::ui;

namespace {

// Runs background tasks when asked, in place, and queues the calls for the dialog's thread.
struct fake_runner : task_runner {
    void run_in_background(std::function<void()> task) override { tasks.push_back(std::move(task)); }
    void call_on_dialog_thread(std::function<void()> call) override { calls.push_back(std::move(call)); }
    // Runs the queued tasks, then the calls they queued.
    void run() {
        while (!tasks.empty()) {
            auto task = std::move(tasks.front());
            tasks.pop_front();
            try {
                task();
            } catch (const std::exception& e) {
                errors.push_back(e.what());
            }
        }
        while (!calls.empty()) {
            auto call = std::move(calls.front());
            calls.pop_front();
            call();
        }
    }
    std::deque<std::function<void()>> tasks, calls;
    std::vector<std::string> errors;
};

// A dialog on memory controls for a density meter with the curve (100, 1.0), (200, 2.0).
struct fixture {
    fixture() {
        p.name = "Плотность на входе"_cp;
        p.short_name = "Пл.вх"_cp;
        p.unit = "г/см3"_cp;
        p.global_name = "плотн_пж_вх_радиоакт"_cp;
        p.adc_channel = 4;
        p.averaging = 3;
        p.calibration = {{100, 1.0}, {200, 2.0}};
        p.ext_info.set("half_life", "30");
        host.get_adc_value = [this](int channel) {
            channels.push_back(channel);
            return counts.empty() ? 0 : counts[readings++ % counts.size()];
        };
        c = density_controls{&form, &name,     &short_name, &adc,  &averaging, &half_life, &density, &count,
                             &mean, &progress, &start,      &grid, &chart,     &messages,  &timer};
        start.caption = "Перекалибровать"_cp;
        clock.sleep = [this](unsigned ms) {
            sleeps.push_back(ms);
            if (on_sleep) on_sleep();
        };
        clock.now = [] { return TDateTime(45000.5); };
    }

    Param p;
    HostData host;
    std::vector<int> counts{150, 160, 170};
    std::size_t readings = 0;
    std::vector<int> channels;
    std::vector<unsigned> sleeps;
    std::function<void()> on_sleep;
    memory_form form;
    memory_edit name, short_name, adc, averaging, half_life, density, count, mean, progress;
    memory_button start;
    memory_grid grid;
    memory_chart chart;
    memory_message_box messages;
    memory_timer timer;
    density_controls c;
    fake_runner runner;
    recalibration_clock clock;
};

TEST(DensityDialog, RecalibrationShiftsTheCurveToTheEnteredDensity) {
    fixture f;
    density_dialog dialog(f.p, f.host, f.c, f.runner, f.clock);
    dialog.open();
    EXPECT_EQ(f.form.caption, " Настройка параметра \"Плотность на входе\""_cp);
    EXPECT_EQ(f.half_life.text, "30");
    f.density.text = "1,5";
    dialog.start_button();
    EXPECT_TRUE(dialog.running());
    EXPECT_FALSE(dialog.can_close());
    EXPECT_EQ(f.start.caption, "Отменить"_cp);
    f.runner.run();
    EXPECT_EQ(f.sleeps, (std::vector<unsigned>{1000, 1000, 1000, 1500}));
    EXPECT_EQ(f.channels, (std::vector<int>{4, 4, 4, 4}));  // the live reading of open() first
    // The mean count 160 of readings 2..4 (160, 170, 150) against 150 expected at 1.5.
    EXPECT_EQ(f.p.calibration, (std::vector<UnitCalibrPoint>{{110, 1.0}, {210, 2.0}}));
    EXPECT_EQ(f.p.ext_info.get("last_calibr_time"), "45000.5");
    EXPECT_EQ(f.progress.text, "Идёт перекалибровка... 100%"_cp);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, "Перекалибровка завершена!"_cp);
    EXPECT_EQ(f.messages.shown[0].caption, " ВНИМАНИЕ!"_cp);
    EXPECT_EQ(f.start.caption, "Перекалибровать"_cp);
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(f.grid.Cell(0, 1), "110");
    EXPECT_EQ(f.chart.points.front(), (std::pair<double, double>{110, 1.0}));
}

TEST(DensityDialog, RecalibrationOnTheStationsWorkerAndDeferredCalls) {
    fixture f;
    f.clock.sleep = [](unsigned) {};
    AsynchOpers worker;
    MessCaller caller;
    MessLoop loop;
    loop.add(caller);
    station_task_runner runner(worker, caller);
    density_dialog dialog(f.p, f.host, f.c, runner, f.clock);
    dialog.open();
    f.density.text = "1.5";
    dialog.start_button();
    for (int i = 0; i < 600 && dialog.running(); ++i)
        loop.run_once(100);
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(f.p.calibration, (std::vector<UnitCalibrPoint>{{110, 1.0}, {210, 2.0}}));
    EXPECT_EQ(f.start.caption, "Перекалибровать"_cp);
}

TEST(DensityDialog, CancelledMeasurementChangesNothing) {
    fixture f;
    density_dialog dialog(f.p, f.host, f.c, f.runner, f.clock);
    dialog.open();
    f.density.text = "1.5";
    dialog.start_button();
    f.on_sleep = [&] {
        if (f.sleeps.size() == 1) dialog.start_button();  // the operator cancels after one reading
    };
    f.runner.run();
    EXPECT_EQ(f.sleeps, std::vector<unsigned>{1000});
    EXPECT_EQ(f.p.calibration, (std::vector<UnitCalibrPoint>{{100, 1.0}, {200, 2.0}}));
    EXPECT_EQ(f.p.ext_info.get("last_calibr_time"), "");
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_EQ(f.start.caption, "Перекалибровать"_cp);
    EXPECT_TRUE(dialog.can_close());
}

TEST(DensityDialog, BadEntriesAndAMissingHostFunction) {
    struct {
        const char* density;
        const char* half_life;
        const char* message;
    } const rows[] = {
        {"abc", "30", "Вы не ввели корректное значение плотности!"_cp},
        {"0.000001", "30", "Вы не ввели корректное значение плотности!"_cp},
        {"inf", "30", "Вы не ввели корректное значение плотности!"_cp},
        {"1.5", "", "Перед переклибровкой задайте значение периода полураспада радиоактивного источника!"_cp},
    };
    for (const auto& row : rows) {
        fixture f;
        density_dialog dialog(f.p, f.host, f.c, f.runner, f.clock);
        dialog.open();
        f.density.text = row.density;
        f.half_life.text = row.half_life;
        dialog.start_button();
        EXPECT_FALSE(dialog.running()) << row.density;
        EXPECT_TRUE(f.runner.tasks.empty()) << row.density;
        ASSERT_EQ(f.messages.shown.size(), 1u) << row.density;
        EXPECT_EQ(f.messages.shown[0].text, row.message);
    }
    fixture f;
    f.host.get_adc_value = nullptr;
    density_dialog dialog(f.p, f.host, f.c, f.runner, f.clock);
    dialog.open();
    f.density.text = "1.5";
    dialog.start_button();
    f.runner.run();
    EXPECT_EQ(f.runner.errors.size(), 1u);
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(f.start.caption, "Перекалибровать"_cp);
    EXPECT_EQ(f.p.calibration[0].voltage, 100);
}

TEST(DensityDialog, LiveWindowPointsAndFields) {
    fixture f;
    f.p.averaging = 2;
    f.counts = {10, 20, 40};
    density_dialog dialog(f.p, f.host, f.c, f.runner, f.clock);
    dialog.open();
    EXPECT_TRUE(f.timer.enabled);
    f.timer.tick();
    f.timer.tick();
    EXPECT_EQ(f.count.text, "40");
    EXPECT_EQ(f.mean.text, "30.0");

    dialog.edit_point(0, "300", "3");
    EXPECT_EQ(f.p.calibration, (std::vector<UnitCalibrPoint>{{200, 2.0}, {300, 3.0}}));
    EXPECT_EQ(f.grid.Row(), 2);
    dialog.add_point();
    EXPECT_EQ(f.p.calibration.front(), UnitCalibrPoint(0, 0));
    EXPECT_EQ(f.grid.Row(), 1);
    f.messages.answer = answer_no;
    dialog.delete_point(0);
    EXPECT_EQ(f.p.calibration.size(), 3u);
    EXPECT_EQ(f.messages.shown.back().text, "Вы хотите удалить точку калибровки?"_cp);
    f.messages.answer = answer_yes;
    dialog.delete_point(0);
    EXPECT_EQ(f.p.calibration.size(), 2u);
    dialog.show_graph();
    EXPECT_EQ(f.chart.title, "Калибровочная кривая для параметра \"Плотность на входе\""_cp);
    EXPECT_EQ(f.chart.value_axis, "Значение параметра, г/см3"_cp);

    f.adc.text = "x";
    f.averaging.text = "";
    f.half_life.text = "2,5";
    f.name.text = "Новая"_cp;
    dialog.take_fields();
    EXPECT_EQ(f.p.adc_channel, 19);
    EXPECT_EQ(f.p.averaging, 120);
    EXPECT_EQ(f.p.ext_info.get("half_life"), "2.5");
    EXPECT_EQ(f.p.name, "Новая"_cp);
}

TEST(DensityDialog, ParamOptionsEditsACopyThatOkKeeps) {
    fixture f;
    const auto previous = set_param_options_dialog([&](Param& working, const HostData& host) {
        return run_density_dialog(working, host, f.c, f.runner, f.clock);
    });
    f.form.on_show_modal = [&] {
        f.name.text = "Изменена"_cp;
        return mrCancel;
    };
    EXPECT_TRUE(f.p.param_options(f.host));
    EXPECT_EQ(f.p.name, "Плотность на входе"_cp);
    f.form.on_show_modal = [&] {
        f.name.text = "Изменена"_cp;
        return mrOk;
    };
    EXPECT_TRUE(f.p.param_options(f.host));
    EXPECT_EQ(f.p.name, "Изменена"_cp);

    Param other;
    other.global_name = "вес_на_крюке"_cp;
    EXPECT_FALSE(other.param_options(f.host));
    set_param_options_dialog(previous);
}

}  // namespace
