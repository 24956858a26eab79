"""python -m mirav as a user runs it: output, JSON, exit codes."""

import json
import os
import subprocess
import sys

import pytest

PACKAGE_ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def run(*arguments):
    environment = dict(os.environ)
    environment["PYTHONPATH"] = os.pathsep.join([PACKAGE_ROOT, environment.get("PYTHONPATH", "")])
    return subprocess.run([sys.executable, "-m", "mirav"] + list(arguments), capture_output=True,
                          text=True, timeout=60, env=environment)


def test_info_describe_and_stream(sim):
    info = run("info", "127.0.0.1")
    assert info.returncode == 0, info.stderr
    assert "application   Mirav Substitute Server 1.0.0.0" in info.stdout
    assert "rigid bodies 3, skeletons 1, force plates 2, analog devices 1" in info.stdout

    described = run("describe", "127.0.0.1", "--json")
    assert described.returncode == 0, described.stderr
    scene = json.loads(described.stdout)
    assert [b["name"] for b in scene["rigidBodies"]] == ["RigidBody1", "RigidBody2", "RigidBody3"]
    assert [p["kind"] for p in scene["forcePlates"]] == [3, 4, 0]

    streamed = run("stream", "127.0.0.1", "--frames", "5", "--json")
    assert streamed.returncode == 0, streamed.stderr
    frames = [json.loads(line) for line in streamed.stdout.splitlines()]
    assert len(frames) == 5
    numbers = [f["frame"] for f in frames]
    assert numbers == list(range(numbers[0], numbers[0] + 5))
    assert frames[0]["rigidBodies"][0]["name"] == "RigidBody1"
    assert len(frames[0]["forcePlates"]) == 2 and len(frames[0]["analog"]) == 4
    assert "received 5 frames" in streamed.stderr

    only = run("stream", "127.0.0.1", "--frames", "2", "--json", "--rigid-body", "RigidBody2")
    assert [b["name"] for b in json.loads(only.stdout.splitlines()[0])["rigidBodies"]] == [
        "RigidBody2"
    ]


@pytest.mark.parametrize(
    "arguments, code, text",
    [
        (["info", "300.1.2.3"], 1, "mirav info: Initialize failed with result 4 (NotDescribed)"),
        (["stream"], 2, "usage"),
        (["nonsense", "127.0.0.1"], 2, "invalid choice"),
    ],
)
def test_failures_exit_codes(arguments, code, text):
    result = run(*arguments)
    assert result.returncode == code and text in result.stderr


def test_stream_without_frames_and_unknown_body(start_sim):
    start_sim("--rate", "0", "--duration", "60")
    result = run("stream", "127.0.0.1", "--frames", "3")
    assert result.returncode == 1 and "but no frames arrived" in result.stderr
    result = run("stream", "127.0.0.1", "--rigid-body", "Nope")
    assert result.returncode == 1 and "describes no rigid body 'Nope'" in result.stderr


EXAMPLES = os.path.join(PACKAGE_ROOT, "..", "examples", "python")


@pytest.mark.parametrize(
    "example, text",
    [("stream_frames.py", "RigidBody1 at"), ("polling.py", "Walker: Hips 0.95"),
     ("async_frames.py", "vertical forces")],
)
def test_examples_run(sim, example, text):
    environment = dict(os.environ, PYTHONPATH=PACKAGE_ROOT)
    result = subprocess.run([sys.executable, os.path.join(EXAMPLES, example), "127.0.0.1", "1"],
                            capture_output=True, text=True, timeout=60, env=environment)
    assert result.returncode == 0, result.stderr
    assert text in result.stdout
