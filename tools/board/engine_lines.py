"""The board server's side of the protocol: what it may write to the engine
and how it reads what the engine writes back.

Writing: every batch of lines the server sends goes through `check_batch`,
which accepts only the commands the board uses, well formed and in range,
with stone lines only inside a YXBOARD block. The page never sends protocol
text; the session builds these lines from requests it has checked, and this
is the last check before the engine's standard input.

Reading: the engine's move reply `x,y`, the `FORBID xxyy...` line of
YXSHOWFORBID, the ABOUT line the server uses to know that the engine has
read everything before it, and the information lines of a search:

    MESSAGE depth 17-31 [multipv 2] ev 100|+M5|-M7 [lowerbound|upperbound]
            n 1957k n/ms 2034 tm 962 pv h8 i9 ...

The moves of a line come in two styles: after an extension command (the
board always sends some) a letter for y and the board size less x ("h8"),
else a colour mark, a letter for x and y ("Xh7"). Both are read back into
protocol coordinates.
"""

import re

MAX_SIZE = 20
MAX_NBEST = 10
# INFO keys the board sets, with the largest value it sends for each.
INFO_LIMITS = {
    "TIMEOUT_TURN": 3_600_000,
    "TIMEOUT_MATCH": 0,
    "RULE": 4,
    "SHOW_DETAIL": 1,
    "THREAD_NUM": 64,
    "HASH_SIZE": 4_194_304,
}

_NUMBER = r"(0|[1-9][0-9]{0,8})"
_SIMPLE = {"RESTART", "YXBOARD", "YXSTOP", "YXSHOWFORBID", "ABOUT", "END"}
_START = re.compile(r"^START %s$" % _NUMBER)
_INFO = re.compile(r"^INFO ([A-Z_]+) %s$" % _NUMBER)
_NBEST = re.compile(r"^YXNBEST %s$" % _NUMBER)
_TAKEBACK = re.compile(r"^TAKEBACK %s,%s$" % (_NUMBER, _NUMBER))
_STONE = re.compile(r"^%s,%s,([12])$" % (_NUMBER, _NUMBER))

MOVE_REPLY = re.compile(r"^\s*(\d{1,2})\s*,\s*(\d{1,2})\s*$")
ABOUT_PREFIX = "name="


class CommandRefused(ValueError):
    """A line the board must not send."""


def _cell_fits(found):
    return int(found.group(1)) < MAX_SIZE and int(found.group(2)) < MAX_SIZE


def _info_fits(found):
    key, value = found.group(1), int(found.group(2))
    return key in INFO_LIMITS and value <= INFO_LIMITS[key] and not (key == "RULE" and value == 3)


# The commands with arguments, each with the test its numbers must pass.
_COMMANDS = (
    (_START, lambda found: 5 <= int(found.group(1)) <= MAX_SIZE),
    (_INFO, _info_fits),
    (_NBEST, lambda found: 1 <= int(found.group(1)) <= MAX_NBEST),
    (_TAKEBACK, _cell_fits),
)


def check_batch(lines):
    """Raises CommandRefused unless every line is one the board may send."""
    in_block = False
    for line in lines:
        if not isinstance(line, str) or "\n" in line or "\r" in line:
            raise CommandRefused("not a single line: %r" % (line,))
        if in_block:
            if line == "DONE":
                in_block = False
                continue
            stone = _STONE.match(line)
            if not stone or not _cell_fits(stone):
                raise CommandRefused("only x,y,who on the board or DONE inside YXBOARD: %r" % line)
            continue
        if line in _SIMPLE:
            in_block = line == "YXBOARD"
            continue
        for pattern, fits in _COMMANDS:
            found = pattern.match(line)
            if found:
                if not fits(found):
                    raise CommandRefused("a value the board does not send: %r" % line)
                break
        else:
            raise CommandRefused("not a command the board sends: %r" % line)
    if in_block:
        raise CommandRefused("YXBOARD without DONE")


