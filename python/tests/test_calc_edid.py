"""calc() and decode_edid() give what sgctl and edidinfo print; store_user_timing() takes them."""

import json

import pytest

import kestrelon


@pytest.mark.parametrize("args, kwargs, command", [
    (("cvt-rb2", 2560, 1440, 60), {}, ["cvt-rb2", "2560x1440@60"]),
    (("cvt", 1920, 1080, 50), {"interlaced": True}, ["cvt", "1920x1080@50", "--interlaced"]),
    (("cta", 39), {}, ["cta", "39"]),
    (("dmt",), {"id": 0x52}, ["dmt", "0x52"]),
])
def test_calc_is_sgctl_timing_calc(args, kwargs, command, sgctl):
    code, out, _ = sgctl("timing", "calc", *command, "--json")
    assert code == 0 and kestrelon.calc(*args, **kwargs) == json.loads(out)


@pytest.mark.parametrize("args, kwargs, message", [
    (("cvt", 0, 1080, 60), {}, "the width must be 1..65535"),
    (("cta", 1920, 1080, 60), {}, "cta takes a VIC"),
    (("cvt", 1920, 1080, 60), {"hblank": 88}, "hblank is no option of cvt"),
    (("warp", 1, 1, 1), {}, "unknown formula warp"),
])
def test_calc_refuses_what_sgctl_refuses(args, kwargs, message):
    with pytest.raises(kestrelon.Refused, match=message):
        kestrelon.calc(*args, **kwargs)


def test_decode_edid_is_edidinfo_json_and_its_timings_store(generator_emulator, edidinfo_json):
    with kestrelon.open(generator_emulator) as gen:
        image = gen.read_edid(saved=1)
        info = kestrelon.decode_edid(image)
        printed = edidinfo_json(image)
        assert printed.pop("file").endswith("edid.bin") and info == printed
        # A detailed timing of the EDID has the calculator's keys.
        stored = gen.store_user_timing(1, info["edid"]["detailed_timings"][0])
        assert (stored["h_active"], stored["v_active"], stored["clock_mhz"]) == (1920, 1200, 154.0)


@pytest.mark.parametrize("timing, message", [
    (kestrelon.calc("cvt", 3840, 2160, 60), "above the 300 MHz"),
    # 1080i at 50 Hz with 1250 lines: fields of equal length, which the record cannot hold.
    (kestrelon.calc("cta", 39), "the same number of lines"),
    (dict(kestrelon.calc("cvt", 1280, 720, 60), h_blank=100), "h_blank 100 is not the sum"),
    ({"pixel_clock_mhz": 74.25}, "the timing has no h_active"),
])
def test_a_timing_the_record_cannot_hold_is_refused_unsent(timing, message, generator_emulator):
    with kestrelon.open(generator_emulator) as gen:
        before = gen.user_timing(1)
        with pytest.raises(kestrelon.Refused, match=message):
            gen.store_user_timing(1, timing)
        assert gen.user_timing(1) == before


def test_help_documents_every_name():
    import pydoc

    text = pydoc.render_doc(kestrelon, renderer=pydoc.plaintext)
    assert "VERSION\n    " + kestrelon.__version__ in text
    for name in kestrelon.__all__[:-1]:
        assert name in text
        value = getattr(kestrelon, name)
        if callable(value):
            assert value.__doc__ and len(value.__doc__) > 40, name
    for name, member in vars(kestrelon.Generator).items():
        if not name.startswith("_"):
            assert member.__doc__, name
