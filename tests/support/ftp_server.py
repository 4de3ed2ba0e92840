#!/usr/bin/python3
"""The FTP server the download tests talk to: pyftpdlib on 127.0.0.1 with the installer's
account, serving ROOT/home.

The tests steer it through ROOT/control.json, read afresh at each new connection:
  refuse_login   true: every login is refused (530)
  fail_list      true: LIST, NLST and MLSD are answered with 550
  drop_after     N: a download's data connection is reset after N bytes, every time
  drop_times     K: with drop_after, only the first K downloads (RETR, counted across
                 connections in ROOT/drops) are reset; the later ones and listings run whole
  end_after      N: a download's data connection is closed after N bytes, answered with 426
  slow_ms        M: every block of at most 8 KiB is followed by M ms of waiting (while the
                 control file still asks for it)
  slow_block     B: the blocks of slow_ms of a file (not of a listing) hold at most B bytes
                 (1 with slow_ms 1000: a trickle)
  refuse_retr    [names]: RETR of these file names is answered with 550
  endless_retr   [names]: RETR of these file names sends the file, then "x" without end
                 and no line feed, until the client goes away (or 30 s have passed)
  refuse_rest    true: REST is answered with 502 (pyftpdlib's own 501 while the type is ASCII)
  listening      false: the server closes its listening socket (polled, not per connection)
  stall          "greeting", "listing" or "data": that connection stops answering for good,
                 never greeting, never answering LIST (NLST, MLSD), or sending no more of a
                 file's data after stall_after bytes (default 0). The server only stops
                 serving that socket and keeps it open; every other connection goes on. The
                 stalled sockets are closed at the first connection without a stall.
ROOT/rename.json, a list of [from, to] name pairs, is carried out in ROOT/home and then
removed: names that differ only in case can be made only here, as Wine's own file calls
look names up without regard to case.
Every connection and every command received is appended to ROOT/commands.log.
ROOT/state holds "listening" or "closed" once the server has acted on the control file.

    ftp_server.py --port 2121 --root /tmp/norla-ftp-2121
"""
import argparse
import json
import logging
import os
import shutil
import signal
import socket
import struct
import sys
import time

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.ioloop import IOLoop
from pyftpdlib.servers import FTPServer

USER = "DownloadNorlaVeltro2024"
PASSWORD = "tqM!ra#5917"


# Sockets left open on purpose, unserved: they must not be collected and so closed.
STALLED = []


def stall(channel):
    channel.del_channel()
    STALLED.append(channel)


