"""Exceptions of the mirav package. Library failures carry the result code and a readable reason."""

import enum


class Result(enum.IntEnum):
    """The library's result codes, named as in its MiravResult enumeration."""

    Ok = 0
    Failed = 1
    InvalidArgument = 2
    NotDescribed = 4
    OutOfMemory = 6
    SystemResource = 7
    NotInFrame = 8
    WaitTimedOut = 9
    NotConnected = 10
    AlreadyInitialized = 13
    ConnectFailed = 14
    NoReply = 15


# Readable meaning of each result code of the library.
RESULT_TEXT = {
    0: "success",
    1: "general failure, or the request failed",
    2: "no client, no implementation, or a required argument is missing",
    4: "name not described, or address not usable",
    6: "a buffer could not be allocated",
    7: "a socket, kernel object or thread could not be created",
    8: "null argument, or item absent from the current frame",
    9: "a wait timed out",
    10: "the server refused the version, or the client is not connected",
    13: "already initialised, or channel already open",
    14: "connect failed",
    15: "a request received no reply in time",
}


def result_text(code):
    return RESULT_TEXT.get(code, "unknown result")


class MiravError(Exception):
    """A failed library operation: .operation, .code (the result code) and .reason."""

    def __init__(self, operation, code, reason=None):
        self.operation = operation
        # The named code where the library names it, else the plain number.
        self.result = Result(code) if code in Result._value2member_map_ else code
        self.code = code
        self.reason = reason or result_text(code)
        name = " (%s)" % self.result.name if isinstance(self.result, Result) else ""
        super().__init__("%s failed with result %d%s: %s" % (operation, code, name, self.reason))


class ConnectError(MiravError):
    """Initialize failed: wrong address, no server, refused version."""


class NotConnectedError(MiravError):
    """The operation needs a connected client."""


class RequestTimeout(MiravError, TimeoutError):
    """The server did not answer a request in time (result 15)."""


class FrameTimeout(TimeoutError):
    """No frame arrived within the time-out given to frames() or aframes()."""


class ClientClosedError(RuntimeError):
    """The client was closed; it cannot be used any more."""


class LibraryNotFound(OSError):
    """libmirav_sdk could not be loaded; the message lists where it was looked for."""


class UnsupportedOperation(NotImplementedError):
    """The loaded libmirav_sdk lacks an operation (an older release)."""

    def __init__(self, operation, path=None):
        self.operation = operation
        where = " (%s)" % path if path else ""
        super().__init__(
            "the loaded libmirav_sdk%s has no operation %s; a newer library provides it"
            % (where, operation)
        )


def error_for(operation, code, reason=None):
    """The exception class that fits a failed operation's result code."""
    if operation == "Initialize":
        return ConnectError(operation, code, reason)
    if code == 15:
        return RequestTimeout(operation, code, reason)
    if code == 10:
        return NotConnectedError(operation, code, reason)
    return MiravError(operation, code, reason)
