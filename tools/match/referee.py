"""The match referee: judges every move of a game from the stones alone.

It knows the three rules the engine plays:

  freestyle (INFO RULE 0)  five or more in a row wins, for either colour;
  standard  (INFO RULE 1)  exactly five wins, for either colour; six or more
                           in a row wins nothing and the game goes on;
  renju     (INFO RULE 2, 4)  white wins with five or more; black wins with
                           exactly five, and a black move that makes no exact
                           five loses at once when it is forbidden: an
                           overline (six or more), two or more fours, or two
                           or more real open threes.

An exact five always wins for black, even when the same move also makes an
overline, fours or threes on other lines.

Fours are counted per line through the move. A four is a group of four black
stones, the move among them, that one more stone turns into an exact five.
A straight four (.XXXX.) has two such cells but one group, so it is one four;
x.xXx.x has two groups on one line, so it is two fours by itself.

A three is real when one more black stone on its line, at a cell where black
may legally play, makes a straight four that holds the move: exactly four in
a row with an empty cell at each end, each end making an exact five. Whether
that cell is legal is judged the same way with the move on the board, down to
a bounded depth; past that depth the cell is taken as legal. A line that
already holds a four of the move is not also counted as a three.

Coordinates are (x, y), x the column and y the row, both from 0, the way the
protocol writes them.
"""

EMPTY, BLACK, WHITE = 0, 1, 2

FREESTYLE, STANDARD, RENJU = 0, 1, 2
RULE_NAMES = {FREESTYLE: "freestyle", STANDARD: "standard", RENJU: "renju"}

# The four lines through a cell: across, down, and the two diagonals.
DIRECTIONS = ((1, 0), (0, 1), (1, 1), (1, -1))

# How deep the legality of a three's completion cell is followed.
DEFAULT_THREE_DEPTH = 6


def rule_from_info(value):
    """The rule of an INFO RULE value: 0, 1, or 2 and 4 (both renju)."""
    value = int(value)
    if value == 0:
        return FREESTYLE
    if value == 1:
        return STANDARD
    if value in (2, 4):
        return RENJU
    raise ValueError("unsupported rule %d (use 0, 1, 2 or 4)" % value)


def other(colour):
    return WHITE if colour == BLACK else BLACK


class Board:
    """A square board of EMPTY, BLACK and WHITE cells."""

    def __init__(self, size):
        if size < 5:
            raise ValueError("a board needs at least 5 x 5 cells")
        self.size = size
        self.cells = [[EMPTY] * size for _ in range(size)]
        self.stones = 0

    @classmethod
    def from_picture(cls, picture):
        """A board drawn as rows of text: 'X' black, 'O' white, '.' empty.

        Spaces are ignored, blank lines are skipped, row 0 comes first."""
        rows = [line.replace(" ", "") for line in picture.strip("\n").splitlines()]
        rows = [row for row in rows if row]
        board = cls(len(rows))
        for y, row in enumerate(rows):
            if len(row) != board.size:
                raise ValueError("row %d has %d cells, expected %d" % (y, len(row), board.size))
            for x, mark in enumerate(row):
                if mark in "Xx":
                    board.put(x, y, BLACK)
                elif mark in "Oo":
                    board.put(x, y, WHITE)
                elif mark != ".":
                    raise ValueError("unknown mark %r" % mark)
        return board

    def inside(self, x, y):
        return 0 <= x < self.size and 0 <= y < self.size

    def at(self, x, y):
        return self.cells[y][x]

    def put(self, x, y, colour):
        if self.cells[y][x] == EMPTY and colour != EMPTY:
            self.stones += 1
        elif self.cells[y][x] != EMPTY and colour == EMPTY:
            self.stones -= 1
        self.cells[y][x] = colour

    def full(self):
        return self.stones == self.size * self.size

    def picture(self):
        marks = {EMPTY: ".", BLACK: "X", WHITE: "O"}
        return "\n".join("".join(marks[c] for c in row) for row in self.cells)


def _run(board, x, y, dx, dy, colour):
    """The run of `colour` through (x, y) along (dx, dy), counting (x, y).

    Returns (length, first, last) where first and last are the offsets of the
    run's ends from (x, y) in steps of (dx, dy)."""
    first = 0
    while board.inside(x + (first - 1) * dx, y + (first - 1) * dy) and \
            board.at(x + (first - 1) * dx, y + (first - 1) * dy) == colour:
        first -= 1
    last = 0
    while board.inside(x + (last + 1) * dx, y + (last + 1) * dy) and \
            board.at(x + (last + 1) * dx, y + (last + 1) * dy) == colour:
        last += 1
    return last - first + 1, first, last


def run_lengths(board, x, y, colour):
    """The four run lengths through (x, y), as if (x, y) held `colour`."""
    return [_run(board, x, y, dx, dy, colour)[0] for dx, dy in DIRECTIONS]


def _is_black_cell(board, x, y):
    return board.inside(x, y) and board.at(x, y) == BLACK


def _is_empty_cell(board, x, y):
    return board.inside(x, y) and board.at(x, y) == EMPTY


