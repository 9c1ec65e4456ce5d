"""The Python package over the library: files round-trip through numpy and pandas."""

import os
import pathlib

import numpy as np
import pytest

import gtikit

KINDS = [".realtim", ".tim", ".creg", ".las"]


def small_log(n=50):
    times = np.datetime64("2024-03-05T07:00:00", "s") + np.arange(n) * np.timedelta64(15, "s")
    params = [gtikit.Param("вес_на_крюке", "Вес на крюке", "т", "Вес", (0.0, 200.0)),
              gtikit.Param("давление", "Давление на входе", "атм", "Давл", (0.0, 400.0))]
    values = np.column_stack([np.linspace(80, 120, n), np.linspace(150, 160, n)]).astype(np.float32)
    run = {"скважина": "Южная-7", "номер_рейса": "12", "мастер": "Иванов И. И."}
    return gtikit.Log(params, times, np.linspace(1250, 1251, n).astype(np.float32), values, run)


@pytest.mark.parametrize("extension", KINDS)
def test_round_trip_keeps_values_times_keys_and_run(tmp_path, extension):
    log = small_log()
    path = tmp_path / ("12" + extension)
    gtikit.write(path, log)
    back = gtikit.read(path)
    assert [p.key for p in back.params] == ["вес_на_крюке", "давление"]
    assert back.params[0].unit == "т"
    np.testing.assert_array_equal(back.times, log.times)
    np.testing.assert_array_equal(back.values, log.values)
    np.testing.assert_allclose(back.depths, log.depths)
    assert back.run["скважина"] == "Южная-7"
    assert back.values.dtype == np.float32 and back.values.shape == (50, 2)


@pytest.mark.parametrize("extension", [".realtim", ".creg"])
def test_times_across_the_station_calendar(tmp_path, extension):
    log = small_log(3)
    log.times = np.array(["2100-02-28T23:59:59", "2100-03-01T00:00:00", "2106-02-05T06:28:15"], "datetime64[s]")
    gtikit.write(tmp_path / ("12" + extension), log)
    np.testing.assert_array_equal(gtikit.read(tmp_path / ("12" + extension)).times, log.times)
    log.times[2] += np.timedelta64(1, "s")
    with pytest.raises(ValueError, match="2106"):
        gtikit.write(tmp_path / ("13" + extension), log)


def test_pandas_both_ways(tmp_path):
    pd = pytest.importorskip("pandas")
    df = small_log().to_pandas()
    assert isinstance(df.index, pd.DatetimeIndex) and list(df.columns) == ["depth", "вес_на_крюке", "давление"]
    log = gtikit.Log.from_pandas(df, units={"давление": "атм"}, run={"скважина": "Южная-7"})
    gtikit.write(tmp_path / "12.realtim", log)
    back = gtikit.read(tmp_path / "12.realtim").to_pandas()
    pd.testing.assert_frame_equal(back, df, check_freq=False)


def test_las_export_as_the_tool_writes_it(tmp_path):
    log = small_log()
    cases = [  # keywords, rows, a text the file holds
        ({"step": 0.1}, 10, "STEP.M"),
        ({"step": 0.5, "agg": "max"}, 2, "1251.0"),
        ({"index": "time", "iso": True}, 50, "2024-03-05T07:12:15"),
        ({"index": "records", "params": ["давление"]}, 50, "DAVLENIE"),
    ]
    for keywords, rows, text in cases:
        path = tmp_path / "out.las"
        assert gtikit.las_export(log, path, **keywords) == rows, keywords
        assert text in path.read_text("cp1251"), keywords
    gtikit.las_export(log, tmp_path / "utf8.las", encoding="utf-8")
    assert "Вес на крюке (вес_на_крюке)" in (tmp_path / "utf8.las").read_text("utf-8")
    depth_log = gtikit.read(tmp_path / "utf8.las")
    assert [p.key for p in depth_log.params] == ["вес_на_крюке", "давление"]
    np.testing.assert_allclose(depth_log.depths, np.arange(1250.1, 1251.05, 0.1), atol=1e-3)
    for bad in [{"index": "width"}, {"agg": "median"}, {"iso": True}, {"encoding": "koi8-r"}, {"step": 0},
                {"params": ["нет_такого"]}]:
        with pytest.raises(ValueError):
            gtikit.las_export(log, tmp_path / "bad.las", **bad)


