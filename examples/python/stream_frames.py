"""Prints live frames from a capture server for a while: rigid bodies by name, marker counts and
the frame rate. Usage: python3 stream_frames.py [server address] [seconds]"""

import sys
import time

import mirav


def main():
    server = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    with mirav.Client(server) as client:
        scene = client.descriptions()
        print("the server describes %d rigid bodies, %d skeletons, %d marker sets"
              % (len(scene.rigid_bodies), len(scene.skeletons), len(scene.marker_sets)))
        first = scene.rigid_bodies[0].name if scene.rigid_bodies else None
        start, count = time.monotonic(), 0
        for frame in client.frames(timeout=5.0):
            count += 1
            if count % 50 == 1:
                line = "frame %d %s" % (frame.number, frame.timecode.text)
                if first in frame.rigid_bodies:
                    body = frame.rigid_body(first)
                    line += " | %s at %s" % (body.name, body.position.round(3).tolist())
                line += " | %d labelled markers" % len(frame.labeled_markers)
                print(line)
            if time.monotonic() - start >= seconds:
                break
        elapsed = time.monotonic() - start
        print("received %d frames in %.1f s (%.1f fps)" % (count, elapsed, count / elapsed))


if __name__ == "__main__":
    main()
