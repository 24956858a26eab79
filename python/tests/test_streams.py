"""Frame queues: bounded and dropping the oldest, newest only, time-outs, closing, asyncio."""

import asyncio
import threading
import time

import pytest

import mirav


@pytest.fixture
def fast_sim(start_sim):
    return start_sim("--rate", "500", "--duration", "120")


def drain(stream):
    """The frames queued now, without waiting."""
    frames = []
    while stream._queue:
        frames.append(next(stream))
    return frames


def arrived(client, number, timeout=20.0):
    """True once the client received frame number (the test waits for frames, not for time, so
    that slow sanitizer runs see the same)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        latest = client.latest_frame()
        if latest is not None and latest.number >= number:
            return True
        time.sleep(0.01)
    return False


def test_slow_consumer_loses_the_oldest_frames_and_they_are_counted(fast_sim):
    with mirav.Client("127.0.0.1") as client:
        stream = client.frames(timeout=5.0, queue_size=8)
        other = client.frames(timeout=5.0, queue_size=16)  # a second consumer, on its own
        first = next(stream)
        assert arrived(client, first.number + 40)
        kept = [next(stream) for _ in range(8)]
        numbers = [f.number for f in kept]
        assert numbers == list(range(numbers[0], numbers[0] + 8))
        assert numbers[0] >= first.number + 40 - 8  # the oldest went, the newest stayed
        # Every frame between the first and the kept ones was dropped (fewer if the network lost
        # some).
        assert 0 < stream.dropped <= numbers[0] - first.number - 1
        assert next(stream).number > numbers[-1]  # and the stream goes on

        seen = [f.number for f in drain(other)]
        assert seen[:5] == list(range(seen[0], seen[0] + 5)) and other.dropped > 0
        stream.close()
        other.close()
        assert client._subscribers == ()


def test_newest_only_gives_the_newest_frame(fast_sim):
    with mirav.Client("127.0.0.1") as client:
        stream = client.frames(timeout=5.0, newest_only=True)
        first = next(stream)
        assert arrived(client, first.number + 20)
        newest = client.latest_frame().number
        assert next(stream).number >= newest
        assert stream.dropped >= 18


def test_time_out_when_no_frame_comes(start_sim):
    start_sim("--rate", "0", "--duration", "60")  # answers requests, sends no frames
    with mirav.Client("127.0.0.1") as client:
        assert client.latest_frame() is None
        started = time.monotonic()
        with pytest.raises(mirav.FrameTimeout):
            next(client.frames(timeout=0.3))
        assert 0.3 <= time.monotonic() - started < 3

        async def wait_once():
            async for _ in client.aframes(timeout=0.3):
                pass

        started = time.monotonic()
        with pytest.raises(mirav.FrameTimeout):
            asyncio.run(wait_once())
        assert 0.3 <= time.monotonic() - started < 3


def test_closing_ends_iteration_in_other_threads(sim):
    client = mirav.Client("127.0.0.1")
    results = {}

    def consume(name, stream):
        count = 0
        for _ in stream:
            count += 1
        results[name] = count

    own = client.frames()
    threads = [
        threading.Thread(target=consume, args=("own", own)),
        threading.Thread(target=consume, args=("client", client.frames())),
    ]
    for thread in threads:
        thread.start()
    time.sleep(0.4)
    own.close()  # ends its own iteration only
    threads[0].join(2)
    assert not threads[0].is_alive() and results["own"] > 0
    assert threads[1].is_alive()
    client.close()  # ends every stream of the client
    threads[1].join(2)
    assert not threads[1].is_alive() and results["client"] > 0
    with pytest.raises(StopIteration):
        next(own)


def test_asyncio_streams(fast_sim):
    with mirav.Client("127.0.0.1") as client:

        async def collect(count, **options):
            numbers = []
            async with client.aframes(timeout=5.0, **options) as stream:
                async for frame in stream:
                    numbers.append(frame.number)
                    if len(numbers) == count:
                        return numbers, stream.dropped

        async def both():
            return await asyncio.gather(collect(50), collect(50))

        (first, dropped_a), (second, dropped_b) = asyncio.run(both())
        assert first == list(range(first[0], first[0] + 50)) and dropped_a == 0
        assert abs(first[0] - second[0]) <= 1 and dropped_b == 0

        async def slow():
            async with client.aframes(timeout=5.0, queue_size=4) as stream:
                first = (await stream.__anext__()).number
                while client.latest_frame().number < first + 20:
                    await asyncio.sleep(0.01)
                numbers = [(await stream.__anext__()).number for _ in range(4)]
                return first, numbers, stream.dropped

        first, numbers, dropped = asyncio.run(asyncio.wait_for(slow(), 20))
        assert numbers == list(range(numbers[0], numbers[0] + 4))
        assert numbers[0] >= first + 20 - 4 and dropped >= 15

        async def ended_by_close():
            stream = client.aframes()
            await stream.__anext__()
            threading.Timer(0.2, client.close).start()
            async for _ in stream:
                pass
            return True

        assert asyncio.run(asyncio.wait_for(ended_by_close(), 5))


def test_statistics_count_what_arrived_through_an_impaired_link(start_sim):
    """Frames of several datagrams through a lossy, repeating link: the counters agree with the
    frames the client was given."""
    start_sim("--typical", "--rate", "100", "--duration", "120", "--loss", "0.05",
              "--duplicate", "0.05", "--seed", "7")
    with mirav.Client("127.0.0.1") as client:
        seen = []
        for frame in client.frames(timeout=20.0):
            seen.append(frame.number)
            if len(seen) >= 60:
                break
        stats = client.statistics()
    assert "size" not in stats
    assert stats["framesDelivered"] >= len(seen)
    assert stats["datagramsReceived"] > 5 * stats["framesDelivered"]
    assert stats["fragmentsRepeated"] > 0
    assert stats["framesMissing"] + stats["framesDelivered"] >= max(seen) - min(seen) + 1
    assert 0 <= stats["millisecondsSinceLastFrame"] < 10000
