"""mirav.Frame: a frame of capture data that owns its copy of the library's record.

The library's record is valid only during the data callback, so the callback copies every part of
it that is in use: each contiguous array of records in one step, as bytes. numpy arrays over those
bytes are made when a field is first read, on the reading thread; they are read-only snapshots
(copy one to change it).
"""

import ctypes
import struct

import numpy as np

from . import _records as rec

# The foreign function behind ctypes.string_at, called directly: it is called about 80 times per
# typical frame and the public wrapper adds a Python call to each.
_string_at = getattr(ctypes, "_string_at", ctypes.string_at)
_frombuffer = np.frombuffer
_two_ints = struct.Struct("<ii")
_other_header = struct.Struct("<iiQii")  # other marker count, pad, pointer, rigid body count, pad
_block_header = struct.Struct("<iii")
# Counts and pointers of the records, read without numpy on the receive thread.
_marker_set_arrays = struct.Struct("<256xi4xQ")  # marker count, marker pointer
_rigid_body_arrays = struct.Struct("<32xi4xQQQ8x")  # marker count, points, ids, sizes
_skeleton_arrays = struct.Struct("<4xiQ")  # bone count, bone pointer
_empty_points = np.zeros((0, 3), np.float32)
_empty_points.flags.writeable = False
_no_ids = _frombuffer(b"", np.int32)
_no_sizes = _frombuffer(b"", np.float32)


def _clamp(count, capacity):
    return count if 0 <= count <= capacity else (0 if count < 0 else capacity)


def _points(raw, count):
    if not count:
        return _empty_points
    return _frombuffer(raw, np.float32).reshape(count, 3)


def _name(raw):
    return raw.split(b"\0", 1)[0].decode("utf-8", "replace")


class Timecode:
    """A packed timecode (hours, minutes, seconds, frames in one 32-bit value) and its sub-frame."""

    __slots__ = ("value", "subframe")

    def __init__(self, value, subframe):
        self.value = value
        self.subframe = subframe

    @property
    def hours(self):
        return (self.value >> 24) & 0xFF

    @property
    def minutes(self):
        return (self.value >> 16) & 0xFF

    @property
    def seconds(self):
        return (self.value >> 8) & 0xFF

    @property
    def frames(self):
        return self.value & 0xFF

    @property
    def text(self):
        """The library's text form, "hh:mm:ss:ff.s"."""
        from ._library import library

        buffer = ctypes.create_string_buffer(64)
        library().function("Solvanta_TimecodeStringify")(self.value, self.subframe, buffer, 64)
        return buffer.value.decode("ascii", "replace")

    def __eq__(self, other):
        return (
            isinstance(other, Timecode)
            and self.value == other.value
            and self.subframe == other.subframe
        )

    def __repr__(self):
        return "Timecode(%s)" % self.text


class RigidBody:
    """One rigid body (or skeleton bone) of a frame; orientation is x, y, z, w."""

    __slots__ = (
        "id",
        "name",
        "position",
        "orientation",
        "mean_error",
        "params",
        "markers",
        "marker_ids",
        "marker_sizes",
        "kinematics",
    )

    @property
    def tracked(self):
        """Bit 0 of the server's flags: the body was tracked in this frame."""
        return bool(self.params & 1)

    def __repr__(self):
        return "RigidBody(id=%d, name=%r, position=%s, tracked=%s)" % (
            self.id,
            self.name,
            np.array2string(self.position, precision=4),
            self.tracked,
        )


