#!/usr/bin/python3
"""A local FTP update server for the tests, the benchmarks and the demo.

    /usr/bin/python3 tests/ftp/update_server.py --root DIR --port PORT [--misbehave SPEC]...
                                                [--control FILE] [--log FILE]

Serves DIR (which holds public/live/<application>/) on 127.0.0.1 for the one account of the
update server, prints "ready" on stdout once it listens, and serves until it is killed.

A misbehaviour SPEC is MODE@PATTERN, where PATTERN is an fnmatch pattern of the server path
(e.g. /public/live/MyApp/b.txt or */b.txt) and MODE one of
    cut:N     send at most N bytes, then break the data connection and answer 426
    short:N   send only the first N bytes, then report the transfer complete (226)
    garble    send as many bytes as the file has, but other ones
    550       refuse the file with 550
    stall     announce the transfer (150) and then send nothing at all
    drop:N    send at most N bytes, then close the control connection and the data connection
              without a reply, as a line that goes down; on the first transfer of the file only
    drop:N:K  the same on the first K transfers of the file
The producers of cut, short, garble and drop begin where REST says, as a plain RETR does.
--control FILE names a file of such specs, one a line, read again at every download, so that a
running server can be told to misbehave.

Kinds of server (options):
    --refuse-port       answers PORT with 500, as a server that allows passive mode only
    --no-connect-back   accepts PORT but never connects back, as behind a firewall
    --refuse-pasv       answers PASV and EPSV with 500, as a server that allows active mode only
    --foreign-data-first  in active mode, first connects to the client's port from 127.0.0.2
                        and sends it bytes that are no file, then makes the real data connection
    --max-cons-per-ip N takes at most N control connections from one address (421 beyond)
    --ansi-server       an old server: paths in cp1252, and no UTF8 among its features
    --long-greeting     a greeting of several lines
    --rate BYTES        sends at most this many bytes a second on each data connection (a slow line)
--port 0 listens on a free port, which the line "ready PORT" names.

For callers that cannot read its output or signal it (a Windows test under Wine starting it as a
Unix program): --ready-file FILE is written once it listens, and the server ends as soon as
--stop-file FILE exists or --max-seconds have passed.
"""
import argparse
import collections
import fnmatch
import logging
import os
import errno
import socket
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, FileProducer, ThrottledDTPHandler, _FileReadWriteError
from pyftpdlib.servers import FTPServer

USER = "login-5203"
PASSWORD = "muhTaK*R"


class LimitedProducer(FileProducer):
    """Hands out the file's first `limit` bytes, then either ends or breaks the transfer."""

    def __init__(self, file, type, limit, then_fail):
        super().__init__(file, type)
        self.left = limit
        self.then_fail = then_fail

    def more(self):
        if self.left <= 0:
            if self.then_fail:
                raise _FileReadWriteError(errno.EIO, "Connection cut on purpose")
            return b""
        chunk = self.file.read(min(self.buffer_size, self.left))
        self.left -= len(chunk)
        if not chunk and self.then_fail:
            raise _FileReadWriteError(errno.EIO, "Connection cut on purpose")
        return chunk


class GarbledProducer(FileProducer):
    """The file's length, other bytes."""

    def more(self):
        chunk = self.file.read(self.buffer_size)
        return bytes(b ^ 0x5A for b in chunk)


class DroppingProducer(FileProducer):
    """Hands out the file's first `limit` bytes, then closes the whole session without a reply."""

    def __init__(self, file, type, limit, handler):
        super().__init__(file, type)
        self.left = limit
        self.handler = handler

    def more(self):
        if self.left <= 0:
            # Closes the data connection too; the transfer then ends without a 226 or 426.
            self.handler.close()
            return b""
        chunk = self.file.read(min(self.buffer_size, self.left))
        self.left -= len(chunk)
        return chunk


