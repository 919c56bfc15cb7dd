"""The pytest plugin of kestrelon: a generator emulator for a bench's own tests.

The fixture generator_emulator starts sgsim for the test and yields its port
("COM7"), which kestrelon.open() and `sgctl --port` take:

    def test_pattern(generator_emulator):
        with kestrelon.open(generator_emulator) as gen:
            gen.set(pattern="SMPTE")

The marker generator_state gives the emulator's state at start and the other
arguments of kestrelon.emulator():

    @pytest.mark.generator_state(output="sdi", timing="1920x1080i(50)")
    def test_sdi(generator_emulator): ...
"""

import pytest

import kestrelon


def pytest_configure(config):
    config.addinivalue_line(
        "markers",
        "generator_state(com=7, args=(), **state): how the generator_emulator fixture "
        "starts the emulator (kestrelon.emulator's arguments)",
    )


@pytest.fixture
def generator_emulator(request):
    """The port ("COM7") of a generator emulator started for this test.

    Started as kestrelon.emulator() starts it, with the arguments of the
    test's generator_state marker; stopped after the test.
    """
    marker = request.node.get_closest_marker("generator_state")
    arguments = dict(marker.kwargs) if marker else {}
    with kestrelon.emulator(**arguments) as port:
        yield port
