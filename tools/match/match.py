#!/usr/bin/env python3
"""Plays games between two engines that speak the Gomocup brain protocol.

Each opening of the openings file is played twice, the engines swapping
colours; a referee judges every move under the chosen rule, and the result of
each game is printed as it ends, then the score, the Elo difference with its
95% error bar and, with --sprt, the verdict of a sequential test.
"""

import argparse
import os
import queue
import random
import re
import shlex
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import referee  # noqa: E402
import stats  # noqa: E402

DEFAULT_OPENINGS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "openings_15.txt")

MOVE_PATTERN = re.compile(r"^\s*(-?\d+)\s*,\s*(-?\d+)\s*$")
INFO_PREFIXES = ("MESSAGE", "DEBUG")


# ---------------------------------------------------------------------------
# Openings

class Opening:
    def __init__(self, number, moves):
        self.number = number
        self.moves = moves

    def text(self):
        return " ".join("%d,%d" % move for move in self.moves)


def parse_opening(text, size):
    moves = []
    for token in text.split():
        match = MOVE_PATTERN.match(token)
        if not match:
            raise ValueError("%r is not a move x,y" % token)
        x, y = int(match.group(1)), int(match.group(2))
        if not (0 <= x < size and 0 <= y < size):
            raise ValueError("move %d,%d is off a %dx%d board" % (x, y, size, size))
        if (x, y) in moves:
            raise ValueError("move %d,%d is played twice" % (x, y))
        moves.append((x, y))
    return moves


