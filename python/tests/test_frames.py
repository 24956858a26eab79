"""Frames and descriptions against what mirav-sim sends: the synthetic scene, typical frames and a
C3D take, value by value."""

import ctypes
import math
import struct

import numpy as np
import pytest
from conftest import recording

import mirav

RATE = 200.0
HEIGHTS = [0.95, 1.25, 1.65, 0.05, 0.05]
BONES = ["Hips", "Spine", "Head", "LeftFoot", "RightFoot"]
f32 = np.float32


def scene_time(number):
    return f32(number / RATE)


def expected_body(index, number):
    t = scene_time(number)
    radius = f32(0.5 + 0.5 * index)
    angle = t * f32(0.5 + 0.25 * index)
    position = [radius * np.cos(angle), radius * np.sin(angle), f32(1.0 + 0.1 * index)]
    orientation = [0, 0, np.sin(angle / 2), np.cos(angle / 2)]
    return np.array(position, f32), np.array(orientation, f32)


def first_frame(client, timeout=5.0):
    return next(client.frames(timeout=timeout))


def test_scene_descriptions_and_server(sim):
    with mirav.Client("127.0.0.1") as client:
        scene = client.descriptions()
        assert [b.name for b in scene.rigid_bodies] == ["RigidBody1", "RigidBody2", "RigidBody3"]
        assert [b.id for b in scene.rigid_bodies] == [1, 2, 3]
        walker = scene.skeleton("Walker")
        assert [b.name for b in walker.bones] == BONES
        assert [b.id for b in walker.bones] == [100, 101, 102, 103, 104]
        assert walker.bone("Head").parent_id == 100
        assert scene.marker_set("Wand").marker_names == ["Wand_1", "Wand_2", "Wand_3", "Wand_4"]
        kinds = [p.kind for p in scene.force_plates]
        assert kinds[:2] == [3, 4] and len(kinds) == 3
        assert scene.force_plates[2].channel_names == ["Analog %d" % (i + 1) for i in range(4)]
        assert scene.force_plates[0].orientation.shape == (3, 3)
        with pytest.raises(KeyError):
            scene.rigid_body("NoSuchBody")

        server = client.server_description()
        assert server.host_present and server.host_computer_name == "mirav-sim"
        assert server.host_computer_address == "127.0.0.1"
        assert server.sdk_version == mirav.library_version() == (4, 0, 56, 34)

        tpose = client.tpose_descriptions("Walker")
        assert tpose.skeletons[0].name == "Walker"
        assert [b.offset[2] for b in tpose.skeletons[0].bones] == pytest.approx(HEIGHTS)


def test_scene_frame_values(sim):
    with mirav.Client("127.0.0.1") as client:
        client.wait_for_force_plates()
        frame = first_frame(client)
        n = frame.number
        t = scene_time(n)
        assert n >= 1

        for index in range(3):
            body = frame.rigid_body("RigidBody%d" % (index + 1))
            position, orientation = expected_body(index, n)
            assert body.id == index + 1 and body.name == "RigidBody%d" % (index + 1)
            np.testing.assert_allclose(body.position, position, atol=1e-5)
            np.testing.assert_allclose(body.orientation, orientation, atol=1e-5)
            assert body.tracked and body.mean_error == pytest.approx(0.0002)
            np.testing.assert_allclose(
                body.markers, [position + [0.05 * m, 0, 0] for m in range(3)], atol=1e-5
            )
            assert body.marker_ids.tolist() == [body.id * 10 + m for m in range(3)]
            assert body.marker_sizes == pytest.approx([0.014] * 3)
        assert frame.rigid_body(2).name == "RigidBody2"  # by id as well
        with pytest.raises(KeyError):
            frame.rigid_body("NoSuchBody")
        assert frame.rigid_bodies.get("NoSuchBody") is None and "RigidBody3" in frame.rigid_bodies
        assert frame.rigid_bodies.positions.shape == (3, 3)
        assert frame.rigid_bodies.names == ["RigidBody1", "RigidBody2", "RigidBody3"]

        walker = frame.skeleton("Walker")
        assert walker.id == 1 and walker.bones.names == BONES
        stride = 0.2 * math.sin(2 * math.pi * t)
        x = math.fmod(0.8 * t, 6.0) - 3.0
        np.testing.assert_allclose(walker.bone("Head").position, [x, 0, 1.65], atol=1e-4)
        left = walker.bone("LeftFoot").position
        np.testing.assert_allclose(left, [x + stride, 0.1, 0.05], atol=1e-4)
        np.testing.assert_allclose(walker.bones.positions[:, 2], HEIGHTS, atol=1e-6)

        wand = frame.marker_sets["Wand"]
        expected = [[0.1 * m, 0, 1.5 + 0.2 * math.sin(t)] for m in range(4)]
        np.testing.assert_allclose(wand, expected, atol=1e-5)
        np.testing.assert_allclose(frame.marker("Wand", "Wand_3"), expected[2], atol=1e-5)
        with pytest.raises(KeyError):
            frame.marker("Wand", "Wand_9")

        labeled = frame.labeled_markers
        assert labeled.ids.tolist() == [10, 20, 30] and labeled.positions.shape == (3, 3)
        np.testing.assert_allclose(labeled.positions[1], expected_body(1, n)[0], atol=1e-5)
        assert labeled.sizes == pytest.approx([0.014] * 3)
        np.testing.assert_allclose(
            frame.unlabeled_markers, [[math.cos(t), 2, 0.02], [-1, math.sin(t), 0.02]], atol=1e-5
        )

        # The plates' channels were turned into force plates; the four analog inputs remain.
        np.testing.assert_allclose(frame.analog, [math.sin(t + a) for a in range(4)], atol=1e-5)
        assert frame.analog_value("Analog 2") == pytest.approx(math.sin(t + 1), abs=1e-5)
        with pytest.raises(KeyError):
            frame.analog_value("Analog 9")

        assert frame.latency == pytest.approx(2.5)
        assert frame.timestamp == n * 1000000 // 200
        seconds, frames = divmod(n, 200)
        assert (frame.timecode.seconds, frame.timecode.frames) == (seconds % 60, frames)
        assert frame.timecode.text == "00:00:%02d:%02d.0" % (seconds % 60, frames)
        assert frame.extended_blocks == [] and len(frame.rigid_body_kinematics) == 0