class RigidBodies:
    """The rigid bodies (or bones of one skeleton) of a frame: arrays over all, and by name."""

    def __init__(self, records, markers, names, kinematics=None):
        self._records = records
        self._markers = markers  # per body (points, ids, sizes) bytes, or None
        self._names = names  # id -> name
        self._kinematics = kinematics  # id -> kinematics record, or None
        self._by_name = None
        self._cached = None

    def __len__(self):
        return len(self._records)

    @property
    def ids(self):
        return self._records["id"]

    @property
    def names(self):
        return [self._names.get(int(i), "") for i in self._records["id"]]

    @property
    def positions(self):
        return self._records["position"]

    @property
    def orientations(self):
        return self._records["orientation"]

    @property
    def mean_errors(self):
        return self._records["mean_error"]

    @property
    def params(self):
        return self._records["params"]

    @property
    def tracked(self):
        return (self._records["params"] & 1).astype(bool)

    def _columns(self):
        # Plain lists and array views, made once: indexing a structured array per field is slow.
        if self._cached is None:
            r = self._records
            self._cached = (
                r["id"].tolist(),
                r["position"],
                r["orientation"],
                r["mean_error"].tolist(),
                r["params"].tolist(),
                r["marker_count"].tolist(),
            )
        return self._cached

    def _body(self, index):
        ids, positions, orientations, errors, params, counts = self._columns()
        body = RigidBody()
        body.id = ids[index]
        body.name = self._names.get(body.id, "")
        body.position = positions[index]
        body.orientation = orientations[index]
        body.mean_error = errors[index]
        body.params = params[index]
        count = counts[index]
        if self._markers is not None and count:
            points, marker_ids, sizes = self._markers[index]
            body.markers = _points(points, count)
            body.marker_ids = _frombuffer(marker_ids, np.int32)
            body.marker_sizes = _frombuffer(sizes, np.float32)
        else:
            body.markers = _empty_points
            body.marker_ids = _no_ids
            body.marker_sizes = _no_sizes
        body.kinematics = self._kinematics(body.id) if self._kinematics else None
        return body

    def __getitem__(self, index):
        if index < 0:
            index += len(self._records)
        if not 0 <= index < len(self._records):
            raise IndexError(index)
        return self._body(index)

    def __iter__(self):
        for index in range(len(self._records)):
            yield self._body(index)

    def _index_of(self, key):
        if isinstance(key, str):
            if self._by_name is None:
                self._by_name = {}
                for index, body_id in enumerate(self._columns()[0]):
                    name = self._names.get(body_id)
                    if name is not None:
                        self._by_name.setdefault(name, index)
            return self._by_name.get(key)
        try:
            return self._columns()[0].index(key)
        except ValueError:
            return None

    def __contains__(self, key):
        return self._index_of(key) is not None

    def get(self, key):
        """The body with this name or id, or None when the frame lacks it."""
        index = self._index_of(key)
        return None if index is None else self._body(index)

    def __call__(self, key):
        index = self._index_of(key)
        if index is None:
            raise KeyError("no rigid body %r in this frame" % (key,))
        return self._body(index)


class Skeleton:
    """One skeleton of a frame: .id, .name and .bones (a RigidBodies)."""

    __slots__ = ("id", "name", "bones")

    def __init__(self, skeleton_id, name, bones):
        self.id = skeleton_id
        self.name = name
        self.bones = bones

    def bone(self, key):
        """The bone with this name or id; KeyError when the skeleton lacks it."""
        return self.bones(key)

    def __repr__(self):
        return "Skeleton(id=%d, name=%r, bones=%d)" % (self.id, self.name, len(self.bones))


class LabeledMarkers:
    """Labelled markers: .ids (n,), .positions (n, 3), .sizes (n,)."""

    __slots__ = ("_records",)

    def __init__(self, records):
        self._records = records

    def __len__(self):
        return len(self._records)

    @property
    def ids(self):
        return self._records["id"]

    @property
    def positions(self):
        return self._records["position"]

    @property
    def sizes(self):
        return self._records["size"]


class ForcePlateResults:
    """Force plate results of one frame, one row per plate."""

    __slots__ = ("_records",)

    def __init__(self, records):
        self._records = records

    def __len__(self):
        return len(self._records)

    @property
    def forces(self):
        return self._records["force"]

    @property
    def centres_of_pressure(self):
        return self._records["centre_of_pressure"]

    @property
    def free_moments(self):
        return self._records["free_moment"]


