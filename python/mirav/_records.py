"""The library's records as ctypes structures and numpy structured dtypes.

Sizes and offsets are those of the C headers on 64-bit targets; numpy dtypes give each record's
fields at their offsets so that a contiguous array of records is copied in one step.
"""

import ctypes

import numpy as np

MAX_MODELS = 200
MAX_MARKERSETS = 200
MAX_RIGIDBODIES = 1000
MAX_SKELETONS = 100
MAX_SKELRIGIDBODIES = 200
MAX_LABELED_MARKERS = 1000
MAX_ANALOG_CHANNELS = 32
MAX_NAMELENGTH = 256
MAX_FORCEPLATES = 8
MAX_EXTEND_BLOCKS = 10
MAX_EXTEND_ITEMS = 1000
MAX_FORCEPLATE_CHANNELS = 32
MAX_MARKERS_PER_BODY = 200

# Offsets inside sFrameOfMocapData.
FRAME_SIZE = 1032376
OFF_MARKER_SETS = 8
OFF_OTHER_MARKER_COUNT = 54408  # count, pad, pointer, rigid body count
OFF_RIGID_BODIES = 54432
OFF_SKELETON_COUNT = 126432
OFF_SKELETONS = 126440
OFF_LABELED_COUNT = 128040
OFF_LABELED = 128044
OFF_TRAILER = 152044  # analog count, analog values, latency ... params
OFF_EXTEND = 152208
EXTEND_BLOCK_SIZE = 88016
EXTEND_BLOCK_HEADER = 16

POINT = np.dtype(("<f4", (3,)))

MARKER_SET = np.dtype(
    {
        "names": ["name", "count", "markers"],
        "formats": ["S256", "<i4", "<u8"],
        "offsets": [0, 256, 264],
        "itemsize": 272,
    }
)

RIGID_BODY = np.dtype(
    {
        "names": [
            "id",
            "position",
            "orientation",
            "marker_count",
            "markers",
            "marker_ids",
            "marker_sizes",
            "mean_error",
            "params",
        ],
        "formats": ["<i4", ("<f4", 3), ("<f4", 4), "<i4", "<u8", "<u8", "<u8", "<f4", "<i2"],
        "offsets": [0, 4, 16, 32, 40, 48, 56, 64, 68],
        "itemsize": 72,
    }
)

SKELETON = np.dtype(
    {
        "names": ["id", "bone_count", "bones"],
        "formats": ["<i4", "<i4", "<u8"],
        "offsets": [0, 4, 8],
        "itemsize": 16,
    }
)

LABELED_MARKER = np.dtype(
    {
        "names": ["id", "position", "size"],
        "formats": ["<i4", ("<f4", 3), "<f4"],
        "offsets": [0, 4, 16],
        "itemsize": 24,
    }
)

# The fields after the labelled markers: analog values, latency, timecode, time stamp, flags.
TRAILER = np.dtype(
    {
        "names": [
            "analog_count", "analog", "latency", "timecode", "subframe", "timestamp", "params"
        ],
        "formats": ["<i4", ("<f4", 32), "<f4", "<u4", "<u4", "<i8", "<i2"],
        "offsets": [0, 4, 132, 136, 140, 148, 156],
        "itemsize": 164,
    }
)

EXTEND_FIELDS = [
    "roll",
    "pitch",
    "yaw",
    "roll_velocity",
    "pitch_velocity",
    "yaw_velocity",
    "roll_acceleration",
    "pitch_acceleration",
    "yaw_acceleration",
    "x_velocity",
    "y_velocity",
    "z_velocity",
    "r_velocity",
    "x_acceleration",
    "y_acceleration",
    "z_acceleration",
    "r_acceleration",
]

RIGID_BODY_KINEMATICS = np.dtype(
    {
        "names": ["id"] + EXTEND_FIELDS,
        "formats": ["<i4"] + ["<f4"] * len(EXTEND_FIELDS),
        "offsets": [0] + [4 + 4 * i for i in range(len(EXTEND_FIELDS))],
        "itemsize": 88,
    }
)

FORCE_PLATE_RESULT = np.dtype(
    {
        "names": ["force", "centre_of_pressure", "free_moment"],
        "formats": [("<f4", 3), ("<f4", 3), "<f4"],
        "offsets": [0, 12, 24],
        "itemsize": 28,
    }
)


class ForcePlates(ctypes.Structure):
    _fields_ = [
        ("frameNumber", ctypes.c_int32),
        ("forcePlateCount", ctypes.c_int32),
        ("forcePlates", ctypes.c_uint8 * (28 * MAX_FORCEPLATES)),
    ]


class ServerDescription(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("hostPresent", ctypes.c_bool),
        ("hostComputerName", ctypes.c_char * MAX_NAMELENGTH),
        ("hostComputerAddress", ctypes.c_uint8 * 4),
        ("hostApp", ctypes.c_char * MAX_NAMELENGTH),
        ("hostAppVersion", ctypes.c_uint8 * 4),
        ("sdkVersion", ctypes.c_uint8 * 4),
    ]


