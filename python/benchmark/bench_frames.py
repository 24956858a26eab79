"""Frames per second delivered as mirav.Frame objects for typical frames, against the rate at which
the library calls a C data callback on the same stream in the same run.

Starts mirav-sim --typical at a rate above what either receiver takes, then runs, one after the
other against the same server: the C callback counter (callback_rate), a Python consumer of
client.frames() and one that also reads every array of every frame. Run it where the protocol's
ports are free, for example in a private network namespace:

    unshare -rn sh -c 'ip link set lo up && MIRAV_SDK_LIBRARY=build/plain/src/libmirav_sdk.so \
        /usr/bin/python3 python/benchmark/bench_frames.py --sim build/plain/tools/sim/mirav-sim \
        --counter build/plain/python/callback_rate'
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import mirav  # noqa: E402


def touch_everything(frame):
    """Reads every field of a frame, so the cost of making its arrays is counted too."""
    _ = frame.timecode, frame.timestamp, frame.latency, frame.unlabeled_markers, frame.analog
    _ = frame.labeled_markers.positions, frame.rigid_body_kinematics, frame.force_plates
    for points in frame.marker_sets.values():
        _ = points
    for body in frame.rigid_bodies:
        _ = body.position, body.markers
    for skeleton in frame.skeletons:
        _ = skeleton.bones.positions


def python_rate(server, seconds, consume):
    """(frames/s, process CPU us per frame, frames dropped by the queue)."""
    with mirav.Client(server, verbosity=0) as client:
        stream = client.frames(timeout=5.0, queue_size=256)
        next(stream)  # frames have started
        time.sleep(0.2)
        for _ in range(len(stream._queue)):
            next(stream)
        dropped = stream.dropped
        count = 0
        start, cpu = time.perf_counter(), time.process_time()
        deadline = start + seconds
        for frame in stream:
            consume(frame)
            count += 1
            if count % 64 == 0 and time.perf_counter() >= deadline:
                break
        elapsed, cpu = time.perf_counter() - start, time.process_time() - cpu
        return count / elapsed, 1e6 * cpu / count, stream.dropped - dropped


def conversion_cost(server, repeats=2000):
    """CPU microseconds of this thread to copy one typical frame record into a mirav.Frame (the
    client disconnected, so nothing else runs), and to read every array of the copy."""
    from mirav.frame import read_frame

    with mirav.Client(server, verbosity=0) as client:
        next(client.frames(timeout=5.0))
        address = client._lib.function("GetLastFrameOfMocapData")(client._handle)
        client.disconnect()  # the store keeps its current frame
        start = time.thread_time()
        for _ in range(repeats):
            read_frame(address, client._names)
        copy = time.thread_time() - start
        frame = read_frame(address, client._names)
        start = time.thread_time()
        for _ in range(repeats // 4):
            frame._cache.clear()
            touch_everything(frame)
        reading = time.thread_time() - start
        return 1e6 * copy / repeats, 4e6 * reading / repeats


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sim", required=True, help="path of mirav-sim")
    parser.add_argument("--counter", required=True, help="path of callback_rate")
    parser.add_argument("--rate", type=float, default=8000, help="frames per second sent")
    parser.add_argument("--seconds", type=float, default=3.0, help="length of each phase")
    options = parser.parse_args()

    sim = subprocess.Popen(
        [options.sim, "--typical", "--rate", str(options.rate)],
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
    )
    try:
        sim.stdout.readline()  # "mirav-sim: serving on ..."
        lines = subprocess.run(
            [options.counter, "127.0.0.1", str(options.seconds)],
            capture_output=True,
            text=True,
            check=True,
        ).stdout.split("\n")
        baseline = {line.split()[0]: float(line.split()[1]) for line in lines if line}
        delivered = python_rate("127.0.0.1", options.seconds, lambda frame: None)
        touched = python_rate("127.0.0.1", options.seconds, touch_everything)
        conversion = conversion_cost("127.0.0.1")
    finally:
        sim.terminate()
        sim.wait(10)
    rate, cpu = baseline["callback_frames_per_s"], baseline["callback_cpu_us_per_frame"]
    print("mirav-sim --typical offers %.0f frames/s; %g s per phase; load average %.1f on %d cores"
          % (options.rate, options.seconds, os.getloadavg()[0], os.cpu_count()))
    print("%-34s %10s %16s %8s" % ("", "frames/s", "CPU us/frame", "dropped"))
    print("%-34s %10.0f %16.1f %8s" % ("C data callback (baseline)", rate, cpu, "-"))
    print("%-34s %10.0f %16.1f %8d" % (("mirav.Frame from frames()",) + delivered))
    print("%-34s %10.0f %16.1f %8d" % (("mirav.Frame, every array read",) + touched))
    print("CPU per typical record, one thread: %.1f us to copy into a mirav.Frame, %.1f us to "
          "read every array of it" % conversion)
    print("Python CPU capacity: %.0f frames/s delivered, %.0f frames/s with every array read"
          % (1e6 / delivered[1], 1e6 / touched[1]))


if __name__ == "__main__":
    main()
