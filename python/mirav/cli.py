"""python -m mirav info|describe|stream SERVER: a small command-line client like mirav-cli.

Exit codes: 0 success, 1 failure (one line on standard error says why), 2 wrong usage.
"""

import argparse
import json
import logging
import sys
import time

from . import Client, FrameTimeout, MiravError, library_version
from .errors import LibraryNotFound


def _version(values):
    return ".".join(str(v) for v in values)


def _info(client, options, out):
    server = client.server_description()
    scene = client.descriptions()
    print("server        %s" % options.server, file=out)
    print("application   %s %s" % (server.host_app, _version(server.host_app_version)), file=out)
    host = (server.host_computer_name, server.host_computer_address)
    print("host          %s (%s)" % host, file=out)
    print("server protocol version   %s" % _version(server.sdk_version), file=out)
    print("library protocol version  %s" % _version(library_version()), file=out)
    counts = [
        ("marker sets", len(scene.marker_sets)),
        ("rigid bodies", len(scene.rigid_bodies)),
        ("skeletons", len(scene.skeletons)),
        ("force plates", sum(1 for p in scene.force_plates if p.kind in (3, 4))),
        ("analog devices", sum(1 for p in scene.force_plates if p.kind not in (3, 4))),
    ]
    total = sum(n for _, n in counts) + len(scene.position_sets) + len(scene.opaque)
    listed = ", ".join("%s %d" % (name, n) for name, n in counts if n)
    print("describes     %d items%s" % (total, ": " + listed if listed else ""), file=out)
    return 0


def _floats(array):
    return [float(v) for v in array]


def _describe_json(scene):
    return {
        "markerSets": [{"name": m.name, "markers": m.marker_names} for m in scene.marker_sets],
        "rigidBodies": [
            {"name": b.name, "id": b.id, "parentId": b.parent_id, "offset": _floats(b.offset),
             "orientation": _floats(b.orientation)}
            for b in scene.rigid_bodies
        ],
        "skeletons": [
            {"name": s.name, "id": s.id,
             "bones": [{"name": b.name, "id": b.id, "parentId": b.parent_id,
                        "offset": _floats(b.offset)} for b in s.bones]}
            for s in scene.skeletons
        ],
        "forcePlates": [
            {"kind": p.kind, "channels": p.channel_names, "origin": _floats(p.origin),
             "geometry": _floats(p.geometry)}
            for p in scene.force_plates
        ],
        "positionSets": [
            {"name": p.name, "points": [_floats(q) for q in p.points]} for p in scene.position_sets
        ],
    }


def _describe(client, options, out):
    scene = client.descriptions()
    if options.json:
        print(json.dumps(_describe_json(scene)), file=out)
        return 0
    for marker_set in scene.marker_sets:
        print("marker set %s: %s" % (marker_set.name, ", ".join(marker_set.marker_names)), file=out)
    for body in scene.rigid_bodies:
        print("rigid body %s (id %d, parent %d)" % (body.name, body.id, body.parent_id), file=out)
    for skeleton in scene.skeletons:
        print("skeleton %s (id %d)" % (skeleton.name, skeleton.id), file=out)
        for bone in skeleton.bones:
            print("  bone %s (id %d, parent %d)" % (bone.name, bone.id, bone.parent_id), file=out)
    for plate in scene.force_plates:
        kind = {3: "force plate, 8 channels", 4: "force plate, 6 channels"}.get(
            plate.kind, "analog device"
        )
        print("%s: %s" % (kind, ", ".join(plate.channel_names)), file=out)
    for position_set in scene.position_sets:
        count = len(position_set.points)
        print("position set %s: %d points" % (position_set.name, count), file=out)
    return 0


def _body_json(body):
    return {"id": body.id, "name": body.name, "position": _floats(body.position),
            "orientation": _floats(body.orientation), "meanError": body.mean_error,
            "tracked": body.tracked}


