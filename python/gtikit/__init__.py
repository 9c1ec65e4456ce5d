"""The data files of a mud-logging station, as numpy arrays and pandas frames.

    import gtikit
    log = gtikit.read("12.realtim")        # registration files, the old generation, .creg, LAS
    df = log.to_pandas()                   # a DataFrame indexed by time
    gtikit.write("copy.creg", log)
    gtikit.las_export(log, "12.las", step=0.5)

Files are read and written by the gtikit C++ library; text is str here and code page 1251 in
the files. Times are the station's local wall-clock times (numpy datetime64[s], no time zone).
A value a record does not have is NaN. Paths are str or os.PathLike, in any language the file
system allows. A damaged file raises FormatError (a ValueError) with the library's message and
the file's name (its `filename`); a missing or closed one the OS's own error.
"""

import errno
import os
from dataclasses import dataclass, field

import numpy as np

from . import _core
from ._core import FormatError

__all__ = ["Log", "Param", "FormatError", "read", "write", "las_export"]


@dataclass
class Param:
    """One parameter (channel) of a log."""

    key: str
    name: str = ""
    unit: str = ""
    short_name: str = ""
    range: tuple = (0.0, 100.0)


@dataclass
class Log:
    """A recorded log: one row of values per record, one column per parameter."""

    params: list = field(default_factory=list)
    times: np.ndarray = field(default_factory=lambda: np.empty(0, "datetime64[s]"))
    depths: np.ndarray = field(default_factory=lambda: np.empty(0, np.float32))
    values: np.ndarray = field(default_factory=lambda: np.empty((0, 0), np.float32))
    run: dict = field(default_factory=dict)
    warnings: list = field(default_factory=list)

    def to_pandas(self):
        """A DataFrame indexed by time, a column per parameter key, and the depth."""
        import pandas as pd

        df = pd.DataFrame(self.values, columns=[p.key for p in self.params],
                          index=pd.DatetimeIndex(self.times, name="time"))
        df.insert(0, "depth", self.depths)
        return df

    @classmethod
    def from_pandas(cls, df, units=None, names=None, depth="depth", run=None):
        """A log from a DataFrame indexed by time: every column but `depth` becomes a parameter
        keyed by its column name; `units` and `names` map keys to units and full names."""
        import pandas as pd

        if not isinstance(df.index, pd.DatetimeIndex):
            raise ValueError("the DataFrame must be indexed by time (a DatetimeIndex)")
        units, names = units or {}, names or {}
        keys = [str(c) for c in df.columns if c != depth]
        values = df[keys].to_numpy(dtype=np.float32) if keys else np.empty((len(df), 0), np.float32)
        params = []
        for k in keys:
            column = values[:, len(params)]
            finite = column[np.isfinite(column)]
            scale = (float(finite.min()), float(finite.max())) if finite.size else (0.0, 100.0)
            params.append(Param(k, names.get(k, k), units.get(k, ""), "", scale))
        depths = df[depth].to_numpy(np.float32) if depth in df.columns else np.zeros(len(df), np.float32)
        times = df.index.tz_localize(None) if df.index.tz is not None else df.index
        return cls(params, times.to_numpy().astype("datetime64[s]"), depths, values, dict(run or {}))


def _columns(log):
    params = [(p.key, p.name, p.unit, p.short_name, float(p.range[0]), float(p.range[1])) for p in log.params]
    values = np.ascontiguousarray(log.values, np.float32).reshape(len(log.times), len(params))
    times = np.ascontiguousarray(np.asarray(log.times, "datetime64[s]").view(np.int64))
    return (params, times, np.ascontiguousarray(log.depths, np.float32), values,
            {str(k): str(v) for k, v in log.run.items()})


def _folder_of(path):
    """Raises the OS's own error when the folder of a file to write is missing or closed."""
    folder = os.path.dirname(os.path.abspath(path)) or "."
    if not os.path.isdir(folder):
        raise FileNotFoundError(errno.ENOENT, os.strerror(errno.ENOENT), folder)
    if not os.access(folder, os.W_OK):
        raise PermissionError(errno.EACCES, os.strerror(errno.EACCES), folder)


def read(path):
    """Reads a data file of any kind the library knows: registration files (.realtim, .realdep,
    .reallag), the old generation (.tim, .dep, .ldp), compressed data files (.creg) and LAS."""
    path = os.fspath(path)
    with open(path, "rb"):  # FileNotFoundError, PermissionError, IsADirectoryError as the OS says
        pass
    data = _core.read(path)
    params = [Param(k, n, u, s, (lo, hi)) for k, n, u, s, lo, hi in data["params"]]
    return Log(params, data["times"], data["depths"], data["values"], data["run"], data["warnings"])


def write(path, log):
    """Writes a log to a data file of the kind the path's extension names; a .las file is the
    time log of las_export, which read() gives back."""
    path = os.fspath(path)
    if os.path.splitext(path)[1].lower() == ".las":
        las_export(log, path, index="time")
        return
    _folder_of(path)
    _core.write(path, _columns(log))


def las_export(log, path, step=0.1, index="depth", agg="mean", iso=False, params=None, valid_only=False,
               encoding="1251"):
    """Writes a log as a LAS 2.0 file as the gti tool's las command does; returns the rows written.

    index: "depth" (a row per `step` metres of new hole, each curve the `agg` of the records of
    that step: "mean", "last", "min" or "max"), "time" (a row per record, by time: epoch seconds,
    or ISO 8601 with iso=True) or "records" (a row per record, by depth). params: the keys or
    mnemonics to export (all by default). valid_only: only the records that depth processing
    keeps. encoding: of the header text, "1251" or "utf-8".
    """
    path = os.fspath(path)
    _folder_of(path)
    return _core.las_export(path, _columns(log), index, float(step), agg, bool(iso), list(params or []),
                            bool(valid_only), encoding)
