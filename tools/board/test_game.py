"""The board's game: judging moves, taking back, set-up positions and the
saved move list."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from game import Game, GameError  # noqa: E402

# Black's open twos across and down meet at 7,7: a double three there.
DOUBLE_THREE = [(5, 7), (0, 0), (6, 7), (0, 2), (7, 5), (0, 4), (7, 6), (14, 14)]


def played(moves, size=15, rule=2):
    game = Game(size, rule)
    for x, y in moves:
        game.play(x, y)
    return game


class PlayTest(unittest.TestCase):
    def test_fives_and_forbidden_moves_end_the_game(self):
        # (rule, moves, winner or None, reason text)
        row = [(x, 7) for x in range(5)]
        whites = [(x, 9) for x in range(5)]
        black_five = [m for pair in zip(row, whites) for m in pair][:9]
        six = [(0, 0), (0, 9), (1, 0), (1, 9), (2, 0), (2, 9), (4, 0), (3, 9), (5, 0), (5, 9), (3, 0)]
        cases = [
            (2, black_five, "black", "black five at 4,7"),
            (0, black_five, "black", "black five at 4,7"),
            (2, DOUBLE_THREE + [(7, 7)], "white", "black played a forbidden double three at 7,7"),
            (0, six, "black", "black five at 3,0"),            # freestyle: six wins
            (2, six, "white", "black played a forbidden overline at 3,0"),
        ]
        for rule, moves, winner, reason in cases:
            with self.subTest(rule=rule, last=moves[-1]):
                game = played(moves, rule=rule)
                self.assertIsNotNone(game.result)
                self.assertEqual(game.result.as_dict()["winner"], winner)
                self.assertEqual(game.result.reason, reason)
                self.assertEqual(game.result.cell, moves[-1])

    def test_standard_six_wins_nothing(self):
        six = [(0, 0), (0, 9), (1, 0), (1, 9), (2, 0), (2, 9), (4, 0), (3, 9), (5, 0), (5, 9), (3, 0)]
        game = played(six, rule=1)
        self.assertIsNone(game.result)
        self.assertEqual(game.to_move(), 2)

    def test_full_board_is_a_draw(self):
        # A 5x5 board filled without a five: rows of two colours shifted.
        pattern = ["XXOOX", "OOXXO", "XXOOX", "OOXXO", "XOXOX"]
        black = [(x, y) for y in range(5) for x in range(5) if pattern[y][x] == "X"]
        white = [(x, y) for y in range(5) for x in range(5) if pattern[y][x] == "O"]
        moves = [m for pair in zip(black, white) for m in pair] + black[len(white):]
        game = played(moves, size=5, rule=0)
        self.assertEqual(game.result.text(), "Draw: the board is full")

    def test_refused_moves_leave_the_game_as_it_was(self):
        game = played([(7, 7), (8, 8)])
        cases = [((7, 7), "7,7 is already taken"), ((15, 0), "off the 15x15 board"),
                 ((-1, 3), "off the 15x15 board"), (("7", 3), "whole-number"), ((True, 3), "whole-number")]
        for (x, y), message in cases:
            with self.subTest(cell=(x, y)):
                with self.assertRaisesRegex(GameError, message):
                    game.play(x, y)
                self.assertEqual(game.moves, [(7, 7), (8, 8)])
        over = played(DOUBLE_THREE + [(7, 7)])
        with self.assertRaisesRegex(GameError, "the game is over"):
            over.play(9, 9)

    def test_take_back_reopens_a_finished_game(self):
        game = played(DOUBLE_THREE + [(7, 7)])
        self.assertEqual(game.take_back(2), [(7, 7), (14, 14)])
        self.assertIsNone(game.result)
        self.assertEqual(game.board.at(7, 7), 0)
        self.assertEqual(game.to_move(), 2)
        with self.assertRaisesRegex(GameError, "only 7 moves"):
            game.take_back(8)
        with self.assertRaisesRegex(GameError, "no move to take back"):
            Game().take_back(1)


class SetUpTest(unittest.TestCase):
    def test_a_position_becomes_alternating_moves(self):
        game = Game()
        game.set_up([[1, 1], [2, 2], [3, 3]], [[9, 9], [10, 10]])
        self.assertEqual(game.moves, [(1, 1), (9, 9), (2, 2), (10, 10), (3, 3)])
        self.assertEqual(game.setup, 5)
        self.assertEqual(game.to_move(), 2)
        # Set-up stones are not judged: black's double three stands in one.
        game.set_up([list(m) for m in DOUBLE_THREE[0::2]] + [[7, 7]], [list(m) for m in DOUBLE_THREE[1::2]])
        self.assertIsNone(game.result)

    def test_bad_positions_are_refused(self):
        cases = [
            ([[1, 1], [2, 2]], [], "as many stones as white, or one more"),
            ([[1, 1]], [[1, 1]], "two stones stand on one cell"),
            ([[1, 1]], [[20, 1]], "off the 15x15 board"),
            ([[1, 1, 1]], [], "two coordinates"),
            ("1,1", [], "a list of black and a list of white"),
            ([[x, 0] for x in range(5)], [[x, 5] for x in range(4)], "black five stands at 0,0"),
        ]
        for black, white, message in cases:
            with self.subTest(message=message):
                game = played([(7, 7)])
                with self.assertRaisesRegex(GameError, message):
                    game.set_up(black, white)
                self.assertEqual(game.moves, [(7, 7)])


class SavedGameTest(unittest.TestCase):
    def test_round_trip(self):
        game = Game(13, 0)
        game.set_up([[6, 6], [5, 5]], [[7, 7]])
        for x, y in [(2, 2), (3, 3), (4, 4)]:
            game.play(x, y)
        text = game.to_text()
        self.assertIn("size 13\nrule 0\nsetup 3\n6,6 7,7 5,5 2,2 3,3 4,4\n", text)
        again = Game.from_text(text)
        self.assertEqual((again.size, again.rule_value, again.setup, again.moves),
                         (13, 0, 3, game.moves))

    def test_a_plain_move_list_and_a_finished_game(self):
        game = Game.from_text("# a comment\n7,7 8,8\n\n9,9\n", size=15, rule_value=2)
        self.assertEqual(game.moves, [(7, 7), (8, 8), (9, 9)])
        finished = Game.from_text("\n".join("%d,%d" % m for m in DOUBLE_THREE + [(7, 7)]))
        self.assertEqual(finished.result.reason, "black played a forbidden double three at 7,7")

    def test_bad_lists_name_their_fault(self):
        cases = [
            ("7,7 7,7", "move 2: 7,7 is already taken"),
            ("7,7 banana", "line 1: 'banana' is not a move"),
            ("size 30\n", "board size must be a whole number from 5 to 20"),
            ("rule 3\n", "the rule must be"),
            ("7,7\nsize 15", "line 2: 'size' must come before the moves"),
            ("size\n", "line 1: 'size' needs one whole number"),
            ("setup 3\n7,7", "setup counts 3 stones but the list has 1 moves"),
            ("\n".join("%d,%d" % m for m in DOUBLE_THREE + [(7, 7), (9, 9)]),
             "move 10 \\(9,9\\) comes after the end of the game"),
            ("7,7 " * 40000, "at most 64 KiB"),
            (None, "a saved game is text"),
        ]
        for text, message in cases:
            with self.subTest(message=message):
                with self.assertRaisesRegex(GameError, message):
                    Game.from_text(text)


if __name__ == "__main__":
    unittest.main()