class MisbehavingHandler(FTPHandler):
    specs = []
    control_file = None
    refuse_port = False
    no_connect_back = False
    refuse_pasv = False
    foreign_data_first = False
    ansi_server = False
    rest = "honoured"  # or "ignored" (350, then the file from byte 0) or "refused" (502)
    transfers = collections.Counter()  # of each file with a drop: misbehaviour, by spec

    def current_specs(self):
        specs = list(self.specs)
        if self.control_file and os.path.exists(self.control_file):
            with open(self.control_file, encoding="utf-8") as f:
                specs += [line.strip() for line in f if line.strip()]
        return specs

    def misbehaviour_for(self, ftp_path):
        for spec in self.current_specs():
            mode, _, pattern = spec.partition("@")
            if fnmatch.fnmatchcase(ftp_path, pattern):
                return mode
        return None

    def drops_now(self, mode, ftp_path):
        """Whether this transfer is one of the first K of the file, which drop:N:K drops."""
        parts = mode.split(":")
        times = int(parts[2]) if len(parts) > 2 else 1
        MisbehavingHandler.transfers[(mode, ftp_path)] += 1
        return MisbehavingHandler.transfers[(mode, ftp_path)] <= times

    def ftp_PORT(self, line):
        if self.refuse_port:
            self.respond("500 Active mode is not allowed on this server.")
        elif self.no_connect_back:
            self.respond("200 PORT command successful.")  # and nothing ever connects
        else:
            if self.foreign_data_first:
                self.connect_from_elsewhere(line)
            super().ftp_PORT(line)

    def connect_from_elsewhere(self, line):
        """Connects to the client's port from another local address and sends it wrong bytes."""
        numbers = [int(n) for n in line.split(",")]
        client = ("%d.%d.%d.%d" % tuple(numbers[:4]), numbers[4] * 256 + numbers[5])
        with socket.create_connection(client, timeout=5, source_address=("127.0.0.2", 0)) as intruder:
            intruder.sendall(b"bytes from a stranger, not the file")
        logging.getLogger("update_server").warning("foreign data connection to %s:%d", *client)

    def ftp_PASV(self, line):
        if self.refuse_pasv:
            self.respond("500 Passive mode is not allowed on this server.")
        else:
            super().ftp_PASV(line)

    def ftp_EPSV(self, line):
        if self.refuse_pasv:
            self.respond("500 Passive mode is not allowed on this server.")
        else:
            super().ftp_EPSV(line)

    def ftp_EPRT(self, line):
        if self.refuse_port or self.no_connect_back:
            self.respond("500 Active mode is not allowed on this server.")
        else:
            super().ftp_EPRT(line)

    def ftp_REST(self, line):
        # FEAT lists REST STREAM whatever this server then does with it.
        if self.rest == "refused":
            self.respond("502 REST not implemented on this server.")
            return
        super().ftp_REST(line)
        if self.rest == "ignored":
            self._restart_position = 0

    def ftp_FEAT(self, line):
        if not self.ansi_server:
            return super().ftp_FEAT(line)
        self.push("211-Features:\r\n MDTM\r\n SIZE\r\n")
        self.respond("211 End")

    def decode(self, bytes):
        return bytes.decode("cp1252") if self.ansi_server else super().decode(bytes)

    def ftp_RETR(self, file):
        ftp_path = self.fs.fs2ftp(file)
        logging.getLogger("update_server").warning("fetch %s", ftp_path)
        mode = self.misbehaviour_for(ftp_path)
        if mode is not None and mode.startswith("drop:") and not self.drops_now(mode, ftp_path):
            mode = None
        if mode is None:
            return super().ftp_RETR(file)
        restart_at = self._restart_position
        self._restart_position = 0
        if mode == "550":
            self.respond("550 No such file or directory.")
            return None
        if mode == "stall":
            self.respond("150 File status okay. About to open data connection.")
            return None
        try:
            fd = self.run_as_current_user(self.fs.open, file, "rb")
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return None
        if restart_at > self.fs.getsize(file):
            fd.close()
            self.respond("554 REST position (%d) > file size." % restart_at)
            return None
        fd.seek(restart_at)
        kind, _, count = mode.partition(":")
        if kind in ("cut", "short"):
            producer = LimitedProducer(fd, self._current_type, int(count or 0), kind == "cut")
        elif kind == "garble":
            producer = GarbledProducer(fd, self._current_type)
        elif kind == "drop":
            producer = DroppingProducer(fd, self._current_type, int(count.split(":")[0]), self)
        else:
            fd.close()
            self.respond("500 Unknown misbehaviour %s." % mode)
            return None
        # No file object for the data channel: it would send the file itself with sendfile().
        self.push_dtp_data(producer, isproducer=True, file=None, cmd="RETR")
        return file


