"""Python client of the Mirav motion-capture server, over libmirav_sdk's flat C interface.

    import mirav
    with mirav.Client("127.0.0.1") as client:
        for frame in client.frames(timeout=5.0):
            print(frame.number, frame.rigid_body("RigidBody1").position)
            break
"""

from .client import CONNECTION_STATES, AsyncFrameStream, Client, FrameStream, host_time_now
from .client import library_version
from .descriptions import (
    Descriptions,
    ForcePlateDescription,
    MarkerSetDescription,
    PositionSetDescription,
    RigidBodyDescription,
    ServerDescription,
    SkeletonDescription,
)
from .errors import (
    ClientClosedError,
    ConnectError,
    FrameTimeout,
    LibraryNotFound,
    MiravError,
    NotConnectedError,
    RequestTimeout,
    Result,
    UnsupportedOperation,
)
from .frame import ExtendedBlock, ForcePlateResults, Frame, LabeledMarkers, RigidBodies, RigidBody
from .frame import Skeleton, Timecode

__version__ = "4.0.56.34"

__all__ = [name for name in dir() if not name.startswith("_")]