def read_control(root):
    try:
        with open(os.path.join(root, "control.json"), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def record(root, line):
    with open(os.path.join(root, "commands.log"), "a", encoding="utf-8") as f:
        f.write(line + "\n")


class Authorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        if handler.control.get("refuse_login"):
            raise AuthenticationFailed("Login refused.")
        super().validate_authentication(username, password, handler)


class MisbehavingDTP(DTPHandler):
    def send(self, data):
        control = self.cmd_channel.control
        if control.get("stall") == "data" and self.tot_bytes_sent >= control.get("stall_after", 0):
            stall(self)
            return 0
        if control.get("stall") == "data":
            data = data[:control.get("stall_after", 0) - self.tot_bytes_sent]
        reset = control.get("drop_after")
        if "drop_times" in control and not (self.file_obj is not None and
                                            self.cmd_channel.drop_armed):
            reset = None
        limit = reset if reset is not None else control.get("end_after")
        if limit is not None:
            left = limit - self.tot_bytes_sent
            if left <= 0:
                # Give the client time to take what was sent, then break off. A reset fails
                # the client's read; a plain close looks like the end of the file on the
                # data connection, and only the control connection says otherwise.
                time.sleep(0.5)
                if reset is not None:
                    self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self._resp = ("426 Connection dropped; transfer aborted.", lambda msg: None)
                self.close()
                return 0
            data = data[:left]
        # A client that gave up may leave a slow transfer open; the next test's control file
        # ends its sleeps, which would hold up every connection.
        slow = control.get("slow_ms") and read_control(self.cmd_channel.root).get("slow_ms")
        if slow:
            data = data[:control.get("slow_block", 8192) if self.file_obj is not None else 8192]
            time.sleep(slow / 1000.0)
        return super().send(data)


class EndlessLine:
    """A file's producer followed by a line that does not end."""

    def __init__(self, producer):
        self.producer = producer
        self.give_up = time.monotonic() + 30

    def more(self):
        data = self.producer.more()
        if data:
            return data
        return b"x" * 65536 if time.monotonic() < self.give_up else b""


class Handler(FTPHandler):
    dtp_handler = MisbehavingDTP
    use_sendfile = False   # the misbehaviour lives in DTPHandler.send()
    root = None
    endless = False
    drop_armed = False   # this RETR is one of drop_times

    def on_connect(self):
        self.control = read_control(self.root)
        record(self.root, "CONNECT")
        if not self.control.get("stall"):
            while STALLED:
                STALLED.pop().socket.close()

    def handle(self):
        # on_connect comes from the greeting itself, which a stall leaves out.
        self.control = read_control(self.root)
        if self.control.get("stall") == "greeting":
            record(self.root, "CONNECT")
            stall(self)
            return
        super().handle()

    def pre_process_command(self, line, cmd, arg):
        record(self.root, line)
        super().pre_process_command(line, cmd, arg)

    def _listing_refused(self):
        if self.control.get("stall") == "listing":
            stall(self)
            return True
        if self.control.get("fail_list"):
            self.respond("550 Listing refused.")
            return True
        return False

    def ftp_RETR(self, file):
        if os.path.basename(file) in self.control.get("refuse_retr", []):
            self.respond("550 Not readable.")
            return None
        self.endless = os.path.basename(file) in self.control.get("endless_retr", [])
        # Decided before the transfer starts: pyftpdlib may send its first block at once.
        drops = os.path.join(self.root, "drops")   # a byte per download dropped
        done = os.path.getsize(drops) if os.path.exists(drops) else 0
        self.drop_armed = os.path.isfile(file) and done < self.control.get("drop_times", 0)
        if self.drop_armed:
            with open(drops, "a", encoding="utf-8") as f:
                f.write("x")
        return super().ftp_RETR(file)

    def ftp_REST(self, line):
        if not self.control.get("refuse_rest"):
            return super().ftp_REST(line)
        self.respond("502 Restart refused.")

    def push_dtp_data(self, data, isproducer=False, file=None, cmd=None):
        if cmd == "RETR" and isproducer and self.endless:
            self.endless = False   # it comes here once more when the data connection is late
            data = EndlessLine(data)
        return super().push_dtp_data(data, isproducer, file, cmd)

    # The installer works in passive mode only; a client that asks for an active data
    # connection is told no at once instead of waiting for a connection that never comes.
    def ftp_PORT(self, line):
        self.respond("502 Active mode refused.")

    def ftp_EPRT(self, line):
        self.respond("502 Active mode refused.")

    def ftp_LIST(self, path):
        if not self._listing_refused():
            return super().ftp_LIST(path)

    def ftp_NLST(self, path):
        if not self._listing_refused():
            return super().ftp_NLST(path)

    def ftp_MLSD(self, path):
        if not self._listing_refused():
            return super().ftp_MLSD(path)


class Listener:
    """Opens and closes the listening socket as the control file says."""

    def rename(self):
        path = os.path.join(self.root, "rename.json")
        try:
            with open(path, encoding="utf-8") as f:
                pairs = json.load(f)
        except (OSError, ValueError):
            return
        home = os.path.join(self.root, "home")
        for old, new in pairs:
            os.rename(os.path.join(home, old), os.path.join(home, new))
        os.remove(path)

    def __init__(self, address, root, ioloop):
        self.address, self.root, self.ioloop = address, root, ioloop
        self.server = None
        self.update()

    def update(self):
        self.rename()
        want = read_control(self.root).get("listening", True)
        if want and self.server is None:
            self.server = FTPServer(self.address, Handler, ioloop=self.ioloop)
        elif not want and self.server is not None:
            self.server.close()
            self.server = None
        state = "listening" if self.server else "closed"
        path = os.path.join(self.root, "state")
        try:
            with open(path, encoding="utf-8") as f:
                if f.read() == state:
                    return
        except OSError:
            pass
        with open(path + ".new", "w", encoding="utf-8") as f:
            f.write(state)
        os.replace(path + ".new", path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    args = parser.parse_args()

    root = os.path.abspath(args.root)
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "home"))

    authorizer = Authorizer()
    authorizer.add_user(USER, PASSWORD, os.path.join(root, "home"), perm="elr")
    Handler.authorizer = authorizer
    Handler.root = root
    Handler.banner = "Norla test server ready."
    Handler.auth_failed_timeout = 0.1
    logging.basicConfig(level=logging.WARNING, format="ftp_server: %(message)s")

    # scripts/test stops the server with SIGTERM; leave through the clean-up below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    ioloop = IOLoop()
    listener = Listener(("127.0.0.1", args.port), root, ioloop)
    ioloop.call_every(0.05, listener.update)
    print("ftp_server: serving %s on 127.0.0.1:%d" % (root, args.port), flush=True)
    try:
        # IOLoop.loop() returns once no socket is left, as while the listener is closed.
        while True:
            ioloop.loop(timeout=0.05, blocking=False)
            if not ioloop.socket_map:
                time.sleep(0.05)
    except (KeyboardInterrupt, SystemExit):
        pass
    finally:
        ioloop.close()
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
