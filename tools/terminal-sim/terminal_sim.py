#!/usr/bin/python3
"""A stand-in for a power quality terminal on the network.

It runs what a terminal offers in Ethernet mode:
  * an FTP server (pyftpdlib) with the users "admin" and "update", passive
    mode, remote paths written with backslashes ("\\Storage Card\\x.zip")
    stored in folders under the root, as the terminal's file system holds them;
  * the start-command listener (TCP, default port 3002), which records the
    bytes it receives;
  * a journal, one JSON object per line, of every login, upload and start
    command.

Fault switches make it misbehave the way real terminals and networks do:
refuse every login, accept TCP and never answer, answer only after a delay,
close the data connection part-way through an upload, run out of disk
space after a quota, refuse SIZE or DELE, or hang up on a command.

Run by hand:  /usr/bin/python3 tools/terminal-sim/terminal_sim.py --help
"""
import argparse
import errno
import hashlib
import json
import os
import socket
import sys
import threading
import time

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer, ThreadedFTPServer

DEFAULT_USERS = ("admin", "update")
DEFAULT_PASSWORD = "739204"
# Folders a terminal's file system already has; the tool's remote base folders.
TERMINAL_FOLDERS = ("Storage Card", "HardDisk")
START_COMMAND = bytes([4, 0, 0, 0, 1, 0, 0, 0, 0])


class Journal:
    """JSON lines, flushed one by one so a reader sees each event at once."""

    def __init__(self, path):
        self._lock = threading.Lock()
        self._file = open(path, "a", encoding="utf-8") if path else None

    def write(self, event, **fields):
        record = {"time": round(time.time(), 3), "event": event}
        record.update(fields)
        line = json.dumps(record, ensure_ascii=False)
        with self._lock:
            if self._file:
                self._file.write(line + "\n")
                self._file.flush()


class TerminalState:
    """Settings and counters shared by every FTP session of one terminal."""

    def __init__(self, args, journal):
        self.root = os.path.abspath(args.root)
        self.journal = journal
        self.refuse_login = args.refuse_login
        self.drop_data_after = args.drop_data_after
        self.quota = args.quota
        self.answer_delay = args.answer_delay
        self.latency = args.latency
        self.store_short = args.store_short
        self.no_size = args.no_size
        self.refuse_delete = args.refuse_delete
        self.hang_up_on = {c.upper() for c in args.hang_up_on}
        self.stored_bytes = 0


class TerminalFS(AbstractedFS):
    """The terminal names paths with backslashes; store them as folders."""

    def ftpnorm(self, ftppath):
        return super().ftpnorm(ftppath.replace("\\", "/"))

    def open(self, filename, mode):
        f = super().open(filename, mode)
        state = self.cmd_channel.terminal
        if state.quota is not None and ("w" in mode or "a" in mode or "+" in mode):
            return QuotaFile(f, state)
        return f


class QuotaFile:
    """A file whose writes fail like a full disk once the quota is used up."""

    def __init__(self, f, state):
        self._f = f
        self._state = state

    def write(self, data):
        if self._state.stored_bytes + len(data) > self._state.quota:
            raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))
        self._state.stored_bytes += len(data)
        return self._f.write(data)

    def __getattr__(self, name):
        return getattr(self._f, name)


class DroppingDTPHandler(DTPHandler):
    """Closes an upload's data connection once `drop_data_after` bytes came.
    Without that switch, an upload is read in pieces of at least 64 KiB: the
    socket wakes the loop only once that much has come (or the sender has
    closed), so dozens of terminals on paced links cost few wake-ups each."""

    ac_in_buffer_size = 256 * 1024

    def __init__(self, sock, cmd_channel):
        super().__init__(sock, cmd_channel)
        if cmd_channel.terminal.drop_data_after is None:
            self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_RCVLOWAT, 64 * 1024)

    def handle_read(self):
        super().handle_read()
        limit = self.cmd_channel.terminal.drop_data_after
        if (limit is not None and self.receive and not self._closed
                and self.tot_bytes_received >= limit):
            self._resp = ("426 Connection closed; transfer aborted.", lambda *a: None)
            self.close()

    handle_read_event = handle_read  # the I/O loop calls this name