def frame_json(frame, rigid_bodies=None):
    """A frame as the JSON object mirav-cli stream --json writes."""
    bodies = [b for b in frame.rigid_bodies if rigid_bodies is None or b.name in rigid_bodies]
    result = {"frame": frame.number, "timecode": frame.timecode.text,
              "timeStamp": frame.timestamp, "latency": frame.latency,
              "rigidBodies": [_body_json(b) for b in bodies]}
    if rigid_bodies is not None:
        return result
    result["skeletons"] = [
        {"id": s.id, "name": s.name, "bones": [_body_json(b) for b in s.bones]}
        for s in frame.skeletons
    ]
    result["markerSets"] = [
        {"name": name, "markers": [_floats(p) for p in points]}
        for name, points in frame.marker_sets.items()
    ]
    labeled = frame.labeled_markers
    result["labeledMarkers"] = [
        {"id": int(i), "position": _floats(p), "size": float(s)}
        for i, p, s in zip(labeled.ids, labeled.positions, labeled.sizes)
    ]
    result["otherMarkers"] = [_floats(p) for p in frame.unlabeled_markers]
    result["analog"] = _floats(frame.analog)
    plates = frame.force_plates
    result["forcePlates"] = [] if plates is None else [
        {"force": _floats(f), "centreOfPressure": _floats(c), "freeMoment": float(m)}
        for f, c, m in zip(plates.forces, plates.centres_of_pressure, plates.free_moments)
    ]
    return result


def _stream(client, options, out):
    scene = client.descriptions()
    names = None
    if options.rigid_body:
        names = set(options.rigid_body)
        described = {b.name for b in scene.rigid_bodies}
        for name in options.rigid_body:
            if name not in described:
                raise SystemExit(_fail("stream", "the server describes no rigid body %r" % name))
    try:
        client.wait_for_force_plates()
    except MiravError:
        pass  # a server without plates
    received, start = 0, time.monotonic()
    stream = client.frames(timeout=3.0 if received == 0 else 1.0)
    try:
        for frame in stream:
            received += 1
            if options.json:
                print(json.dumps(frame_json(frame, names)), file=out)
            elif received == 1 or received % 100 == 0:
                print("frame %d | %d rigid bodies | %d labelled markers" % (
                    frame.number, len(frame.rigid_bodies), len(frame.labeled_markers)), file=out)
            if options.frames and received >= options.frames:
                break
            if options.duration and time.monotonic() - start >= options.duration:
                break
    except FrameTimeout:
        if received == 0:
            raise SystemExit(_fail("stream", "connected to %s, but no frames arrived: is the "
                                   "server streaming, and does the firewall let UDP port 5231 "
                                   "through?" % options.server))
    finally:
        stream.close()
    seconds = max(time.monotonic() - start, 1e-9)
    summary = sys.stderr if options.json else out
    print("received %d frames in %.1f s (%.1f fps)" % (received, seconds, received / seconds),
          file=summary)
    print("frames dropped by the queue: %d" % stream.dropped, file=summary)
    return 0


def _fail(command, reason):
    print("mirav %s: %s" % (command, reason), file=sys.stderr)
    return 1


def _parser():
    parser = argparse.ArgumentParser(prog="python -m mirav", description=__doc__.split("\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    for name, text in [("info", "server description and versions"),
                       ("describe", "the data descriptions"),
                       ("stream", "stream frames")]:
        command = commands.add_parser(name, help=text)
        command.add_argument("server", help="IPv4 address or host name of the server")
        command.add_argument("--verbose", action="store_true", help="print the library's messages")
        if name in ("describe", "stream"):
            command.add_argument("--json", action="store_true", help="JSON output")
        if name == "stream":
            command.add_argument("--duration", type=float, default=0, help="seconds (0: no limit)")
            command.add_argument("--frames", type=int, default=0, help="stop after N frames")
            command.add_argument("--rigid-body", action="append", metavar="NAME",
                                 help="only this rigid body (repeatable)")
    return parser


def main(argv=None, out=None):
    options = _parser().parse_args(argv)
    out = out or sys.stdout
    logging.basicConfig(level=logging.DEBUG if options.verbose else logging.ERROR,
                        format="library: %(message)s", stream=sys.stderr)
    run = {"info": _info, "describe": _describe, "stream": _stream}[options.command]
    try:
        verbosity = 4 if options.verbose else 0
        with Client(options.server, describe=False, verbosity=verbosity) as client:
            return run(client, options, out)
    except (MiravError, LibraryNotFound) as error:
        return _fail(options.command, str(error))
    except KeyboardInterrupt:
        return 1
