"""Finding and loading libmirav_sdk, and the prototypes of its flat C interface.

The library is looked for in this order: the file named by MIRAV_SDK_LIBRARY, a copy beside the
package (a wheel carries one), the library directory of the installation prefix the package was
installed with, then the system loader. Operations are resolved when first used, so a library
that lacks an operation still serves all the others; using the missing one raises
UnsupportedOperation naming it.
"""

import ctypes
import ctypes.util
import os
import sys
import threading

from . import _records as rec
from .errors import LibraryNotFound, UnsupportedOperation

ENVIRONMENT_VARIABLE = "MIRAV_SDK_LIBRARY"

_c_int_p = ctypes.POINTER(ctypes.c_int)
_client_p = ctypes.c_void_p

DATA_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p)
FORCE_PLATE_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.POINTER(rec.ForcePlates), ctypes.c_void_p)
MESSAGE_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_char_p)
RAW_RECORD_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p)
CONNECTION_STATE_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_int, ctypes.c_void_p)

# name: (result type, argument types). Operations of later releases are listed too; they are
# resolved only when used.
PROTOTYPES = {
    "CreateClient": (ctypes.c_int, [ctypes.POINTER(ctypes.c_void_p)]),
    "DestroyClient": (ctypes.c_int, [_client_p]),
    "Initialize": (ctypes.c_int, [_client_p, ctypes.c_char_p]),
    "Uninitialize": (ctypes.c_int, [_client_p]),
    "WaitForForcePlateInit": (ctypes.c_int, [_client_p, ctypes.c_int]),
    "GetServerDescription": (ctypes.c_int, [_client_p, ctypes.POINTER(rec.ServerDescription)]),
    "GetDataDescriptions": (
        ctypes.c_int,
        [_client_p, ctypes.POINTER(ctypes.POINTER(rec.DataDescriptions))],
    ),
    "FreeDataDescriptions": (ctypes.c_int, [_client_p, ctypes.POINTER(rec.DataDescriptions)]),
    "GetTposeDataDescriptions": (
        ctypes.c_int,
        [_client_p, ctypes.c_char_p, ctypes.POINTER(ctypes.POINTER(rec.DataDescriptions))],
    ),
    "SetDataCallback": (ctypes.c_int, [_client_p, DATA_CALLBACK, ctypes.c_void_p]),
    "SetForcePlateCallback": (ctypes.c_int, [_client_p, FORCE_PLATE_CALLBACK, ctypes.c_void_p]),
    "SetMessageCallback": (ctypes.c_int, [_client_p, MESSAGE_CALLBACK]),
    "SetNotifyMsgCallback": (ctypes.c_int, [_client_p, RAW_RECORD_CALLBACK, ctypes.c_void_p]),
    "SetAnalogChCallback": (ctypes.c_int, [_client_p, RAW_RECORD_CALLBACK, ctypes.c_void_p]),
    "SetVerbosityLevel": (ctypes.c_int, [_client_p, ctypes.c_int]),
    "GetLastFrameOfMocapData": (ctypes.c_void_p, [_client_p]),
    "MiravVersion": (ctypes.c_int, [_client_p, ctypes.c_char_p]),
    "Solvanta_GetVersion": (ctypes.c_int, [ctypes.c_char_p]),
    "Solvanta_TimecodeStringify": (
        ctypes.c_bool,
        [ctypes.c_uint32, ctypes.c_uint32, ctypes.c_char_p, ctypes.c_int],
    ),
    # Stream integrity.
    "GetStreamStatistics": (ctypes.c_int, [_client_p, ctypes.c_void_p]),
    # Connection continuity.
    "GetConnectionState": (ctypes.c_int, [_client_p, _c_int_p]),
    "SetConnectionStateCallback": (
        ctypes.c_int,
        [_client_p, CONNECTION_STATE_CALLBACK, ctypes.c_void_p],
    ),
    "SetStallTimeout": (ctypes.c_int, [_client_p, ctypes.c_int]),
    "SetAutoReconnect": (ctypes.c_int, [_client_p, ctypes.c_int, ctypes.c_int]),
    "SetRequestTimeout": (ctypes.c_int, [_client_p, ctypes.c_int]),
    "GetLastErrorText": (ctypes.c_int, [_client_p, ctypes.c_char_p, ctypes.c_int]),
    "SetFrameQueueCapacity": (ctypes.c_int, [_client_p, ctypes.c_int]),
    # Host timing.
    "GetFrameHostTiming": (ctypes.c_int, [_client_p, ctypes.c_void_p, ctypes.c_void_p]),
    "MiravHostTimeNow": (ctypes.c_double, []),
}


def _library_file_names():
    if sys.platform.startswith("win"):
        return ["mirav_sdk.dll", "libmirav_sdk.dll"]
    if sys.platform == "darwin":
        return ["libmirav_sdk.dylib", "libmirav_sdk.4.dylib"]
    return ["libmirav_sdk.so", "libmirav_sdk.so.4"]


def _candidates():
    """(description, path or loader name) in the order they are tried."""
    found = []
    explicit = os.environ.get(ENVIRONMENT_VARIABLE)
    if explicit:
        found.append((ENVIRONMENT_VARIABLE, explicit))
        return found
    here = os.path.dirname(os.path.abspath(__file__))
    for name in _library_file_names():
        found.append(("beside the package", os.path.join(here, name)))
    try:
        from . import _install_paths  # written by the CMake install component

        libdir = os.path.normpath(os.path.join(here, _install_paths.LIBRARY_DIR))
        for name in _library_file_names():
            found.append(("installation prefix", os.path.join(libdir, name)))
    except ImportError:
        pass
    system = ctypes.util.find_library("mirav_sdk")
    for name in ([system] if system else []) + _library_file_names():
        found.append(("system loader", name))
    return found


def load_library():
    """Loads libmirav_sdk; LibraryNotFound lists every place that was tried."""
    tried = []
    for origin, path in _candidates():
        if origin != "system loader" and not os.path.exists(path):
            tried.append("%s: %s (no such file)" % (origin, path))
            continue
        try:
            return ctypes.CDLL(path), path
        except OSError as error:
            tried.append("%s: %s (%s)" % (origin, path, error))
    raise LibraryNotFound(
        "libmirav_sdk could not be loaded; set %s to its path. Tried:\n  %s"
        % (ENVIRONMENT_VARIABLE, "\n  ".join(tried))
    )


class Library:
    """The loaded library with its operations resolved on first use."""

    def __init__(self, cdll, path):
        self.cdll = cdll
        self.path = path
        self._functions = {}
        self._lock = threading.Lock()

    def has(self, name):
        try:
            self.function(name)
            return True
        except UnsupportedOperation:
            return False

    def function(self, name):
        found = self._functions.get(name)
        if found is not None:
            return found
        with self._lock:
            try:
                found = getattr(self.cdll, name)
            except AttributeError:
                raise UnsupportedOperation(name, self.path) from None
            restype, argtypes = PROTOTYPES[name]
            found.restype = restype
            found.argtypes = argtypes
            self._functions[name] = found
            return found


_library = None
_library_lock = threading.Lock()


def library():
    """The process's one Library, loaded on first use."""
    global _library
    if _library is None:
        with _library_lock:
            if _library is None:
                _library = Library(*load_library())
    return _library