def expected_plate_force(number):
    """(loaded plate, |force|) of the demo walk for frame number, or None when no plate is."""
    index = number - 1
    if index <= 0:
        return None
    step, phase_frame = divmod(index - 1, 80)
    if phase_frame >= 60:
        return None
    phase = (phase_frame + 0.5) / 60
    vertical = 750 * math.sin(math.pi * phase)
    braking = 0.15 * vertical * math.cos(math.pi * phase)
    return step % 2, math.sqrt(vertical**2 + braking**2 + (0.03 * vertical) ** 2)


def test_force_plates_belong_to_their_frame(sim):
    with mirav.Client("127.0.0.1") as client:
        client.wait_for_force_plates()
        checked = 0
        for frame in client.frames(timeout=5.0):
            plates = frame.force_plates
            assert plates is not None and len(plates) == 2
            assert plates.forces.shape == (2, 3) and plates.centres_of_pressure.shape == (2, 3)
            assert plates.free_moments.shape == (2,)
            magnitudes = np.linalg.norm(plates.forces, axis=1)
            expected = expected_plate_force(frame.number)
            if expected is None:
                assert magnitudes == pytest.approx([0, 0], abs=1.0)
            else:
                loaded, magnitude = expected
                assert magnitudes[loaded] == pytest.approx(magnitude, rel=0.01, abs=1.0)
                assert magnitudes[1 - loaded] == pytest.approx(0, abs=1.0)
            checked += 1
            if checked == 120:
                break


def test_typical_frame_every_part(start_sim):
    start_sim("--typical", "--rate", "200", "--duration", "60")
    with mirav.Client("127.0.0.1", describe=False) as client:
        frame = first_frame(client)
    assert len(frame.marker_sets) == 10
    np.testing.assert_array_equal(frame.marker_sets["MarkerSet7"][:, 0], 7)
    np.testing.assert_array_equal(frame.marker_sets["MarkerSet7"][:, 1], np.arange(20))
    bodies = frame.rigid_bodies
    assert len(bodies) == 20 and bodies.ids.tolist() == list(range(1, 21))
    assert bodies[0].name == ""  # no descriptions asked for
    np.testing.assert_allclose(bodies.positions[:, 0], 0.1 * np.arange(1, 21), atol=1e-6)
    body = bodies[19]
    assert body.marker_ids.tolist() == [2000 + m for m in range(5)]
    np.testing.assert_allclose(body.markers[:, 0], 0.01 * np.arange(5), atol=1e-7)
    assert [s.id for s in frame.skeletons] == [1, 2]
    assert frame.skeleton(2).bones.ids.tolist() == [2000 + b for b in range(21)]
    assert len(frame.labeled_markers) == 100 and frame.labeled_markers.ids[-1] == 100
    # Force plates prepared by an earlier test stay prepared in this process (the library keeps
    # them process-wide) and take their channels from the front of the analog values.
    analog = 0.5 * np.arange(16)
    np.testing.assert_allclose(frame.analog, analog[len(analog) - len(frame.analog) :])
    assert frame.latency == pytest.approx(4.5) and frame.timestamp == 123456789
    assert frame.params == 3 and frame.timecode.text == "01:02:03:04.1"

    assert [(b.type, b.item_count) for b in frame.extended_blocks] == [(1, 20)]
    kinematics = frame.rigid_body_kinematics
    assert kinematics["id"].tolist() == list(range(1, 21))
    assert kinematics["roll"][4] == pytest.approx(5.25)
    assert kinematics["r_acceleration"][4] == pytest.approx(5 + 0.25 * 17)
    assert bodies(5).kinematics["yaw"] == pytest.approx(5.75)

    lean = mirav.Client("127.0.0.1", describe=False, rigid_body_markers=False)
    try:
        frame = first_frame(lean)
        assert frame.rigid_bodies[3].markers.shape == (0, 3)
        assert frame.rigid_bodies[3].position[0] == pytest.approx(0.4)
    finally:
        lean.close()


