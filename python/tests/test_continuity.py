"""Stream continuity against mirav-sim: connection states across a server restart with automatic
reconnection, the library's sentence for a port nothing listens on, and the continuity setters."""

import threading
import time

import pytest

import mirav


def wait_until(condition, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.01)
    return condition()


def test_states_follow_a_server_restart_with_automatic_reconnection(start_sim):
    sim = start_sim("--rate", "100", "--duration", "30")
    changes, refusals, threads = [], [], set()
    lock = threading.Lock()

    def last(state):
        with lock:
            return max((i for i, c in enumerate(changes) if c[0] == state), default=-1)

    client = mirav.Client(describe=False)
    try:

        def on_state(state, previous):
            threads.add(threading.current_thread().ident)
            with lock:
                changes.append((state, previous))
            if state == "stalled" and not refusals:
                try:
                    client.disconnect()
                except RuntimeError as error:
                    refusals.append(str(error))

        client.on_connection_state(on_state)
        client.set_stall_timeout(0.3)
        client.set_auto_reconnect(True, 0.2)
        client.connect("127.0.0.1")
        assert wait_until(lambda: client.connection_state() == "streaming", 3)
        assert wait_until(lambda: last("streaming") >= 0, 1)
        assert changes[0] == ("connecting", "disconnected")

        sim.stop()
        assert wait_until(lambda: last("reconnecting") >= 0, 3), changes
        assert client.last_error_text().startswith("connected, but no frames for 0.3 s")
        start_sim("--rate", "100", "--duration", "30")
        assert wait_until(lambda: last("streaming") > last("reconnecting"), 3), changes
        assert last("stalled") < last("reconnecting")
        assert client.connection_state() == "streaming"
        assert refusals and "inside a callback" in refusals[0]
        client.disconnect()
        assert client.connection_state() == "disconnected"
    finally:
        client.close()
    assert changes[-1][0] == "disconnected"
    for before, after in zip(changes, changes[1:]):
        assert after[1] == before[0], changes  # in order, each with the state before it
    assert all(state != previous for state, previous in changes)
    assert len(threads) == 1, "one library thread reports every change"


def test_unreachable_port_fails_at_once_with_the_sentence():
    started = time.monotonic()
    with pytest.raises(mirav.ConnectError) as failure:
        mirav.Client("127.0.0.1")
    assert time.monotonic() - started < 1.0
    assert failure.value.reason == "port 5230 unreachable on 127.0.0.1: nothing is listening"
    assert str(failure.value).endswith(failure.value.reason)
    assert failure.value.result is mirav.Result.NoReply

    with mirav.Client() as client:
        assert client.last_error_text() == ""
        with pytest.raises(mirav.ConnectError):
            client.connect("127.0.0.1")
        assert client.last_error_text() == failure.value.reason
        assert client.connection_state() == "disconnected"


def test_setters_round_seconds_to_milliseconds():
    with mirav.Client() as client:
        # Seconds that are not exact in binary still give the intended milliseconds.
        calls, original = [], client._call
        client._call = lambda operation, *args, **kw: (
            calls.append((operation, args)) or original(operation, *args, **kw)
        )
        client.set_stall_timeout(1.001)
        client.set_request_timeout(1.003)
        client.set_auto_reconnect(True, 1.005)
        assert calls == [
            ("SetStallTimeout", (1001,)),
            ("SetRequestTimeout", (1003,)),
            ("SetAutoReconnect", (1, 1005)),
        ]


def test_state_callback_may_end_a_stream_while_another_thread_disconnects(sim):
    client = mirav.Client("127.0.0.1", describe=False)
    stream = client.frames(timeout=2)
    ended = threading.Event()

    def on_state(state, previous):
        if state == "disconnected":
            stream.close()  # runs while disconnect() below waits for this very call
            ended.set()

    client.on_connection_state(on_state)
    next(stream)
    worker = threading.Thread(target=client.disconnect, daemon=True)
    worker.start()
    worker.join(5)
    assert not worker.is_alive(), "disconnect() waited for a callback that waited for it"
    assert ended.is_set()
    list(stream)  # the frames it still holds, then the end (a FrameTimeout if it were open)
    client.close()
