"""The Python package over the library: files round-trip through numpy and pandas."""

import os
import pathlib

import numpy as np
import pytest

import gtikit

KINDS = [".realtim", ".tim"]


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


def test_pandas_both_ways(tmp_path):
    pd = pytest.importorskip("pandas")
    df = small_log().to_pandas()
    assert isinstance(df.index, pd.DatetimeIndex) and list(df.columns) == ["depth", "вес_на_крюке", "давление"]
    log = gtikit.Log.from_pandas(df, units={"давление": "атм"}, run={"скважина": "Южная-7"})
    gtikit.write(tmp_path / "12.realtim", log)
    back = gtikit.read(tmp_path / "12.realtim").to_pandas()
    pd.testing.assert_frame_equal(back, df, check_freq=False)


def test_errors_name_the_file(tmp_path):
    with pytest.raises(FileNotFoundError):
        gtikit.read(tmp_path / "missing.realtim")
    text = tmp_path / "notes.xyz"
    text.write_bytes(b"some notes")
    with pytest.raises(gtikit.FormatError, match="notes.xyz"):
        gtikit.read(text)
    with pytest.raises(gtikit.FormatError, match="unknown.xyz"):
        gtikit.write(tmp_path / "unknown.xyz", small_log())


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
