"""The game a board page shows: size, rule, the moves in order and the result.

Moves alternate black, white, black, ... from the first. A position set up by
hand is kept as a move list too: its stones come first, black and white in
turn, and `setup` counts them; they are not judged as moves. Every move after
them is judged by the match referee (tools/match/referee.py): a five ends the
game, under renju a forbidden black move ends it as a loss for black, and a
full board is a draw.

Anything the page asks that the game cannot take raises GameError with a
message for the person, and leaves the game as it was.

The saved form is a move list, one item a line or several on a line:

    # comments
    size 15
    rule 2
    setup 4
    7,7 8,8 7,8 8,7 9,9 ...

`size` (5 to 20) and `rule` (the INFO RULE value: 0, 1, 2 or 4) default to
the game being replaced; `setup` (default 0) counts the leading stones of a
set-up position.
"""

import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "match"))

import referee  # noqa: E402

MIN_SIZE, MAX_SIZE = 5, 20
RULE_VALUES = (0, 1, 2, 4)
# A saved game is at most this long; the page sends loaded files as text.
MAX_GAME_TEXT = 64 * 1024

MOVE_TOKEN = re.compile(r"^(\d{1,2}),(\d{1,2})$")


class GameError(ValueError):
    """A request the game refuses; the text is meant for the person."""


def colour_name(colour):
    return "black" if colour == referee.BLACK else "white"


def check_size(size):
    if not is_int(size) or not MIN_SIZE <= size <= MAX_SIZE:
        raise GameError("the board size must be a whole number from %d to %d" % (MIN_SIZE, MAX_SIZE))
    return size


def check_rule(rule_value):
    if not is_int(rule_value) or rule_value not in RULE_VALUES:
        raise GameError("the rule must be 0 (freestyle), 1 (standard) or 2 (renju)")
    return rule_value


def is_int(value):
    return isinstance(value, int) and not isinstance(value, bool)


class Result:
    """How a game ended: winner (a referee colour, or None for a draw), why, where."""

    def __init__(self, winner, reason, cell=None):
        self.winner = winner
        self.reason = reason
        self.cell = cell

    def text(self):
        if self.winner is None:
            return "Draw: %s" % self.reason
        return "%s wins: %s" % (colour_name(self.winner).capitalize(), self.reason)

    def as_dict(self):
        return {"winner": None if self.winner is None else colour_name(self.winner),
                "reason": self.reason, "cell": list(self.cell) if self.cell else None,
                "text": self.text()}


