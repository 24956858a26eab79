"""Misuse and failures: closed clients, wrong addresses, no server, refused version, requests
before connecting, a library without an operation or not found at all, and threads."""

import ctypes
import os
import threading
import time

import pytest

import mirav
from mirav import _library


def test_closed_client_refuses_everything():
    client = mirav.Client()
    stream = client.frames()
    client.close()
    client.close()  # twice is fine
    assert client.closed
    with pytest.raises(StopIteration):
        next(stream)
    for call in [
        lambda: client.connect("127.0.0.1"),
        client.descriptions,
        client.server_description,
        client.latest_frame,
        client.poll_frame,
        client.frames,
        client.aframes,
        lambda: client.set_verbosity(1),
        client.wait_for_force_plates,
    ]:
        with pytest.raises(mirav.ClientClosedError):
            call()


def test_connect_failures_say_why(start_sim):
    started = time.monotonic()
    with pytest.raises(mirav.ConnectError) as failure:
        mirav.Client("300.1.2.3")
    assert failure.value.code == 4 and "'300.1.2.3' is not usable" in str(failure.value)
    assert time.monotonic() - started < 3
    with pytest.raises(TypeError):
        mirav.Client(b"127.0.0.1")

    start_sim("--refuse", "--duration", "30")
    with pytest.raises(mirav.ConnectError) as failure:
        mirav.Client("127.0.0.1")
    assert failure.value.code == 10
    assert "refused library version 4.0.56.34" in failure.value.reason  # the library's sentence


def test_no_server_is_a_time_out_with_a_hint():
    with pytest.raises(mirav.ConnectError) as failure:
        mirav.Client("127.0.0.1")
    # Nothing listens on 5230: the library's sentence says so (at once, not after the wait).
    assert failure.value.code == 15 and "5230 unreachable on 127.0.0.1" in failure.value.reason
    assert "Initialize failed with result 15 (NoReply)" in str(failure.value)
    assert failure.value.result is mirav.Result.NoReply


def test_requests_before_connecting_and_after_disconnecting(sim):
    with mirav.Client() as client:
        client.on_notify(lambda record: None)  # kept across connections like the frame callback
        client.on_analog_channels(lambda record: None)
        with pytest.raises(mirav.NotConnectedError) as failure:
            client.descriptions()
        assert failure.value.code == 10 and failure.value.operation == "GetDataDescriptions"
        client.connect("127.0.0.1")
        assert client.descriptions().rigid_bodies
        with pytest.raises(mirav.ConnectError) as failure:
            client.connect("127.0.0.1")
        assert failure.value.code == 13
        client.disconnect()
        with pytest.raises(mirav.NotConnectedError):
            client.descriptions()
        client.connect("127.0.0.1")  # a disconnected client connects again
        assert next(client.frames(timeout=5.0)).number > 0


class HidingLibrary:
    """The real library with some operations removed, as an older release would be."""

    def __init__(self, real, hidden):
        self._real = real
        self._hidden = set(hidden)

    def __getattr__(self, name):
        if name in self._hidden:
            raise AttributeError(name)
        return getattr(self._real, name)


def test_missing_operation_is_named_and_the_rest_keeps_working(sim):
    real = _library.library()
    with mirav.Client("127.0.0.1") as client:
        hidden = ["GetStreamStatistics", "GetConnectionState", "SetAutoReconnect",
                  "SetRequestTimeout", "GetLastErrorText", "SetFrameQueueCapacity",
                  "MiravHostTimeNow"]
        client._lib = _library.Library(HidingLibrary(real.cdll, hidden), "old/libmirav_sdk.so")
        for call, name in [
            (client.statistics, "GetStreamStatistics"),
            (client.connection_state, "GetConnectionState"),
            (lambda: client.set_auto_reconnect(True), "SetAutoReconnect"),
            (lambda: client.set_request_timeout(1.0), "SetRequestTimeout"),
            (lambda: client.set_frame_queue_capacity(1), "SetFrameQueueCapacity"),
            (client.last_error_text, "GetLastErrorText"),
        ]:
            with pytest.raises(mirav.UnsupportedOperation) as failure:
                call()
            assert failure.value.operation == name and name in str(failure.value)
            assert "old/libmirav_sdk.so" in str(failure.value)
        assert client.descriptions().rigid_bodies
        assert next(client.frames(timeout=5.0)).rigid_body("RigidBody1").id == 1


def test_library_not_found_lists_where_it_looked(monkeypatch):
    monkeypatch.setenv("MIRAV_SDK_LIBRARY", "/nowhere/libmirav_sdk.so")
    with pytest.raises(mirav.LibraryNotFound) as failure:
        _library.load_library()
    assert "/nowhere/libmirav_sdk.so (no such file)" in str(failure.value)
    assert "MIRAV_SDK_LIBRARY" in str(failure.value)

    monkeypatch.delenv("MIRAV_SDK_LIBRARY")
    monkeypatch.setattr(_library.ctypes.util, "find_library", lambda name: None)
    monkeypatch.setattr(_library.ctypes, "CDLL", lambda path: (_ for _ in ()).throw(OSError("no")))
    with pytest.raises(mirav.LibraryNotFound) as failure:
        _library.load_library()
    text = str(failure.value)
    beside = os.path.join(os.path.dirname(os.path.abspath(_library.__file__)), "libmirav_sdk.so")
    assert "beside the package: %s" % beside in text and "system loader" in text


def test_threads_share_one_client_and_one_closes_it(sim):
    client = mirav.Client("127.0.0.1")
    failures = []
    done = threading.Event()

    def work(call):
        while not done.is_set():
            try:
                call()
            except (mirav.ClientClosedError, mirav.MiravError, mirav.FrameTimeout,
                    StopIteration):
                pass  # the client closed under the call, or a slow (sanitizer) run
            except Exception as error:  # anything else is a fault
                failures.append(error)
                return

    calls = [client.descriptions, client.latest_frame, client.server_description,
             lambda: next(client.frames(timeout=1.0))]
    threads = [threading.Thread(target=work, args=(call,)) for call in calls]
    for thread in threads:
        thread.start()
    time.sleep(1.0)
    client.close()
    time.sleep(0.2)
    done.set()
    for thread in threads:
        thread.join(10)
    assert not failures, failures
    assert not any(t.is_alive() for t in threads)
    assert client.failed_deliveries == 0


def test_timecode_and_version_need_no_client():
    assert mirav.library_version() == (4, 0, 56, 34)
    code = mirav.Timecode((23 << 24) | (59 << 16) | (58 << 8) | 29, 7)
    assert (code.hours, code.minutes, code.seconds, code.frames) == (23, 59, 58, 29)
    assert code.text == "23:59:58:29.7"
    assert ctypes.sizeof(mirav._records.DataDescriptions) == 3208


def test_callbacks_get_the_record_and_cannot_close_their_client():
    from mirav import client as client_module

    client = mirav.Client()
    received, refused = [], []

    def on_notify(record):
        received.append(record)
        try:
            client.close()
        except RuntimeError as error:
            refused.append(str(error))

    client.on_notify(on_notify)
    record = (ctypes.c_uint8 * 136)(*range(136))
    client_module._on_notify(ctypes.addressof(record), client._key)  # as the library calls it
    assert received == [bytes(range(136))]
    assert refused and "inside a callback" in refused[0] and not client.closed
    client.close()
    client_module._on_notify(ctypes.addressof(record), client._key)  # a closed client: ignored
    assert len(received) == 1
