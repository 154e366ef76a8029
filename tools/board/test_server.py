"""The board server without a browser: HTTP requests in, the lines the engine
gets and the state the page gets out.

Most tests run a scripted engine (FAKE_ENGINE, started with a mode and a log
file of every line it reads), so they can see exactly what the server sent
and make the engine crash, hang or talk nonsense. RealEngineTest drives the
built engine (build/pbrain-pebblon, or PEBBLON_ENGINE) the same way.
"""

import http.client
import json
import os
import sys
import tempfile
import textwrap
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import board_server  # noqa: E402
import session as session_module  # noqa: E402
from session import Config  # noqa: E402

REAL_ENGINE = os.environ.get("PEBBLON_ENGINE", os.path.join(HERE, "..", "..", "build", "pbrain-pebblon"))

FAKE_ENGINE = textwrap.dedent('''\
    import sys, time

    mode, log_path = sys.argv[1], sys.argv[2]
    kind, _, arg = mode.partition(":")
    log = open(log_path, "a")
    size, stones, timeout_turn, searches = 15, [], 1000, 0
    if kind == "slowstart":
        time.sleep(int(arg) / 1000.0)

    def out(text):
        print(text, flush=True)

    def search():
        global searches
        searches += 1
        if kind == "crash" and searches == int(arg):
            sys.exit(3)
        if kind == "garbage":
            out("hello there")
            return
        if kind == "hang":
            return
        out("MESSAGE depth 1-1 ev 12 n 100 n/ms 10 tm 10 pv h8 i9")
        out("MESSAGE depth 2-3 ev +M5 n 20k n/ms 20 tm 50 pv h8 i9 j10")
        if timeout_turn == 0:
            # An analysis: think until YXSTOP.
            for line in sys.stdin:
                log.write(line)
                log.flush()
                if line.strip() == "YXSTOP":
                    break
        elif kind == "slow":
            time.sleep(int(arg) / 1000.0)
        move = next((x, y) for y in range(size) for x in range(size) if (x, y) not in stones)
        stones.append(move)
        out("%d,%d" % move)

    in_board = False
    for line in sys.stdin:
        log.write(line)
        log.flush()
        line = line.strip()
        words = line.split(" ")
        if in_board:
            if line == "DONE":
                in_board = False
            else:
                x, y, _ = line.split(",")
                stones.append((int(x), int(y)))
        elif words[0] == "START":
            size, stones = int(words[1]), []
            out("OK")
        elif words[0] == "RESTART":
            stones = []
            out("OK")
        elif words[0] == "YXBOARD":
            in_board = True
        elif words[0] == "ABOUT":
            out('name="fake", version="1"')
        elif words[0] == "INFO" and words[1] == "TIMEOUT_TURN":
            timeout_turn = int(words[2])
        elif words[0] == "TAKEBACK":
            x, y = map(int, words[1].split(","))
            if stones and stones[-1] == (x, y):
                stones.pop()
                out("OK")
            else:
                out("ERROR takeback move [%d,%d]" % (x, y))
        elif words[0] == "YXSHOWFORBID" and kind == "forbid" and stones:
            out("FORBID " + arg + ".")
        elif words[0] == "YXNBEST":
            search()
        elif words[0] == "END":
            break
''')

NEW_GAME = {"action": "new", "size": 15, "rule": 2, "black": "person", "white": "engine", "time_ms": 200}
DOUBLE_THREE_SETUP = {"action": "setup", "black": [[5, 7], [6, 7], [7, 5], [7, 6]],
                      "white": [[0, 0], [0, 2], [0, 4], [14, 14]]}


