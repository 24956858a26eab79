"""mirav.Client: a connection to a capture server through libmirav_sdk's flat C interface."""

import asyncio
import atexit
import collections
import ctypes
import itertools
import logging
import threading
import time

from . import _library as lib
from . import _records as rec
from .descriptions import convert_descriptions, convert_server_description
from .errors import ClientClosedError, FrameTimeout, MiravError, error_for, result_text
from .frame import Names, read_frame

logger = logging.getLogger("mirav")
logger.addHandler(logging.NullHandler())  # the application decides where messages go

DEFAULT_QUEUE_SIZE = 64

# Connection states reported by libraries that have them.
CONNECTION_STATES = {
    0: "disconnected", 1: "connecting", 2: "streaming", 3: "stalled", 4: "reconnecting"
}

# --- process-wide callbacks --------------------------------------------------------------------
# The library keeps one callback function of each kind per process and one context pointer per
# client, so every Client registers the same functions with its own key as the context.
_clients = {}
_clients_lock = threading.Lock()
_keys = itertools.count(1)
_capture = threading.local()


def _client_for(key):
    return _clients.get(key) if key is not None else None


@lib.DATA_CALLBACK
def _on_data(frame, key):
    client = _client_for(key)
    if client is not None and frame:
        try:
            client._deliver(frame)
        except Exception:  # a failure here must not reach the library's receive thread
            client._delivery_failed()


@lib.FORCE_PLATE_CALLBACK
def _on_force_plates(plates, key):
    client = _client_for(key)
    if client is not None and plates:
        try:
            record = plates.contents
            count = min(max(record.forcePlateCount, 0), rec.MAX_FORCEPLATES)
            client._plates = (record.frameNumber, bytes(record.forcePlates)[: 28 * count])
        except Exception:
            logger.exception("mirav: force plates could not be delivered")


def _raw_record_callback(size, attribute):
    """A callback that hands the record's bytes (valid only during the call) to the client's
    callback stored under attribute."""

    @lib.RAW_RECORD_CALLBACK
    def deliver(record, key):
        client = _client_for(key)
        callback = getattr(client, attribute, None) if client is not None else None
        if callback is not None and record:
            _capture.in_callback = True
            try:
                callback(ctypes.string_at(record, size))
            except Exception:
                logger.exception("mirav: the %s callback failed", attribute.strip("_"))
            finally:
                _capture.in_callback = False

    return deliver


_on_notify = _raw_record_callback(136, "_notify_callback")
_on_analog = _raw_record_callback(9640, "_analog_callback")


@lib.CONNECTION_STATE_CALLBACK
def _on_connection_state(state, previous, key):
    client = _client_for(key)
    if client is not None:
        _capture.in_callback = True
        try:
            client._state_changed(state, previous)
        except Exception:
            logger.exception("mirav: the connection state callback failed")
        finally:
            _capture.in_callback = False


# Library message levels: 1 short status lines ("Failed", "Warning", socket close notices), 2
# notices, 3 and above details with operating-system error numbers.
def _logging_level(level, message):
    if level <= 1:
        return logging.WARNING if "Failed" in message or "Warning" in message else logging.INFO
    return logging.DEBUG


@lib.MESSAGE_CALLBACK
def _on_message(level, text):
    try:
        message = (text or b"").decode("utf-8", "replace").rstrip("\n")
        lines = getattr(_capture, "lines", None)
        if lines is not None:
            lines.append(message)
        logger.log(_logging_level(level, message), "%s", message)
    except Exception:
        pass


# What a failed Initialize means, by result code (%s is the server's address).
_INITIALIZE_REASONS = {
    1: "connected to %s, but the data channel could not be opened (in unicast mode port 5231 of "
    "this machine must be free: is another client already running here?)",
    4: "the address %r is not usable: give an IPv4 address or a host name that resolves",
    10: "the server at %s refused this client's version",
    13: "the client is already connected (to %s or another server)",
    14: "could not connect to %s",
    15: "no reply from %s on port 5230 in time: is the server running, and is this the right "
    "address?",
}


