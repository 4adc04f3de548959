"""Simulation run and time series: rounding of instants, interval copies,
demand scaling and the device attribute code."""

import math

import numpy as np
import pytest

import _pyorvsim as m

F32 = np.float32


def hundredths(k):
    """What the binding returns for k hundredths: k times 0.01 in float32."""
    return F32(k) * F32(0.01)


@pytest.mark.parametrize("t,k", [(12.345, 1235), (2.675, 268), (-0.125, -13), (1.005, 101),
                                 (0.125, 13), (-2.675, -268), (0.0, 0), (0.015, 2)])
def test_instants_round_to_hundredths(engine, t, k):
    engine.program("GetDateMinMax", ret=9, tmin=t, tmax=-t)
    engine.program("GetWQTSInfo", ret=4, tmax=t)
    tmin, tmax, nbval = m.tsinterv()
    assert (tmin, tmax, nbval) == (hundredths(k), hundredths(-k), 9)
    assert hundredths(1235) == 12.349999427795410  # not the float32 nearest to 12.35
    assert m.wqtsinfo(3) == (4, hundredths(k)) and engine.last("GetWQTSInfo") == {"typelt": 3}


@pytest.mark.parametrize("t", [1e6, 1e8, -3e9, math.inf, -math.inf])
def test_rounding_beyond_whole_floats_scales_back(engine, t):
    # Products of 2**23 or more are whole already; beyond the 32-bit range they
    # must not wrap through an integer conversion.
    engine.program("GetDateMinMax", tmin=t)
    assert m.tsinterv()[0] == F32(F32(t) * F32(100)) * F32(0.01)


def test_rounding_keeps_nan(engine):
    engine.program("GetDateMinMax", tmin=math.nan)
    assert math.isnan(m.tsinterv()[0])


SERIES = {
    "ts": (lambda **kw: m.ts(2, "N1", "P", 3, **kw), "TSValbyId"),
    "ms": (lambda **kw: m.ms(2, "N1", "P", 3, **kw), "TSMesbyId"),
    "device_ts": (lambda **kw: m.device_ts("V1", 3, **kw), "TSDevice"),
}


@pytest.mark.parametrize("name", SERIES)
@pytest.mark.parametrize("given,passed", [(None, 0.0), (0.0, 0.0), (-5.0, 0.0), (-0.0, 0.0),
                                          (math.nan, 0.0), (0.25, 0.25), (0.1, float(F32(0.1)))])
def test_interval_copy(engine, name, given, passed):
    call, entry = SERIES[name]
    call(**({} if given is None else {"fixed_interval": given}))
    sent = engine.last(entry)["interval"]
    assert sent == passed and math.copysign(1.0, sent) == 1.0


def test_ts_and_ms_pass_their_arguments(engine):
    engine.program("TSValbyId", ret=2, vec_tim=[1.5, 2.5], vec_val=[0.1, 0.2])
    tim, val, n = m.ts(7, "N12", "PRES", 3)
    assert engine.last("TSValbyId") == {"typelt": 7, "sid": b"N12", "sattr": b"PRES", "nbval": 3,
                                        "interval": 0.0, "lsid": 3, "lsattr": 4}
    assert tim.dtype == val.dtype == np.float32 and n == 2
    assert tim.tolist() == [1.5, 2.5, 0.0] and val.tolist() == [F32(0.1), F32(0.2), 0.0]
    engine.program("NbMesbyId", ret=11)
    assert m.mslen(1, "M", "Q") == 11


@pytest.mark.parametrize("call", [lambda: m.ts(1, "A", "P", 0), lambda: m.ms(1, "A", "P", 0),
                                  lambda: m.demand_ts("C", 0), lambda: m.device_ts("V", 0)])
def test_zero_length_series_still_asks_the_engine(engine, call):
    result = call()
    assert result[0].shape == result[1].shape == (0,) and engine.count() == 1


