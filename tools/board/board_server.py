#!/usr/bin/env python3
"""A board in the browser for Pebblon: a small web server on a loopback
address that serves one page (static/) and drives the engine for it.

    python3 tools/board/board_server.py --engine build/pbrain-pebblon

prints the page's address. Each page that opens gets a session (session.py)
with its own engine process; the page's requests are checked there and
never reach the engine as text. The server listens on a loopback address
only, answers only requests from this machine that name that address as
their host, and takes no request from pages of other origins.

HTTP interface (JSON unless said otherwise):
  GET  /, /board.js, /board.css   the page
  POST /api/session               {"resume": id or absent} -> {"session", "state"}
  GET  /api/events?session=ID     server-sent events: "state" (the whole
                                  state, after every change), "closed"
  POST /api/action                {"session", "action", fields...} ->
                                  {"ok", "error", "state"}
  GET  /api/game?session=ID       the game as a move list (text/plain)
"""

import argparse
import http.server
import ipaddress
import json
import os
import secrets
import shlex
import shutil
import signal
import socket
import sys
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from page_requests import Refused  # noqa: E402
from session import Config, Session  # noqa: E402

STATIC_DIR = os.path.join(HERE, "static")
STATIC_FILES = {
    "/": ("index.html", "text/html; charset=utf-8"),
    "/index.html": ("index.html", "text/html; charset=utf-8"),
    "/board.js": ("board.js", "text/javascript; charset=utf-8"),
    "/board.css": ("board.css", "text/css; charset=utf-8"),
}
# The page loads nothing but what this server serves.
CONTENT_POLICY = ("default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
                  "connect-src 'self'; form-action 'none'; frame-ancestors 'none'; base-uri 'none'")
MAX_BODY = 96 * 1024
DEFAULT_PORT = 8156
KEEPALIVE = 5.0   # s between keep-alive comments on an idle event stream


class BoardServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    # Connections waiting to be accepted: a burst of requests gets answers
    # (refusals past the session's queue), not resets.
    request_queue_size = 64

    def __init__(self, host, port, config, max_sessions=4):
        self.address_family = socket.AF_INET6 if ":" in host else socket.AF_INET
        super().__init__((host, port), BoardHandler)
        self.config = config
        self.max_sessions = max_sessions
        self.sessions = {}
        self.lock = threading.Lock()
        self.port = self.server_address[1]
        shown = "[%s]" % host if ":" in host else host
        self.url = "http://%s:%d/" % (shown, self.port)
        self.hosts = {"%s:%d" % (name, self.port) for name in ("127.0.0.1", "localhost", "[::1]", shown)}
        self.closed = threading.Event()
        self.reaper = threading.Thread(target=self._reap, name="reaper", daemon=True)
        self.reaper.start()

    def open_session(self, resume=None):
        with self.lock:
            if isinstance(resume, str) and resume in self.sessions and not self.sessions[resume].closing.is_set():
                return self.sessions[resume]
            if len(self.sessions) >= self.max_sessions:
                raise Refused("%d boards are open already; close one and reload" % self.max_sessions, 503)
            session = Session(secrets.token_urlsafe(18), self.config)
            self.sessions[session.id] = session
            return session

    def find_session(self, session_id):
        with self.lock:
            session = self.sessions.get(session_id) if isinstance(session_id, str) else None
        if session is None or session.closing.is_set():
            raise Refused("no such board session; reload the page", 404)
        return session

    def _reap(self):
        while not self.closed.wait(1.0):
            now = time.monotonic()
            with self.lock:
                for session_id, session in list(self.sessions.items()):
                    if session.should_close(now) or session.finished.is_set():
                        session.close()
                        del self.sessions[session_id]

    def close_all(self):
        self.closed.set()
        with self.lock:
            sessions = list(self.sessions.values())
            self.sessions.clear()
        for session in sessions:
            session.close()
        for session in sessions:
            session.worker.join(timeout=5)


