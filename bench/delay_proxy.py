#!/usr/bin/python3
"""A TCP proxy on loopback that delays every byte by half a round trip in each direction, as a
link to a distant server would. Bandwidth is not limited; order is kept.

    delay_proxy.py --to HOST:PORT --rtt-ms MS [--port P]

Listens on 127.0.0.1:P (0: a free port), prints "READY <port>", and stops when stdin closes.
Also importable: DelayProxy(target_host, target_port, rtt_ms) runs one in a thread of its own.
"""
import argparse
import asyncio
import sys
import threading


async def _forward(reader, writer, delay):
    """Copies @p reader to @p writer, each chunk written @p delay seconds after it was read."""
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()

    delivering = asyncio.create_task(deliver())
    try:
        while True:
            data = await reader.read(256 * 1024)
            queue.put_nowait((loop.time() + delay, data))
            if not data:
                break
        await delivering
    except (ConnectionError, OSError):
        delivering.cancel()


async def _serve_connection(client_reader, client_writer, target, delay):
    try:
        server_reader, server_writer = await asyncio.open_connection(*target)
    except OSError:
        client_writer.close()
        return
    try:
        await asyncio.gather(_forward(client_reader, server_writer, delay),
                             _forward(server_reader, client_writer, delay))
    finally:
        for writer in (client_writer, server_writer):
            writer.close()


class DelayProxy:
    """A proxy to @p host:@p port with @p rtt_ms of round trip, on a thread of its own."""

    def __init__(self, host, port, rtt_ms, listen_port=0):
        self.target = (host, port)
        self.delay = rtt_ms / 2000.0
        self.loop = asyncio.new_event_loop()
        ready = threading.Event()
        self.port = None

        async def start():
            server = await asyncio.start_server(
                lambda r, w: _serve_connection(r, w, self.target, self.delay), "127.0.0.1", listen_port)
            self.port = server.sockets[0].getsockname()[1]
            self.server = server
            ready.set()

        def run():
            asyncio.set_event_loop(self.loop)
            self.loop.run_until_complete(start())
            self.loop.run_forever()

        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()
        ready.wait()

    def stop(self):
        async def shut_down():
            self.server.close()
            tasks = [t for t in asyncio.all_tasks() if t is not asyncio.current_task()]
            for task in tasks:
                task.cancel()
            await asyncio.gather(*tasks, return_exceptions=True)
            self.loop.stop()

        asyncio.run_coroutine_threadsafe(shut_down(), self.loop)
        self.thread.join(5)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--to", required=True, help="HOST:PORT of the server")
    ap.add_argument("--rtt-ms", type=float, required=True)
    ap.add_argument("--port", type=int, default=0)
    args = ap.parse_args()
    host, port = args.to.rsplit(":", 1)
    proxy = DelayProxy(host, int(port), args.rtt_ms, args.port)
    print("READY %d" % proxy.port, flush=True)
    sys.stdin.read()
    proxy.stop()


if __name__ == "__main__":
    main()