def board_lines(moves):
    """YXBOARD ... DONE for the stones `moves` (black first, in turn), who 1
    for the stones of the side to move, so that the engine plays that side."""
    mover_parity = len(moves) % 2
    lines = ["YXBOARD"]
    for index, (x, y) in enumerate(moves):
        lines.append("%d,%d,%d" % (x, y, 1 if index % 2 == mover_parity else 2))
    lines.append("DONE")
    return lines


def parse_move(line):
    """(x, y) of a move reply, else None."""
    found = MOVE_REPLY.match(line)
    return (int(found.group(1)), int(found.group(2))) if found else None


def parse_forbid(line, size):
    """The cells of a `FORBID xxyyxxyy.` line, else None."""
    found = re.match(r"^FORBID ((?:\d{4})*)\.?\s*$", line)
    if not found:
        return None
    digits = found.group(1)
    cells = []
    for i in range(0, len(digits), 4):
        x, y = int(digits[i:i + 2]), int(digits[i + 2:i + 4])
        if x < size and y < size:
            cells.append((x, y))
    return cells


def _node_count(text):
    found = re.match(r"^(\d+)([kMG]?)$", text)
    if not found:
        return None
    scale = {"": 1, "k": 1000, "M": 1000000, "G": 1000000000}[found.group(2)]
    return int(found.group(1)) * scale


def parse_pv_move(token, size):
    """(x, y) of one move of an information line, in either style, else None."""
    plain = re.match(r"^[XO.]([a-z])(\d{1,2})$", token)
    if plain:
        x, y = ord(plain.group(1)) - ord("a"), int(plain.group(2))
    else:
        extension = re.match(r"^([a-z])(\d{1,2})$", token)
        if not extension:
            return None
        y, x = ord(extension.group(1)) - ord("a"), size - int(extension.group(2))
    if 0 <= x < size and 0 <= y < size:
        return x, y
    return None


def parse_score(text):
    """{'text', 'kind': 'win'|'loss'|'value', 'plies' or 'value'} of an ev field."""
    found = re.match(r"^([+-])M(-?\d+)$", text)
    if found:
        return {"text": text, "kind": "win" if found.group(1) == "+" else "loss",
                "in": int(found.group(2))}
    if re.match(r"^-?\d+$", text):
        return {"text": text, "kind": "value", "value": int(text)}
    return None


def parse_info(line, size):
    """The fields of a search's information line, else None.

    Returns depth, seldepth, multipv (1 when absent), score (see parse_score),
    bound ('lower', 'upper' or None), nodes, nodes_per_ms, time_ms and pv (a
    list of (x, y), cut at the first move that does not read)."""
    words = line.split()
    if len(words) < 3 or words[0] != "MESSAGE" or words[1] != "depth":
        return None
    info = {"multipv": 1, "bound": None, "pv": []}
    depths = re.match(r"^(\d+)-(\d+)$", words[2])
    if not depths:
        return None
    info["depth"], info["seldepth"] = int(depths.group(1)), int(depths.group(2))
    i = 3
    while i < len(words):
        word = words[i]
        if word == "pv":
            for token in words[i + 1:]:
                move = parse_pv_move(token, size)
                if move is None:
                    break
                info["pv"].append(move)
            break
        if word in ("lowerbound", "upperbound"):
            info["bound"] = word[:5]
            i += 1
            continue
        if i + 1 >= len(words):
            return None
        value = words[i + 1]
        if word == "multipv" and value.isdigit():
            info["multipv"] = int(value)
        elif word == "ev":
            info["score"] = parse_score(value)
        elif word == "n":
            info["nodes"] = _node_count(value)
        elif word == "n/ms" and value.isdigit():
            info["nodes_per_ms"] = int(value)
        elif word == "tm" and value.isdigit():
            info["time_ms"] = int(value)
        i += 2
    if info.get("score") is None:
        return None
    return info
