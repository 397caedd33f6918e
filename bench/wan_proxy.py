#!/usr/bin/python3
"""A wide-area link on loopback, for FTP or any TCP protocol: a proxy that delays and paces what
crosses it.

    /usr/bin/python3 bench/wan_proxy.py --listen PORT --target HOST:PORT --rtt-ms MS --rate-mbit MBIT
                                        [--mode ftp|tcp] [--window BYTES] [--events FILE] [--verbose]

Listens on 127.0.0.1:PORT (0: a free port), forwards every connection to HOST:PORT and prints
"ready PORT" once it listens. What the link does:
  - Each direction is one line shared by every connection across the proxy, as the user's line
    to the Internet is: bytes wait their turn, cross it at the rate (0: no limit) and arrive half
    the round trip later.
  - A new connection costs TCP's handshake. On loopback the proxy accepts it at once, so the side
    that connected may send at once; its bytes leave only one round trip after it connected, and
    the proxy makes the connection onwards one and a half round trips after, when the other side
    would have seen the handshake's last packet. A server that speaks first is heard two round
    trips after the connect, as over a real line.
  - At most --window bytes per connection and direction wait for the line or travel on it; a
    receiver that stops reading stops its sender, as TCP's window does. The default window is
    large enough never to limit the rate. Slow start, loss and small receive windows are not
    modelled: the figures are those of a clean line.
  - FTP: the control connection is read line by line. A PASV or EPSV reply gets a port of the
    proxy that forwards to the server's data port, a PORT or EPRT command a port of the proxy that
    the server connects to and that forwards to the client's: data connections cross the same
    line, with the same delay and rate.
  - --mode tcp: every connection is carried as it is, byte for byte (HTTPS, where the proxy sees
    nothing of the protocol, or plain HTTP).
--events FILE appends, with the seconds of a monotonic clock, when a control connection came in
("connect"), when a 226 reply reached the client ("226") and when a download's last byte did
("data-end"): the times the client sees, whoever the client is. In tcp mode: when each connection
came in ("connect") and when bytes from the server reached the client ("data", one line per piece),
leaving out what the server sent only after the client's end of the connection had reached it (a
TLS close_notify answered when the client closes, long after its last file).
Self-check by hand (bench/run.sh proxy does this): through a 100 ms, 8 Mbit/s line, curl takes a
1 MB file in about 1.05 s plus its round trips.
"""
import argparse
import asyncio
import re
import socket
import sys
import time

PIECE = 8192  # bytes that cross the line as one: 8 ms at 8 Mbit/s
# What the proxy reads is held in the kernel only this much per socket: a sender learns soon that
# the line is full, and the server's "226" does not run far ahead of its data.
READ_BUFFER = 65536


def log(verbose, text):
    if verbose:
        print(text, file=sys.stderr, flush=True)


class Line:
    """One direction of the wide-area line: a queue at the rate, then the propagation delay."""

    def __init__(self, bits_per_second, one_way_seconds):
        self.rate = bits_per_second
        self.one_way = one_way_seconds
        self.free_at = 0.0

    def arrival(self, size, leaves):
        start = max(leaves, self.free_at)
        self.free_at = start + (size * 8 / self.rate if self.rate else 0.0)
        return self.free_at + self.one_way


class Pipe:
    """One direction of one connection: pieces in order, each written when it arrives."""

    def __init__(self, line, window, on_delivered=None):
        self.line = line
        self.window = window
        self.on_delivered = on_delivered
        self.queue = asyncio.Queue()
        self.in_flight = 0
        self.room = asyncio.Event()
        self.room.set()

    async def send(self, data, earliest):
        loop = asyncio.get_running_loop()
        read_at = loop.time()
        for i in range(0, len(data), PIECE):
            piece = data[i:i + PIECE]
            while self.in_flight >= self.window:
                self.room.clear()
                await self.room.wait()
            self.in_flight += len(piece)
            self.queue.put_nowait((self.line.arrival(len(piece), max(loop.time(), earliest)), piece, read_at))

    def end(self, earliest):
        loop = asyncio.get_running_loop()
        self.queue.put_nowait((self.line.arrival(0, max(loop.time(), earliest)), None, loop.time()))

    async def deliver(self, writer):
        loop = asyncio.get_running_loop()
        while True:
            at, piece, read_at = await self.queue.get()
            if at > loop.time():
                await asyncio.sleep(at - loop.time())
            if piece is None:
                if writer.can_write_eof():
                    writer.write_eof()
                if self.on_delivered:
                    self.on_delivered(None, read_at)
                return
            writer.write(piece)
            await writer.drain()
            if self.on_delivered:
                self.on_delivered(piece, read_at)
            self.in_flight -= len(piece)
            self.room.set()