def test_las_notes_become_warnings(tmp_path):
    path = tmp_path / "short.las"
    path.write_text("~V\nVERS. 2.0 :\n~C\nDEPT.M :\nGR.GAPI :\n~A\n100 5\n100.5\n")
    log = gtikit.read(path)
    np.testing.assert_array_equal(log.values[:, 0], [5, np.nan])
    assert any("строка 8" in w for w in log.warnings)


def damaged(tmp_path, name):
    """Files the library refuses, made from a good one."""
    good = tmp_path / ("good" + os.path.splitext(name)[1])
    gtikit.write(good, small_log())
    path = tmp_path / name
    data = good.read_bytes()
    path.write_bytes(data[: len(data) // 2] if name.startswith("cut") else b"hello, not a log")
    return path


@pytest.mark.parametrize("name", ["cut.creg", "junk.las", "junk.realtim"])
def test_a_damaged_file_raises_format_error_naming_it(tmp_path, name):
    path = damaged(tmp_path, name)
    with pytest.raises(gtikit.FormatError, match=name) as caught:
        gtikit.read(path)
    assert caught.value.filename == str(path)
    assert str(caught.value).count(name) == 1


def test_a_torn_file_reads_to_its_last_whole_record(tmp_path):
    log = gtikit.read(damaged(tmp_path, "cut.realtim"))
    assert 0 < len(log.times) < 50
    np.testing.assert_array_equal(log.values, small_log().values[: len(log.times)])
    assert len(log.warnings) == 1 and "cut.realtim" in log.warnings[0]


def test_the_os_errors_are_the_os_own(tmp_path):
    cases = [(FileNotFoundError, gtikit.read, tmp_path / "missing.realtim"),
             (IsADirectoryError, gtikit.read, tmp_path),
             (FileNotFoundError, lambda p: gtikit.write(p, small_log()), tmp_path / "no" / "12.realtim"),
             (FileNotFoundError, lambda p: gtikit.las_export(small_log(), p), tmp_path / "no" / "12.las")]
    for error, call, path in cases:
        with pytest.raises(error):
            call(path)
    with pytest.raises(gtikit.FormatError, match="unknown.xyz"):
        gtikit.write(tmp_path / "unknown.xyz", small_log())


@pytest.mark.parametrize("extension", KINDS)
def test_a_folder_in_another_language(tmp_path, extension):
    folder = tmp_path / "Южная-7"
    folder.mkdir()
    gtikit.write(folder / ("12" + extension), small_log())
    assert len(gtikit.read(folder / ("12" + extension)).times) == 50


@pytest.mark.parametrize("extension", [".realtim", ".creg"])
def test_a_station_file_reads_from_a_folder_of_any_name(tmp_path, extension):
    gtikit.write(tmp_path / ("12" + extension), small_log())
    folder = tmp_path / "Sleipner Øst 井"
    folder.mkdir()
    (tmp_path / ("12" + extension)).rename(folder / ("12" + extension))
    assert len(gtikit.read(folder / ("12" + extension)).times) == 50


def test_text_outside_the_code_page_is_refused(tmp_path):
    log = small_log()
    log.run["скважина"] = "井"
    with pytest.raises(ValueError, match="1251"):
        gtikit.write(tmp_path / "12.realtim", log)
    assert not (tmp_path / "12.realtim").exists()


VOLVE = pathlib.Path(os.environ.get("GTI_VOLVE_DIR", "")) / "F9_GasTime.csv.gz"


@pytest.mark.skipif(not VOLVE.is_file(), reason="the Volve logs are not beside the project")
def test_volve_log_through_a_station_file(tmp_path):
    pd = pytest.importorskip("pandas")
    csv = pd.read_csv(VOLVE)
    csv.index = pd.to_datetime(csv.pop("time_epoch_s"), unit="s")
    csv = csv.replace(-9999.0, np.nan)
    log = gtikit.Log.from_pandas(csv, depth="Depth")
    gtikit.write(tmp_path / "gas.realtim", log)
    back = gtikit.read(tmp_path / "gas.realtim")
    assert len(back.times) == len(csv)
    np.testing.assert_array_equal(back.times, csv.index.to_numpy().astype("datetime64[s]"))
    np.testing.assert_array_equal(back.values, csv.drop(columns="Depth").to_numpy(np.float32))
