"""sgsim, the generator emulator, started for a test on a port map of its own."""

import contextlib
import os
import selectors
import shutil
import signal
import subprocess
import tempfile
import time

from kestrelon import _core
from kestrelon._errors import Error, Refused

# The port map that running emulators share, and how many use it: each block sets
# XDG_CONFIG_HOME to it for its duration, so that a second emulator inside the first's
# block keeps the first one's COM number reachable.
_shared = {"dir": None, "users": 0, "saved": None}


def _find_sgsim(given):
    """The sgsim to run: given, $KESTRELON_SGSIM, one beside the package, or on PATH."""
    for candidate in (
        given,
        os.environ.get("KESTRELON_SGSIM"),
        os.path.join(os.path.dirname(os.path.abspath(__file__)), "sgsim"),
    ):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    found = shutil.which("sgsim")
    if found:
        return found
    raise FileNotFoundError(
        "sgsim was not found: install the kestrelon package, put sgsim on PATH, "
        "or name it in KESTRELON_SGSIM"
    )


def _enter_port_map():
    if _shared["users"] == 0:
        root = tempfile.mkdtemp(prefix="kestrelon-emulator-")
        ports = os.path.join(root, "kestrelon", "ports")
        os.makedirs(ports)
        # Only the map's own entries count: a test never reaches the machine's serial ports.
        with open(os.path.join(ports, "manual"), "w", encoding="ascii"):
            pass
        _shared["dir"] = root
        _shared["saved"] = os.environ.get("XDG_CONFIG_HOME")
        os.environ["XDG_CONFIG_HOME"] = root
    _shared["users"] += 1
    return os.path.join(_shared["dir"], "kestrelon", "ports")


def _leave_port_map():
    _shared["users"] -= 1
    if _shared["users"] == 0:
        if _shared["saved"] is None:
            os.environ.pop("XDG_CONFIG_HOME", None)
        else:
            os.environ["XDG_CONFIG_HOME"] = _shared["saved"]
        shutil.rmtree(_shared["dir"], ignore_errors=True)
        _shared["dir"] = None


def _first_line(process, timeout):
    """sgsim's first line on standard output ("sgsim: COM7 -> /dev/pts/3"), or "" when it
    ends or says nothing in time."""
    line = b""
    deadline = time.monotonic() + timeout
    with selectors.DefaultSelector() as selector:
        selector.register(process.stdout, selectors.EVENT_READ)
        while not line.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not selector.select(left):
                break
            byte = os.read(process.stdout.fileno(), 1)
            if not byte:
                break
            line += byte
    return line.decode("utf-8", "replace").strip()


def _stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


@contextlib.contextmanager
def emulator(com=7, *, args=(), sgsim=None, start_timeout=10.0, **state):
    """Starts sgsim, the generator emulator, and yields its port ("COM7").

    com: the COM number it registers, 1..99.
    state: the emulator's state at start, with the keys and values of
      Generator.set() (timing, pattern, output, hdcp, ...), applied in the
      same order; hotplug=False starts it without a display attached.
    args: more sgsim options, such as ("--silent",) or ("--delay", "300");
      `man sgsim` lists them.
    sgsim: the program to run; else $KESTRELON_SGSIM, an sgsim beside the
      package, or the one on PATH.
    start_timeout: seconds to wait for it to register its port.

    The emulator gets a port map of its own, in a temporary directory with
    only its entries (the machine's serial ports are never touched), and
    XDG_CONFIG_HOME names that directory until the block ends: open(port),
    open(None) and an sgctl run from the block find the emulator there.
    Emulators started inside the block share the map. At the end of the
    block the emulator is stopped and the map removed.

    Raises Refused when sgsim refuses the state (a value that is no code or
    name, or one the device refuses after the settings before it), Error
    when it does not start.

        with kestrelon.emulator(com=7, timing="1920x1080p(50)") as port:
            with kestrelon.open(port) as gen:
                assert gen.status()["timing"] == 27
    """
    if not isinstance(com, int) or isinstance(com, bool) or not 1 <= com <= 99:
        raise Refused(f"com takes a COM number 1..99, not {com!r}")
    program = _find_sgsim(sgsim)
    options = []
    for key, value in state.items():
        if key == "hotplug":
            options += [] if value else ["--no-hotplug"]
        else:
            options += ["--set", f"{key}={_core._setting_text(key, value)}"]
    options += ["--pid", str(os.getpid()), *[str(a) for a in args]]

    ports = _enter_port_map()
    try:
        command = [program, "--com", str(com), "--ports-dir", ports, *options]
        with tempfile.TemporaryFile() as errors:
            process = subprocess.Popen(
                command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=errors
            )
            try:
                line = _first_line(process, start_timeout)
                process.stdout.close()
                if not line.startswith(f"sgsim: COM{com} -> "):
                    _stop(process)
                    errors.seek(0)
                    said = errors.read().decode("utf-8", "replace").split("\nusage:")[0]
                    said = said.strip().removeprefix("sgsim: ") or line or "no port in time"
                    error = Refused if process.returncode == 2 else Error
                    raise error(f"sgsim did not start: {said}")
                yield f"COM{com}"
            finally:
                _stop(process)
    finally:
        _leave_port_map()


emulator.__module__ = "kestrelon"
