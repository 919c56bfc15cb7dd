"""The exceptions of kestrelon: one for each way a call can fail.

Each has the meaning of one of sgctl's exit statuses (its exit_code) and the
message sgctl prints, without sgctl's "sgctl: " prefix.
"""


class Error(Exception):
    """A call did not go as asked; the base of the exceptions below.

    exit_code is sgctl's exit status of the same meaning (1 for a failure
    no other class names, such as an emulator that does not start).
    """

    exit_code = 1


class Refused(Error):
    """Refused before anything was sent (sgctl's exit status 2).

    An unknown setting key, a value that is no code or name, a choice the
    console refuses (the 4K and DVI colour rules, what the selected output
    does not offer), a timing the user timing record cannot hold, or an
    argument out of range.
    """

    exit_code = 2


class NoAnswer(Error):
    """No reply in time (sgctl's exit status 3): a silent port, no generator."""

    exit_code = 3


class Mismatch(Error):
    """The generator answered differently than asked (sgctl's exit status 4).

    It reports another value than the one set, or holds another user timing
    than the one stored.
    """

    exit_code = 4


class PortError(Error):
    """The port failed (sgctl's exit status 5).

    It is missing, busy, not ours to use, unreachable, refused the line
    settings, went away, or was closed.
    """

    exit_code = 5


# They are kestrelon's, wherever they are defined.
for _class in (Error, Refused, NoAnswer, Mismatch, PortError):
    _class.__module__ = "kestrelon"