class _Captured:
    """Collects the library's messages raised on this thread during one call."""

    def __enter__(self):
        self.previous = getattr(_capture, "lines", None)
        self.lines = _capture.lines = []
        return self

    def __exit__(self, *exc):
        _capture.lines = self.previous
        return False


def _close_all_at_exit():
    with _clients_lock:
        clients = list(_clients.values())
    for client in clients:
        try:
            client.close()
        except Exception:
            pass


atexit.register(_close_all_at_exit)


# --- frame queues --------------------------------------------------------------------------------
class FrameStream:
    """Blocking iterator over the frames the client receives, fed by the data callback.

    Holds at most queue_size frames; when the consumer falls behind the oldest is dropped and
    counted in .dropped, so the library's receive thread never waits for it. next() raises
    FrameTimeout when no frame comes within the time-out; iteration ends when the client or the
    stream is closed.
    """

    def __init__(self, client, timeout, queue_size):
        self._client = client
        self._timeout = timeout
        self._queue = collections.deque(maxlen=queue_size)
        self._ready = threading.Condition(threading.Lock())
        self._closed = False
        self.dropped = 0

    def _push(self, frame):
        with self._ready:
            if len(self._queue) == self._queue.maxlen:
                self.dropped += 1
            self._queue.append(frame)
            self._ready.notify()

    def _end(self):
        with self._ready:
            self._closed = True
            self._ready.notify_all()

    def close(self):
        self._client._unsubscribe(self)
        self._end()

    def __iter__(self):
        return self

    def __next__(self):
        deadline = None if self._timeout is None else time.monotonic() + self._timeout
        with self._ready:
            while not self._queue:
                if self._closed:
                    raise StopIteration
                left = None if deadline is None else deadline - time.monotonic()
                if left is not None and left <= 0:
                    raise FrameTimeout("no frame within %g s" % self._timeout)
                self._ready.wait(left)
            return self._queue.popleft()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False


class AsyncFrameStream:
    """Asynchronous iterator over received frames, with the queue rule of FrameStream."""

    def __init__(self, client, timeout, queue_size):
        self._client = client
        self._timeout = timeout
        self._queue = collections.deque(maxlen=queue_size)
        self._lock = threading.Lock()
        self._waiter = None
        self._loop = None
        self._closed = False
        self.dropped = 0

    @staticmethod
    def _wake(waiter):
        if not waiter.done():
            waiter.set_result(None)

    def _signal(self):
        waiter, self._waiter = self._waiter, None
        return waiter

    def _call_soon(self, waiter):
        if waiter is not None:
            try:
                self._loop.call_soon_threadsafe(self._wake, waiter)
            except RuntimeError:  # the loop was closed
                pass

    def _push(self, frame):
        with self._lock:
            if len(self._queue) == self._queue.maxlen:
                self.dropped += 1
            self._queue.append(frame)
            waiter = self._signal()
        self._call_soon(waiter)

    def _end(self):
        with self._lock:
            self._closed = True
            waiter = self._signal()
        self._call_soon(waiter)

    def close(self):
        self._client._unsubscribe(self)
        self._end()

    def __aiter__(self):
        return self

    async def __anext__(self):
        loop = asyncio.get_running_loop()
        deadline = None if self._timeout is None else loop.time() + self._timeout
        while True:
            with self._lock:
                if self._queue:
                    return self._queue.popleft()
                if self._closed:
                    raise StopAsyncIteration
                self._loop = loop
                waiter = self._waiter = loop.create_future()
            left = None if deadline is None else deadline - loop.time()
            try:
                await asyncio.wait_for(waiter, left)
            except asyncio.TimeoutError:
                with self._lock:
                    if self._waiter is waiter:
                        self._waiter = None
                if not self._queue:
                    raise FrameTimeout("no frame within %g s" % self._timeout) from None

    async def __aenter__(self):
        return self

    async def __aexit__(self, *exc):
        self.close()
        return False