def listen(port):
    # The server of the previous test may still be on its way out.
    deadline = time.monotonic() + 10
    while True:
        try:
            return FTPServer(("127.0.0.1", port), MisbehavingHandler)
        except OSError as err:
            if err.errno != errno.EADDRINUSE or time.monotonic() > deadline:
                raise
            time.sleep(0.05)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=2121)
    parser.add_argument("--misbehave", action="append", default=[])
    parser.add_argument("--control")
    parser.add_argument("--log", help="log every command with time stamps into this file")
    parser.add_argument("--refuse-port", action="store_true")
    parser.add_argument("--no-connect-back", action="store_true")
    parser.add_argument("--refuse-pasv", action="store_true")
    parser.add_argument("--foreign-data-first", action="store_true")
    parser.add_argument("--max-cons-per-ip", type=int, default=0)
    parser.add_argument("--ansi-server", action="store_true")
    parser.add_argument("--rest", choices=["honoured", "ignored", "refused"], default="honoured",
                        help="ignored: REST answered with 350, the file sent from byte 0 all the same; "
                             "refused: REST answered with 502")
    parser.add_argument("--long-greeting", action="store_true")
    parser.add_argument("--rate", type=int, help="bytes a second at most on each data connection")
    parser.add_argument("--ready-file")
    parser.add_argument("--stop-file")
    parser.add_argument("--max-seconds", type=float)
    args = parser.parse_args()

    if args.log:
        logging.basicConfig(filename=args.log, level=logging.DEBUG,
                            format="%(asctime)s.%(msecs)03d %(message)s", datefmt="%H:%M:%S")
    else:
        logging.basicConfig(level=logging.CRITICAL)
        logging.getLogger("update_server").setLevel(logging.CRITICAL)

    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, os.path.abspath(args.root), perm="elr")
    MisbehavingHandler.authorizer = authorizer
    MisbehavingHandler.specs = args.misbehave
    MisbehavingHandler.control_file = args.control
    MisbehavingHandler.banner = "Korvex update server (test fixture) ready."
    MisbehavingHandler.auth_failed_timeout = 0.1  # refuse a wrong password at once
    if args.long_greeting:
        MisbehavingHandler.banner = ("Korvex update server (test fixture).\r\n"
                                     "123 is a number in this greeting, not its end.\r\n"
                                     "Be welcome.")
    MisbehavingHandler.refuse_port = args.refuse_port
    MisbehavingHandler.no_connect_back = args.no_connect_back
    MisbehavingHandler.refuse_pasv = args.refuse_pasv
    MisbehavingHandler.foreign_data_first = args.foreign_data_first
    MisbehavingHandler.ansi_server = args.ansi_server
    MisbehavingHandler.rest = args.rest
    MisbehavingHandler.permit_foreign_addresses = False
    if args.rate:
        class PacedDTPHandler(ThrottledDTPHandler):
            write_limit = args.rate
        MisbehavingHandler.dtp_handler = PacedDTPHandler
    server = listen(args.port)
    server.max_cons = 64
    server.max_cons_per_ip = args.max_cons_per_ip
    started = time.monotonic()

    def end_when_told():
        told = args.stop_file and os.path.exists(args.stop_file)
        expired = args.max_seconds and time.monotonic() - started > args.max_seconds
        if told or expired:
            if args.ready_file and os.path.exists(args.ready_file):
                os.remove(args.ready_file)
            os._exit(0)

    if args.stop_file or args.max_seconds:
        server.ioloop.call_every(0.05, end_when_told)
    print("ready %d" % server.address[1], flush=True)
    if args.ready_file:
        with open(args.ready_file, "w") as f:
            f.write("ready\n")
    try:
        # A timeout lets the loop look at the stop file even while no client is connected.
        server.serve_forever(timeout=0.1, handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    sys.exit(main())
