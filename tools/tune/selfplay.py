#!/usr/bin/env python3
"""Self-play games for the evaluation tuner (tools/tune/texel_main.cpp).

Writes an openings file of random short openings (a fixed seed: the same
command writes the same file) and plays each opening twice with the given
engine on both sides (the second a tenth more nodes per move) through tools/match/match.py, each move limited by a
node count so that the games are fast and the same on every run. The games
are recorded as match.py --record writes them.

    python3 tools/tune/selfplay.py --engine build/pbrain-pebblon \\
        --openings-count 1000 --nodes 20000 --rule 2 --seed 1 --out build-tune/renju.tsv

Openings: black's first stone on the centre, then `--stones - 1` stones of
alternating colours on random empty cells within `--radius` of the centre.
"""
import argparse
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MATCH = os.path.join(HERE, "..", "match", "match.py")


def random_openings(count, size, stones, radius, seed):
    rng = random.Random(seed)
    centre = size // 2
    near = [(x, y) for x in range(centre - radius, centre + radius + 1)
            for y in range(centre - radius, centre + radius + 1) if (x, y) != (centre, centre)]
    seen = set()
    openings = []
    while len(openings) < count:
        moves = [(centre, centre)] + rng.sample(near, stones - 1)
        key = tuple(moves)
        if key in seen:
            continue
        seen.add(key)
        openings.append(moves)
    return openings


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", required=True, help="the engine's command line")
    parser.add_argument("--init", action="append", default=[], metavar="LINE",
                        help="an INFO line sent before each game (repeatable)")
    parser.add_argument("--openings-count", type=int, default=1000, help="openings, each played twice (default 1000)")
    parser.add_argument("--stones", type=int, default=4, help="stones of an opening (default 4)")
    parser.add_argument("--radius", type=int, default=3, help="how far from the centre (default 3)")
    parser.add_argument("--nodes", type=int, default=20000, help="INFO MAX_NODE of every move (default 20000)")
    parser.add_argument("--rule", type=int, choices=(0, 1, 2, 4), default=2)
    parser.add_argument("--size", type=int, default=15)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--concurrency", type=int, default=2)
    parser.add_argument("--out", required=True, help="the record to write")
    args = parser.parse_args(argv)
    if args.stones < 1 or (2 * args.radius + 1) ** 2 < args.stones:
        parser.error("--stones must fit within --radius of the centre")

    out_dir = os.path.dirname(os.path.abspath(args.out))
    os.makedirs(out_dir, exist_ok=True)
    openings_path = os.path.splitext(args.out)[0] + ".openings.txt"
    with open(openings_path, "w", encoding="utf-8") as handle:
        handle.write("# %d random openings, seed %d, %d stones within %d of the centre\n"
                     % (args.openings_count, args.seed, args.stones, args.radius))
        for moves in random_openings(args.openings_count, args.size, args.stones, args.radius, args.seed):
            handle.write(" ".join("%d,%d" % move for move in moves) + "\n")

    # The engine plays both sides and searches the same tree for the same
    # position, so the two games of an opening would be one game twice: the
    # second engine gets a tenth more nodes, which makes them two games.
    inits1 = ["INFO MAX_NODE %d" % args.nodes] + args.init
    inits2 = ["INFO MAX_NODE %d" % (args.nodes + args.nodes // 10)] + args.init
    command = [sys.executable, MATCH, "--engine1", args.engine, "--engine2", args.engine,
               "--name1", "a", "--name2", "b", "--openings", openings_path,
               "--rule", str(args.rule), "--size", str(args.size),
               "--timeout-turn", "0", "--timeout-match", "0",
               "--concurrency", str(args.concurrency), "--record", args.out]
    for line in inits1:
        command += ["--init1", line]
    for line in inits2:
        command += ["--init2", line]
    return subprocess.call(command)


if __name__ == "__main__":
    sys.exit(main())