def read_c3d_points(path):
    """Points (frames, n, 3) and validity of a floating-point Intel C3D file, from its header."""
    with open(path, "rb") as handle:
        data = handle.read()
    points, analog = struct.unpack_from("<HH", data, 2)
    first, last = struct.unpack_from("<HH", data, 6)
    scale = struct.unpack_from("<f", data, 12)[0]
    start = struct.unpack_from("<H", data, 16)[0]
    assert scale < 0 and analog == 0, "the reader handles float files without analog data"
    frames = last - first + 1
    raw = np.frombuffer(data, "<f4", frames * points * 4, (start - 1) * 512)
    raw = raw.reshape(frames, points, 4)
    xyz = raw[:, :, :3]
    valid = np.isfinite(raw[:, :, 3]) & (raw[:, :, 3] >= 0) & np.any(xyz != 0, axis=2)
    return xyz, valid


def test_c3d_take_markers_equal_the_file(start_sim):
    path = recording("01_01.c3d")
    xyz, valid = read_c3d_points(path)
    start_sim("--c3d", path, "--rate", "500", "--duration", "60")
    with mirav.Client("127.0.0.1") as client:
        marker_set = client.descriptions().marker_sets[0]
        assert len(marker_set.marker_names) == xyz.shape[1]
        assert marker_set.marker_names[:3] == ["LBWT", "RBWT", "LFWT"]
        checked = 0
        for frame in client.frames(timeout=5.0):
            index = (frame.number - 1) % len(xyz)
            ok = valid[index]
            labeled = frame.labeled_markers
            assert labeled.ids.tolist() == (np.flatnonzero(ok) + 1).tolist()
            np.testing.assert_array_equal(labeled.positions, xyz[index][ok])
            np.testing.assert_array_equal(frame.marker_sets[marker_set.name][ok], xyz[index][ok])
            checked += 1
            if checked == 100:
                break


def test_polled_frame_agrees_with_the_library_accessors(sim):
    with mirav.Client("127.0.0.1") as client:
        first_frame(client)
        cdll = client._lib.cdll
        with client._lock:
            frame = client.poll_frame()
            assert frame is not None
            handle = ctypes.c_void_p(client._handle)
            latency, timestamp = ctypes.c_float(), ctypes.c_int64()
            assert cdll.GetLastFrameLatency(handle, ctypes.byref(latency)) == 0
            assert cdll.GetLastFrameTimeStamp(handle, ctypes.byref(timestamp)) == 0
            assert frame.latency == latency.value and frame.timestamp == timestamp.value
            # The store is process-wide: the polled frame may be one an earlier test left behind.
            counts = [
                (1, frame.number),
                (2, len(frame.marker_sets)),
                (3, len(frame.rigid_bodies)),
                (4, len(frame.skeletons)),
                (5, len(frame.labeled_markers)),
                (6, len(frame.unlabeled_markers)),
                (7, len(frame.analog)),
            ]
            for kind, value in counts:
                found = ctypes.c_int()
                assert cdll.GetLastFrameDataByType(handle, kind, ctypes.byref(found)) == 0
                assert found.value == value
            markers = ctypes.c_void_p()
            assert cdll.GetLastFrameLabeledMarker(handle, ctypes.byref(markers)) == 0
            library_markers = np.frombuffer(
                ctypes.string_at(markers.value, 24 * len(frame.labeled_markers)), "<f4"
            ).reshape(-1, 6)
            np.testing.assert_array_equal(frame.labeled_markers.positions, library_markers[:, 1:4])
