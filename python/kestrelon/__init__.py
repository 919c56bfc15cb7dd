"""The Kestrelon video test-signal generator from Python.

The module speaks to the generator through the same C++ protocol core as the
console and sgctl: one implementation of the protocol, and the same checks,
confirmations and messages.

    import kestrelon

    with kestrelon.open("COM7") as gen:       # or a device path, a socket:// or
        st = gen.status()                     # rfc2217:// URL; None searches
        gen.set(timing="1920x1080p(60)", pattern="SMPTE")
        gen.output("hdmi")
        gen.signal(True)
        info = kestrelon.decode_edid(gen.read_edid())
        gen.store_user_timing(4, kestrelon.calc("cvt-rb2", 2560, 1440, 60))
        report = gen.run_plan("plan.json")    # as `sgctl plan run` runs it

Results are the dicts of the JSON that sgctl and edidinfo print. Failures are
exceptions with the meaning of sgctl's exit statuses: Refused (2), NoAnswer
(3), Mismatch (4) and PortError (5), all of them kestrelon.Error.

Without hardware, emulator() starts sgsim, the generator emulator, on a port
map of its own:

    with kestrelon.emulator(com=7, pattern="SMPTE") as port:
        with kestrelon.open(port) as gen:
            ...

For pytest, the package's plugin gives the fixture generator_emulator, which
yields the port of an emulator started for the test.
"""

from kestrelon._errors import Error, Mismatch, NoAnswer, PortError, Refused
from kestrelon._core import (
    FORMULAS,
    SETTING_ORDER,
    Generator,
    __version__,
    calc,
    decode_edid,
    open,
)
from kestrelon._emulator import emulator

__all__ = [
    "open",
    "Generator",
    "calc",
    "decode_edid",
    "emulator",
    "Error",
    "Refused",
    "NoAnswer",
    "Mismatch",
    "PortError",
    "SETTING_ORDER",
    "FORMULAS",
    "__version__",
]
