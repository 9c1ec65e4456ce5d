// The options dialog of the radioactive density meters: the parameter's fields and calibration
// curve, its live count, and the recalibration that shifts the curve to one known density.
//
// Recalibration, started with a known density entered:
//   1. a density or half-life that counts as zero (lib::is_over_null) is refused with a message;
//   2. the button becomes "Отменить" (pressing it again cancels) and the measurement runs in
//      the background: `averaging` readings of the live count, one a second, the progress shown
//      as "Идёт перекалибровка... P%";
//   3. 1.5 s later the mean count m is taken; the count c the curve expects at the entered
//      density (linear interpolation, density → count) gives the shift m − c, added to the
//      count of every point; "last_calibr_time" becomes the present moment;
//   4. the button gets its label back, cancelled, failed or not.
// The background part only reads the host's count function and the running flag; every change
// of the dialog or of the working copy is handed to the dialog's thread, and a cancelled run
// changes nothing. Waiting and the clock are injected, so a test runs the sequence at once.
#pragma once

#include <functional>
#include <memory>

#include "gti/comm/mess_caller.h"
#include "gti/params/param.h"
#include "gti/platform/date_time.h"
#include "gti/ui/controls.h"

namespace lib::ui {

// Runs work on a background thread and calls back on the dialog's thread: station_task_runner
// in the station, a runner that does both in place in a test.
class task_runner {
public:
    virtual ~task_runner() = default;
    // Starts the task on a background thread; an exception of the task is the runner's to report.
    virtual void run_in_background(std::function<void()> task) = 0;
    // Queues the call to run on the dialog's thread.
    virtual void call_on_dialog_thread(std::function<void()> call) = 0;
};

// The station's runner: background tasks on an AsynchOpers worker, dialog calls through a
// MessCaller that the dialog's thread dispatches.
class station_task_runner final : public task_runner {
public:
    station_task_runner(AsynchOpers& background, MessCaller& dialog_thread)
        : background_(background), dialog_thread_(dialog_thread) {}
    void run_in_background(std::function<void()> task) override { background_.add_task(std::move(task)); }
    void call_on_dialog_thread(std::function<void()> call) override { dialog_thread_.call(std::move(call)); }

private:
    AsynchOpers& background_;
    MessCaller& dialog_thread_;
};

// Waiting and the present moment of the recalibration.
struct recalibration_clock {
    std::function<void(unsigned ms)> sleep;
    std::function<TDateTime()> now;

    // The real clock: lib::sleep_ms and lib::now.
    static recalibration_clock system();
};

// The dialog's controls; the text fields of live values and progress are edits shown read-only.
struct density_controls {
    TForm* form = nullptr;
    TEdit* name = nullptr;
    TEdit* short_name = nullptr;
    TEdit* adc_channel = nullptr;
    TEdit* averaging = nullptr;
    TEdit* half_life = nullptr;
    TEdit* density = nullptr;  // the known density of a recalibration
    TEdit* count = nullptr;    // the last live count
    TEdit* mean = nullptr;     // the mean of the live window
    TEdit* progress = nullptr;
    TButton* start = nullptr;
    TMyGrid* points = nullptr;  // row 0 headings, then count and density per point
    TChart* chart = nullptr;
    TMessageBox* messages = nullptr;
    TTimer* timer = nullptr;
};

// The logic of the dialog over its controls, editing a working copy of a parameter.
class density_dialog {
public:
    density_dialog(Param& working, const HostData& host, const density_controls& controls, task_runner& runner,
                   recalibration_clock clock = recalibration_clock::system());
    // Cancels a running measurement; calls still queued for the dialog's thread do nothing.
    ~density_dialog();
    density_dialog(const density_dialog&) = delete;
    density_dialog& operator=(const density_dialog&) = delete;

    // Sets the caption and the fields, takes one live reading and starts the timer.
    void open();
    // A timer tick: reads the live count and shows it and the window's mean.
    void on_timer();
    // Takes the fields into the working copy (OK): a channel or averaging that is no integer
    // gives 19 or 120, an averaging below 1 gives 1.
    void take_fields();
    // False while a recalibration runs: the dialog must not close then.
    bool can_close() const;

    // The curve's editing: the selected point's count and density typed (no number reads as 0),
    // a new point (0, 0), and deletion after a Yes to the question. Each keeps the curve sorted
    // by count, redraws it and selects the edited point.
    void edit_point(int index, const AnsiString& count, const AnsiString& density);
    void add_point();
    void delete_point(int index);
    // Shows the curve in the chart with its title and axis labels.
    void show_graph();

    // The start button: starts a recalibration, or cancels the one running.
    void start_button();
    // True while a recalibration runs.
    bool running() const;

private:
    struct state;
    std::shared_ptr<state> s_;
};

// Runs the dialog modally on the working copy: open, the form's ShowModal, and on mrOk (once no
// recalibration runs) take_fields; true on OK. A program installs it for Param::param_options
// with lib::set_param_options_dialog and a lambda that supplies its controls.
bool run_density_dialog(Param& working, const HostData& host, const density_controls& controls, task_runner& runner,
                        recalibration_clock clock = recalibration_clock::system());

}  // namespace lib::ui
