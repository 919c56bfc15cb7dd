"""kestrelon against the emulator: the same results, confirmations and failures as sgctl."""

import json
import os
import threading
import time

import pytest

import kestrelon


@pytest.mark.generator_state(pattern="SMPTE", hdcp=True)
def test_a_bench_session_reads_sets_and_stores_as_sgctl_does(generator_emulator, sgctl):
    # The fixture comes from the package's pytest plugin, found by its entry point.
    assert generator_emulator == "COM7"
    with kestrelon.open(generator_emulator) as gen:
        st = gen.status()
    assert (st["pattern"], st["hdcp"], st["names"]["pattern"]) == (34, 1, "SMPTE")
    # The port is one program's at a time: sgctl's turn once the generator is closed.
    code, out, _ = sgctl("--port", generator_emulator, "status", "--json")
    assert code == 0 and st == json.loads(out)

    with kestrelon.open(generator_emulator) as gen:
        done = gen.set(pattern="100%ColorBar", timing="1920x1080p(50)")
        assert list(done) == ["timing", "pattern"]  # applied in SETTING_ORDER
        assert done["timing"] == {"code": 27, "name": "1920x1080p(50)"}
        gen.output("sdi")
        gen.signal(False)
        st = gen.status()
        assert (st["timing"], st["pattern"], st["output"], st["signal"]) == (27, 0, "sdi", "off")
        assert st["port"] == gen.port and st["hdmi_dvi"] == "hdmi"

        stored = gen.store_user_timing(4, kestrelon.calc("cvt-rb2", 2560, 1440, 60))
        assert (stored["slot"], stored["h_active"], stored["v_active"]) == (4, 2560, 1440)
        assert stored["clock_mhz"] == 234.59
        # The slots are numbered 1..10 in the list too: the fourth entry is slot 4.
        assert gen.user_timing(4) == stored == gen.status()["user_timings"][3]


def test_settings_apply_in_one_order_whatever_the_keywords_order(generator_emulator):
    with kestrelon.open(generator_emulator) as gen:
        # The SDI-only pattern and the SDI channel list need the output first.
        gen.set(channel=5, pattern="Pathological Test (SDI only)", output="sdi")
        st = gen.status()
        assert (st["output"], st["channel"], st["names"]["channel"]) == ("sdi", 5, "CH5,6,7,8")
        assert st["names"]["pattern"] == "Pathological Test (SDI only)"
        # One bad value refuses the whole call before anything is sent.
        with pytest.raises(kestrelon.Refused):
            gen.set(timing="1920x1080p(50)", pattern="no such pattern")
        assert gen.status()["timing"] == 20


# Each failure as sgctl reports it: the exception of its exit status, with its message.
FAILURES = [
    pytest.param({}, lambda g: g.set(pattern="Plaid"), ["set", "pattern", "Plaid"],
                 kestrelon.Refused, id="refused value"),
    pytest.param({}, lambda g: g.set(color_space="YUV4:4:4"), ["set", "color_space", "YUV4:4:4"],
                 kestrelon.Refused, id="refused by the rules"),
    pytest.param({"args": ("--ignore", "62")}, lambda g: g.set(pattern="SMPTE"),
                 ["set", "pattern", "SMPTE"], kestrelon.Mismatch, id="mismatch"),
    pytest.param({"args": ("--silent",)}, lambda g: g.status(), ["status"], kestrelon.NoAnswer,
                 id="no answer"),
    pytest.param({"hotplug": False}, lambda g: g.read_edid(), ["edid", "read"],
                 kestrelon.NoAnswer, id="no display"),
]


@pytest.mark.parametrize("state, call, command, error", FAILURES)
def test_failures_raise_with_sgctls_meaning_and_message(state, call, command, error, sgctl):
    with kestrelon.emulator(com=7, timing="3840x2160p(60)", **state) as port:
        with kestrelon.open(port) as gen:
            with pytest.raises(error) as raised:
                call(gen)
        code, _, err = sgctl("--port", port, *command)
    assert isinstance(raised.value, kestrelon.Error) and raised.value.exit_code == code
    assert err == "sgctl: " + str(raised.value) + "\n"