def shrink_read_buffer(writer):
    writer.get_extra_info("socket").setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, READ_BUFFER)


class Proxy:
    def __init__(self, args):
        self.rtt = args.rtt_ms / 1000.0
        rate = args.rate_mbit * 1e6
        self.down = Line(rate, self.rtt / 2)  # server to client
        self.up = Line(rate, self.rtt / 2)    # client to server
        self.window = args.window or max(1 << 18, int(2 * rate / 8 * self.rtt))
        self.verbose = args.verbose
        self.target = args.target
        self.mode = args.mode
        self.events = open(args.events, "a", buffering=1) if args.events else None

    def event(self, what):
        if self.events:
            self.events.write("%.6f %s\n" % (time.monotonic(), what))

    def on_reply(self, piece, read_at):
        if piece is not None and piece.startswith(b"226"):
            self.event("226")

    def on_download(self, piece, read_at):
        if piece is None:
            self.event("data-end")

    # ---- one connection across the line
    async def relay(self, reader, writer, target, from_client, rewrite=None, on_reply=None, on_client_end=None):
        """The side that connected is `reader`/`writer`; `from_client` says whether that is the
        client (a control, passive data or tcp mode connection) or the server (an active data
        connection). `on_reply` hears what reaches the client on a control or tcp mode connection,
        `on_client_end` what reaches the server from a tcp mode client."""
        loop = asyncio.get_running_loop()
        # The side that connected sends after the handshake's round trip; the other side is
        # reached half a round trip later still.
        sends_from = loop.time() + self.rtt
        out_line, back_line = (self.up, self.down) if from_client else (self.down, self.up)
        # What the client receives: replies on a control connection, the file on a data connection.
        to_client = on_reply if rewrite or on_reply else self.on_download
        out = Pipe(out_line, self.window, on_client_end if from_client else to_client)
        back = Pipe(back_line, self.window, to_client if from_client else None)
        shrink_read_buffer(writer)
        near_rewrite, far_rewrite = rewrite or (None, None)
        tasks = [asyncio.create_task(self.carry(reader, out, sends_from, near_rewrite))]
        far_writer = None
        try:
            await asyncio.sleep(1.5 * self.rtt)
            far_reader, far_writer = await asyncio.open_connection(*target)
            shrink_read_buffer(far_writer)
            log(self.verbose, "%s connection to %s:%d" % ("client" if from_client else "server", *target))
            tasks += [
                asyncio.create_task(out.deliver(far_writer)),
                asyncio.create_task(self.carry(far_reader, back, 0.0, far_rewrite)),
                asyncio.create_task(back.deliver(writer)),
            ]
            done, _ = await asyncio.wait(tasks, return_when=asyncio.FIRST_EXCEPTION)
            for t in done:
                if t.exception():
                    log(self.verbose, "connection to %s:%d broken: %s" % (target[0], target[1], t.exception()))
        except OSError as err:
            log(self.verbose, "connection to %s:%d failed: %s" % (target[0], target[1], err))
        finally:
            for t in tasks:
                t.cancel()
            for w in (writer, far_writer):
                if w is not None:
                    w.close()

    async def carry(self, reader, pipe, earliest, rewrite):
        while True:
            data = await (reader.readline() if rewrite else reader.read(65536))
            if not data:
                break
            if rewrite:
                data = await rewrite(data)
            await pipe.send(data, earliest)
        pipe.end(earliest)

    # ---- data connections: a port of the proxy for one connection, either way
    async def data_port(self, target, from_client):
        done = asyncio.get_running_loop().create_future()

        async def accepted(reader, writer):
            if done.done():  # one connection per port, as the server's own
                writer.close()
                return
            done.set_result(True)
            server.close()
            await self.relay(reader, writer, target, from_client)

        server = await asyncio.start_server(accepted, "127.0.0.1", 0)

        async def expire():
            await asyncio.sleep(120)
            server.close()

        asyncio.get_running_loop().create_task(expire())
        return server.sockets[0].getsockname()[1]

    # ---- tcp mode: one connection carried as it is
    async def plain(self, reader, writer):
        """Logs the server's bytes as they reach the client, until the client's end of the
        connection has reached the server: what the server sends after that is its answer to the
        close, not data the client waited for."""
        loop = asyncio.get_running_loop()
        client_end_reached = None

        def on_client_end(piece, read_at):
            nonlocal client_end_reached
            if piece is None:
                client_end_reached = loop.time()

        def on_data(piece, read_at):
            if piece is not None and (client_end_reached is None or read_at < client_end_reached):
                self.event("data")

        self.event("connect")
        await self.relay(reader, writer, self.target, True, on_reply=on_data, on_client_end=on_client_end)

    # ---- the control connection
    async def control(self, reader, writer):
        client_host = writer.get_extra_info("peername")[0]

        async def command(line):
            text = line.decode("latin-1")
            verb = text[:5].upper()
            if verb == "PORT ":
                numbers = re.findall(r"\d+", text)
                if len(numbers) == 6:
                    host = ".".join(numbers[:4])
                    port = await self.data_port((host, int(numbers[4]) * 256 + int(numbers[5])), False)
                    log(self.verbose, "PORT %s:%s through %d" % (host, numbers[4:], port))
                    return ("PORT 127,0,0,1,%d,%d\r\n" % (port >> 8, port & 0xFF)).encode()
            elif verb == "EPRT ":
                m = re.match(r"EPRT (.)(\d)\1([^|]+)\1(\d+)\1", text, re.IGNORECASE)
                if m:
                    port = await self.data_port((m.group(3), int(m.group(4))), False)
                    return ("EPRT |1|127.0.0.1|%d|\r\n" % port).encode()
            return line

        async def reply(line):
            text = line.decode("latin-1")
            if text.startswith("227 "):
                m = re.search(r"(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)", text)
                if m:
                    n = [int(x) for x in m.groups()]
                    port = await self.data_port((".".join(map(str, n[:4])), n[4] * 256 + n[5]), True)
                    log(self.verbose, "PASV to %d through %d" % (n[4] * 256 + n[5], port))
                    return (text[:m.start()] + "127,0,0,1,%d,%d" % (port >> 8, port & 0xFF) + text[m.end():]).encode("latin-1")
            elif text.startswith("229 "):
                m = re.search(r"\((.)\1\1(\d+)\1\)", text)
                if m:
                    port = await self.data_port((self.target[0], int(m.group(2))), True)
                    d = m.group(1)
                    return (text[:m.start()] + "(%s%s%s%d%s)" % (d, d, d, port, d) + text[m.end():]).encode("latin-1")
            return line

        log(self.verbose, "control connection from %s" % client_host)
        self.event("connect")
        await self.relay(reader, writer, self.target, True, (command, reply), self.on_reply)


async def serve(args):
    proxy = Proxy(args)
    server = await asyncio.start_server(proxy.plain if args.mode == "tcp" else proxy.control, "127.0.0.1", args.listen)
    print("ready %d" % server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--listen", type=int, default=0, help="port on 127.0.0.1; 0: a free one")
    parser.add_argument("--target", required=True, help="HOST:PORT of the server")
    parser.add_argument("--mode", choices=("ftp", "tcp"), default="ftp",
                        help="ftp: data connections across the line too; tcp: each connection as it is")
    parser.add_argument("--rtt-ms", type=float, default=40.0, help="round trip time")
    parser.add_argument("--rate-mbit", type=float, default=20.0, help="each direction's rate; 0: no limit")
    parser.add_argument("--window", type=int, default=0, help="bytes in flight per connection and direction")
    parser.add_argument("--events", help="append the times the client sees to this file")
    parser.add_argument("--verbose", action="store_true", help="connections and rewrites on stderr")
    args = parser.parse_args()
    host, _, port = args.target.rpartition(":")
    args.target = (host, int(port))
    try:
        asyncio.run(serve(args))
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
