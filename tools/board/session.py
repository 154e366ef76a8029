"""One page's session of the board server: its game, its engine process and
the state its page is shown.

A session drives one engine process over the protocol as a manager does,
starting it when it is first needed and ending it when the session closes or
the page has sent nothing for the idle time. One worker thread does all the
session's work, so the game and the engine are never touched by two threads
at once: it takes the page's requests from a short queue, one at a time, and
while the engine searches it reads the engine's lines between them.

The game (game.Game) is the truth and the engine's board follows it:
  - before a search the engine gets the whole position (RESTART, then
    YXBOARD with the stones of the side to move as its own, DONE), unless
    its board already holds exactly the game's stones with the right side to
    move; YXNBEST n then starts the search (n lines for an analysis, 1 for
    the engine's own move);
  - the engine's reply is played in the game when it was the engine's move,
    and taken back from the engine's board (TAKEBACK) after an analysis;
  - when the game loses stones (undo) and the engine's board holds the
    game's stones and more, the extra stones are taken back with TAKEBACK;
  - under renju, after every change, YXSHOWFORBID gives black's forbidden
    points. A command that answers nothing is followed by ABOUT, whose
    answer tells the worker that the engine has read what came before.
A move the person makes is checked against the game first (the referee
judges fives and, under renju, black's forbidden moves, which end the game
and are never sent to the engine); a refused request changes nothing.

An engine that dies, says something that is not a move, or gives no reply
in time is ended, started again and given the game; the page is told. After
three failures in a row the session stops trying until the next new game.
"""

import collections
import json
import os
import queue
import subprocess
import sys
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "match"))
sys.path.insert(0, HERE)

import engine_lines  # noqa: E402
import match  # noqa: E402
import referee  # noqa: E402
from game import Game, GameError, colour_name  # noqa: E402
from page_requests import ENGINE, PERSON, Refused, check_time, parse_action  # noqa: E402

COLOURS = ("black", "white")

MAX_PENDING = 8          # requests waiting for the worker; more are refused
ACTION_WAIT = 30.0       # s a request waits for the worker's answer
START_TIMEOUT = 30.0     # s for a new engine to answer its first commands
REPLY_TIMEOUT = 10.0     # s for the answer to commands outside a search
STOP_TIMEOUT = 10.0      # s for a search to end after YXSTOP
MOVE_GRACE = 10.0        # s past the time per move before an engine counts as hung
MAX_FAILURES = 3         # engine failures in a row before the session gives up
MAX_NOTICES = 12


class Config:
    """What every session of one server shares."""

    def __init__(self, engine, cwd=None, threads=1, hash_mb=0, idle=900.0, linger=20.0):
        self.engine = engine
        self.cwd = cwd or os.getcwd()
        self.threads = threads
        self.hash_mb = hash_mb
        self.idle = idle
        self.linger = linger


class EngineTrouble(Exception):
    """The engine said something the board cannot follow, or nothing in time."""


ENGINE_ERRORS = (match.EngineFault, match.EngineTimeout, EngineTrouble, OSError)


class Search:
    """The engine's search under way: for its own move or an analysis."""

    def __init__(self, purpose, colour, deadline):
        self.purpose = purpose
        self.colour = colour
        self.deadline = deadline   # monotonic time past which the engine counts as hung, or None
        self.stop_sent = False
        self.aborted = False       # its reply is not played