class ExtendedBlock:
    """One block of extended data: its type, item count and byte length as the server sent them."""

    __slots__ = ("type", "item_count", "byte_length")

    def __init__(self, block_type, item_count, byte_length):
        self.type = block_type
        self.item_count = item_count
        self.byte_length = byte_length

    def __repr__(self):
        return "ExtendedBlock(type=%d, items=%d)" % (self.type, self.item_count)


class Frame:
    """One frame of capture data, owning its copy. See the README's Python section for fields."""

    __slots__ = (
        "number",
        "_names",
        "_marker_sets_raw",
        "_marker_points",
        "_other_count",
        "_other_raw",
        "_rigid_raw",
        "_rigid_markers",
        "_skeletons_raw",
        "_bones_raw",
        "_labeled_raw",
        "_trailer_raw",
        "_blocks",
        "_plates_raw",
        "capture_time",
        "arrival_time",
        "_cache",
    )

    def __init__(self):
        self.capture_time = None
        self.arrival_time = None
        self._plates_raw = None
        self._cache = {}

    # --- header values -------------------------------------------------------------------
    def _trailer(self):
        found = self._cache.get("trailer")
        if found is None:
            found = self._cache["trailer"] = _frombuffer(self._trailer_raw, rec.TRAILER, 1)[0]
        return found

    @property
    def timecode(self):
        trailer = self._trailer()
        return Timecode(int(trailer["timecode"]), int(trailer["subframe"]))

    @property
    def timestamp(self):
        return int(self._trailer()["timestamp"])

    @property
    def latency(self):
        return float(self._trailer()["latency"])

    @property
    def params(self):
        return int(self._trailer()["params"])

    # --- markers -------------------------------------------------------------------------
    @property
    def marker_sets(self):
        """Marker set name -> (n, 3) float32 positions."""
        found = self._cache.get("marker_sets")
        if found is None:
            found = {}
            if self._marker_sets_raw:
                records = _frombuffer(self._marker_sets_raw, rec.MARKER_SET)
                for record, raw in zip(records, self._marker_points):
                    found.setdefault(_name(record["name"]), _points(raw, int(record["count"])))
            self._cache["marker_sets"] = found
        return found

    def marker(self, marker_set, marker):
        """Position (3,) of a named marker of a marker set; KeyError when either is unknown."""
        points = self.marker_sets[marker_set]
        names = self._names.marker_names.get(marker_set)
        if names is None or marker not in names:
            raise KeyError("marker %r is not described in marker set %r" % (marker, marker_set))
        index = names[marker]
        if index >= len(points):
            raise KeyError("marker %r is absent from this frame" % (marker,))
        return points[index]

    @property
    def unlabeled_markers(self):
        """(n, 3) float32 positions of the markers that belong to no marker set."""
        return _points(self._other_raw, self._other_count)

    @property
    def labeled_markers(self):
        return LabeledMarkers(_frombuffer(self._labeled_raw, rec.LABELED_MARKER))

    # --- rigid bodies and skeletons ------------------------------------------------------
    @property
    def rigid_bodies(self):
        found = self._cache.get("rigid_bodies")
        if found is None:
            found = self._cache["rigid_bodies"] = RigidBodies(
                _frombuffer(self._rigid_raw, rec.RIGID_BODY),
                self._rigid_markers,
                self._names.rigid_bodies,
                self._kinematics_by_id(),
            )
        return found

    def rigid_body(self, key):
        """The rigid body with this name (from the descriptions) or id; KeyError when absent."""
        return self.rigid_bodies(key)

    @property
    def skeletons(self):
        found = self._cache.get("skeletons")
        if found is None:
            found = []
            for record, bones_raw in zip(
                _frombuffer(self._skeletons_raw, rec.SKELETON), self._bones_raw
            ):
                skeleton_id = int(record["id"])
                name, bone_names = self._names.skeletons.get(skeleton_id, ("", {}))
                bones = RigidBodies(_frombuffer(bones_raw, rec.RIGID_BODY), None, bone_names)
                found.append(Skeleton(skeleton_id, name, bones))
            self._cache["skeletons"] = found
        return found

    def skeleton(self, key):
        """The skeleton with this name or id; KeyError when absent."""
        for skeleton in self.skeletons:
            if skeleton.name == key or skeleton.id == key:
                return skeleton
        raise KeyError("no skeleton %r in this frame" % (key,))

    # --- analog, force plates, extended data ---------------------------------------------
    @property
    def analog(self):
        """(n,) float32 analog values (force plate channels are taken out by the library)."""
        trailer = self._trailer()
        count = _clamp(int(trailer["analog_count"]), rec.MAX_ANALOG_CHANNELS)
        return trailer["analog"][:count]

    def analog_value(self, channel):
        """Value of a named analog channel (position in its device description)."""
        position = self._names.channels.get(channel)
        if position is None:
            raise KeyError("analog channel %r is not described" % (channel,))
        values = self.analog
        if position >= len(values):
            raise KeyError("analog channel %r is absent from this frame" % (channel,))
        return float(values[position])

    @property
    def force_plates(self):
        """ForcePlateResults computed by the library for this frame, or None."""
        if self._plates_raw is None:
            return None
        return ForcePlateResults(_frombuffer(self._plates_raw, rec.FORCE_PLATE_RESULT))

    @property
    def extended_blocks(self):
        return [ExtendedBlock(t, n, length) for t, n, length, _ in self._blocks]

    @property
    def rigid_body_kinematics(self):
        """Structured array of the extended rigid-body kinematics items (all type-1 blocks)."""
        found = self._cache.get("kinematics")
        if found is None:
            raw = b"".join(items for t, _, _, items in self._blocks if t == 1)
            found = self._cache["kinematics"] = _frombuffer(raw, rec.RIGID_BODY_KINEMATICS)
        return found

    def _kinematics_by_id(self):
        """A look-up from rigid body id to its kinematics record, or None without extended data."""
        if not self._blocks:
            return None
        items = self.rigid_body_kinematics
        positions = {}
        for index, body_id in enumerate(items["id"].tolist()):
            positions.setdefault(body_id, index)

        def find(body_id):
            index = positions.get(body_id)
            return None if index is None else items[index]

        return find

    def __repr__(self):
        return "Frame(number=%d, rigid_bodies=%d, skeletons=%d, labeled_markers=%d)" % (
            self.number,
            len(self._rigid_raw) // rec.RIGID_BODY.itemsize,
            len(self._bones_raw),
            len(self._labeled_raw) // rec.LABELED_MARKER.itemsize,
        )


