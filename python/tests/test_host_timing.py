"""Capture and arrival times of frames on the host clock, against mirav-sim's true capture
instants (--true-time writes them in timeStamp as nanoseconds of the same monotonic clock)."""

import time

import mirav


def test_frames_carry_capture_and_arrival_times_on_the_host_clock(start_sim):
    start_sim("--rate", "240", "--jitter", "2", "--true-time", "--duration", "60")
    started = mirav.host_time_now()
    assert abs(started - time.monotonic()) < 0.01  # the same clock as time.monotonic()
    frames = []
    with mirav.Client("127.0.0.1") as client:
        for frame in client.frames(timeout=5.0):
            frames.append(frame)
            if frame.arrival_time is not None and frame.arrival_time > started + 3.0:
                break
    now = mirav.host_time_now()
    assert len(frames) > 400
    previous = None
    errors = []
    for frame in frames:
        assert frame.capture_time is not None and frame.arrival_time is not None
        assert started <= frame.capture_time <= frame.arrival_time <= now
        if previous is not None:
            assert frame.capture_time >= previous
        previous = frame.capture_time
        true_time = frame.timestamp * 1e-9
        if true_time > started + 2.0:
            errors.append(abs(frame.capture_time - true_time))
    errors.sort()
    assert len(errors) > 100
    assert errors[int(0.99 * (len(errors) - 1))] <= 0.0002
