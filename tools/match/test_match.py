"""The match runner against small scripted engines.

Each scripted engine is this file's FAKE_ENGINE program, started with a mode
and a log file where it writes every line it reads, so the tests see both
what the runner sent and how it judged the replies.
"""

import io
import os
import re
import sys
import tempfile
import textwrap
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import match  # noqa: E402

FAKE_ENGINE = textwrap.dedent('''\
    import sys, time

    mode, log_path = sys.argv[1], sys.argv[2]
    size = 15
    stones = set()
    requests = 0
    log = open(log_path, "a")

    def first_empty(cells):
        for cell in cells:
            if cell not in stones:
                return cell
        return (0, 0)

    def choose():
        global requests
        requests += 1
        kind, _, arg = mode.partition(":")
        if kind == "row":
            y = int(arg)
            return first_empty((x, y) for x in range(size))
        if kind == "scatter":
            return first_empty((x, y) for y in range(0, size, 2) for x in range(0, size, 2))
        if kind == "script":
            x, y = arg.split("/")[requests - 1].split(",")
            return (int(x), int(y))
        if kind == "say":
            return arg
        if kind == "crash":
            sys.exit(3)
        if kind == "sleep":
            time.sleep(int(arg) / 1000.0)
            return first_empty((x, y) for y in range(0, size, 2) for x in range(0, size, 2))
        if kind == "occupied":
            return sorted(stones)[0]
        raise SystemExit("unknown mode " + mode)

    def answer():
        move = choose()
        if isinstance(move, tuple):
            stones.add(move)
            move = "%d,%d" % move
        print("MESSAGE depth 1-1 ev 0 n 1 pv none")
        print(move, flush=True)

    in_board = False
    for line in sys.stdin:
        line = line.strip()
        log.write(line + "\\n")
        log.flush()
        word = line.split(" ")[0].upper()
        if in_board:
            if word == "DONE":
                in_board = False
                answer()
            else:
                x, y, _ = line.split(",")
                stones.add((int(x), int(y)))
        elif word == "START":
            size = int(line.split()[1])
            stones = set()
            requests = 0
            print("OK", flush=True)
        elif word == "BOARD":
            in_board = True
        elif word == "BEGIN":
            answer()
        elif word == "TURN":
            x, y = line.split()[1].split(",")
            stones.add((int(x), int(y)))
            answer()
        elif word == "END":
            break
    ''')


class MatchTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.fake = os.path.join(self.folder.name, "fake_engine.py")
        with open(self.fake, "w") as handle:
            handle.write(FAKE_ENGINE)

    def openings(self, *lines):
        path = os.path.join(self.folder.name, "openings.txt")
        with open(path, "w") as handle:
            handle.write("# test openings\n" + "\n".join(lines) + "\n")
        return path

    def engine(self, mode, log_name):
        log = os.path.join(self.folder.name, log_name)
        return '"%s" "%s" %s "%s"' % (sys.executable, self.fake, mode, log), log

    def play(self, mode1, mode2, opening, *extra):
        first, self.log1 = self.engine(mode1, "one.log")
        second, self.log2 = self.engine(mode2, "two.log")
        argv = ["--engine1", first, "--engine2", second, "--name1", "one", "--name2", "two",
                "--openings", self.openings(opening)] + list(extra)
        out = io.StringIO()
        tally = match.run_match(match.parse_args(argv), out)
        return tally, out.getvalue()

    def read(self, path):
        with open(path) as handle:
            return handle.read().splitlines()

    def test_fives_and_colours_swapped(self):
        # Each engine fills one row from the left: black, moving first, wins.
        tally, out = self.play("row:7", "row:9", "14,14 14,13", "--games", "2", "--rule", "0",
                               "--timeout-turn", "2000")
        self.assertIn("Game 1: opening 1 (14,14 14,13), black one, white two: 1-0, 11 moves, "
                      "one wins: black five at 4,7", out)
        self.assertIn("Game 2: opening 1 (14,14 14,13), black two, white one: 1-0, 11 moves, "
                      "two wins: black five at 4,9", out)
        self.assertIn("Score of one vs two: 1 - 1 - 0  [0.500]  2 games", out)
        self.assertIn("Elo difference: 0.0 +/- inf (95%)", out)
        self.assertEqual((tally.wins, tally.losses, tally.draws), (1, 1, 0))
        one = self.read(self.log1)
        two = self.read(self.log2)
        # Game 1: black (one) gets the opening with its own stones as who 1;
        # white (two) then gets the opening and black's move with who 2, 1, 2.
        start = one.index("START 15")
        self.assertEqual(one[start - 3:start],
                         ["INFO TIMEOUT_TURN 2000", "INFO TIMEOUT_MATCH 0", "INFO RULE 0"])
        self.assertEqual(one[start + 1:start + 5], ["BOARD", "14,14,1", "14,13,2", "DONE"])
        self.assertEqual(one[start + 5], "TURN 0,9")
        start = two.index("START 15")
        self.assertEqual(two[start + 1:start + 6], ["BOARD", "14,14,2", "14,13,1", "0,7,2", "DONE"])
        self.assertEqual(two[start + 6], "TURN 1,7")
        # Game 2 reuses the processes: a second START, no END in between.
        self.assertEqual(one.count("START 15"), 2)
        self.assertEqual(one.count("END"), 1)
        self.assertEqual(one[-1], "END")

    def test_init_lines_from_a_file_follow_the_command_lines(self):
        path = os.path.join(self.folder.name, "tune.txt")
        with open(path, "w") as handle:
            handle.write("# fitted weights\nINFO TUNE RUNNING 20\n\nINFO TUNE OWN_FOUR 900  # note\n")
        self.play("row:7", "row:9", "14,14 14,13", "--games", "1", "--rule", "0",
                  "--init1", "INFO THREAD_NUM 2", "--init-file1", path)
        one = self.read(self.log1)
        start = one.index("START 15")
        self.assertEqual(one[start - 3:start], ["INFO THREAD_NUM 2", "INFO TUNE RUNNING 20", "INFO TUNE OWN_FOUR 900"])
        self.assertNotIn("INFO TUNE RUNNING 20", self.read(self.log2))
        with open(path, "w") as handle:
            handle.write("TUNE RUNNING 20\n")
        with self.assertRaises(SystemExit):
            self.play("row:7", "row:9", "14,14 14,13", "--init-file2", path)

    def test_fresh_processes_for_every_game(self):
        self.play("row:7", "row:9", "14,14 14,13", "--games", "2", "--rule", "0", "--fresh")
        one = self.read(self.log1)
        self.assertEqual(one.count("START 15"), 2)
        self.assertEqual(one.count("END"), 2)

    def test_draw_on_the_move_cap(self):
        tally, out = self.play("scatter", "scatter", "14,14", "--games", "1", "--max-moves", "6")
        self.assertIn("1/2-1/2, 7 moves, draw: move cap of 6 moves", out)
        self.assertEqual(tally.draws, 1)

    def test_full_board_is_a_draw(self):
        # The 5 x 5 board ends as drawn below: no row, column or long
        # diagonal of one colour, so no five at any time.
        #   XOXXX
        #   OOXXO
        #   OXOOO
        #   XOXXX
        #   OXOXO
        black = "script:0,3/1,2/1,4/2,0/2,1/2,3/3,0/3,1/3,3/3,4/4,0/4,3"
        white = "script:0,1/1,1/4,1/0,2/2,2/3,2/4,2/1,3/0,4/2,4/4,4"
        tally, out = self.play(black, white, "0,0 1,0", "--games", "1", "--size", "5",
                               "--rule", "0")
        self.assertIn("1/2-1/2, 25 moves, draw: board full", out)
        self.assertEqual(tally.draws, 1)

    def test_a_reply_that_is_not_a_move_loses(self):
        tally, out = self.play("scatter", "say:nonsense", "7,7", "--games", "1")
        self.assertIn("two (white) said 'nonsense' instead of a move", out)
        self.assertIn("one wins", out)
        self.assertIn("  moves: 7,7", out)
        self.assertEqual(tally.faults, 1)

    def test_a_crash_loses(self):
        tally, out = self.play("crash", "scatter", "7,7 8,8", "--games", "1")
        self.assertRegex(out, r"two wins: one \(black\) crashed")
        self.assertEqual(tally.losses, 1)

    def test_a_stone_on_a_stone_loses(self):
        tally, out = self.play("scatter", "occupied", "7,7", "--games", "1")
        self.assertIn("two (white) played on the occupied cell 7,7", out)

    def test_a_move_off_the_board_loses(self):
        tally, out = self.play("script:15,3", "scatter", "7,7 8,8", "--games", "1")
        self.assertIn("one (black) played off the board at 15,3", out)

    def test_a_late_reply_loses(self):
        tally, out = self.play("scatter", "sleep:600", "7,7", "--games", "1",
                               "--timeout-turn", "100", "--tolerance", "50")
        self.assertIn("two (white) lost on time", out)
        self.assertEqual(tally.wins, 1)

    def test_the_game_clock(self):
        # 250 ms a move against a 600 ms clock: the third move runs it out.
        tally, out = self.play("sleep:250", "scatter", "7,7 8,8", "--games", "1",
                               "--timeout-turn", "0", "--timeout-match", "600")
        self.assertIn("one (black) lost on time", out)
        lines = self.read(self.log1)
        left = [int(line.split()[2]) for line in lines if line.startswith("INFO TIME_LEFT")]
        # Once at the start of the game, then before every request.
        self.assertEqual(left[0], 600)
        self.assertEqual(left[1], 600)
        self.assertTrue(600 - 300 < left[2] < 600 - 240, left)
        self.assertTrue(left[3] < left[2] - 240, left)

    def test_the_increment_is_added_after_each_move(self):
        tally, out = self.play("sleep:250", "scatter", "7,7 8,8", "--games", "1",
                               "--timeout-turn", "0", "--timeout-match", "600",
                               "--increment", "300", "--max-moves", "6")
        self.assertIn("draw: move cap", out)
        left = [int(line.split()[2]) for line in self.read(self.log1)
                if line.startswith("INFO TIME_LEFT")]
        self.assertTrue(all(value > 500 for value in left), left)

    def test_a_forbidden_move_loses_under_renju(self):
        # Black's fifth stone 7,7 makes two open threes.
        script = "script:7,6/5,7/6,7/7,7"
        tally, out = self.play(script, "scatter", "7,5", "--games", "1", "--rule", "2")
        self.assertIn("two wins: one (black) played a forbidden double three at 7,7", out)
        self.assertIn("  moves: 7,5 0,0 7,6 2,0 5,7 4,0 6,7 6,0 7,7", out)
        # The same moves are fine in freestyle.
        tally, out = self.play(script + "/8,7", "scatter", "7,5", "--games", "1", "--rule", "0",
                               "--max-moves", "9")
        self.assertNotIn("forbidden", out)

    def test_sprt_accepts_h1_on_straight_wins(self):
        # Two never answers with a move: each game is one more win for one,
        # log(s1/s0) = log(0.9091/0.5) = 0.598 nearer the bound 2.944: five.
        tally, out = self.play("row:7", "say:nonsense", "14,14", "--games", "40",
                               "--sprt", "0", "400")
        self.assertEqual(tally.verdict, "H1")
        self.assertEqual(tally.games(), 5)
        self.assertIn("H1 accepted (elo >= 400)", out)

    def test_sprt_stops_when_decided(self):
        # From this opening black wins on the row it plays: the engines win
        # one game each, an even score that rejects +400 Elo after six:
        # 3 log(0.9091/0.5) + 3 log(0.0909/0.5) = -3.32.
        tally, out = self.play("row:7", "row:9", "0,7 14,14 1,7 14,13", "--games", "40",
                               "--rule", "0", "--sprt", "0", "400")
        self.assertEqual(tally.verdict, "H0")
        self.assertEqual(tally.games(), 6)
        self.assertIn("H0 accepted (elo <= 0)", out)
        self.assertEqual(out.count("Game "), tally.games())

    def test_schedule_pairs_every_opening(self):
        openings = [match.Opening(i, [(i, 0)]) for i in range(1, 4)]
        plan = match.schedule(openings, 7, seed=5)
        self.assertEqual([first for _, _, first in plan], [True, False] * 3 + [True])
        for index in range(0, 6, 2):
            self.assertIs(plan[index][1], plan[index + 1][1])
        self.assertEqual(sorted(plan[i][1].number for i in (0, 2, 4)), [1, 2, 3])
        self.assertEqual([o.number for _, o, _ in plan],
                         [o.number for _, o, _ in match.schedule(openings, 7, seed=5)])

    def test_openings_file_is_checked(self):
        path = self.openings("7,7 7,7")
        with self.assertRaises(SystemExit):
            match.read_openings(path, 15, 2)
        path = self.openings("7,7 15,0")
        with self.assertRaises(SystemExit):
            match.read_openings(path, 15, 2)

    def test_shipped_openings_are_valid(self):
        folder = os.path.dirname(match.DEFAULT_OPENINGS)
        for name, rule in (("openings_15.txt", 2), ("openings_15_freestyle.txt", 0),
                           ("openings_15_standard.txt", 1)):
            openings = match.read_openings(os.path.join(folder, name), 15, rule)
            self.assertTrue(20 <= len(openings) <= 30, name)
            for opening in openings:
                self.assertTrue(2 <= len(opening.moves) <= 4, name)
                for x, y in opening.moves:
                    self.assertTrue(abs(x - 7) <= 3 and abs(y - 7) <= 3, "%s: %s" % (name, opening.text()))


if __name__ == "__main__":
    unittest.main()
