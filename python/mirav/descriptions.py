"""Data descriptions and the server description as plain Python objects."""

import ctypes
from dataclasses import dataclass, field
from typing import List

import numpy as np

from . import _records as rec

MARKER_SET, RIGID_BODY, SKELETON, FORCE_PLATE, POSITION_SET, OPAQUE = range(6)


def _text(raw):
    return bytes(raw).split(b"\0", 1)[0].decode("utf-8", "replace")


@dataclass
class MarkerSetDescription:
    name: str
    marker_names: List[str]


@dataclass
class RigidBodyDescription:
    name: str
    id: int
    parent_id: int
    offset: np.ndarray  # (3,)
    orientation: np.ndarray  # (4,) x, y, z, w


@dataclass
class SkeletonDescription:
    name: str
    id: int
    bones: List[RigidBodyDescription]

    def bone(self, name):
        for bone in self.bones:
            if bone.name == name:
                return bone
        raise KeyError("skeleton %r has no bone %r" % (self.name, name))


@dataclass
class ForcePlateDescription:
    """A force plate (kind 3: eight channels, 4: six channels) or another analog device."""

    kind: int
    channel_scale: int
    origin: np.ndarray  # (3,)
    geometry: np.ndarray  # (3,)
    orientation: np.ndarray  # (3, 3), row by row
    calibration: np.ndarray  # (8, 8)
    channel_names: List[str]


@dataclass
class PositionSetDescription:
    name: str
    points: np.ndarray  # (n, 3)


@dataclass
class Descriptions:
    """Everything the server describes, by kind, in the order it sent them."""

    marker_sets: List[MarkerSetDescription] = field(default_factory=list)
    rigid_bodies: List[RigidBodyDescription] = field(default_factory=list)
    skeletons: List[SkeletonDescription] = field(default_factory=list)
    force_plates: List[ForcePlateDescription] = field(default_factory=list)
    position_sets: List[PositionSetDescription] = field(default_factory=list)
    opaque: List[bytes] = field(default_factory=list)

    def _named(self, items, name, kind):
        for item in items:
            if item.name == name:
                return item
        raise KeyError("no %s named %r is described" % (kind, name))

    def rigid_body(self, name):
        return self._named(self.rigid_bodies, name, "rigid body")

    def skeleton(self, name):
        return self._named(self.skeletons, name, "skeleton")

    def marker_set(self, name):
        return self._named(self.marker_sets, name, "marker set")


@dataclass
class ServerDescription:
    host_present: bool
    host_computer_name: str
    host_computer_address: str
    host_app: str
    host_app_version: tuple
    sdk_version: tuple


def _rigid_body(record):
    return RigidBodyDescription(
        name=_text(record.name),
        id=record.id,
        parent_id=record.parentId,
        offset=np.array(record.offset, np.float32),
        orientation=np.array(record.orientation, np.float32),
    )


def _floats(array, shape):
    return np.ctypeslib.as_array(array).astype(np.float32).reshape(shape)


def _convert_one(kind, pointer, result):
    if kind == MARKER_SET:
        record = ctypes.cast(pointer, ctypes.POINTER(rec.MarkerSetDescription)).contents
        count = max(0, record.markerCount)
        names = []
        if record.markerNames:
            names = [
                (record.markerNames[i] or b"").decode("utf-8", "replace") for i in range(count)
            ]
        result.marker_sets.append(MarkerSetDescription(_text(record.name), names))
    elif kind == RIGID_BODY:
        record = ctypes.cast(pointer, ctypes.POINTER(rec.RigidBodyDescription)).contents
        result.rigid_bodies.append(_rigid_body(record))
    elif kind == SKELETON:
        record = ctypes.cast(pointer, ctypes.POINTER(rec.SkeletonDescription)).contents
        count = min(max(0, record.rigidBodyCount), rec.MAX_SKELRIGIDBODIES)
        bones = [_rigid_body(record.rigidBodies[i]) for i in range(count)]
        result.skeletons.append(SkeletonDescription(_text(record.name), record.skeletonId, bones))
    elif kind == FORCE_PLATE:
        record = ctypes.cast(pointer, ctypes.POINTER(rec.ForcePlateDescription)).contents
        count = min(max(0, record.channelCount), rec.MAX_FORCEPLATE_CHANNELS)
        result.force_plates.append(
            ForcePlateDescription(
                kind=record.plateKind,
                channel_scale=record.channelScale,
                origin=_floats(record.origin, (3,)),
                geometry=_floats(record.geometry, (3,)),
                orientation=_floats(record.orientation, (3, 3)),
                calibration=_floats(record.calibration, (8, 8)),
                channel_names=[_text(record.channelNames[i]) for i in range(count)],
            )
        )
    elif kind == POSITION_SET:
        record = ctypes.cast(pointer, ctypes.POINTER(rec.PositionSetDescription)).contents
        count = max(0, record.pointCount)
        raw = ctypes.string_at(record.points, 12 * count) if record.points and count else b""
        points = np.frombuffer(raw, np.float32).reshape(count if raw else 0, 3).copy()
        result.position_sets.append(PositionSetDescription(_text(record.name), points))
    elif kind == OPAQUE:
        result.opaque.append(ctypes.string_at(pointer, 20))


def convert_descriptions(record):
    """Descriptions from a library sDataDescriptions record (which the caller then releases)."""
    result = Descriptions()
    count = min(max(0, record.descriptionCount), rec.MAX_MODELS)
    for index in range(count):
        entry = record.descriptions[index]
        if entry.data:
            _convert_one(entry.type, entry.data, result)
    return result


def convert_server_description(record):
    return ServerDescription(
        host_present=bool(record.hostPresent),
        host_computer_name=_text(record.hostComputerName),
        host_computer_address=".".join(str(b) for b in record.hostComputerAddress),
        host_app=_text(record.hostApp),
        host_app_version=tuple(record.hostAppVersion),
        sdk_version=tuple(record.sdkVersion),
    )
