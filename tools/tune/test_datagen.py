"""The self-play records of datagen.py against the engine just built: the
same seed gives the same record on one worker and on two, a job started
again plays only the games its journal lacks, and every record line replays
as a legal game whose scores come from the engine's information lines.

Needs Dask (Debian's python3-distributed, for /usr/bin/python3) and the
engine at build/pbrain-pebblon (or the command in PEBBLON_ENGINE).
"""
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "match"))

import datagen  # noqa: E402
import referee  # noqa: E402

ENGINE = os.environ.get("PEBBLON_ENGINE") or os.path.join(HERE, "..", "..", "build", "pbrain-pebblon")
# Few nodes a move: a game takes a fraction of a second.
TINY = ["--nodes", "400", "--seed", "7", "--rule", "2"]


def run(out, games, workers):
    code = datagen.main(["--engine", os.path.abspath(ENGINE), "--games", str(games), "--workers", str(workers),
                         "--out", out] + TINY)
    if code != 0:
        raise AssertionError("datagen ended with %d" % code)
    with open(out, encoding="utf-8") as record:
        return record.read()


class GameSpecTest(unittest.TestCase):
    def test_a_game_is_drawn_from_the_seed_the_rule_and_its_index_alone(self):
        def spec(index, seed=1, rule=2):
            return datagen.GameSpec(index, rule, 15, seed, 1000, 0.1, 3, 6, 3)
        self.assertEqual(spec(5).opening, spec(5).opening)
        self.assertEqual(spec(5).budgets, spec(5).budgets)
        self.assertNotEqual([spec(i).opening for i in range(8)], [spec(i, seed=2).opening for i in range(8)])
        self.assertNotEqual([spec(i).opening for i in range(8)], [spec(i, rule=0).opening for i in range(8)])
        for index in range(50):
            s = spec(index)
            self.assertEqual(s.opening[0], (7, 7))
            self.assertTrue(3 <= len(s.opening) <= 6)
            self.assertEqual(len(set(s.opening)), len(s.opening))
            self.assertTrue(all(abs(x - 7) <= 3 and abs(y - 7) <= 3 for x, y in s.opening))
            self.assertTrue(all(900 <= b <= 1100 for b in s.budgets))

    def test_information_lines_give_the_score_and_the_depth(self):
        cases = [("MESSAGE depth 12-20 ev -41 n 960k n/ms 2074 tm 463 pv Xg8", ("-41", 12)),
                 ("MESSAGE depth 3-3 ev +M5 n 2 n/ms 0 tm 23 pv h8", ("+M5", 3)),
                 ("MESSAGE depth 9-14 multipv 1 ev 7 n 1k n/ms 1 tm 2 pv h8", ("7", 9)),
                 ("MESSAGE :-[ 30 -> -60", None), ("", None)]
        for line, expected in cases:
            self.assertEqual(datagen.parse_info(line), expected, line)
        self.assertTrue(datagen.decisive("+M3", 150))
        self.assertTrue(datagen.decisive("-151", 150))
        self.assertFalse(datagen.decisive("150", 150))


@unittest.skipUnless(os.path.exists(ENGINE.split()[0]), "the engine is not built")
class DatagenTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="pebblon-datagen-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def test_the_same_record_on_one_worker_and_on_two(self):
        one = run(os.path.join(self.folder, "one.tsv"), 6, 1)
        two = run(os.path.join(self.folder, "two.tsv"), 6, 2)
        self.assertEqual(one, two)
        lines = one.splitlines()
        self.assertTrue(lines[0].startswith("# datagen: rule 2, size 15, seed 7, nodes 400"))
        self.assertEqual([line.split("\t")[0] for line in lines[1:]], [str(i) for i in range(6)])

    def test_a_job_started_again_plays_only_the_games_it_lacks(self):
        out = os.path.join(self.folder, "job.tsv")
        first = run(out, 3, 2)
        # A game cut off in the journal (the job stopped while writing) is
        # played again.
        with open(out + ".part", "a", encoding="utf-8") as journal:
            journal.write("3\t2\t4\t1-0\tfive\t7,7 6,6")
        whole = run(out, 6, 2)
        self.assertEqual(whole.splitlines()[:4], first.splitlines()[:4])
        with open(out + ".part", encoding="utf-8") as journal:
            self.assertEqual(len(journal.read().splitlines()), 6)
        self.assertEqual(whole, run(os.path.join(self.folder, "again.tsv"), 6, 1))

    def test_every_line_replays_as_a_game_of_its_result(self):
        record = run(os.path.join(self.folder, "r.tsv"), 8, 2)
        for line in record.splitlines()[1:]:
            index, rule, stones, result, reason, moves = line.split("\t")
            self.assertIn(result, datagen.RESULTS, line)
            self.assertNotEqual(result, "fault", line)
            board, colour = referee.Board(15), referee.BLACK
            tokens = moves.split()
            outcome = None
            for number, token in enumerate(tokens):
                fields = token.split(":")
                x, y = map(int, fields[0].split(","))
                if number < int(stones):
                    self.assertEqual(len(fields), 1, token)
                    board.put(x, y, colour)
                else:
                    self.assertEqual(len(fields), 3, token)
                    self.assertIsNotNone(datagen.parse_info("MESSAGE depth %s-0 ev %s n" % (fields[2], fields[1])))
                    outcome = referee.judge_move(board, x, y, colour, referee.RENJU).outcome
                colour = referee.other(colour)
            if result == "dropped":
                self.assertEqual(len(tokens), int(stones), line)
            elif result in ("1-0", "0-1"):
                self.assertEqual(outcome, "win" if reason == "five" else "loss", line)
                self.assertEqual(referee.other(colour) == referee.BLACK, (result == "1-0") == (reason == "five"),
                                 line)


if __name__ == "__main__":
    unittest.main()
