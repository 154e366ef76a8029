#!/usr/bin/env python3
"""Chooses balanced short openings by asking an engine to evaluate them.

Candidates are openings of 2 to 4 stones, black's first on the centre and
every other stone within --radius cells of it (rows and columns), taken
without repeats up to the board's eight symmetries: every 2-stone opening,
and 3- and 4-stone ones drawn at random with --seed. Each candidate is sent to
the engine as BOARD for the side to move, under a per-move limit of --time
ms, and the score of the engine's last information line ("ev N" for the side
to move, "+Mn"/"-Mn" for a win or loss it found) is read and turned to
black's point of view. Candidates with a found win or loss are dropped; the
--keep ones closest to an even score are written, most even first, each
with its score as a trailing comment.

Example (about 2 minutes):
  python3 tools/match/make_openings.py --engine build/pbrain-pebblon \\
      --candidates 120 --keep 24 --time 1000 > tools/match/openings_15.txt
"""

import argparse
import os
import random
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import match  # noqa: E402

EV_PATTERN = re.compile(r"\bev\s+([+-]?M?\d+)")
DEPTH_PATTERN = re.compile(r"\bdepth\s+(\S+)")


def symmetries(size):
    last = size - 1
    return [
        lambda x, y: (x, y), lambda x, y: (last - x, y),
        lambda x, y: (x, last - y), lambda x, y: (last - x, last - y),
        lambda x, y: (y, x), lambda x, y: (last - y, x),
        lambda x, y: (y, last - x), lambda x, y: (last - y, last - x),
    ]


def canonical(moves, size):
    """One key for an opening and its seven mirror images (stones by colour)."""
    keys = []
    for transform in symmetries(size):
        placed = [transform(x, y) for x, y in moves]
        keys.append((tuple(sorted(placed[0::2])), tuple(sorted(placed[1::2]))))
    return min(keys)


def candidates(size, radius, count, seed):
    centre = size // 2
    area = [(centre + dx, centre + dy) for dy in range(-radius, radius + 1)
            for dx in range(-radius, radius + 1) if (dx, dy) != (0, 0)]
    seen = set()
    found = []

    def add(moves):
        key = canonical(moves, size)
        if key not in seen:
            seen.add(key)
            found.append(list(moves))

    for cell in area:
        add([(centre, centre), cell])
    generator = random.Random(seed)
    attempts = 0
    while len(found) < count and attempts < 100 * count:
        attempts += 1
        stones = generator.choice((3, 4))
        add([(centre, centre)] + generator.sample(area, stones - 1))
    return found


def parse_ev(text):
    """The score of an ev field: an int, or ('win'|'loss', plies)."""
    if "M" in text:
        return ("win" if not text.startswith("-") else "loss", int(text.lstrip("+-M")))
    return int(text)


def evaluate(engine, moves, size, rule, time_ms):
    """(score for black, info line) of the position after `moves`."""
    engine.drain()
    engine.send("INFO TIMEOUT_TURN %d" % time_ms, "INFO TIMEOUT_MATCH 0",
                "INFO RULE %d" % rule, "START %d" % size)
    while True:
        _, line = engine.next_line(None)
        if line.strip().upper() == "OK":
            break
    to_move = len(moves) % 2  # 0: black to move
    lines = ["BOARD"]
    for index, (x, y) in enumerate(moves):
        lines.append("%d,%d,%d" % (x, y, 1 if index % 2 == to_move else 2))
    lines.append("DONE")
    _, reply, info = engine.request_move(lines, time_ms / 1000.0 + 10.0)
    found = EV_PATTERN.search(info)
    if not found:
        raise SystemExit("no score in the engine's information line %r (reply %r)" % (info, reply))
    score = parse_ev(found.group(1))
    if isinstance(score, tuple):
        outcome, plies = score
        if to_move == 1:
            outcome = "loss" if outcome == "win" else "win"
        return (outcome, plies), info
    return (score if to_move == 0 else -score), info


def main(argv=None):
    parser = argparse.ArgumentParser(prog="make_openings.py", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", default="build/pbrain-pebblon", metavar="COMMAND",
                        help="the engine's command line (default %(default)s)")
    parser.add_argument("--rule", type=int, default=2, choices=(0, 1, 2, 4),
                        help="INFO RULE of the evaluations (default 2, renju)")
    parser.add_argument("--size", type=int, default=15, help="board size (default 15)")
    parser.add_argument("--radius", type=int, default=2,
                        help="largest distance of a stone from the centre (default 2)")
    parser.add_argument("--candidates", type=int, default=120,
                        help="candidate openings to evaluate (default 120)")
    parser.add_argument("--keep", type=int, default=24, help="openings to keep (default 24)")
    parser.add_argument("--time", type=int, default=1000, metavar="MS",
                        help="TIMEOUT_TURN of each evaluation (default 1000)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the candidates (default 1)")
    args = parser.parse_args(argv)

    pool = candidates(args.size, args.radius, args.candidates, args.seed)
    engine = match.Engine("engine", args.engine, [], os.getcwd())
    engine.start()
    scored = []
    try:
        for number, moves in enumerate(pool, 1):
            score, info = evaluate(engine, moves, args.size, args.rule, args.time)
            depth = DEPTH_PATTERN.search(info)
            text = " ".join("%d,%d" % move for move in moves)
            print("%3d/%d  %-24s  black's score %s  (depth %s)" % (
                number, len(pool), text, score, depth.group(1) if depth else "?"),
                file=sys.stderr, flush=True)
            if not isinstance(score, tuple):
                scored.append((abs(score), score, depth.group(1) if depth else "?", moves))
    finally:
        engine.stop()

    scored.sort(key=lambda item: (item[0], len(item[3])))
    kept = scored[:args.keep]
    print("# Openings for 15 x 15 matches (tools/match/match.py), black first, moves x,y.")
    print("# Chosen by tools/match/make_openings.py: %d candidates of 2 to 4 stones, black's"
          % len(pool))
    print("# first on the centre and the others within %d cells of it, distinct up to the"
          % args.radius)
    print("# board's symmetries, were evaluated by %s under INFO RULE %d with"
          % (args.engine, args.rule))
    print("# TIMEOUT_TURN %d; openings with a found win or loss were dropped and the %d"
          % (args.time, len(kept)))
    print("# closest to an even score kept. Trailing comments: the engine's score from")
    print("# black's point of view (ev) and the search depth.")
    print("# Command: python3 tools/match/make_openings.py --engine %s --rule %d --radius %d \\"
          % (args.engine, args.rule, args.radius))
    print("#   --candidates %d --keep %d --time %d --seed %d"
          % (args.candidates, args.keep, args.time, args.seed))
    for _, score, depth, moves in kept:
        print("%-24s # ev %+d, depth %s" % (" ".join("%d,%d" % move for move in moves), score, depth))
    return 0


if __name__ == "__main__":
    sys.exit(main())