def read_openings(path, size, rule):
    """Openings of a file: one opening a line; '#' starts a comment."""
    openings = []
    with open(path, encoding="utf-8") as handle:
        for line_number, line in enumerate(handle, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            try:
                moves = parse_opening(line, size)
                board = referee.Board(size)
                colour = referee.BLACK
                for x, y in moves:
                    verdict = referee.judge_move(board, x, y, colour, rule)
                    if verdict.outcome is not None:
                        raise ValueError("move %d,%d already ends the game (%s)"
                                         % (x, y, verdict.reason))
                    colour = referee.other(colour)
                if board.full():
                    raise ValueError("the opening fills the board")
            except ValueError as error:
                raise SystemExit("%s:%d: %s" % (path, line_number, error))
            openings.append(Opening(len(openings) + 1, moves))
    if not openings:
        raise SystemExit("%s holds no opening" % path)
    return openings


# ---------------------------------------------------------------------------
# Engines

class EngineFault(Exception):
    """The engine broke the protocol; the game is lost for it."""


class EngineTimeout(Exception):
    """No reply before the deadline."""


class Engine:
    """One engine process, its reader thread and its line queue."""

    def __init__(self, name, command, init_lines, cwd):
        self.name = name
        self.argv = shlex.split(command)
        if not self.argv:
            raise SystemExit("empty engine command")
        self.init_lines = init_lines
        self.cwd = cwd
        self.process = None
        self.lines = None

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def start(self):
        try:
            self.process = subprocess.Popen(
                self.argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                stderr=subprocess.DEVNULL, cwd=self.cwd, text=True, bufsize=1,
                errors="replace")
        except OSError as error:
            raise EngineFault("cannot start %s: %s" % (self.argv[0], error))
        self.lines = queue.Queue()
        reader = threading.Thread(target=self._read, args=(self.process, self.lines), daemon=True)
        reader.start()

    @staticmethod
    def _read(process, lines):
        for line in process.stdout:
            lines.put((time.monotonic(), line.rstrip("\r\n")))
        lines.put((time.monotonic(), None))

    def send(self, *lines):
        try:
            for line in lines:
                self.process.stdin.write(line + "\n")
            self.process.stdin.flush()
        except (BrokenPipeError, OSError, ValueError):
            raise EngineFault("crashed (its input is closed)")

    def drain(self):
        """Forget lines left over from an earlier game."""
        while True:
            try:
                _, line = self.lines.get_nowait()
            except queue.Empty:
                return
            if line is None:
                # Put the end back: the process is gone.
                self.lines.put((time.monotonic(), None))
                return

    def next_line(self, deadline):
        """The next line before the monotonic deadline (None: wait forever)."""
        try:
            if deadline is None:
                arrival, line = self.lines.get()
            else:
                arrival, line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
        except queue.Empty:
            raise EngineTimeout()
        if line is None:
            self.lines.put((arrival, None))
            code = self.process.poll()
            raise EngineFault("crashed (exit status %s)" % code if code is not None
                              else "crashed (closed its output)")
        return arrival, line

    def new_game(self, settings, start_timeout):
        if not self.alive():
            self.start()
        self.drain()
        lines = ["INFO TIMEOUT_TURN %d" % settings.timeout_turn,
                 "INFO TIMEOUT_MATCH %d" % settings.timeout_match]
        if settings.timeout_match > 0:
            lines.append("INFO TIME_LEFT %d" % settings.timeout_match)
        lines.append("INFO RULE %d" % settings.rule_value)
        lines.extend(self.init_lines)
        lines.append("START %d" % settings.size)
        self.send(*lines)
        deadline = time.monotonic() + start_timeout
        while True:
            try:
                _, line = self.next_line(deadline)
            except EngineTimeout:
                raise EngineFault("no OK to START within %.0f s" % start_timeout)
            if line.startswith(INFO_PREFIXES) or not line.strip():
                continue
            if line.strip().upper() == "OK":
                return
            raise EngineFault("answered START with %r" % line)

    def request_move(self, lines, deadline_after):
        """Send a move request and wait for the reply.

        Returns (elapsed seconds, reply line, last information line). The time
        runs from the moment the request is flushed to the arrival of the
        reply; deadline_after is the longest wait in seconds (None: no limit)."""
        self.send(*lines)
        sent = time.monotonic()
        deadline = None if deadline_after is None else sent + deadline_after
        info = ""
        while True:
            arrival, line = self.next_line(deadline)
            if line.startswith(INFO_PREFIXES):
                if line.startswith("MESSAGE") and " ev " in line:
                    info = line
                continue
            if not line.strip():
                continue
            return arrival - sent, line, info

    def stop(self, grace=2.0):
        """END, then a kill if the process is still there after grace seconds."""
        if self.process is None:
            return
        if self.alive():
            try:
                self.process.stdin.write("END\n")
                self.process.stdin.flush()
            except (BrokenPipeError, OSError, ValueError):
                pass
            try:
                self.process.wait(timeout=grace)
            except subprocess.TimeoutExpired:
                pass
        self.kill()

    def kill(self):
        if self.process is None:
            return
        if self.process.poll() is None:
            self.process.kill()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
        for stream in (self.process.stdin, self.process.stdout):
            try:
                stream.close()
            except (OSError, ValueError):
                pass
        self.process = None


# ---------------------------------------------------------------------------
# One game

class GameResult:
    def __init__(self, number, opening, black, white):
        self.number = number
        self.opening = opening
        self.black = black          # engine names
        self.white = white
        self.winner = None          # referee.BLACK, referee.WHITE or None (draw)
        self.reason = ""
        self.moves = list(opening.moves)
        self.fault = False          # lost by a fault rather than on the board
        self.aborted = False

    def winner_name(self):
        if self.winner == referee.BLACK:
            return self.black
        if self.winner == referee.WHITE:
            return self.white
        return None

    def result_text(self):
        if self.winner == referee.BLACK:
            return "1-0"
        if self.winner == referee.WHITE:
            return "0-1"
        return "1/2-1/2"

    def line(self):
        winner = self.winner_name()
        outcome = "%s wins" % winner if winner else "draw"
        return "Game %d: opening %d (%s), black %s, white %s: %s, %d moves, %s: %s" % (
            self.number, self.opening.number, self.opening.text(), self.black, self.white,
            self.result_text(), len(self.moves), outcome, self.reason)

    def moves_text(self):
        return " ".join("%d,%d" % move for move in self.moves)


class Settings:
    def __init__(self, args):
        self.size = args.size
        self.rule_value = args.rule
        self.rule = referee.rule_from_info(args.rule)
        self.timeout_turn = args.timeout_turn
        self.timeout_match = args.timeout_match
        self.increment = args.increment
        self.tolerance = args.tolerance
        self.max_moves = args.max_moves
        self.start_timeout = args.start_timeout
        self.depth = args.three_depth


def colour_name(colour):
    return "black" if colour == referee.BLACK else "white"


def play_game(number, opening, engines, settings, stop):
    """Play one game; engines maps referee.BLACK and referee.WHITE to Engine.

    Returns a GameResult, with aborted set when `stop` was raised mid-game."""
    result = GameResult(number, opening, engines[referee.BLACK].name, engines[referee.WHITE].name)

    def lose(colour, reason, fault=True):
        result.winner = referee.other(colour)
        result.reason = "%s (%s) %s" % (engines[colour].name, colour_name(colour), reason)
        result.fault = fault
        if fault:
            engines[colour].kill()  # it may still be thinking; a new game starts it anew
        return result

    for colour in (referee.BLACK, referee.WHITE):
        try:
            engines[colour].new_game(settings, settings.start_timeout)
        except EngineFault as fault:
            return lose(colour, str(fault))

    board = referee.Board(settings.size)
    colour = referee.BLACK
    for x, y in opening.moves:
        board.put(x, y, colour)
        colour = referee.other(colour)

    clocks = {referee.BLACK: settings.timeout_match, referee.WHITE: settings.timeout_match}
    told = {referee.BLACK: False, referee.WHITE: False}   # has seen the position
    engine_moves = 0

    while True:
        if stop.is_set():
            result.aborted = True
            return result
        if board.full():
            result.reason = "board full"
            return result
        if settings.max_moves and engine_moves >= settings.max_moves:
            result.reason = "move cap of %d moves" % settings.max_moves
            return result

        engine = engines[colour]
        lines = []
        if settings.timeout_match > 0:
            lines.append("INFO TIME_LEFT %d" % max(0, clocks[colour]))
        if told[colour]:
            lines.append("TURN %d,%d" % result.moves[-1])
        elif not result.moves:
            lines.append("BEGIN")
        else:
            lines.append("BOARD")
            stone_colour = referee.BLACK
            for x, y in result.moves:
                lines.append("%d,%d,%d" % (x, y, 1 if stone_colour == colour else 2))
                stone_colour = referee.other(stone_colour)
            lines.append("DONE")
        told[colour] = True

        limits = []
        if settings.timeout_turn > 0:
            limits.append((settings.timeout_turn + settings.tolerance) / 1000.0)
        if settings.timeout_match > 0:
            limits.append(max(0, clocks[colour]) / 1000.0)
        # Wait a little past the limit so that a late reply is seen as late.
        wait = min(limits) + 0.05 if limits else None

        try:
            elapsed, reply, _info = engine.request_move(lines, wait)
        except EngineFault as fault:
            return lose(colour, str(fault))
        except EngineTimeout:
            return lose(colour, "lost on time: no reply within %.0f ms" % (wait * 1000.0))

        elapsed_ms = elapsed * 1000.0
        if settings.timeout_turn > 0 and elapsed_ms > settings.timeout_turn + settings.tolerance:
            return lose(colour, "lost on time: %.0f ms for one move, limit %d ms + %d ms"
                        % (elapsed_ms, settings.timeout_turn, settings.tolerance))
        if settings.timeout_match > 0:
            clocks[colour] -= elapsed_ms
            if clocks[colour] < 0:
                return lose(colour, "lost on time: game clock below zero (%.0f ms)" % clocks[colour])
            clocks[colour] += settings.increment

        match = MOVE_PATTERN.match(reply)
        if not match:
            return lose(colour, "said %r instead of a move" % reply)
        x, y = int(match.group(1)), int(match.group(2))
        if not board.inside(x, y):
            result.moves.append((x, y))
            return lose(colour, "played off the board at %d,%d" % (x, y))
        if board.at(x, y) != referee.EMPTY:
            result.moves.append((x, y))
            return lose(colour, "played on the occupied cell %d,%d" % (x, y))

        verdict = referee.judge_move(board, x, y, colour, settings.rule, settings.depth)
        result.moves.append((x, y))
        engine_moves += 1
        if verdict.outcome == "win":
            result.winner = colour
            result.reason = "%s five at %d,%d" % (colour_name(colour), x, y)
            return result
        if verdict.outcome == "loss":
            return lose(colour, "played a %s at %d,%d" % (verdict.reason, x, y))
        colour = referee.other(colour)


# ---------------------------------------------------------------------------
# The match

class Tally:
    """Wins, losses and draws of the first engine, and the SPRT state."""

    def __init__(self, args):
        self.wins = self.losses = self.draws = 0
        self.black_wins = self.white_wins = 0
        self.faults = 0
        self.sprt = args.sprt
        self.bounds = stats.sprt_bounds(args.alpha, args.beta) if args.sprt else None
        self.verdict = None
        self.lock = threading.Lock()

    def games(self):
        return self.wins + self.losses + self.draws

    def add(self, result, first_name):
        winner = result.winner_name()
        if winner is None:
            self.draws += 1
        elif winner == first_name:
            self.wins += 1
        else:
            self.losses += 1
        if result.winner == referee.BLACK:
            self.black_wins += 1
        elif result.winner == referee.WHITE:
            self.white_wins += 1
        if result.fault:
            self.faults += 1
        if self.sprt and self.verdict is None:
            llr = stats.sprt_llr(self.wins, self.losses, self.draws, *self.sprt)
            self.verdict = stats.sprt_verdict(llr, self.bounds)
        return self.verdict


def engine_names(args):
    names = [args.name1, args.name2]
    commands = [args.engine1, args.engine2]
    for i in range(2):
        if not names[i]:
            argv = shlex.split(commands[i])
            names[i] = " ".join([os.path.basename(argv[0])] + argv[1:]) if argv else "engine"
    if names[0] == names[1]:
        names = [names[0] + " [1]", names[1] + " [2]"]
    return names


def schedule(openings, games, seed):
    """(game number, opening, first engine black?) for every game.

    The openings are taken in an order shuffled by the seed; each is played
    twice in a row, the first engine black in the first game of the pair."""
    order = list(openings)
    random.Random(seed).shuffle(order)
    plan = []
    for index in range(games):
        opening = order[(index // 2) % len(order)]
        plan.append((index + 1, opening, index % 2 == 0))
    return plan


def print_summary(tally, names, args, out):
    games = tally.games()
    if games == 0:
        print("No game finished.", file=out)
        return
    s = stats.score(tally.wins, tally.losses, tally.draws)
    print("Score of %s vs %s: %d - %d - %d  [%.3f]  %d games" % (
        names[0], names[1], tally.wins, tally.losses, tally.draws, s, games), file=out)
    elo, error = stats.elo_with_error(tally.wins, tally.losses, tally.draws)
    print("Elo difference: %s +/- %s (95%%), LOS %.1f%%" % (
        stats.format_elo(elo), stats.format_elo(error).lstrip("+"),
        100.0 * stats.likelihood_of_superiority(tally.wins, tally.losses)), file=out)
    print("Black wins %d, white wins %d, draws %d; games lost by a fault: %d" % (
        tally.black_wins, tally.white_wins, tally.draws, tally.faults), file=out)
    if args.sprt:
        llr = stats.sprt_llr(tally.wins, tally.losses, tally.draws, *args.sprt)
        lower, upper = tally.bounds
        if tally.verdict == "H1":
            verdict = "H1 accepted (elo >= %g)" % args.sprt[1]
        elif tally.verdict == "H0":
            verdict = "H0 accepted (elo <= %g)" % args.sprt[0]
        else:
            verdict = "no verdict yet"
        print("SPRT elo0 %g elo1 %g alpha %g beta %g: LLR %.3f, bounds [%.3f, %.3f]: %s" % (
            args.sprt[0], args.sprt[1], args.alpha, args.beta, llr, lower, upper, verdict),
            file=out)


def run_match(args, out=sys.stdout):
    settings = Settings(args)
    openings = read_openings(args.openings, args.size, settings.rule)
    games = args.games if args.games else 2 * len(openings)
    plan = schedule(openings, games, args.seed)
    names = engine_names(args)
    cwd = os.getcwd()
    shown = os.path.relpath(args.openings)
    if shown.startswith(".."):
        shown = args.openings

    print("Match %s vs %s: %d games, rule %d (%s), board %d, TIMEOUT_TURN %d ms, "
          "TIMEOUT_MATCH %d ms, increment %d ms, tolerance %d ms, %d openings from %s, seed %d" % (
              names[0], names[1], games, args.rule, referee.RULE_NAMES[settings.rule], args.size,
              args.timeout_turn, args.timeout_match, args.increment, args.tolerance,
              len(openings), shown, args.seed), file=out, flush=True)

    tally = Tally(args)
    stop = threading.Event()
    jobs = queue.Queue()
    for item in plan:
        jobs.put(item)
    record = open(args.record, "w", encoding="utf-8") if args.record else None
    printed = threading.Lock()
    all_engines = []

    def worker():
        first = Engine(names[0], args.engine1, args.init1 or [], cwd)
        second = Engine(names[1], args.engine2, args.init2 or [], cwd)
        with printed:
            all_engines.extend([first, second])
        try:
            while not stop.is_set():
                try:
                    number, opening, first_black = jobs.get_nowait()
                except queue.Empty:
                    return
                if first_black:
                    pair = {referee.BLACK: first, referee.WHITE: second}
                else:
                    pair = {referee.BLACK: second, referee.WHITE: first}
                if args.fresh:
                    first.kill()
                    second.kill()
                result = play_game(number, opening, pair, settings, stop)
                if args.fresh:
                    first.stop()
                    second.stop()
                with printed:
                    if result.aborted:
                        print("Game %d stopped: the test has decided" % number, file=out, flush=True)
                        continue
                    print(result.line(), file=out, flush=True)
                    if result.fault or args.verbose:
                        print("  moves: %s" % result.moves_text(), file=out, flush=True)
                    if record:
                        record.write("%d\t%d\t%s\t%s\t%s\t%s\t%s\n" % (
                            number, opening.number, result.black, result.white,
                            result.result_text(), result.reason, result.moves_text()))
                        record.flush()
                    verdict = tally.add(result, names[0])
                    if verdict:
                        stop.set()
        finally:
            first.stop()
            second.stop()

    threads = [threading.Thread(target=worker, daemon=True) for _ in range(max(1, args.concurrency))]
    try:
        for thread in threads:
            thread.start()
        for thread in threads:
            while thread.is_alive():
                thread.join(0.2)
    except KeyboardInterrupt:
        stop.set()
        print("Interrupted: the games under way are not counted.", file=out, flush=True)
        with printed:
            for engine in all_engines:
                engine.kill()
    finally:
        if record:
            record.close()
    print_summary(tally, names, args, out)
    return tally


def parse_args(argv=None):
    parser = argparse.ArgumentParser(
        prog="match.py",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=__doc__,
        epilog="""\
Protocol. For every game each engine gets INFO TIMEOUT_TURN, INFO
TIMEOUT_MATCH, INFO TIME_LEFT (with a game clock), INFO RULE, its --init lines
and START n, and must answer OK. The engine to move first is sent the opening
as BOARD (stones in order, who 1 for its own stones, 2 for the opponent's) and
DONE, or BEGIN on an empty board; the other engine gets the same when it first
moves; after that each request is TURN x,y with the opponent's last move.
With a game clock INFO TIME_LEFT comes before every request. Engines are kept
for the whole match and get a new START for every game (--fresh starts new
processes instead); END is sent when they are done. Lines starting with
MESSAGE or DEBUG are ignored.

Ends of a game. A five (freestyle: five or more; standard: exactly five, a
six wins nothing and play goes on; renju: black exactly five, white five or
more); under renju a forbidden black move (overline, double four, double
three) loses at once; a full board or the move cap is a draw. An engine loses
when it crashes, says anything but x,y, plays off the board or on a stone,
replies later than TIMEOUT_TURN plus the tolerance, or takes more than its
game clock (time measured from sending the request to reading the reply).

Results. One line per game (its number, the opening, who was black, the
result from black's side, the number of stones at the end, the opening's
included, and why the game ended), then "Score of A vs B: W - L - D [score] N
games", the Elo difference with its 95% error bar (normal approximation of
the mean score, logistic Elo), and the likelihood of superiority. --sprt runs
a generalized sequential probability ratio test on the trinomial model of
wins, draws and losses with logistic Elo: LLR is the largest log-likelihood of
the results over the win/draw/loss probabilities whose expected score is
that of elo1, less the same for elo0 (the draw rate is fitted under each;
without draws this is Wald's test on wins and losses). The match stops as
soon as LLR leaves [log(beta/(1-alpha)), log((1-beta)/alpha)]; games under
way are then not counted.

Example:
  python3 tools/match/match.py --engine1 "build/pbrain-pebblon" \\
      --engine2 "build/pbrain-pebblon" --rule 2 --timeout-turn 200 --games 10
""")
    parser.add_argument("--engine1", required=True, metavar="COMMAND",
                        help="the first engine's command line (the one the score is counted for)")
    parser.add_argument("--engine2", required=True, metavar="COMMAND",
                        help="the second engine's command line")
    parser.add_argument("--name1", help="the first engine's name (default: from its command)")
    parser.add_argument("--name2", help="the second engine's name (default: from its command)")
    parser.add_argument("--init1", action="append", metavar="LINE",
                        help="an INFO line sent to the first engine before each START "
                             "(repeatable), e.g. \"INFO THREAD_NUM 2\"")
    parser.add_argument("--init2", action="append", metavar="LINE",
                        help="the same for the second engine")
    parser.add_argument("--init-file1", metavar="FILE",
                        help="INFO lines from a file, one a line ('#' starts a comment), sent to "
                             "the first engine after its --init1 lines, e.g. the INFO TUNE lines "
                             "the tuner writes")
    parser.add_argument("--init-file2", metavar="FILE", help="the same for the second engine")
    parser.add_argument("--openings", default=DEFAULT_OPENINGS, metavar="FILE",
                        help="openings file: one opening a line as moves x,y in order, "
                             "black first; '#' starts a comment (default: %(default)s)")
    parser.add_argument("--rule", type=int, default=2, choices=(0, 1, 2, 4),
                        help="INFO RULE: 0 freestyle, 1 standard, 2 or 4 renju (default 2)")
    parser.add_argument("--size", type=int, default=15, help="board size (default 15)")
    parser.add_argument("--timeout-turn", type=int, default=1000, metavar="MS",
                        help="INFO TIMEOUT_TURN: limit of one move in ms, 0 for none (default 1000)")
    parser.add_argument("--timeout-match", type=int, default=0, metavar="MS",
                        help="INFO TIMEOUT_MATCH: each engine's clock for one game in ms, "
                             "0 for none (default 0)")
    parser.add_argument("--increment", type=int, default=0, metavar="MS",
                        help="ms added to the game clock after each move (default 0)")
    parser.add_argument("--tolerance", type=int, default=50, metavar="MS",
                        help="ms a reply may come after TIMEOUT_TURN before it loses "
                             "(default 50; the game clock has none)")
    parser.add_argument("--games", type=int, default=0,
                        help="number of games (default: every opening twice)")
    parser.add_argument("--max-moves", type=int, default=0, metavar="N",
                        help="a game is drawn after N moves of the engines, 0 for no cap "
                             "(default 0: only a full board draws)")
    parser.add_argument("--concurrency", type=int, default=1, metavar="N",
                        help="games played at once, each by its own pair of processes (default 1)")
    parser.add_argument("--seed", type=int, default=1,
                        help="seed of the order the openings are played in (default 1)")
    parser.add_argument("--sprt", type=float, nargs=2, metavar=("ELO0", "ELO1"),
                        help="sequential test of elo0 against elo1; --games is then the most")
    parser.add_argument("--alpha", type=float, default=0.05, help="SPRT alpha (default 0.05)")
    parser.add_argument("--beta", type=float, default=0.05, help="SPRT beta (default 0.05)")
    parser.add_argument("--fresh", action="store_true",
                        help="start new engine processes for every game (END after each)")
    parser.add_argument("--start-timeout", type=float, default=30.0, metavar="S",
                        help="seconds an engine has to answer START (default 30)")
    parser.add_argument("--three-depth", type=int, default=referee.DEFAULT_THREE_DEPTH,
                        metavar="N", help="how deep the referee follows the legality of a "
                        "three's completion under renju (default %(default)s)")
    parser.add_argument("--record", metavar="FILE",
                        help="write every game as a tab-separated line: number, opening, "
                             "black, white, result, reason, all moves")
    parser.add_argument("--verbose", action="store_true",
                        help="print the moves of every game (they are always printed "
                             "for a game lost by a fault)")
    args = parser.parse_args(argv)
    if not 5 <= args.size <= 20:
        parser.error("--size must lie between 5 and 20")
    for value, name in ((args.timeout_turn, "--timeout-turn"), (args.timeout_match, "--timeout-match"),
                        (args.increment, "--increment"), (args.tolerance, "--tolerance"),
                        (args.games, "--games"), (args.max_moves, "--max-moves")):
        if value < 0:
            parser.error("%s must not be negative" % name)
    if args.concurrency < 1:
        parser.error("--concurrency must be at least 1")
    for command, name in ((args.engine1, "--engine1"), (args.engine2, "--engine2")):
        try:
            argv = shlex.split(command)
        except ValueError as error:
            parser.error("%s: %s" % (name, error))
        if not argv:
            parser.error("%s is empty" % name)
        if shutil.which(argv[0]) is None:
            parser.error("%s: no executable %s" % (name, argv[0]))
    for number in ("1", "2"):
        path = getattr(args, "init_file" + number)
        if not path:
            continue
        try:
            with open(path, encoding="utf-8") as handle:
                lines = [line.split("#", 1)[0].strip() for line in handle]
        except OSError as error:
            parser.error("--init-file%s: %s" % (number, error))
        inits = getattr(args, "init" + number) or []
        setattr(args, "init" + number, inits + [line for line in lines if line])
    for line in (args.init1 or []) + (args.init2 or []):
        if not line.upper().startswith("INFO "):
            parser.error("--init lines must be INFO lines: %r" % line)
    if args.sprt:
        try:
            stats.sprt_bounds(args.alpha, args.beta)
        except ValueError as error:
            parser.error(str(error))
        if args.sprt[0] >= args.sprt[1]:
            parser.error("--sprt needs elo0 < elo1")
    return args


def main(argv=None):
    args = parse_args(argv)
    run_match(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