def test_port_errors_and_a_closed_generator(generator_emulator):
    with pytest.raises(kestrelon.PortError, match="^COM9: no such port"):
        kestrelon.open("COM9")
    gen = kestrelon.open(7)
    assert (gen.port, repr(gen)) == ("COM7", "<kestrelon.Generator on COM7>")
    gen.close()
    with pytest.raises(kestrelon.PortError, match="no port is open"):
        gen.status()


def test_emulators_share_a_private_port_map_and_leave_none_behind():
    before = os.environ.get("XDG_CONFIG_HOME")
    with kestrelon.emulator(com=3, output="sdi") as first:
        ports = os.path.join(os.environ["XDG_CONFIG_HOME"], "kestrelon", "ports")
        with kestrelon.emulator(com=8) as second:
            assert sorted(os.listdir(ports)) == ["COM3", "COM8", "manual"]
            with kestrelon.open(second) as gen:
                gen.probe()
            # The search sees only the private map: the first emulator, on COM3.
            with kestrelon.open() as gen:
                assert gen.port == first and gen.status()["output"] == "sdi"
    assert os.environ.get("XDG_CONFIG_HOME") == before and not os.path.exists(ports)


@pytest.mark.parametrize("state, message", [
    ({"pattern": "Plaid"}, "pattern Plaid: neither a code nor a name"),
    ({"hdmi_dvi": "DVI", "color_depth": "12bit"}, "color_depth 12bit: refused by the generator"),
])
def test_an_emulator_state_the_device_refuses_does_not_start(state, message):
    with pytest.raises(kestrelon.Refused, match=message):
        with kestrelon.emulator(**state):
            pass


@pytest.mark.generator_state(args=("--delay", "600"))
def test_a_call_waiting_on_the_line_lets_other_threads_run(generator_emulator):
    with kestrelon.open(generator_emulator, timeout=2) as gen:
        prober = threading.Thread(target=gen.probe)
        last, longest = time.monotonic(), 0.0
        prober.start()
        while prober.is_alive():
            now = time.monotonic()
            last, longest = now, max(longest, now - last)
        prober.join()
    # Holding the interpreter lock through the 600 ms wait would have stopped this loop as long.
    assert longest < 0.3


def test_threads_sharing_a_generator_take_turns_on_the_line(generator_emulator):
    failures = []

    def setter(gen, pattern):
        try:
            for _ in range(25):
                gen.set(pattern=pattern)
        except kestrelon.Error as e:
            failures.append(e)

    with kestrelon.open(generator_emulator) as gen:
        threads = [threading.Thread(target=setter, args=(gen, p)) for p in ("SMPTE", "RGB Ramp")]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    assert failures == []


def test_a_plan_runs_as_sgctl_plan_run_reports_it(generator_emulator, sgctl, tmp_path):
    plan = tmp_path / "plan.json"
    plan.write_text(json.dumps({"name": "smoke", "steps": [
        {"name": "bars", "pattern": "100%ColorBar", "timing": "1920x1080p(50)"},
        {"each": {"pattern": ["SMPTE", "RGB Ramp"]}, "prompt": "Stable?"},
    ]}))
    with kestrelon.open(generator_emulator) as gen:
        report = gen.run_plan(plan)
        assert gen.status()["names"]["pattern"] == "RGB Ramp"
    code, _, _ = sgctl("--port", generator_emulator, "plan", "run", plan,
                       "--report", tmp_path / "sgctl.json")
    printed = json.loads((tmp_path / "sgctl.json").read_text())
    assert code == 0 and report["result"] == "pass" and report["counts"] == printed["counts"]
    timeless = [{k: v for k, v in s.items() if k not in ("start", "duration_ms")}
                for s in (*report["steps"], *printed["steps"])]
    assert timeless[:3] == timeless[3:] and timeless[0]["reported"]["timing"]["code"] == 27
    assert timeless[1]["verdict"] == "not asked"

    plan.write_text(json.dumps({"steps": [{"pattern": "Plaid"}]}))
    code, _, err = sgctl("plan", "check", plan)
    with kestrelon.open(generator_emulator) as gen, pytest.raises(kestrelon.Refused) as refused:
        gen.run_plan(plan)
    assert code == refused.value.exit_code and err.startswith("sgctl: " + str(refused.value))