# --- the client ----------------------------------------------------------------------------------
class Client:
    """A client of one capture server.

    Client(server) connects at once (ConnectError with the reason when it cannot); Client() makes
    an unconnected client for connect(). Use it as a context manager, or call close().
    rigid_body_markers=False leaves the rigid bodies' own marker arrays out of the frames (they
    cost a copy per body).
    """

    def __init__(self, server=None, *, describe=True, rigid_body_markers=True, verbosity=None):
        self._lib = lib.library()
        self._lock = threading.RLock()
        # Frame streams have their own lock: a callback may open or close a stream while another
        # thread holds _lock in disconnect() or close(), waiting for that very callback.
        self._subscribers_lock = threading.Lock()
        self._handle = None
        self._key = next(_keys)
        self._names = Names()
        self._latest = None
        self._plates = None
        self._subscribers = ()
        self.failed_deliveries = 0
        self._state_callback = None
        self._notify_callback = None
        self._analog_callback = None
        self._rigid_body_markers = rigid_body_markers
        self._describe = describe
        self._has_timing = self._lib.has("GetFrameHostTiming")
        handle = ctypes.c_void_p()
        code = self._lib.function("CreateClient")(ctypes.byref(handle))
        if code != 0 or not handle:
            raise MiravError("CreateClient", code or 2)
        self._handle = handle.value
        with _clients_lock:
            _clients[self._key] = self
        self._call("SetMessageCallback", _on_message)
        if verbosity is not None:
            self.set_verbosity(verbosity)
        if server is not None:
            try:
                self.connect(server)
            except BaseException:
                self.close()
                raise

    # --- plumbing ---------------------------------------------------------------------------
    def _require_handle(self):
        if self._handle is None:
            raise ClientClosedError("the client is closed")
        return self._handle

    def _reason(self, operation, code, captured, server=None):
        """The readable reason of a failure: the library's own text when it gives one."""
        if self._handle is not None and self._lib.has("GetLastErrorText"):
            buffer = ctypes.create_string_buffer(1024)
            if self._lib.function("GetLastErrorText")(self._handle, buffer, 1024) == 0:
                text = buffer.value.decode("utf-8", "replace").strip()
                if text:
                    return text
        reason = _INITIALIZE_REASONS.get(code) if operation == "Initialize" else None
        reason = reason % server if reason else result_text(code)
        details = [line for line in captured if line and "CSocketFacade::Close" not in line]
        if details:
            reason += " (library: %s)" % "; ".join(details[-3:])
        return reason

    def _call(self, operation, *args, server=None):
        """Calls a flat operation on this client; raises the fitting MiravError when it fails."""
        function = self._lib.function(operation)
        with _Captured() as captured:
            code = function(self._require_handle(), *args)
        if code != 0:
            raise error_for(operation, code, self._reason(operation, code, captured.lines, server))
        return code

    # --- lifecycle --------------------------------------------------------------------------
    def connect(self, server):
        """Connects to the server (IPv4 address or name); ConnectError with the reason if not."""
        if not isinstance(server, str):
            raise TypeError("server must be a str, not %s" % type(server).__name__)
        address = ctypes.create_string_buffer(server.encode("utf-8"))
        with self._lock:
            # Uninitialize empties the client's callback contexts, so they are given again
            # before every Initialize.
            self._call("SetDataCallback", _on_data, self._key)
            self._call("SetForcePlateCallback", _on_force_plates, self._key)
            if self._state_callback is not None:
                self._call("SetConnectionStateCallback", _on_connection_state, self._key)
            if self._notify_callback is not None:
                self._call("SetNotifyMsgCallback", _on_notify, self._key)
            if self._analog_callback is not None:
                self._call("SetAnalogChCallback", _on_analog, self._key)
            self._call("Initialize", address, server=server)
            self.server = server
        if self._describe:
            try:
                self.descriptions()
            except MiravError as error:
                logger.warning("mirav: no descriptions from %s: %s", server, error)

    def _refuse_in_callback(self, operation):
        if getattr(_capture, "in_callback", False):
            raise RuntimeError(
                "%s() cannot run inside a callback of the library; call it from another thread"
                % operation
            )

    def disconnect(self):
        """Ends the connection; the client may connect again. Not allowed inside a callback."""
        self._refuse_in_callback("disconnect")
        with self._lock:
            if self._handle is not None:
                self._lib.function("Uninitialize")(self._handle)

    def close(self):
        """Disconnects and releases the client; ends every frame stream. Safe to call twice.
        Not allowed inside a callback the library runs (it would wait for its own thread)."""
        self._refuse_in_callback("close")
        with self._lock:
            handle, self._handle = self._handle, None
            if handle is None:
                return
            self._lib.function("Uninitialize")(handle)
            with _clients_lock:
                _clients.pop(self._key, None)
                last = not _clients
            if last:
                # No client is left to receive anything: clear the process-wide slots.
                self._lib.function("SetDataCallback")(handle, lib.DATA_CALLBACK(), None)
                self._lib.function("SetForcePlateCallback")(
                    handle, lib.FORCE_PLATE_CALLBACK(), None
                )
                if self._state_callback is not None:
                    self._lib.function("SetConnectionStateCallback")(
                        handle, lib.CONNECTION_STATE_CALLBACK(), None
                    )
                for operation in ("SetNotifyMsgCallback", "SetAnalogChCallback"):
                    self._lib.function(operation)(handle, lib.RAW_RECORD_CALLBACK(), None)
            self._lib.function("DestroyClient")(handle)
        with self._subscribers_lock:
            subscribers, self._subscribers = self._subscribers, ()
        for subscriber in subscribers:
            subscriber._end()

    @property
    def closed(self):
        return self._handle is None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    # --- frames -----------------------------------------------------------------------------
    def _delivery_failed(self):
        # Logged once with its trace, then counted: the failure would repeat for every frame.
        self.failed_deliveries += 1
        if self.failed_deliveries == 1:
            logger.exception("mirav: a frame could not be delivered (further failures counted)")

    def _deliver(self, address):
        frame = read_frame(address, self._names, self._rigid_body_markers)
        plates = self._plates
        if plates is not None and plates[0] == frame.number:
            frame._plates_raw = plates[1]
        if self._has_timing:
            self._read_timing(address, frame)
        self._latest = frame
        for subscriber in self._subscribers:
            subscriber._push(frame)

    def _subscribe(self, stream):
        with self._subscribers_lock:
            self._require_handle()  # close() clears the handle before it ends the streams
            self._subscribers = self._subscribers + (stream,)
        return stream

    def _unsubscribe(self, stream):
        with self._subscribers_lock:
            self._subscribers = tuple(s for s in self._subscribers if s is not stream)

    def frames(self, timeout=None, newest_only=False, queue_size=DEFAULT_QUEUE_SIZE):
        """A blocking iterator over the frames from now on (see FrameStream)."""
        return self._subscribe(FrameStream(self, timeout, 1 if newest_only else queue_size))

    def aframes(self, timeout=None, newest_only=False, queue_size=DEFAULT_QUEUE_SIZE):
        """An asynchronous iterator over the frames from now on (see AsyncFrameStream)."""
        return self._subscribe(AsyncFrameStream(self, timeout, 1 if newest_only else queue_size))

    def latest_frame(self):
        """The newest frame received, or None before the first one."""
        self._require_handle()
        return self._latest

    def poll_frame(self):
        """The library's current frame for polling (the oldest pending one it holds), or None."""
        with self._lock:
            address = self._lib.function("GetLastFrameOfMocapData")(self._require_handle())
            if not address:
                return None
            return read_frame(address, self._names, self._rigid_body_markers)

    # --- requests ---------------------------------------------------------------------------
    def _fetch_descriptions(self, operation, *args):
        record = ctypes.POINTER(rec.DataDescriptions)()
        self._call(operation, *args, ctypes.byref(record))
        if not record:
            raise MiravError(operation, 1, "the library returned no descriptions")
        try:
            return convert_descriptions(record.contents)
        finally:
            self._lib.function("FreeDataDescriptions")(self._handle, record)

    def descriptions(self):
        """The server's data descriptions; their names are used for the frames from now on."""
        found = self._fetch_descriptions("GetDataDescriptions")
        self._names = Names(found)
        return found

    def tpose_descriptions(self, name):
        """Descriptions of the T-pose set called name (not used for names of frames)."""
        return self._fetch_descriptions(
            "GetTposeDataDescriptions", ctypes.create_string_buffer(name.encode("utf-8"))
        )

    def server_description(self):
        record = rec.ServerDescription()
        self._call("GetServerDescription", ctypes.byref(record))
        return convert_server_description(record)

    def wait_for_force_plates(self, timeout=5.0):
        """Fetches the descriptions and prepares the force plates; frames then carry results."""
        self._call("WaitForForcePlateInit", int(timeout * 1000))

    def set_verbosity(self, level):
        """Process-wide verbosity of the library's messages (0 silences; default 4)."""
        self._call("SetVerbosityLevel", int(level))

    def on_notify(self, callback):
        """callback(bytes) with each server notification (136 bytes as received), on a library
        thread; None stops."""
        self._notify_callback = callback
        self._call("SetNotifyMsgCallback", _on_notify, self._key)

    def on_analog_channels(self, callback):
        """callback(bytes) with each analog-channel message (9640 bytes as received), on a
        library thread; None stops."""
        self._analog_callback = callback
        self._call("SetAnalogChCallback", _on_analog, self._key)

    # --- operations of newer libraries --------------------------------------------------------
    def _read_timing(self, address, frame):
        timing = rec.FrameHostTiming()
        timing.size = ctypes.sizeof(timing)
        found = self._lib.function("GetFrameHostTiming")
        if found(self._handle, address, ctypes.byref(timing)) == 0:
            frame.capture_time = timing.captureTime
            frame.arrival_time = timing.arrivalTime

    def statistics(self):
        """The stream's integrity counters as a dict."""
        self._lib.function("GetStreamStatistics")
        record = rec.StreamStatistics()
        record.size = ctypes.sizeof(record)
        self._call("GetStreamStatistics", ctypes.byref(record))
        return {name: getattr(record, name) for name, _ in record._fields_ if name != "size"}

    def connection_state(self):
        """"disconnected", "connecting", "streaming", "stalled" or "reconnecting"."""
        state = ctypes.c_int()
        self._call("GetConnectionState", ctypes.byref(state))
        return CONNECTION_STATES.get(state.value, str(state.value))

    def on_connection_state(self, callback):
        """callback(state, previous) on every change (called on a library thread); None stops."""
        self._state_callback = callback
        self._call("SetConnectionStateCallback", _on_connection_state, self._key)

    def _state_changed(self, state, previous):
        callback = self._state_callback
        if callback is not None:
            callback(
                CONNECTION_STATES.get(state, str(state)),
                CONNECTION_STATES.get(previous, str(previous)),
            )

    def set_auto_reconnect(self, enabled=True, retry_interval=1.0):
        """Reconnects on its own after a stall, trying every retry_interval seconds (0: 1 s)."""
        self._call("SetAutoReconnect", 1 if enabled else 0, _milliseconds(retry_interval))

    def set_stall_timeout(self, seconds):
        """Seconds without a frame before the state becomes "stalled" (0 turns it off)."""
        self._call("SetStallTimeout", _milliseconds(seconds))

    def set_request_timeout(self, seconds):
        """How long connect() and each request wait for the server's reply."""
        self._call("SetRequestTimeout", _milliseconds(seconds))

    def set_frame_queue_capacity(self, frames):
        """How many frames the library's polling queue holds (1 gives the newest on demand)."""
        self._call("SetFrameQueueCapacity", int(frames))

    def last_error_text(self):
        buffer = ctypes.create_string_buffer(1024)
        self._call("GetLastErrorText", buffer, 1024)
        return buffer.value.decode("utf-8", "replace")


def _milliseconds(seconds):
    # Rounded, not cut: 1.001 s is 1000.9999... ms in binary floating point.
    return int(round(seconds * 1000))


def library_version():
    """The library's four version bytes as a tuple."""
    buffer = ctypes.create_string_buffer(4)
    lib.library().function("Solvanta_GetVersion")(buffer)
    return tuple(buffer.raw)


def host_time_now():
    """The host clock frame times use, in seconds."""
    return lib.library().function("MiravHostTimeNow")()