class MarkerSetDescription(ctypes.Structure):
    _fields_ = [
        ("name", ctypes.c_char * MAX_NAMELENGTH),
        ("markerCount", ctypes.c_int32),
        ("pad0", ctypes.c_int32),
        ("markerNames", ctypes.POINTER(ctypes.c_char_p)),
    ]


class RigidBodyDescription(ctypes.Structure):
    _fields_ = [
        ("name", ctypes.c_char * MAX_NAMELENGTH),
        ("id", ctypes.c_int32),
        ("parentId", ctypes.c_int32),
        ("offset", ctypes.c_float * 3),
        ("orientation", ctypes.c_float * 4),
    ]


class SkeletonDescription(ctypes.Structure):
    _fields_ = [
        ("name", ctypes.c_char * MAX_NAMELENGTH),
        ("skeletonId", ctypes.c_int32),
        ("rigidBodyCount", ctypes.c_int32),
        ("rigidBodies", RigidBodyDescription * MAX_SKELRIGIDBODIES),
    ]


class ForcePlateDescription(ctypes.Structure):
    _fields_ = [
        ("reserved0", ctypes.c_uint8 * 4),
        ("channelScale", ctypes.c_int32),
        ("reserved1", ctypes.c_uint8 * 8),
        ("origin", ctypes.c_float * 3),
        ("geometry", ctypes.c_float * 3),
        ("orientation", ctypes.c_float * 9),
        ("calibration", ctypes.c_float * 64),
        ("reserved2", ctypes.c_uint8 * 48),
        ("plateKind", ctypes.c_int32),
        ("reserved3", ctypes.c_uint8 * 4),
        ("channelCount", ctypes.c_int32),
        ("channelNames", (ctypes.c_char * MAX_NAMELENGTH) * MAX_FORCEPLATE_CHANNELS),
    ]


class PositionSetDescription(ctypes.Structure):
    _fields_ = [
        ("name", ctypes.c_char * MAX_NAMELENGTH),
        ("pointCount", ctypes.c_int32),
        ("pad0", ctypes.c_int32),
        ("points", ctypes.c_void_p),
    ]


class DataDescription(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int32), ("pad0", ctypes.c_int32), ("data", ctypes.c_void_p)]


class DataDescriptions(ctypes.Structure):
    _fields_ = [
        ("descriptionCount", ctypes.c_int32),
        ("pad0", ctypes.c_int32),
        ("descriptions", DataDescription * MAX_MODELS),
    ]


class FrameHostTiming(ctypes.Structure):
    """Host timing of a frame; the caller sets size, the library fills what it covers."""

    _fields_ = [
        ("size", ctypes.c_uint32),
        ("pad0", ctypes.c_uint32),
        ("captureTime", ctypes.c_double),
        ("captureUncertainty", ctypes.c_double),
        ("arrivalTime", ctypes.c_double),
        ("deliveryTime", ctypes.c_double),
        ("estimatedRate", ctypes.c_double),
    ]


class StreamStatistics(ctypes.Structure):
    """Integrity counters of a client's stream; the caller sets size, the library fills it."""

    _fields_ = [
        ("size", ctypes.c_uint32),
        ("kernelDropsReported", ctypes.c_uint32),
        ("datagramsReceived", ctypes.c_uint64),
        ("bytesReceived", ctypes.c_uint64),
        ("framesDelivered", ctypes.c_uint64),
        ("framesMissing", ctypes.c_uint64),
        ("framesOutOfOrder", ctypes.c_uint64),
        ("framesDroppedByQueue", ctypes.c_uint64),
        ("messagesAbandoned", ctypes.c_uint64),
        ("messagesKernelDiscarded", ctypes.c_uint64),
        ("datagramsMalformed", ctypes.c_uint64),
        ("fragmentsRepeated", ctypes.c_uint64),
        ("datagramsForeign", ctypes.c_uint64),
        ("kernelDrops", ctypes.c_uint64),
        ("millisecondsSinceLastFrame", ctypes.c_int64),
    ]


_CHECKS = [
    (StreamStatistics, 112),
    (FrameHostTiming, 48),
    (ForcePlates, 232),
    (ServerDescription, 525),
    (MarkerSetDescription, 272),
    (RigidBodyDescription, 292),
    (SkeletonDescription, 58664),
    (ForcePlateDescription, 8584),
    (PositionSetDescription, 272),
    (DataDescriptions, 3208),
]
for _type, _size in _CHECKS:
    assert ctypes.sizeof(_type) == _size, _type.__name__
assert ForcePlateDescription.plateKind.offset == 380
assert ForcePlateDescription.channelNames.offset == 392
assert TRAILER.fields["params"][1] == 152200 - OFF_TRAILER
