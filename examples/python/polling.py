"""Polls the newest frame ten times a second and prints the first skeleton's bones.
Usage: python3 polling.py [server address] [seconds]"""

import sys
import time

import mirav


def main():
    server = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    with mirav.Client(server) as client:
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            time.sleep(0.1)
            frame = client.latest_frame()  # None until the first frame arrived
            if frame is None or not frame.skeletons:
                continue
            skeleton = frame.skeletons[0]
            bones = ", ".join("%s %.2f" % (name, z) for name, z in
                              zip(skeleton.bones.names, skeleton.bones.positions[:, 2]))
            print("frame %d, %s: %s" % (frame.number, skeleton.name, bones))


if __name__ == "__main__":
    main()