@pytest.mark.parametrize("call", [lambda: m.ts(1, "A", "P", -1), lambda: m.demandcz_ts("C", "Z", -2),
                                  lambda: m.device_ts("V", -3)])
def test_negative_length_is_refused_before_the_engine(engine, call):
    with pytest.raises(ValueError, match=r"must have defined dimensions"):
        call()
    assert engine.count() == 0


@pytest.mark.parametrize("call,entry,inputs", [
    (lambda: m.demand_ts("RES", 10), "TSDemand", {"scode": b"RES", "lscode": 3}),
    (lambda: m.demandcz_ts("RES", "Z1", 10), "TSDemandCZ",
     {"scode": b"RES", "szone": b"Z1", "lscode": 3, "lszone": 2}),
])
def test_demand_values_scaled_over_the_whole_request(engine, call, entry, inputs):
    delivered = [100.0, 250.0, 3.0, -40.0, 0.5, 7.0]
    engine.program(entry, ret=6, mode=2, vec_tim=[1, 2, 3, 4, 5, 6, 7, 8, 9, 10.5],
                   vec_val=delivered + [0, 0, 0, 900.0])
    tim, val, n, mode = call()
    assert engine.last(entry) == dict(inputs, nbval=10)
    assert (n, mode) == (6, 2) and tim[-1] == 10.5
    expected = [F32(v) * F32(0.01) for v in delivered + [0, 0, 0, 900.0]]
    assert val.tolist() == expected


def test_demand_lengths_are_written_by_the_engine(engine):
    engine.program("NBTSDemand", ret=-1, nbval=24)
    engine.program("NBTSDemandCZ", ret=-1, nbval=12)
    assert m.demand_tslen("RES") == 24 and m.demandcz_tslen("RES", "ZONE") == 12
    assert engine.last("NBTSDemandCZ") == {"scode": b"RES", "szone": b"ZONE", "lscode": 3, "lszone": 4}


@pytest.mark.parametrize("kw,code", [({}, b"    "), ({"sattr": ""}, b"    "), ({"sattr": "Q"}, b"Q   "),
                                     ({"sattr": "OPEN"}, b"OPEN"), ({"sattr": "STATUS"}, b"STAT")])
def test_device_code_is_four_characters(engine, kw, code):
    engine.program("TSDevice", ret=1, mode=5)
    assert m.device_ts("PMP1", 2, **kw)[2:] == (1, 5)
    assert engine.last("TSDevice") == {"sid": b"PMP1", "code": code, "nbval": 2, "interval": 0.0,
                                       "lsid": 4, "lcode": 4}


@pytest.mark.parametrize("kw,sattr", [({}, b""), ({"sattr": "STATUS"}, b"STATUS")])
def test_device_length_passes_the_attribute_second(engine, kw, sattr):
    engine.program("NBTSDevice", nbval=48)
    assert m.device_tslen("PMP1", **kw) == 48
    assert engine.last("NBTSDevice") == {"sid": b"PMP1", "sattr": sattr, "lsid": 4, "lsattr": len(sattr)}


@pytest.mark.parametrize("call,message", [
    (lambda: m.ts(1, "A", "P", 2, "x"), "_pyorvsim.ts() 1st keyword (fixed_interval) can't be converted to float"),
    (lambda: m.device_ts("V", 2, fixed_interval="x"),
     "_pyorvsim.device_ts() 1st keyword (fixed_interval) can't be converted to float"),
    (lambda: m.device_ts("V", 2, sattr="\u00e9"),
     "string_from_pyobj failed in converting 2nd keyword `sattr' of _pyorvsim.device_ts to C string"),
    (lambda: m.device_tslen("V", "\u00e9"),
     "string_from_pyobj failed in converting 1st keyword `sattr' of _pyorvsim.device_tslen to C string"),
])
def test_optional_arguments_are_named_as_keywords(engine, call, message):
    with pytest.raises(Exception) as info:
        call()
    assert str(info.value) == message and engine.count() == 0