class BoardCase(unittest.TestCase):
    """A board server of its own on a free loopback port for each test."""

    engine_mode = "normal"
    idle = 900.0
    linger = 30.0

    def setUp(self):
        self.start_server(self.engine_mode)

    def tearDown(self):
        self.stop_server()

    def start_server(self, mode):
        self.folder = tempfile.TemporaryDirectory()
        self.log_path = os.path.join(self.folder.name, "engine.log")
        open(self.log_path, "w").close()
        self.server = board_server.BoardServer("127.0.0.1", 0, Config(self.engine_command(mode), self.folder.name,
                                                                       idle=self.idle, linger=self.linger))
        self.thread = threading.Thread(target=self.server.serve_forever, kwargs={"poll_interval": 0.05},
                                       daemon=True)
        self.thread.start()

    def stop_server(self):
        self.server.shutdown()
        self.server.close_all()
        self.server.server_close()
        self.thread.join(5)
        self.folder.cleanup()

    def engine_command(self, mode):
        fake = os.path.join(self.folder.name, "fake_engine.py")
        with open(fake, "w") as handle:
            handle.write(FAKE_ENGINE)
        return "%s %s %s %s" % (sys.executable, fake, mode, self.log_path)

    # -- talking to the server ---------------------------------------------

    def request(self, method, path, body=None, headers=None, raw=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=40)
        sent = {"Host": "127.0.0.1:%d" % self.server.port, "Content-Type": "application/json"}
        sent.update(headers or {})
        data = raw if raw is not None else (None if body is None else json.dumps(body).encode("utf-8"))
        connection.request(method, path, body=data, headers=sent)
        response = connection.getresponse()
        payload = response.read().decode("utf-8")
        connection.close()
        if response.getheader("Content-Type", "").startswith("application/json"):
            payload = json.loads(payload)
        return response.status, payload

    def open_session(self):
        status, reply = self.request("POST", "/api/session", {})
        self.assertEqual(status, 200, reply)
        return reply["session"]

    def act(self, sid, action, expect=200, **fields):
        payload = dict(action, session=sid) if isinstance(action, dict) else dict(fields, action=action, session=sid)
        status, reply = self.request("POST", "/api/action", payload)
        self.assertEqual(status, expect, reply)
        return reply

    def start_game(self, **fields):
        """A new session and game (NEW_GAME with `fields` changed) where black has played 7,7."""
        sid = self.open_session()
        self.act(sid, dict(NEW_GAME, **fields))
        self.act(sid, "move", x=7, y=7)
        return sid

    def state(self, sid):
        return self.server.find_session(sid).state()

    def wait_for(self, sid, check, what, timeout=15.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            state = self.state(sid)
            if check(state):
                return state
            time.sleep(0.02)
        self.fail("%s did not happen; state: %s" % (what, json.dumps(self.state(sid))[:2000]))

    def engine_log(self):
        with open(self.log_path) as handle:
            return [line.rstrip("\n") for line in handle]

    def wait_for_log(self, line, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if line in self.engine_log():
                return
            time.sleep(0.02)
        self.fail("the engine never got %r; it got %r" % (line, self.engine_log()))


class GameFlowTest(BoardCase):
    def test_a_move_and_the_engines_reply(self):
        sid = self.open_session()
        reply = self.act(sid, NEW_GAME)
        self.assertEqual(reply["state"]["engine"]["status"], "not started")   # started when needed
        self.act(sid, "move", x=7, y=7)
        state = self.wait_for(sid, lambda s: len(s["moves"]) == 2, "the engine's reply")
        self.assertEqual(state["moves"], [[7, 7], [0, 0]])
        self.assertEqual(self.engine_log(), [
            "INFO SHOW_DETAIL 1", "INFO TIMEOUT_MATCH 0", "INFO THREAD_NUM 1", "ABOUT",
            "START 15", "INFO RULE 2", "RESTART", "YXBOARD", "7,7,2", "DONE", "YXSHOWFORBID", "ABOUT",
            "INFO TIMEOUT_TURN 200", "YXNBEST 1",
            "YXSHOWFORBID", "ABOUT"])
        analysis = state["analysis"]
        self.assertEqual((analysis["purpose"], analysis["colour"], analysis["running"], analysis["best"]),
                         ("move", "white", False, [0, 0]))
        self.assertEqual([line["depth"] for line in analysis["lines"]], [2])
        self.assertEqual(analysis["lines"][0]["score"]["kind"], "win")
        self.assertEqual(analysis["lines"][0]["pv"], [[7, 7], [6, 8], [5, 9]])

    def test_an_engine_that_dies_between_searches_is_restarted(self):
        sid = self.start_game()
        self.wait_for(sid, lambda s: len(s["moves"]) == 2, "the engine's reply")
        self.server.find_session(sid).engine.process.kill()
        state = self.wait_for(sid, lambda s: s["engine"]["restarts"] == 1, "the restart")
        self.assertEqual([notice["text"] for notice in state["notices"]], [
            "The engine failed (crashed (exit status -9)); it is being started again.",
            "The engine is running again."])
        self.assertEqual(state["moves"], [[7, 7], [0, 0]])
        self.act(sid, "move", x=7, y=8)
        self.wait_for(sid, lambda s: len(s["moves"]) == 4, "the reply of the new engine")

    def test_undo_takes_back_the_reply_and_the_move(self):
        sid = self.start_game()
        self.wait_for(sid, lambda s: len(s["moves"]) == 2, "the engine's reply")
        before = len(self.engine_log())
        state = self.act(sid, "undo")["state"]
        self.assertEqual(state["moves"], [])
        self.assertEqual(self.engine_log()[before:], ["TAKEBACK 0,0", "TAKEBACK 7,7", "YXSHOWFORBID", "ABOUT"])
        self.assertIn("no move to take back", self.act(sid, "undo", expect=409)["error"])

    def test_the_engine_plays_both_sides_until_undo(self):
        sid = self.open_session()
        self.act(sid, dict(NEW_GAME, black="engine", white="engine", time_ms=50))
        self.wait_for(sid, lambda s: len(s["moves"]) >= 4, "four moves of the engine")
        state = self.act(sid, "undo")["state"]
        self.assertEqual(state["sides"], {"black": "person", "white": "person"})
        self.assertIsNone(state["thinking"])
        self.assertIn("no longer plays either side", state["notices"][-1]["text"])
        count = len(state["moves"])
        time.sleep(0.3)
        self.assertEqual(len(self.state(sid)["moves"]), count)

    def test_analysis_runs_until_stop_and_plays_nothing(self):
        sid = self.start_game(white="person")
        self.act(sid, "nbest", count=3)
        state = self.act(sid, "analyse")["state"]
        self.assertEqual(state["thinking"]["purpose"], "analysis")
        self.wait_for_log("YXNBEST 3")
        self.assertIn("INFO TIMEOUT_TURN 0", self.engine_log())          # no clock: until YXSTOP
        self.wait_for(sid, lambda s: len(s["analysis"]["lines"]) == 1, "the analysis lines")
        self.assertIn("already", self.act(sid, "analyse", expect=409)["error"])
        self.act(sid, "stop")
        state = self.wait_for(sid, lambda s: s["thinking"] is None, "the end of the analysis")
        self.assertEqual(state["moves"], [[7, 7]])
        self.assertEqual(state["analysis"]["best"], [0, 0])
        log = self.engine_log()
        self.assertEqual(log[log.index("YXSTOP") + 1:], ["TAKEBACK 0,0", "YXSHOWFORBID", "ABOUT"])
        self.assertIn("not thinking", self.act(sid, "stop", expect=409)["error"])

    def test_a_move_during_an_analysis_stops_it_first(self):
        sid = self.open_session()
        self.act(sid, dict(NEW_GAME, white="person"))
        self.act(sid, "analyse")
        self.wait_for_log("YXNBEST 1")
        state = self.act(sid, "move", x=3, y=3)["state"]
        self.assertEqual(state["moves"], [[3, 3]])
        self.assertIsNone(state["thinking"])
        log = self.engine_log()
        self.assertEqual(log[log.index("YXSTOP") + 1], "TAKEBACK 0,0")

    def test_a_set_up_position_is_analysed_and_its_forbidden_point_refused(self):
        self.assertEqual(self.engine_mode, "normal")
        sid = self.open_session()
        self.act(sid, NEW_GAME)
        state = self.act(sid, DOUBLE_THREE_SETUP)["state"]
        self.assertEqual(state["moves"], [[5, 7], [0, 0], [6, 7], [0, 2], [7, 5], [0, 4], [7, 6], [14, 14]])
        self.assertEqual((state["setup"], state["to_move"]), (8, "black"))
        self.assertEqual(state["sides"], {"black": "person", "white": "person"})
        self.assertEqual(state["thinking"]["purpose"], "analysis")
        self.act(sid, "stop")
        self.wait_for(sid, lambda s: s["thinking"] is None, "the end of the analysis")
        sent = len(self.engine_log())
        state = self.act(sid, "move", x=7, y=7)["state"]
        self.assertEqual(state["result"]["text"], "White wins: black played a forbidden double three at 7,7")
        self.assertEqual(self.engine_log()[sent:], [])                   # never sent to the engine
        self.assertIn("the game is over", self.act(sid, "move", x=9, y=9, expect=409)["error"])
        self.assertIn("the game is over", self.act(sid, "analyse", expect=409)["error"])
        self.assertIsNone(self.act(sid, "undo")["state"]["result"])

    def test_a_saved_game_loads_again(self):
        sid = self.open_session()
        self.act(sid, dict(NEW_GAME, white="person", rule=0, size=13))
        for x, y in [(6, 6), (7, 7), (5, 5)]:
            self.act(sid, "move", x=x, y=y)
        status, text = self.request("GET", "/api/game?session=" + sid)
        self.assertEqual(status, 200)
        self.assertIn("size 13\nrule 0\n6,6 7,7 5,5\n", text)
        self.act(sid, dict(NEW_GAME, white="person"))
        state = self.act(sid, "load", text=text)["state"]
        self.assertEqual((state["size"], state["rule"], state["moves"]), (13, 0, [[6, 6], [7, 7], [5, 5]]))


class RefusalTest(BoardCase):
    def test_bad_requests_change_nothing_and_reach_no_engine(self):
        sid = self.start_game(white="person")
        sent = self.engine_log()
        # (request, status, text of the error)
        cases = [
            ({"action": "move", "x": 7, "y": 7}, 409, "7,7 is already taken"),
            ({"action": "move", "x": 15, "y": 0}, 409, "off the 15x15 board"),
            ({"action": "move", "x": "7", "y": 0}, 400, "move: x: a whole number was expected"),
            ({"action": "move", "x": True, "y": 0}, 400, "a whole number was expected"),
            ({"action": "move", "x": 1.5, "y": 0}, 400, "a whole number was expected"),
            ({"action": "move", "x": 1}, 400, "move needs the field 'y'"),
            ({"action": "move", "x": 1, "y": 1, "z": 1}, 400, "unexpected field 'z'"),
            ({"action": "TURN 1,1"}, 400, "unknown request 'TURN 1,1'"),
            ({"action": ["move"]}, 400, "unknown request 'list'"),
            ({}, 400, "unknown request"),
            ({"action": "nbest", "count": 0}, 400, "between 1 and 10"),
            ({"action": "time", "time_ms": 10}, 400, "between 50 ms and 600000 ms"),
            ({"action": "sides", "black": "robot", "white": "person"}, 400, "'person' or 'engine'"),
            ({"action": "new", "size": 25, "rule": 2, "black": "person", "white": "person", "time_ms": 100},
             409, "board size must be"),
            ({"action": "new", "size": 15, "rule": 3, "black": "person", "white": "person", "time_ms": 100},
             409, "the rule must be"),
            ({"action": "setup", "black": [[1, 1], [2, 2]], "white": []}, 409, "or one more"),
            ({"action": "setup", "black": "1,1", "white": []}, 400, "a list was expected"),
            ({"action": "load", "text": "7,7 7,7"}, 409, "move 2: 7,7 is already taken"),
            ({"action": "load", "text": "START 15\nBEGIN"}, 409, "'START' is not a move"),
            ({"action": "load", "text": 5}, 400, "text was expected"),
        ]
        for payload, status, message in cases:
            with self.subTest(payload=payload):
                code, reply = self.request("POST", "/api/action", dict(payload, session=sid))
                self.assertEqual(code, status, reply)
                self.assertIn(message, reply["error"])
                self.assertFalse(reply["ok"])
        state = self.state(sid)
        self.assertEqual((state["moves"], state["size"], state["nbest"], state["time_ms"]), ([[7, 7]], 15, 1, 200))
        self.assertEqual(self.engine_log(), sent)

    def test_malformed_http_requests(self):
        sid = self.open_session()
        body = json.dumps({"session": sid, "action": "undo"}).encode()
        cases = [
            ("POST", "/api/action", {"raw": b"{not json"}, 400, "not valid JSON"),
            ("POST", "/api/action", {"raw": b"[1, 2]"}, 400, "a JSON object"),
            ("POST", "/api/action", {"raw": b"\xff\xfe"}, 400, "not valid JSON"),
            ("POST", "/api/action", {"raw": body, "headers": {"Content-Type": "text/plain"}}, 415, "application/json"),
            ("POST", "/api/action", {"raw": b" " * (200 * 1024)}, 413, "at most 96 KiB"),
            ("POST", "/api/action", {"body": {"session": "nope", "action": "undo"}}, 404, "no such board session"),
            ("POST", "/api/nothing", {"body": {}}, 404, "no such request"),
            ("GET", "/api/events?session=nope", {}, 404, "no such board session"),
            ("GET", "/api/game", {}, 404, "no such board session"),
            ("GET", "/../session.py", {}, 404, "no such page"),
            ("GET", "/", {"headers": {"Host": "evil.example:80"}}, 403, "only its own page"),
            ("POST", "/api/action", {"body": {"session": sid, "action": "undo"},
                                     "headers": {"Origin": "http://evil.example"}}, 403, "only its own page"),
            ("POST", "/api/session", {"body": {}, "headers": {"Host": "127.0.0.2:%d" % self.server.port}},
             403, "only its own page"),
        ]
        for method, path, options, status, message in cases:
            with self.subTest(path=path, options=str(options)[:60]):
                code, reply = self.request(method, path, **options)
                self.assertEqual(code, status, reply)
                self.assertIn(message, reply["error"])
        self.assertEqual(self.state(sid)["moves"], [])

    def test_the_page_and_its_policy(self):
        for path, kind in [("/", "text/html"), ("/board.js", "text/javascript"), ("/board.css", "text/css")]:
            connection = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
            connection.request("GET", path)
            response = connection.getresponse()
            text = response.read().decode("utf-8")
            connection.close()
            self.assertEqual(response.status, 200)
            self.assertTrue(response.getheader("Content-Type").startswith(kind))
            self.assertIn("default-src 'none'", response.getheader("Content-Security-Policy"))
            self.assertNotIn("http://", text.replace("http://www.w3.org/2000/svg", ""))   # nothing from outside

    def test_only_loopback_addresses(self):
        self.assertEqual(board_server.loopback_host("localhost"), "127.0.0.1")
        self.assertEqual(board_server.loopback_host("::1"), "::1")
        for host in ["0.0.0.0", "192.168.1.2", "example.org", "::"]:
            with self.assertRaises(Exception):
                board_server.loopback_host(host)
        self.assertEqual(self.server.server_address[0], "127.0.0.1")

    def test_moves_on_the_engines_turn_are_refused(self):
        sid = self.open_session()
        self.act(sid, dict(NEW_GAME, black="engine", white="person", time_ms=5000))
        self.wait_for(sid, lambda s: len(s["moves"]) == 1, "the engine's first move")
        self.act(sid, "move", x=7, y=7)
        state = self.wait_for(sid, lambda s: len(s["moves"]) == 3, "the engine's second move")
        self.assertEqual(state["moves"], [[0, 0], [7, 7], [1, 0]])


class SlowEngineTest(BoardCase):
    engine_mode = "slow:800"

    def test_requests_while_the_engine_moves(self):
        sid = self.start_game()
        reply = self.act(sid, "move", x=8, y=8, expect=409)
        self.assertIn("it is the engine's move (white)", reply["error"])
        self.assertEqual(reply["state"]["thinking"]["purpose"], "move")
        # Stop makes the engine move at once: its move is played.
        self.act(sid, "stop")
        self.wait_for_log("YXSTOP")
        self.wait_for(sid, lambda s: len(s["moves"]) == 2, "the engine's reply")

    def test_a_new_game_while_the_engine_moves_drops_its_move(self):
        sid = self.start_game()
        state = self.act(sid, dict(NEW_GAME, white="person"))["state"]
        self.assertEqual(state["moves"], [])
        self.assertIsNone(state["thinking"])
        time.sleep(1.0)
        self.assertEqual(self.state(sid)["moves"], [])


class FloodTest(BoardCase):
    engine_mode = "slowstart:1500"

    def test_a_flood_of_requests_is_refused_past_the_queue(self):
        sid = self.open_session()
        self.act(sid, dict(NEW_GAME, white="person", rule=0))
        # The worker is busy starting the slow engine for a while.
        threading.Thread(target=lambda: self.request(
            "POST", "/api/action", {"session": sid, "action": "analyse"}), daemon=True).start()
        self.wait_for(sid, lambda s: s["engine"]["status"] == "starting", "the engine's start")
        results = []

        def click(x):
            results.append(self.request("POST", "/api/action", {"session": sid, "action": "move", "x": x, "y": 0}))

        clicks = [threading.Thread(target=click, args=(x,)) for x in range(15)]
        for thread in clicks:
            thread.start()
        for thread in clicks:
            thread.join(40)
        statuses = sorted(status for status, _ in results)
        self.assertEqual(len(statuses), 15)
        self.assertEqual(statuses.count(429), 15 - session_module.MAX_PENDING)
        self.assertTrue(all(status in (200, 429) for status in statuses), statuses)
        refused = [reply["error"] for status, reply in results if status == 429]
        self.assertIn("too many requests at once", refused[0])
        state = self.state(sid)
        self.assertEqual(len(state["moves"]), session_module.MAX_PENDING)
        self.assertEqual(len(set(map(tuple, state["moves"]))), session_module.MAX_PENDING)


class FailingEngineTest(BoardCase):
    def test_an_engine_that_fails_is_restarted_three_times_and_the_page_told(self):
        session_module.MOVE_GRACE, grace = 0.3, session_module.MOVE_GRACE
        self.addCleanup(setattr, session_module, "MOVE_GRACE", grace)
        # (mode of the scripted engine, why it failed); each new process fails at its first search
        cases = [
            ("crash:1", "crashed (exit status 3)"),
            ("garbage", "it answered 'hello there' instead of a move"),
            ("hang", "no move within 0.4 s"),
        ]
        for mode, reason in cases:
            with self.subTest(mode=mode):
                self.stop_server()
                self.start_server(mode)
                sid = self.open_session()
                self.act(sid, dict(NEW_GAME, time_ms=100))
                self.act(sid, "move", x=7, y=7)
                state = self.wait_for(sid, lambda s: s["engine"]["status"] == "failed", "the third failure")
                failed = "The engine failed (%s); it is being started again." % reason
                self.assertEqual([notice["text"] for notice in state["notices"]], [
                    failed, "The engine is running again.", failed, "The engine is running again.",
                    "The engine failed 3 times in a row (last: %s); start a new game to try again." % reason])
                self.assertEqual(self.engine_log().count("YXNBEST 1"), 3)
                self.assertEqual(state["moves"], [[7, 7]])
                # A new game tries again.
                state = self.act(sid, dict(NEW_GAME, white="person"))["state"]
                self.assertEqual(state["engine"]["status"], "not started")


class CrashOnceTest(BoardCase):
    engine_mode = "crash:2"

    def test_the_game_goes_on_in_a_new_engine(self):
        sid = self.start_game()
        self.wait_for(sid, lambda s: len(s["moves"]) == 2, "the first reply")
        self.act(sid, "move", x=7, y=8)
        # The second search kills the engine; a new one is given the game and answers.
        state = self.wait_for(sid, lambda s: len(s["moves"]) == 4, "the reply of the new engine")
        self.assertEqual(state["engine"]["restarts"], 1)
        log = self.engine_log()
        restart = log.index("INFO SHOW_DETAIL 1", 1)
        self.assertEqual(log[restart:restart + 16], [
            "INFO SHOW_DETAIL 1", "INFO TIMEOUT_MATCH 0", "INFO THREAD_NUM 1", "ABOUT",
            "START 15", "INFO RULE 2", "RESTART", "YXBOARD", "7,7,2", "0,0,1", "7,8,2", "DONE", "YXSHOWFORBID",
            "ABOUT", "INFO TIMEOUT_TURN 200", "YXNBEST 1"])


class IdleTest(BoardCase):
    idle = 0.5
    linger = 1.0

    def test_an_idle_engine_is_ended_and_started_again_when_needed(self):
        # A closed stream is seen at the next write to it.
        board_server.KEEPALIVE, keepalive = 0.2, board_server.KEEPALIVE
        self.addCleanup(setattr, board_server, "KEEPALIVE", keepalive)
        sid = self.open_session()
        # The page keeps watching (an event stream is open), but asks nothing.
        stream = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
        stream.request("GET", "/api/events?session=" + sid)
        response = stream.getresponse()
        self.assertEqual(response.getheader("Content-Type"), "text/event-stream")
        self.assertEqual(response.readline(), b"event: state\n")
        self.assertTrue(response.readline().startswith(b"data: {"))
        self.act(sid, NEW_GAME)
        self.act(sid, "move", x=7, y=7)
        state = self.wait_for(sid, lambda s: s["engine"]["status"] == "ended", "the idle end")
        self.assertIn("without a request", state["notices"][-1]["text"])
        self.assertEqual(self.engine_log()[-1], "END")
        self.act(sid, "move", x=8, y=8)
        self.wait_for(sid, lambda s: len(s["moves"]) == 4, "a reply from a new engine")
        response.close()
        stream.close()
        # Without a page the session goes after the linger time.
        deadline = time.monotonic() + 10
        while sid in self.server.sessions and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertNotIn(sid, self.server.sessions)
        self.assertEqual(self.request("POST", "/api/action", {"session": sid, "action": "undo"})[0], 404)


@unittest.skipUnless(os.access(REAL_ENGINE, os.X_OK), "no engine at %s (make build)" % REAL_ENGINE)
class RealEngineTest(BoardCase):
    def engine_command(self, mode):
        return os.path.abspath(REAL_ENGINE)

    def test_play_analyse_and_forbidden_points(self):
        sid = self.start_game(time_ms=200)
        state = self.wait_for(sid, lambda s: len(s["moves"]) == 2, "the engine's reply")
        reply = state["moves"][1]
        analysis = state["analysis"]
        self.assertEqual(analysis["best"], reply)
        # The last line's first move is the move played: the line's
        # coordinates are read back right.
        self.assertEqual(analysis["lines"][0]["pv"][0], reply)
        self.assertGreater(analysis["lines"][0]["depth"], 1)

        self.act(sid, "nbest", count=2)
        self.act(sid, "analyse")
        state = self.wait_for(sid, lambda s: s["analysis"]["lines"] and s["analysis"]["lines"][-1]["multipv"] == 2
                              and s["analysis"]["lines"][0]["depth"] >= 4, "two lines at depth 4")
        self.assertEqual(state["thinking"]["purpose"], "analysis")
        self.act(sid, "stop")
        state = self.wait_for(sid, lambda s: s["thinking"] is None, "the end of the analysis")
        self.assertEqual(len(state["moves"]), 2)
        self.assertNotEqual(state["analysis"]["lines"][0]["pv"][0], state["analysis"]["lines"][1]["pv"][0])

        state = self.act(sid, DOUBLE_THREE_SETUP)["state"]
        self.assertEqual(state["forbidden"], [[7, 7]])
        state = self.act(sid, "undo")["state"]                  # stops the analysis if it still runs
        self.assertEqual(state["to_move"], "white")
        self.assertEqual(state["forbidden"], [[7, 7]])          # still black's
        self.act(sid, "move", x=14, y=14)
        self.assertEqual(self.act(sid, "move", x=7, y=7)["state"]["result"]["winner"], "white")

    def test_lines_read_right_on_every_board_size(self):
        sid = self.open_session()
        for size, rule in [(5, 0), (9, 1), (20, 2)]:
            with self.subTest(size=size):
                self.act(sid, dict(NEW_GAME, size=size, rule=rule, black="engine", white="person", time_ms=100))
                state = self.wait_for(sid, lambda s: len(s["moves"]) == 1 and s["size"] == size, "a first move")
                self.assertEqual(state["analysis"]["lines"][-1]["pv"][0], state["moves"][0])
                self.act(sid, "move", x=0, y=size - 1)
                state = self.wait_for(sid, lambda s: len(s["moves"]) == 3, "a second move")
                self.assertEqual(state["analysis"]["lines"][-1]["pv"][0], state["moves"][2])


if __name__ == "__main__":
    unittest.main()