class Game:
    def __init__(self, size=15, rule_value=2):
        self.size = check_size(size)
        self.rule_value = check_rule(rule_value)
        self.rule = referee.rule_from_info(rule_value)
        self.board = referee.Board(size)
        self.moves = []
        self.setup = 0
        self.result = None

    # -- questions -------------------------------------------------------

    def to_move(self):
        return referee.BLACK if len(self.moves) % 2 == 0 else referee.WHITE

    def over(self):
        return self.result is not None

    def check_cell(self, x, y):
        """(x, y) as ints on the board, or GameError."""
        if not is_int(x) or not is_int(y):
            raise GameError("a move needs whole-number coordinates")
        if not (0 <= x < self.size and 0 <= y < self.size):
            raise GameError("%d,%d is off the %dx%d board" % (x, y, self.size, self.size))
        return x, y

    def check_move(self, x, y):
        """Raises GameError unless the side to move may put a stone on (x, y)."""
        x, y = self.check_cell(x, y)
        if self.result is not None:
            raise GameError("the game is over (%s); undo or start a new game" % self.result.text())
        if self.board.at(x, y) != referee.EMPTY:
            raise GameError("%d,%d is already taken" % (x, y))
        return x, y

    def forbidden_reason(self, x, y):
        """Why black may not play the empty cell (x, y) under renju, else None."""
        if self.rule != referee.RENJU:
            return None
        return referee.forbidden_reason(self.board, x, y)

    # -- changes ---------------------------------------------------------

    def play(self, x, y):
        """Plays the side to move on (x, y) and judges the move."""
        x, y = self.check_move(x, y)
        colour = self.to_move()
        verdict = referee.judge_move(self.board, x, y, colour, self.rule)
        self.moves.append((x, y))
        if verdict.outcome == "win":
            self.result = Result(colour, "%s five at %d,%d" % (colour_name(colour), x, y), (x, y))
        elif verdict.outcome == "loss":
            self.result = Result(referee.other(colour), "black played a %s at %d,%d" % (verdict.reason, x, y),
                                 (x, y))
        elif self.board.full():
            self.result = Result(None, "the board is full")
        return verdict

    def take_back(self, count):
        """Takes back the last `count` moves (set-up stones too); returns them, last first."""
        if not is_int(count) or count < 1:
            raise GameError("nothing to take back")
        if count > len(self.moves):
            raise GameError("there is no move to take back" if not self.moves
                            else "only %d moves can be taken back" % len(self.moves))
        taken = []
        for _ in range(count):
            x, y = self.moves.pop()
            self.board.put(x, y, referee.EMPTY)
            taken.append((x, y))
        self.setup = min(self.setup, len(self.moves))
        self.result = None
        return taken

    def set_up(self, black, white):
        """Replaces the stones with a position: lists of (x, y) for each colour.

        Black has as many stones as white (black to move) or one more (white
        to move); no five may stand and a cell may be empty. The stones become
        the game's first moves, black and white in turn."""
        if not isinstance(black, list) or not isinstance(white, list):
            raise GameError("a position needs a list of black and a list of white stones")
        cells = []
        for stones in (black, white):
            for stone in stones:
                if not isinstance(stone, (list, tuple)) or len(stone) != 2:
                    raise GameError("each stone needs two coordinates x,y")
                cells.append(self.check_cell(stone[0], stone[1]))
        if len(set(cells)) != len(cells):
            raise GameError("two stones stand on one cell")
        if len(black) not in (len(white), len(white) + 1):
            raise GameError("black needs as many stones as white, or one more (it has %d, white %d)"
                            % (len(black), len(white)))
        if len(cells) == self.size * self.size:
            raise GameError("a full board leaves nothing to play")
        board = referee.Board(self.size)
        for index, (x, y) in enumerate(cells):
            board.put(x, y, referee.BLACK if index < len(black) else referee.WHITE)
        for index, (x, y) in enumerate(cells):
            colour = referee.BLACK if index < len(black) else referee.WHITE
            if referee.wins(board, x, y, colour, self.rule):
                raise GameError("a %s five stands at %d,%d; a position to play from has none"
                                % (colour_name(colour), x, y))
        order = []
        blacks, whites = cells[:len(black)], cells[len(black):]
        for index, cell in enumerate(blacks):
            order.append(cell)
            if index < len(whites):
                order.append(whites[index])
        self.board = board
        self.moves = order
        self.setup = len(order)
        self.result = None

    # -- the saved form --------------------------------------------------

    def to_text(self):
        lines = ["# Pebblon board game: %s, %d moves" % (
                     referee.RULE_NAMES[self.rule], len(self.moves)),
                 "size %d" % self.size, "rule %d" % self.rule_value]
        if self.setup:
            lines.append("setup %d" % self.setup)
        for start in range(0, len(self.moves), 10):
            lines.append(" ".join("%d,%d" % move for move in self.moves[start:start + 10]))
        if self.result is not None:
            lines.append("# %s" % self.result.text())
        return "\n".join(lines) + "\n"

    @classmethod
    def from_text(cls, text, size=15, rule_value=2):
        """The game a saved move list describes; GameError naming the first fault."""
        if not isinstance(text, str):
            raise GameError("a saved game is text")
        if len(text) > MAX_GAME_TEXT:
            raise GameError("a saved game is at most %d KiB" % (MAX_GAME_TEXT // 1024))
        setup = 0
        moves = []
        for number, line in enumerate(text.splitlines(), 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            words = line.split()
            key = words[0].lower()
            if key in ("size", "rule", "setup"):
                if len(words) != 2 or not words[1].isdigit() or len(words[1]) > 4:
                    raise GameError("line %d: '%s' needs one whole number" % (number, key))
                if moves:
                    raise GameError("line %d: '%s' must come before the moves" % (number, key))
                value = int(words[1])
                if key == "size":
                    size = check_size(value)
                elif key == "rule":
                    rule_value = check_rule(value)
                else:
                    setup = value
                continue
            for word in words:
                found = MOVE_TOKEN.match(word)
                if not found:
                    raise GameError("line %d: %r is not a move x,y" % (number, word[:20]))
                moves.append((int(found.group(1)), int(found.group(2))))
        game = cls(size, rule_value)
        if setup > len(moves):
            raise GameError("setup counts %d stones but the list has %d moves" % (setup, len(moves)))
        if setup:
            stones = moves[:setup]
            game.set_up([list(m) for m in stones[0::2]], [list(m) for m in stones[1::2]])
        for index, (x, y) in enumerate(moves[setup:], setup + 1):
            if game.result is not None:
                raise GameError("move %d (%d,%d) comes after the end of the game" % (index, x, y))
            try:
                game.play(x, y)
            except GameError as error:
                raise GameError("move %d: %s" % (index, error))
        return game

    def as_dict(self):
        return {
            "size": self.size,
            "rule": self.rule_value,
            "rule_name": referee.RULE_NAMES[self.rule],
            "moves": [list(move) for move in self.moves],
            "setup": self.setup,
            "to_move": colour_name(self.to_move()),
            "result": self.result.as_dict() if self.result else None,
        }
