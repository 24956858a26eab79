"""Fixtures: mirav-sim started as a process on the protocol's fixed ports of 127.0.0.1.

The suite runs where those ports are free (CTest runs it inside a private network namespace).
MIRAV_SIM names the mirav-sim program, MIRAV_CLI mirav-cli, MIRAV_TEST_DATA the folder of the
recordings; MIRAV_SDK_LIBRARY names the library under test.
"""

import os
import subprocess
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

HERE = os.path.dirname(os.path.abspath(__file__))
REPOSITORY = os.path.normpath(os.path.join(HERE, "..", ".."))


def recording(name):
    folder = os.environ.get("MIRAV_TEST_DATA") or os.path.join(REPOSITORY, "..", "shared", "data")
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        pytest.skip("recording %s not found (set MIRAV_TEST_DATA)" % path)
    return path


class Sim:
    """A running mirav-sim; stopped when the test ends."""

    def __init__(self, program, arguments):
        self.process = subprocess.Popen(
            [program] + list(arguments),
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            text=True,
        )
        line = self.process.stdout.readline()
        if "serving" not in line:
            self.stop()
            error = self.process.stderr.read()
            raise RuntimeError("mirav-sim did not start: %r %s" % (line, error))

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


@pytest.fixture
def start_sim():
    program = os.environ.get("MIRAV_SIM")
    if not program:
        pytest.skip("MIRAV_SIM is not set")
    running = []

    def start(*arguments):
        sim = Sim(program, arguments)
        running.append(sim)
        return sim

    yield start
    for sim in running:
        sim.stop()


@pytest.fixture
def sim(start_sim):
    """The synthetic scene at 200 Hz."""
    return start_sim("--rate", "200", "--duration", "120")