def count_fours(board, x, y, direction):
    """Fours the black stone on (x, y) belongs to along one line.

    The stone must already stand. Each four is a distinct group of four black
    stones holding (x, y) that one empty cell completes to an exact five."""
    dx, dy = direction
    groups = set()
    for k in range(-4, 5):
        if k == 0:
            continue
        px, py = x + k * dx, y + k * dy
        if not _is_empty_cell(board, px, py):
            continue
        board.put(px, py, BLACK)
        length, first, last = _run(board, px, py, dx, dy, BLACK)
        board.put(px, py, EMPTY)
        # Offsets of the run relative to (x, y) rather than to the empty cell.
        first += k
        last += k
        if length == 5 and first <= 0 <= last:
            groups.add(frozenset(i for i in range(first, last + 1) if i != k))
    return len(groups)


def _makes_straight_four(board, x, y, direction, k):
    """Whether a black stone at offset k makes a straight four holding (x, y).

    (x, y) must already hold black and the cell at offset k be empty."""
    dx, dy = direction
    qx, qy = x + k * dx, y + k * dy
    board.put(qx, qy, BLACK)
    length, first, last = _run(board, qx, qy, dx, dy, BLACK)
    board.put(qx, qy, EMPTY)
    first += k
    last += k
    if length != 4 or not first <= 0 <= last:
        return False
    # Both ends open, and each end an exact five: the cell past it is not black.
    for end, beyond in ((first - 1, first - 2), (last + 1, last + 2)):
        if not _is_empty_cell(board, x + end * dx, y + end * dy):
            return False
        if _is_black_cell(board, x + beyond * dx, y + beyond * dy):
            return False
    return True


def is_real_three(board, x, y, direction, depth=DEFAULT_THREE_DEPTH):
    """Whether the black stone on (x, y) makes a real three along one line.

    The stone must already stand. The three is real when some empty cell of
    the line makes a straight four with it and that cell is not forbidden for
    black (judged with `depth` - 1; at depth 0 the cell is taken as legal)."""
    dx, dy = direction
    for k in range(-4, 5):
        if k == 0:
            continue
        qx, qy = x + k * dx, y + k * dy
        if not _is_empty_cell(board, qx, qy):
            continue
        if not _makes_straight_four(board, x, y, direction, k):
            continue
        if depth <= 0 or forbidden_reason(board, qx, qy, depth - 1) is None:
            return True
    return False


def forbidden_reason(board, x, y, depth=DEFAULT_THREE_DEPTH):
    """Why a black move on the empty cell (x, y) is forbidden under renju.

    Returns None for a legal move (an exact five is always legal), else
    'overline', 'double four' or 'double three'. The board is left as it
    was."""
    if board.at(x, y) != EMPTY:
        raise ValueError("cell %d,%d is not empty" % (x, y))
    board.put(x, y, BLACK)
    try:
        lengths = run_lengths(board, x, y, BLACK)
        if 5 in lengths:
            return None
        if max(lengths) > 5:
            return "overline"
        fours = 0
        threes = 0
        for direction in DIRECTIONS:
            line_fours = count_fours(board, x, y, direction)
            if line_fours:
                fours += line_fours
            elif is_real_three(board, x, y, direction, depth):
                threes += 1
        if fours >= 2:
            return "double four"
        if threes >= 2:
            return "double three"
        return None
    finally:
        board.put(x, y, EMPTY)


def is_forbidden(board, x, y, depth=DEFAULT_THREE_DEPTH):
    return forbidden_reason(board, x, y, depth) is not None


def wins(board, x, y, colour, rule):
    """Whether the stone of `colour` on (x, y) (already placed) wins."""
    lengths = run_lengths(board, x, y, colour)
    if rule == FREESTYLE:
        return max(lengths) >= 5
    if rule == STANDARD:
        return 5 in lengths
    if colour == WHITE:
        return max(lengths) >= 5
    return 5 in lengths


class Verdict:
    """The outcome of one move: 'win', 'loss' (forbidden) or None (play on)."""

    def __init__(self, outcome=None, reason=""):
        self.outcome = outcome
        self.reason = reason

    def __repr__(self):
        return "Verdict(%r, %r)" % (self.outcome, self.reason)


def judge_move(board, x, y, colour, rule, depth=DEFAULT_THREE_DEPTH):
    """Judge the move of `colour` on (x, y), then put the stone on the board.

    The cell must be on the board and empty (the caller judges occupied and
    off-board moves). Under renju a black move that makes no exact five is
    tested for the forbidden shapes before it is placed."""
    if not board.inside(x, y) or board.at(x, y) != EMPTY:
        raise ValueError("move %d,%d is not on an empty cell" % (x, y))
    if rule == RENJU and colour == BLACK:
        reason = forbidden_reason(board, x, y, depth)
        if reason is not None:
            board.put(x, y, colour)
            return Verdict("loss", "forbidden " + reason)
    board.put(x, y, colour)
    if wins(board, x, y, colour, rule):
        return Verdict("win", "five")
    return Verdict(None, "")