class BoardHandler(http.server.BaseHTTPRequestHandler):
    server_version = "PebblonBoard"
    quiet = True

    def log_message(self, format, *args):
        if not self.quiet:
            super().log_message(format, *args)

    # -- checks ------------------------------------------------------------

    def _local_request(self):
        """From this machine, naming the server's own address as its host."""
        try:
            if not ipaddress.ip_address(self.client_address[0].split("%")[0]).is_loopback:
                return False
        except ValueError:
            return False
        return self.headers.get("Host", "") in self.server.hosts

    def _same_origin(self):
        origin = self.headers.get("Origin")
        return origin is None or origin in {"http://" + host for host in self.server.hosts}

    def _send(self, status, body, content_type="application/json", headers=()):
        data = body if isinstance(body, bytes) else body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.send_header("X-Content-Type-Options", "nosniff")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        try:
            self.wfile.write(data)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True   # the page went away meanwhile

    def _json(self, status, payload):
        self._send(status, json.dumps(payload))

    def _error(self, status, message):
        self._json(status, {"ok": False, "error": message})

    def _query(self):
        return urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)

    def _body(self):
        """The request's JSON object, or Refused."""
        if not self.headers.get("Content-Type", "").startswith("application/json"):
            raise Refused("requests are sent as application/json", 415)
        try:
            length = int(self.headers.get("Content-Length", ""))
        except ValueError:
            raise Refused("a request needs a Content-Length", 411)
        if length < 0 or length > MAX_BODY:
            raise Refused("a request is at most %d KiB" % (MAX_BODY // 1024), 413)
        try:
            payload = json.loads(self.rfile.read(length).decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            raise Refused("the request is not valid JSON", 400)
        if not isinstance(payload, dict):
            raise Refused("a request is a JSON object", 400)
        return payload

    # -- routes --------------------------------------------------------------

    def do_GET(self):
        if not self._local_request():
            self._error(403, "this board answers only its own page on this machine")
            return
        path = urllib.parse.urlsplit(self.path).path
        try:
            if path in STATIC_FILES:
                name, content_type = STATIC_FILES[path]
                with open(os.path.join(STATIC_DIR, name), "rb") as handle:
                    data = handle.read()
                self._send(200, data, content_type, [("Content-Security-Policy", CONTENT_POLICY)])
            elif path == "/api/events":
                self._events(self.server.find_session(self._query().get("session", [None])[0]))
            elif path == "/api/game":
                session = self.server.find_session(self._query().get("session", [None])[0])
                self._send(200, session.game_text(), "text/plain; charset=utf-8",
                           [("Content-Disposition", 'attachment; filename="pebblon-game.txt"')])
            else:
                self._error(404, "no such page")
        except Refused as refused:
            self._error(refused.status, str(refused))

    def do_POST(self):
        if not self._local_request() or not self._same_origin():
            self._error(403, "this board answers only its own page on this machine")
            return
        path = urllib.parse.urlsplit(self.path).path
        try:
            payload = self._body()
            if path == "/api/session":
                session = self.server.open_session(payload.get("resume"))
                self._json(200, {"ok": True, "session": session.id, "state": session.state()})
            elif path == "/api/action":
                session = self.server.find_session(payload.get("session"))
                status, error, state = session.submit(payload)
                self._json(status, {"ok": error is None, "error": error, "state": state})
            else:
                self._error(404, "no such request")
        except Refused as refused:
            self._error(refused.status, str(refused))

    def _events(self, session):
        session.attach()
        try:
            self.send_response(200)
            self.send_header("Content-Type", "text/event-stream")
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            seen = None
            while True:
                seen, state = session.wait_for_change(seen, KEEPALIVE)
                if state is not None:
                    self.wfile.write(b"event: state\ndata: " + state.encode("utf-8") + b"\n\n")
                else:
                    self.wfile.write(b": keep-alive\n\n")
                self.wfile.flush()
                if session.finished.is_set() or self.server.closed.is_set():
                    self.wfile.write(b"event: closed\ndata: {}\n\n")
                    self.wfile.flush()
                    return
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass
        finally:
            session.detach()
            self.close_connection = True


def loopback_host(text):
    host = "127.0.0.1" if text == "localhost" else text
    try:
        if ipaddress.ip_address(host).is_loopback:
            return host
    except ValueError:
        pass
    raise argparse.ArgumentTypeError("the board listens on a loopback address only (127.0.0.1, ::1)")


def parse_args(argv=None):
    parser = argparse.ArgumentParser(
        prog="board_server.py", description="A local web board to play and analyse with Pebblon.")
    default_engine = os.path.join(HERE, "..", "..", "build", "pbrain-pebblon")
    parser.add_argument("--engine", default=os.path.normpath(default_engine), metavar="COMMAND",
                        help="the engine's command line (default: %(default)s)")
    parser.add_argument("--host", type=loopback_host, default="127.0.0.1",
                        help="a loopback address to listen on (default %(default)s)")
    parser.add_argument("--port", type=int, default=None,
                        help="port (default %d, or a free one when that is taken; 0: any free port)"
                        % DEFAULT_PORT)
    parser.add_argument("--threads", type=int, default=1, help="search threads per engine (default 1)")
    parser.add_argument("--hash", type=int, default=0, metavar="MIB",
                        help="memory limit per engine in MiB (INFO HASH_SIZE; default: the engine's own)")
    parser.add_argument("--idle", type=float, default=900.0, metavar="S",
                        help="end a page's engine after this many seconds without a request (default 900)")
    parser.add_argument("--linger", type=float, default=20.0, metavar="S",
                        help="end a session this many seconds after its page closed (default 20)")
    parser.add_argument("--max-sessions", type=int, default=4, metavar="N",
                        help="pages open at once, each with its own engine (default 4)")
    parser.add_argument("--verbose", action="store_true", help="log every HTTP request on standard error")
    args = parser.parse_args(argv)
    if not 1 <= args.threads <= 64:
        parser.error("--threads must lie between 1 and 64")
    if not 0 <= args.hash <= 4096:
        parser.error("--hash must lie between 0 and 4096")
    if args.max_sessions < 1 or args.idle <= 0 or args.linger <= 0:
        parser.error("--max-sessions, --idle and --linger must be positive")
    try:
        command = shlex.split(args.engine)
    except ValueError as error:
        parser.error("--engine: %s" % error)
    if not command or shutil.which(command[0]) is None:
        parser.error("no engine at %r: build it with 'make build', or name it with --engine" % args.engine)
    return args


def make_server(args):
    config = Config(args.engine, os.getcwd(), args.threads, args.hash, args.idle, args.linger)
    BoardHandler.quiet = not args.verbose
    if args.port is not None:
        return BoardServer(args.host, args.port, config, args.max_sessions)
    try:
        return BoardServer(args.host, DEFAULT_PORT, config, args.max_sessions)
    except OSError:
        return BoardServer(args.host, 0, config, args.max_sessions)


def main(argv=None):
    args = parse_args(argv)
    try:
        server = make_server(args)
    except OSError as error:
        raise SystemExit("cannot listen on %s port %s: %s" % (args.host, args.port, error))
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    print("Pebblon board: %s  (engine: %s; Ctrl-C stops it)" % (server.url, args.engine), flush=True)
    try:
        server.serve_forever(poll_interval=0.25)
    except KeyboardInterrupt:
        pass
    finally:
        server.close_all()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