class Names:
    """Names from one set of descriptions, shared by the frames that arrive while it is current."""

    __slots__ = ("rigid_bodies", "skeletons", "marker_names", "channels")

    def __init__(self, descriptions=None):
        self.rigid_bodies = {}
        self.skeletons = {}
        self.marker_names = {}
        self.channels = {}
        if descriptions is None:
            return
        for body in descriptions.rigid_bodies:
            self.rigid_bodies.setdefault(body.id, body.name)
        for skeleton in descriptions.skeletons:
            bones = {}
            for bone in skeleton.bones:
                bones.setdefault(bone.id, bone.name)
            self.skeletons.setdefault(skeleton.id, (skeleton.name, bones))
        for marker_set in descriptions.marker_sets:
            positions = {}
            for index, name in enumerate(marker_set.marker_names):
                positions.setdefault(name, index)
            self.marker_names.setdefault(marker_set.name, positions)
        for plate in descriptions.force_plates:
            for index, name in enumerate(plate.channel_names):
                self.channels.setdefault(name, index)


def read_frame(address, names, with_rigid_body_markers=True):
    """Copies the record at address (valid only now) into a new Frame."""
    frame = Frame()
    frame._names = names
    number, set_count = _two_ints.unpack(_string_at(address, 8))
    frame.number = number

    set_count = _clamp(set_count, rec.MAX_MARKERSETS)
    if set_count:
        raw = _string_at(address + rec.OFF_MARKER_SETS, set_count * rec.MARKER_SET.itemsize)
        frame._marker_sets_raw = raw
        frame._marker_points = [
            _string_at(pointer, 12 * count) if pointer and count > 0 else b""
            for count, pointer in _marker_set_arrays.iter_unpack(raw)
        ]
    else:
        frame._marker_sets_raw = b""
        frame._marker_points = []

    other_count, _, other_pointer, body_count, _ = _other_header.unpack(
        _string_at(address + rec.OFF_OTHER_MARKER_COUNT, 24)
    )
    other_count = _clamp(other_count, rec.MAX_LABELED_MARKERS)
    frame._other_count = other_count if other_pointer else 0
    frame._other_raw = _string_at(other_pointer, 12 * other_count) if frame._other_count else b""

    body_count = _clamp(body_count, rec.MAX_RIGIDBODIES)
    raw = _string_at(address + rec.OFF_RIGID_BODIES, body_count * 72) if body_count else b""
    frame._rigid_raw = raw
    frame._rigid_markers = None
    if body_count and with_rigid_body_markers:
        markers = []
        for count, points, ids, sizes in _rigid_body_arrays.iter_unpack(raw):
            if 0 < count <= rec.MAX_MARKERS_PER_BODY and points and ids and sizes:
                markers.append(
                    (_string_at(points, 12 * count), _string_at(ids, 4 * count),
                     _string_at(sizes, 4 * count))
                )
            else:
                markers.append((b"", b"", b""))
        frame._rigid_markers = markers

    # Skeleton count, the skeleton records and the labelled marker count are read in one step.
    raw = _string_at(address + rec.OFF_SKELETON_COUNT, rec.OFF_LABELED - rec.OFF_SKELETON_COUNT)
    skeleton_count = _clamp(_two_ints.unpack_from(raw, 0)[0], rec.MAX_SKELETONS)
    labeled_count = _clamp(
        _two_ints.unpack_from(raw, rec.OFF_LABELED_COUNT - rec.OFF_SKELETON_COUNT - 4)[1],
        rec.MAX_LABELED_MARKERS,
    )
    skeletons = raw[8 : 8 + 16 * skeleton_count]
    frame._skeletons_raw = skeletons
    bones = []
    if skeleton_count:
        for count, pointer in _skeleton_arrays.iter_unpack(skeletons):
            count = _clamp(count, rec.MAX_SKELRIGIDBODIES)
            bones.append(_string_at(pointer, 72 * count) if pointer and count else b"")
    frame._bones_raw = bones

    frame._labeled_raw = (
        _string_at(address + rec.OFF_LABELED, 24 * labeled_count) if labeled_count else b""
    )
    # The trailer and the extended-data block count.
    raw = _string_at(address + rec.OFF_TRAILER, rec.OFF_EXTEND + 4 - rec.OFF_TRAILER)
    frame._trailer_raw = raw[: rec.TRAILER.itemsize]
    block_count = _clamp(
        _two_ints.unpack_from(raw, rec.OFF_EXTEND - 4 - rec.OFF_TRAILER)[1], rec.MAX_EXTEND_BLOCKS
    )
    blocks = []
    block_address = address + rec.OFF_EXTEND + 8
    for _ in range(block_count):
        block_type, item_count, byte_length = _block_header.unpack(_string_at(block_address, 12))
        item_count = _clamp(item_count, rec.MAX_EXTEND_ITEMS)
        items = b""
        if block_type == 1 and item_count:
            items = _string_at(block_address + rec.EXTEND_BLOCK_HEADER, 88 * item_count)
        blocks.append((block_type, item_count, byte_length, items))
        block_address += rec.EXTEND_BLOCK_SIZE
    frame._blocks = blocks
    return frame