class Session:
    def __init__(self, session_id, config):
        self.id = session_id
        self.config = config
        self.game = Game(15, 2)
        self.sides = {"black": PERSON, "white": ENGINE}
        self.time_ms = 1000
        self.nbest = 1
        self.forbidden = []
        self.analysis = None       # the lines of the last search, for the page
        self.search = None
        self.notices = collections.deque(maxlen=MAX_NOTICES)
        self.notice_count = 0

        self.engine = None
        self.engine_status = "not started"
        self.engine_size = None    # what the engine was told, None: not yet
        self.engine_rule = None
        self.engine_board = None   # the stones on the engine's board in order, None: unknown
        self.engine_mover = None   # the colour the engine plays on its board
        self.failures = 0
        self.restarts = 0

        self.actions = queue.Queue(maxsize=MAX_PENDING)
        self.changed = threading.Condition()
        self.version = 0
        self.snapshot = None
        self.streams = 0
        self.last_action = time.monotonic()
        self.last_stream = time.monotonic()
        self.closing = threading.Event()
        self.finished = threading.Event()
        self._publish()
        self.worker = threading.Thread(target=self._run, name="session-" + session_id[:6], daemon=True)
        self.worker.start()

    # -- called from the server's threads ----------------------------------

    def submit(self, payload):
        """Carries out one request: (status, error or None, state after it)."""
        name, values = parse_action(payload)
        if self.closing.is_set():
            raise Refused("this board session has ended; reload the page", 410)
        self.last_action = time.monotonic()
        box = queue.Queue(maxsize=1)
        try:
            self.actions.put_nowait((name, values, box))
        except queue.Full:
            raise Refused("too many requests at once; wait for the board to catch up", 429)
        try:
            return box.get(timeout=ACTION_WAIT)
        except queue.Empty:
            raise Refused("the board is busy; try again", 503)

    def attach(self):
        with self.changed:
            self.streams += 1

    def detach(self):
        with self.changed:
            self.streams -= 1
            self.last_stream = time.monotonic()

    def wait_for_change(self, seen, timeout):
        """(version, state as JSON) once the state is newer than `seen`, or
        after `timeout` s; the JSON is None when nothing changed."""
        with self.changed:
            self.changed.wait_for(lambda: self.version != seen or self.finished.is_set(), timeout)
            if self.version == seen:
                return seen, None
            return self.version, self.snapshot

    def state(self):
        with self.changed:
            return json.loads(self.snapshot)

    def game_text(self):
        with self.changed:
            return self.saved_text

    def should_close(self, now):
        """No page has watched this session for the linger time."""
        with self.changed:
            return self.streams == 0 and now - self.last_stream > self.config.linger

    def close(self):
        self.closing.set()

    # -- the worker ----------------------------------------------------------

    def _run(self):
        try:
            while not self.closing.is_set():
                try:
                    self._step()
                except Exception as error:   # a fault of the board itself: keep the session alive
                    traceback.print_exc()
                    self._notice("error", "The board failed (%s: %s); the engine was ended and starts "
                                          "again when needed." % (type(error).__name__, error))
                    self._end_engine(kill=True)
                    self._publish()
        finally:
            self._end_engine()
            while True:
                try:
                    _, _, box = self.actions.get_nowait()
                except queue.Empty:
                    break
                box.put((410, "this board session has ended; reload the page", self.state()))
            self.finished.set()
            self._publish()

    def _step(self):
        if self.search is not None:
            self._guarded(self._pump, 0.05)
        try:
            item = self.actions.get(timeout=0.05 if self.search else 0.25)
        except queue.Empty:
            item = None
        if item is not None:
            self._serve(*item)
        self._housekeeping()
        if self.dirty:
            self._publish()

    def _serve(self, name, values, box):
        status, error = 500, "the board failed on this request"
        try:
            self._guarded(getattr(self, "_do_" + name), values)
            status, error = 200, None
        except Refused as refused:
            status, error = refused.status, str(refused)
        except GameError as refused:
            status, error = 409, str(refused)
        finally:
            self._publish()
            box.put((status, error, self.state()))

    def _guarded(self, step, *args):
        """Runs one step; an engine failure is noted and the engine restarted."""
        try:
            step(*args)
        except ENGINE_ERRORS as problem:
            self._engine_failed(problem)
            self._recover()

    def _recover(self):
        while self.engine_status != "failed":
            try:
                self._settle()
                return
            except ENGINE_ERRORS as problem:
                self._engine_failed(problem)

    def _housekeeping(self):
        now = time.monotonic()
        engine = self.engine
        if engine is not None and self.search is None and not engine.alive():
            code = engine.process.poll() if engine.process else None
            self._engine_failed(match.EngineFault("crashed (exit status %s)" % code))
            self._recover()
        idle = now - self.last_action > self.config.idle
        if self.engine is not None and idle and (self.search is None or self.search.purpose == "analysis"):
            self._end_engine()
            self.engine_status = "ended"
            self._notice("info", "The engine was ended after %d s without a request; "
                                 "it starts again when it is needed." % self.config.idle)

    # -- requests --------------------------------------------------------------

    def _do_new(self, values):
        game = Game(values["size"], values["rule"])
        time_ms = check_time(values["time_ms"])
        self._abort_search()
        self.game = game
        self.sides = {"black": values["black"], "white": values["white"]}
        self.time_ms = time_ms
        self._position_changed()
        if self.engine_status == "failed":
            self.engine_status = "not started"
        self.failures = 0
        self._settle()

    def _do_move(self, values):
        game = self.game
        x, y = game.check_move(values["x"], values["y"])
        mover = colour_name(game.to_move())
        if self.sides[mover] == ENGINE:
            raise Refused("it is the engine's move (%s): wait for it, or press Stop to have it move now" % mover)
        self._abort_search()
        game.play(x, y)
        self._position_changed()
        self._settle()

    def _do_undo(self, values):
        game = self.game
        if not game.moves:
            raise Refused("there is no move to take back")
        self._abort_search()
        count = 1
        if PERSON not in self.sides.values():
            # The engine plays both sides: taking back alone would only make
            # it play again, so the person takes both sides over.
            self.sides = {"black": PERSON, "white": PERSON}
            self._notice("info", "The engine no longer plays either side; tick a side to let it play on.")
        else:
            # Back to the person's move: the engine's reply goes too.
            while count < min(2, len(game.moves)) and self._side_after_taking(count) == ENGINE:
                count += 1
        game.take_back(count)
        self._position_changed()
        self._settle()

    def _side_after_taking(self, count):
        remaining = len(self.game.moves) - count
        return self.sides[COLOURS[remaining % 2]]

    def _do_stop(self, values):
        search = self.search
        if search is None:
            raise Refused("the engine is not thinking")
        if not search.stop_sent:
            self._send(["YXSTOP"])
            search.stop_sent = True

    def _do_analyse(self, values):
        if self.game.over():
            raise Refused("the game is over; take a move back or start a new game to analyse")
        if self.search is not None:
            if self.search.purpose == "analysis":
                raise Refused("the engine is analysing this position already")
            raise Refused("the engine is thinking about its move; its lines are shown as it thinks")
        self._start_search("analysis")

    def _do_nbest(self, values):
        count = values["count"]
        if not 1 <= count <= engine_lines.MAX_NBEST:
            raise Refused("the number of best moves must lie between 1 and %d" % engine_lines.MAX_NBEST, 400)
        self.nbest = count
        if self.search is not None and self.search.purpose == "analysis":
            self._abort_search()
            self._start_search("analysis")

    def _do_sides(self, values):
        self.sides = {"black": values["black"], "white": values["white"]}
        mover = self.sides[colour_name(self.game.to_move())]
        search = self.search
        if search is not None and (search.purpose == "move") != (mover == ENGINE):
            self._abort_search()
        self._settle()

    def _do_time(self, values):
        self.time_ms = check_time(values["time_ms"])

    def _do_setup(self, values):
        game = Game(self.game.size, self.game.rule_value)
        game.set_up(values["black"], values["white"])
        self._abort_search()
        self.game = game
        self.sides = {"black": PERSON, "white": PERSON}
        self._position_changed()
        if self.engine_status != "failed":
            self._start_search("analysis")

    def _do_load(self, values):
        game = Game.from_text(values["text"], self.game.size, self.game.rule_value)
        self._abort_search()
        self.game = game
        self._position_changed()
        self._settle()

    # -- the engine ------------------------------------------------------------

    def _position_changed(self):
        self.analysis = None
        self.forbidden = []
        self.dirty = True

    def _settle(self):
        """Brings the engine in line with the game and starts the engine's
        move when it is to play."""
        if self.engine_status == "failed" or self.search is not None:
            return
        game = self.game
        if game.over():
            self.forbidden = []
            return
        if self.sides[colour_name(game.to_move())] == ENGINE:
            self._start_search("move")
            return
        needs_forbidden = game.rule == referee.RENJU and len(game.moves) > 0
        if self.engine is not None or needs_forbidden:
            self._prepare(False)

    def _ensure_engine(self):
        if self.engine is not None:
            if self.engine.alive():
                return
            raise match.EngineFault("crashed (exit status %s)" % self.engine.process.poll())
        restarting = self.engine_status == "restarting"
        self.engine_status = "starting"
        self._publish()
        engine = match.Engine("pebblon", self.config.engine, [], self.config.cwd)
        self.engine = engine
        self.engine_size = self.engine_rule = self.engine_board = self.engine_mover = None
        engine.start()
        lines = ["INFO SHOW_DETAIL 1", "INFO TIMEOUT_MATCH 0", "INFO THREAD_NUM %d" % self.config.threads]
        if self.config.hash_mb:
            lines.append("INFO HASH_SIZE %d" % (self.config.hash_mb * 1024))
        self._transact(lines, START_TIMEOUT)
        self.engine_status = "ready"
        if restarting:
            self.restarts += 1
            self._notice("info", "The engine is running again.")

    def _send(self, lines):
        engine_lines.check_batch(lines)
        self.engine.send(*lines)

    def _transact(self, lines, timeout=REPLY_TIMEOUT):
        """Sends lines and ABOUT; returns the engine's lines before ABOUT's answer."""
        self.engine.drain()
        self._send(list(lines) + ["ABOUT"])
        deadline = time.monotonic() + timeout
        answer = []
        while True:
            try:
                _, line = self.engine.next_line(deadline)
            except match.EngineTimeout:
                raise EngineTrouble("no answer within %.0f s" % timeout)
            if line.startswith(engine_lines.ABOUT_PREFIX):
                return answer
            answer.append(line)

    def _prepare(self, for_search):
        """Gives the engine the game's position (and, under renju, reads
        black's forbidden points). For a search the engine must also play the
        side to move."""
        self._ensure_engine()
        game = self.game
        mover = game.to_move()
        target = list(game.moves)
        lines = []
        if self.engine_size != game.size:
            lines.append("START %d" % game.size)
            self.engine_board = None
        if self.engine_rule != game.rule_value:
            lines.append("INFO RULE %d" % game.rule_value)
        board = self.engine_board
        extends = board is not None and board[:len(target)] == target
        if extends and (not for_search or self.engine_mover == mover):
            lines.extend("TAKEBACK %d,%d" % move for move in reversed(board[len(target):]))
        else:
            lines.append("RESTART")
            lines.extend(engine_lines.board_lines(target))
            # The engine plays the side to move; on an empty board the
            # stones' parity makes it black, the side to move.
            self.engine_mover = mover
        renju = game.rule == referee.RENJU
        if renju:
            lines.append("YXSHOWFORBID")
        answer = self._transact(lines)
        self.engine_size, self.engine_rule = game.size, game.rule_value
        errors = [line for line in answer if line.startswith("ERROR")]
        if errors:
            raise EngineTrouble("it refused the position: %s" % errors[0][:120])
        self.engine_board = target
        self.forbidden = []
        for line in answer:
            cells = engine_lines.parse_forbid(line, game.size)
            if cells is not None:
                self.forbidden = cells
        self.dirty = True

    def _start_search(self, purpose):
        self._prepare(True)
        game = self.game
        analysis = purpose == "analysis"
        self._send(["INFO TIMEOUT_TURN %d" % (0 if analysis else self.time_ms),
                    "YXNBEST %d" % (self.nbest if analysis else 1)])
        deadline = None if analysis else time.monotonic() + self.time_ms / 1000.0 + MOVE_GRACE
        self.search = Search(purpose, game.to_move(), deadline)
        self.analysis = {"purpose": purpose, "colour": colour_name(game.to_move()),
                         "move_number": len(game.moves) + 1, "running": True, "lines": {}, "best": None}
        self.engine_status = "thinking"
        self.dirty = True

    def _pump(self, timeout):
        """Reads the engine's lines for up to `timeout` s while it searches."""
        deadline = time.monotonic() + timeout
        while self.search is not None:
            try:
                _, line = self.engine.next_line(deadline)
            except match.EngineTimeout:
                search = self.search
                if search.deadline is not None and time.monotonic() > search.deadline:
                    raise EngineTrouble("no move within %.1f s" % (self.time_ms / 1000.0 + MOVE_GRACE))
                return
            self._engine_line(line)

    def _engine_line(self, line):
        info = engine_lines.parse_info(line, self.game.size)
        if info is not None:
            self.analysis["lines"][info["multipv"]] = info
            self.dirty = True
            return
        if line.startswith("ERROR"):
            self._notice("warn", "The engine said: %s" % line[:200])
            return
        if line.startswith(("MESSAGE", "DEBUG")) or not line.strip():
            return
        move = engine_lines.parse_move(line)
        if move is None:
            raise EngineTrouble("it answered %r instead of a move" % line[:80])
        self._search_done(move)

    def _search_done(self, move):
        search, self.search = self.search, None
        self.failures = 0
        self.engine_status = "ready"
        self.analysis["running"] = False
        self.analysis["best"] = move
        self.dirty = True
        game = self.game
        x, y = move
        placed = x < game.size and y < game.size and game.board.at(x, y) == referee.EMPTY
        if placed and self.engine_board is not None:
            self.engine_board = self.engine_board + [move]
        if search.purpose == "move" and not search.aborted:
            if not placed:
                raise EngineTrouble("it played %d,%d, which is not an empty cell" % move)
            game.play(x, y)
            self.forbidden = []
            self._settle()
        elif self.engine_status != "failed":
            # An analysis or a search given up: the game did not change, and
            # the engine's own stone comes off its board again.
            self._prepare(False)

    def _abort_search(self):
        """Ends the search under way without playing its move. An engine that
        fails meanwhile is ended; the caller's _settle starts a new one."""
        search = self.search
        if search is None:
            return
        search.aborted = True
        try:
            if not search.stop_sent:
                self._send(["YXSTOP"])
                search.stop_sent = True
            deadline = time.monotonic() + STOP_TIMEOUT
            while self.search is search:
                if time.monotonic() > deadline:
                    raise EngineTrouble("no reply within %.0f s of YXSTOP" % STOP_TIMEOUT)
                self._pump(0.1)
        except ENGINE_ERRORS as problem:
            self._engine_failed(problem)

    def _engine_failed(self, problem):
        reason = str(problem) or type(problem).__name__
        process = self.engine.process if self.engine is not None else None
        if isinstance(problem, match.EngineFault) and process is not None:
            # Its output may close a moment before the exit status is there.
            try:
                reason = "crashed (exit status %d)" % process.wait(timeout=1.0)
            except subprocess.TimeoutExpired:
                pass
        self._end_engine(kill=True)
        self.failures += 1
        if self.failures >= MAX_FAILURES:
            self.engine_status = "failed"
            self._notice("error", "The engine failed %d times in a row (last: %s); start a new game to "
                                  "try again." % (self.failures, reason))
        else:
            self.engine_status = "restarting"
            self._notice("warn", "The engine failed (%s); it is being started again." % reason)

    def _end_engine(self, kill=False):
        engine, self.engine = self.engine, None
        if self.search is not None:
            self.search = None
            if self.analysis is not None:
                self.analysis["running"] = False
        self.engine_board = None
        if self.engine_status in ("thinking", "ready", "starting"):
            self.engine_status = "not started"
        self.dirty = True
        if engine is None:
            return
        if kill:
            engine.kill()
            return
        try:
            engine.send("YXSTOP")
        except match.EngineFault:
            pass
        engine.stop(grace=2.0)

    # -- what the page is shown --------------------------------------------------

    def _notice(self, level, text):
        self.notice_count += 1
        self.notices.append({"id": self.notice_count, "level": level, "text": text})
        self.dirty = True

    def _analysis_state(self):
        analysis = self.analysis
        if analysis is None:
            return None
        lines = []
        for number in sorted(analysis["lines"]):
            info = dict(analysis["lines"][number])
            info["pv"] = [list(move) for move in info["pv"]]
            lines.append(info)
        best = analysis["best"]
        return dict(analysis, lines=lines, best=list(best) if best else None)

    def _publish(self):
        self.dirty = False
        state = self.game.as_dict()
        search = self.search
        state.update({
            "session": self.id,
            "sides": dict(self.sides),
            "time_ms": self.time_ms,
            "nbest": self.nbest,
            "forbidden": [list(cell) for cell in self.forbidden],
            "engine": {"status": self.engine_status, "restarts": self.restarts},
            "thinking": None if search is None else {
                "purpose": search.purpose, "colour": colour_name(search.colour), "stopping": search.stop_sent},
            "analysis": self._analysis_state(),
            "notices": list(self.notices),
            "closed": self.finished.is_set(),
        })
        text = self.game.to_text()
        with self.changed:
            self.version += 1
            state["version"] = self.version
            self.snapshot = json.dumps(state)
            self.saved_text = text
            self.changed.notify_all()
