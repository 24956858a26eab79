"""Reads frames with asyncio next to another task, with force plates prepared first.
Usage: python3 async_frames.py [server address] [seconds]"""

import asyncio
import sys

import mirav


async def heartbeat(stop):
    while not stop.is_set():
        print("... still running")
        try:
            await asyncio.wait_for(stop.wait(), 1.0)
        except asyncio.TimeoutError:
            pass


async def main():
    server = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    with mirav.Client(server) as client:
        client.wait_for_force_plates()
        stop = asyncio.Event()
        task = asyncio.create_task(heartbeat(stop))
        loop = asyncio.get_running_loop()
        end = loop.time() + seconds
        async for frame in client.aframes(timeout=5.0):
            plates = frame.force_plates
            if plates is not None and frame.number % 25 == 0:
                vertical = plates.forces[:, 2].round(1)
                print("frame %d: vertical forces %s N" % (frame.number, vertical))
            if loop.time() >= end:
                break
        stop.set()
        await task


if __name__ == "__main__":
    asyncio.run(main())