class TerminalAuthorizer(DummyAuthorizer):
    def __init__(self, state):
        super().__init__()
        self.state = state

    def validate_authentication(self, username, password, handler):
        if self.state.refuse_login:
            raise AuthenticationFailed("Login refused.")
        super().validate_authentication(username, password, handler)


class TerminalHandler(FTPHandler):
    terminal = None  # TerminalState, set per server
    abstracted_fs = TerminalFS
    dtp_handler = DroppingDTPHandler
    auth_failed_timeout = 0.2
    banner = "Terminal FTP service ready."

    def _relative(self, path):
        return os.path.relpath(path, self.terminal.root).replace(os.sep, "/")

    def on_connect(self):
        if self.terminal.answer_delay:
            time.sleep(self.terminal.answer_delay)  # this session's own thread

    def respond(self, resp, logfun=None):
        if self.terminal.latency:
            time.sleep(self.terminal.latency)  # this session's own thread
        if logfun is None:
            super().respond(resp)
        else:
            super().respond(resp, logfun)

    def pre_process_command(self, line, cmd, arg):
        if cmd.upper() in self.terminal.hang_up_on:
            # A link that goes down: no reply, the control connection closes.
            self.terminal.journal.write("hang-up", user=self.username, command=cmd.upper())
            self.close()
            return
        super().pre_process_command(line, cmd, arg)

    def ftp_SIZE(self, path):
        if self.terminal.no_size:
            self.respond("502 Command not implemented.")  # a server without SIZE
            return
        super().ftp_SIZE(path)

    def ftp_DELE(self, path):
        if self.terminal.refuse_delete:
            self.respond("550 Permission denied.")  # the file stays
            return None
        return super().ftp_DELE(path)

    def on_disconnect(self):
        self.terminal.journal.write("disconnect", user=self.username)

    def on_login(self, username):
        self.terminal.journal.write("login", user=username, ok=True)

    def on_login_failed(self, username, password):
        self.terminal.journal.write("login", user=username, ok=False)

    def on_file_received(self, file):
        if self.terminal.store_short:
            # A terminal whose disk loses the end of a file while the
            # transfer is answered as complete.
            size = os.path.getsize(file)
            with open(file, "r+b") as f:
                f.truncate(max(0, size - self.terminal.store_short))
        with open(file, "rb") as f:
            data = f.read()
        self.terminal.journal.write("upload", user=self.username, path=self._relative(file),
                                    size=len(data), md5=hashlib.md5(data).hexdigest(), ok=True)

    def on_incomplete_file_received(self, file):
        size = os.path.getsize(file) if os.path.exists(file) else 0
        self.terminal.journal.write("upload", user=self.username, path=self._relative(file),
                                    size=size, ok=False)


def make_ftp_server(args, state):
    authorizer = TerminalAuthorizer(state)
    for user in args.user:
        authorizer.add_user(user, args.password, state.root, perm="elradfmwMT")
    handler = type("BoundTerminalHandler", (TerminalHandler,), {"terminal": state})
    handler.authorizer = authorizer
    handler.permit_foreign_addresses = False
    # A slow terminal keeps each session on a thread of its own, so one
    # waiting session does not hold up the others.
    server_class = ThreadedFTPServer if args.answer_delay or args.latency else FTPServer
    return server_class((args.host, args.ftp_port), handler)


def listen(host, port):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind((host, port))
    s.listen(16)
    return s


def serve_silently(sock):
    """Accepts TCP connections and never says a word (a hung terminal)."""
    held = []
    while True:
        conn, _ = sock.accept()
        held.append(conn)


def serve_start_commands(sock, journal):
    """Reads each connection until the peer closes it (or 2 s of silence)."""
    while True:
        conn, peer = sock.accept()
        threading.Thread(target=read_start_command, args=(conn, peer, journal), daemon=True).start()


def read_start_command(conn, peer, journal):
    data = b""
    conn.settimeout(2.0)
    try:
        while True:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
    except OSError:
        pass
    finally:
        conn.close()
    journal.write("start", peer="%s:%d" % peer, size=len(data), hex=data.hex(),
                  valid=data == START_COMMAND)


