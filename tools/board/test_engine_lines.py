"""What the board server may send the engine, and how it reads the engine's
lines (the lines here are copied from the engine's output)."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import engine_lines  # noqa: E402
from engine_lines import CommandRefused, check_batch  # noqa: E402


class CheckBatchTest(unittest.TestCase):
    def test_the_board_commands_pass(self):
        check_batch(["INFO SHOW_DETAIL 1", "INFO TIMEOUT_MATCH 0", "INFO THREAD_NUM 2", "INFO HASH_SIZE 65536",
                     "START 15", "INFO RULE 2", "RESTART", "YXBOARD", "7,7,2", "8,8,1", "DONE", "YXSHOWFORBID",
                     "ABOUT", "INFO TIMEOUT_TURN 1000", "YXNBEST 3", "YXSTOP", "TAKEBACK 8,8", "END"])
        check_batch(["YXBOARD", "DONE"])

    def test_everything_else_is_refused(self):
        cases = [
            ["BOARD"], ["TURN 7,7"], ["BEGIN"], ["hello"], ["start 15"], ["START 15 "], ["START 4"],
            ["START 21"], ["INFO FOLDER 1"], ["INFO TUNE OWN_FOUR 5"], ["INFO RULE 3"], ["INFO RULE 5"],
            ["INFO TIMEOUT_TURN -1"], ["INFO TIMEOUT_MATCH 1000"], ["INFO TIMEOUT_TURN 01"], ["YXNBEST 0"],
            ["YXNBEST 11"], ["TAKEBACK 20,1"], ["TAKEBACK 7,7,1"], ["7,7,1"], ["YXBOARD", "7,7,3", "DONE"],
            ["YXBOARD", "7,7,1"], ["YXBOARD", "ABOUT", "DONE"], ["ABOUT\nEND"], ["ABOUT\r"], ["DONE"], [7],
            ["YXBOARD", "25,1,1", "DONE"], ["YXSTOP; END"],
        ]
        for lines in cases:
            with self.subTest(lines=lines):
                with self.assertRaises(CommandRefused):
                    check_batch(lines)

    def test_board_lines_give_the_side_to_move_to_the_engine(self):
        self.assertEqual(engine_lines.board_lines([(7, 7), (8, 8), (9, 9)]),
                         ["YXBOARD", "7,7,2", "8,8,1", "9,9,2", "DONE"])
        self.assertEqual(engine_lines.board_lines([(7, 7), (8, 8)]), ["YXBOARD", "7,7,1", "8,8,2", "DONE"])
        self.assertEqual(engine_lines.board_lines([]), ["YXBOARD", "DONE"])


class ReadingTest(unittest.TestCase):
    def test_information_lines(self):
        line = ("MESSAGE depth 12-23 multipv 2 ev -64 upperbound n 109k n/ms 403 tm 271 "
                "pv k8 i9 k7")
        info = engine_lines.parse_info(line, 15)
        self.assertEqual(info, {
            "depth": 12, "seldepth": 23, "multipv": 2, "bound": "upper", "score": {"text": "-64", "kind": "value",
                                                                                  "value": -64},
            "nodes": 109000, "nodes_per_ms": 403, "time_ms": 271, "pv": [(7, 10), (6, 8), (8, 10)]})
        plain = engine_lines.parse_info("MESSAGE depth 17-31 ev +M5 n 1957k n/ms 2034 tm 962 pv Xi7 Og7 Xh6", 15)
        self.assertEqual((plain["multipv"], plain["score"], plain["pv"]),
                         (1, {"text": "+M5", "kind": "win", "in": 5}, [(8, 7), (6, 7), (7, 6)]))
        loss = engine_lines.parse_info("MESSAGE depth 3-5 ev -M12 n 12M n/ms 1 tm 5 pv a1 (none)", 15)
        self.assertEqual((loss["score"]["kind"], loss["score"]["in"], loss["nodes"], loss["pv"]),
                         ("loss", 12, 12000000, [(14, 0)]))

    def test_other_lines_are_no_information(self):
        for line in ["MESSAGE REALTIME BEST 7,6", "MESSAGE :-O +M5 -> -40", "7,7", "MESSAGE depth",
                     "MESSAGE depth x-y ev 1 pv h8", "MESSAGE depth 1-2 n 3 pv h8", "DEBUG Dim 15, Ply 0"]:
            with self.subTest(line=line):
                self.assertIsNone(engine_lines.parse_info(line, 15))

    def test_moves_of_a_line_off_the_board_end_it(self):
        # "p8" is y 15 on a board of 15: the line stops there.
        info = engine_lines.parse_info("MESSAGE depth 1-1 ev 0 n 1 n/ms 0 tm 1 pv h8 p8 h9", 15)
        self.assertEqual(info["pv"], [(7, 7)])

    def test_replies_and_forbidden_points(self):
        self.assertEqual(engine_lines.parse_move("7,6"), (7, 6))
        self.assertEqual(engine_lines.parse_move(" 10 , 12 "), (10, 12))
        for line in ["SWAP", "7,6,1", "-1,3", "OK", ""]:
            self.assertIsNone(engine_lines.parse_move(line))
        self.assertEqual(engine_lines.parse_forbid("FORBID 07070812.", 15), [(7, 7), (8, 12)])
        self.assertEqual(engine_lines.parse_forbid("FORBID 07071919.", 15), [(7, 7)])
        self.assertIsNone(engine_lines.parse_forbid("FORBID 0707x.", 15))
        self.assertIsNone(engine_lines.parse_forbid("OK", 15))


if __name__ == "__main__":
    unittest.main()