def write_ready_file(path, values):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        for key, value in values.items():
            f.write("%s=%s\n" % (key, value))
    os.replace(tmp, path)


def parse_args(argv):
    p = argparse.ArgumentParser(description="Power quality terminal simulator (FTP, start command, journal).")
    p.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    p.add_argument("--ftp-port", type=int, default=21, help="FTP port, 0 picks a free one (default 21)")
    p.add_argument("--start-port", type=int, default=3002,
                   help="start-command port, 0 picks a free one, -1 disables it (default 3002)")
    p.add_argument("--root", required=True, help="folder that plays the terminal's file system")
    p.add_argument("--journal", help="JSON-lines journal of logins, uploads and start commands")
    p.add_argument("--ready-file", help="written (key=value lines) once both ports listen")
    p.add_argument("--user", action="append", help="FTP user (repeatable; default admin and update)")
    p.add_argument("--password", default=DEFAULT_PASSWORD, help="password of every user")
    p.add_argument("--lifetime", type=float, default=0, help="exit after this many seconds (0: never)")
    faults = p.add_argument_group("fault switches")
    faults.add_argument("--refuse-login", action="store_true", help="refuse every login")
    faults.add_argument("--silent", action="store_true",
                        help="FTP port accepts TCP connections and never answers")
    faults.add_argument("--answer-delay", type=float, default=0, metavar="SECONDS",
                        help="greet each FTP connection only after SECONDS (a slow terminal)")
    faults.add_argument("--latency", type=float, default=0, metavar="SECONDS",
                        help="send every FTP reply SECONDS late (a field link's round trip)")
    faults.add_argument("--drop-data-after", type=int, metavar="BYTES",
                        help="close an upload's data connection after BYTES bytes")
    faults.add_argument("--quota", type=int, metavar="BYTES",
                        help="uploads fail like a full disk once BYTES bytes were stored in all")
    faults.add_argument("--store-short", type=int, metavar="BYTES",
                        help="store every upload BYTES bytes shorter, yet answer that it succeeded")
    faults.add_argument("--no-size", action="store_true",
                        help="answer SIZE with 502, as a server without the command")
    faults.add_argument("--refuse-delete", action="store_true",
                        help="answer DELE with 550 and keep the file")
    faults.add_argument("--hang-up-on", action="append", default=[], metavar="COMMAND",
                        help="close the control connection, unanswered, when COMMAND comes (repeatable)")
    args = p.parse_args(argv)
    if not args.user:
        args.user = list(DEFAULT_USERS)
    return args


def main(argv=None):
    args = parse_args(argv)
    os.makedirs(args.root, exist_ok=True)
    for folder in TERMINAL_FOLDERS:
        os.makedirs(os.path.join(args.root, folder), exist_ok=True)
    journal = Journal(args.journal)
    state = TerminalState(args, journal)

    if args.silent:
        silent_sock = listen(args.host, args.ftp_port)
        ftp_port = silent_sock.getsockname()[1]
        threading.Thread(target=serve_silently, args=(silent_sock,), daemon=True).start()
        server = None
    else:
        server = make_ftp_server(args, state)
        ftp_port = server.address[1]

    start_port = -1
    if args.start_port >= 0:
        start_sock = listen(args.host, args.start_port)
        start_port = start_sock.getsockname()[1]
        threading.Thread(target=serve_start_commands, args=(start_sock, journal), daemon=True).start()

    if args.lifetime > 0:
        timer = threading.Timer(args.lifetime, lambda: os._exit(0))
        timer.daemon = True
        timer.start()

    if args.ready_file:
        write_ready_file(args.ready_file, {
            "ftp_port": ftp_port, "start_port": start_port, "root": state.root,
            "journal": os.path.abspath(args.journal) if args.journal else "", "pid": os.getpid()})
    print("terminal simulator: FTP %s:%d, start command %d, root %s"
          % (args.host, ftp_port, start_port, state.root), flush=True)

    if server is not None:
        server.serve_forever(handle_exit=True)
    else:
        threading.Event().wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
