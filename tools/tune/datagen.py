#!/usr/bin/python3
"""Self-play records for fitting the evaluation, played as tasks of a Dask
cluster: a local one on this machine by default, or the cluster whose
scheduler --scheduler names (every machine of it must have the engine and
this checkout at the same paths).

    /usr/bin/python3 tools/tune/datagen.py --engine build/pbrain-pebblon \\
        --rule 2 --games 20000 --nodes 12000 --seed 1 --out build-tune/renju.tsv

Game i of a job is drawn from the seed, the rule and i alone: its opening
(a random short opening near the centre), and the node budget of each of
its moves (--nodes, perturbed by up to --jitter either way, so that two
games from one opening part ways). Each game runs in two fresh engine
processes, one a side, at a fixed node count a move, so it is the same
game on any machine and whatever the number of workers. A game whose first
search already calls the opening decisive (a win found, or a score beyond
--balance) is dropped: the record keeps it as dropped and it gives no
positions.

The record (tab-separated, one game a line, in the order of the games):
index, rule, stones of the opening, result (1-0, 0-1, 1/2-1/2, dropped or
fault), reason, and the moves: the opening's as x,y, the engines' as
x,y:score:depth, the score and depth of the search that chose the move as
the engine's information line gave them (a quarter of the evaluation's
units; +M5 / -M5 for a win or a loss found). Games finished so far are kept
in OUT.part as they come; a job started again with the same arguments
plays only the games that file lacks, and OUT is written from it, sorted,
at the end.
"""
import argparse
import os
import random
import re
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MATCH_DIR = os.path.normpath(os.path.join(HERE, "..", "match"))

INFO_LINE = re.compile(r"^MESSAGE depth (\d+)-\d+ (?:multipv \d+ )?ev (\S+) ")
RESULTS = ("1-0", "0-1", "1/2-1/2", "dropped", "fault")


class GameSpec:
    """What game `index` of a job is, drawn from the job's seed alone."""

    def __init__(self, index, rule, size, seed, nodes, jitter, min_stones, max_stones, radius):
        self.index = index
        self.rule = rule
        self.size = size
        rng = random.Random("%d/%d/%d" % (seed, rule, index))
        centre = size // 2
        near = [(x, y) for x in range(centre - radius, centre + radius + 1)
                for y in range(centre - radius, centre + radius + 1) if (x, y) != (centre, centre)]
        stones = rng.randint(min_stones, max_stones)
        self.opening = [(centre, centre)] + rng.sample(near, stones - 1)
        # One budget per move a game can have: the same moves whatever happens.
        self.budgets = [max(1, int(round(nodes * (1 + rng.uniform(-jitter, jitter)))))
                        for _ in range(size * size)]


def parse_info(line):
    """(score text, depth) of an information line, or None."""
    found = INFO_LINE.match(line)
    return (found.group(2), int(found.group(1))) if found else None


def decisive(score, balance):
    if "M" in score:
        return True
    return abs(int(score)) > balance


def play_game(task):
    """Plays one game; returns its record line. Runs on a Dask worker."""
    if task["match_dir"] not in sys.path:
        sys.path.insert(0, task["match_dir"])
    import match as runner  # noqa: E402  (tools/match, found through match_dir)
    import referee  # noqa: E402

    spec = task["spec"]
    settings = argparse.Namespace(timeout_turn=0, timeout_match=0, rule_value=spec.rule, size=spec.size)
    engines = {colour: runner.Engine(name, task["engine"], [], task["cwd"])
               for colour, name in ((referee.BLACK, "black"), (referee.WHITE, "white"))}
    rule = referee.rule_from_info(spec.rule)
    board = referee.Board(spec.size)
    colour = referee.BLACK
    for x, y in spec.opening:
        board.put(x, y, colour)
        colour = referee.other(colour)
    tokens = ["%d,%d" % move for move in spec.opening]
    moves = list(spec.opening)
    result, reason = "1/2-1/2", "board full"
    told = {referee.BLACK: False, referee.WHITE: False}
    try:
        for engine in engines.values():
            engine.new_game(settings, task["start_timeout"])
        for budget in spec.budgets:
            if board.full():
                break
            engine = engines[colour]
            lines = ["INFO MAX_NODE %d" % budget]
            if told[colour]:
                lines.append("TURN %d,%d" % moves[-1])
            else:
                lines.append("BOARD")
                stone = referee.BLACK
                for x, y in moves:
                    lines.append("%d,%d,%d" % (x, y, 1 if stone == colour else 2))
                    stone = referee.other(stone)
                lines.append("DONE")
                told[colour] = True
            _, reply, info = engine.request_move(lines, task["move_timeout"])
            found = runner.MOVE_PATTERN.match(reply)
            searched = parse_info(info)
            if not found or searched is None:
                result, reason = "fault", "%s said %r after %r" % (engine.name, reply, info)
                break
            score, depth = searched
            if len(moves) == len(spec.opening) and decisive(score, task["balance"]):
                result, reason = "dropped", "the first search gives %s" % score
                break
            x, y = int(found.group(1)), int(found.group(2))
            if not board.inside(x, y) or board.at(x, y) != referee.EMPTY:
                result, reason = "fault", "%s played %d,%d" % (engine.name, x, y)
                break
            verdict = referee.judge_move(board, x, y, colour, rule)
            moves.append((x, y))
            tokens.append("%d,%d:%s:%d" % (x, y, score, depth))
            if verdict.outcome == "win":
                result, reason = ("1-0" if colour == referee.BLACK else "0-1"), "five"
                break
            if verdict.outcome == "loss":
                result, reason = ("0-1" if colour == referee.BLACK else "1-0"), verdict.reason
                break
            colour = referee.other(colour)
    except (runner.EngineFault, runner.EngineTimeout) as error:
        result, reason = "fault", str(error) or "no reply in time"
    finally:
        for engine in engines.values():
            engine.stop()
    return "\t".join([str(spec.index), str(spec.rule), str(len(spec.opening)), result, reason, " ".join(tokens)])


def read_journal(path):
    """The finished games of a journal, by index. A line cut off at the end
    (a job stopped while writing it) is cut from the file, so that the next
    game's line starts on a line of its own."""
    games = {}
    if not os.path.exists(path):
        return games
    whole = 0
    with open(path, "rb") as journal:
        for raw in journal:
            if not raw.endswith(b"\n"):
                break
            whole += len(raw)
            line = raw.decode("utf-8", "replace")
            fields = line.rstrip("\n").split("\t")
            if len(fields) == 6 and fields[0].isdigit() and fields[3] in RESULTS:
                games[int(fields[0])] = line
    if whole < os.path.getsize(path):
        os.truncate(path, whole)
    return games


def write_record(path, header, games, count):
    with open(path + ".tmp", "w", encoding="utf-8") as out:
        out.write(header + "\n")
        for index in range(count):
            if index in games:
                out.write(games[index])
    os.replace(path + ".tmp", path)


def positions_of(line):
    """The engines' moves of a record line: the positions it gives."""
    fields = line.rstrip("\n").split("\t")
    return len(fields[5].split()) - int(fields[2])


def summary(games):
    kept = sum(1 for line in games.values() if line.split("\t")[3] in RESULTS[:3])
    return kept, sum(positions_of(line) for line in games.values())


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", required=True, help="the engine's command line (one search thread)")
    parser.add_argument("--rule", type=int, choices=(0, 1, 2, 4), default=2)
    parser.add_argument("--size", type=int, default=15)
    parser.add_argument("--games", type=int, required=True, help="games of the job, numbered from 0")
    parser.add_argument("--nodes", type=int, default=12000, help="nodes a move (default 12000)")
    parser.add_argument("--jitter", type=float, default=0.1, help="largest change of a move's nodes, as a share")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--min-stones", type=int, default=3, help="stones of an opening, at least")
    parser.add_argument("--max-stones", type=int, default=6, help="stones of an opening, at most")
    parser.add_argument("--radius", type=int, default=3, help="how far from the centre an opening reaches")
    parser.add_argument("--balance", type=int, default=150,
                        help="a first search's score beyond this (or a win found) drops the game")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 2,
                        help="workers of the local cluster (default: every core)")
    parser.add_argument("--scheduler", help="the address of a running Dask scheduler to use instead")
    parser.add_argument("--out", required=True, help="the record to write")
    args = parser.parse_args(argv)
    if not 1 <= args.min_stones <= args.max_stones or (2 * args.radius + 1) ** 2 < args.max_stones:
        parser.error("the opening's stones must fit within --radius of the centre")
    if args.games < 1 or args.nodes < 1 or not 0 <= args.jitter < 1:
        parser.error("--games and --nodes take a whole number of at least 1, --jitter a share below 1")

    # Imported here: the module's functions run on workers that need no more.
    from dask.distributed import Client, LocalCluster, as_completed

    out = os.path.abspath(args.out)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    journal_path = out + ".part"
    header = ("# datagen: rule %d, size %d, seed %d, nodes %d, jitter %g, openings of %d-%d stones within %d, "
              "balance %d" % (args.rule, args.size, args.seed, args.nodes, args.jitter, args.min_stones,
                              args.max_stones, args.radius, args.balance))
    games = read_journal(journal_path)
    todo = [index for index in range(args.games) if index not in games]
    print("%d games, %d already played, %d to play" % (args.games, args.games - len(todo), len(todo)), flush=True)

    def task(index):
        spec = GameSpec(index, args.rule, args.size, args.seed, args.nodes, args.jitter,
                        args.min_stones, args.max_stones, args.radius)
        return {"spec": spec, "engine": args.engine, "cwd": os.getcwd(), "match_dir": MATCH_DIR,
                "balance": args.balance, "start_timeout": 60.0, "move_timeout": 600.0}

    cluster = None
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None)
        client = Client(cluster)
    started = time.monotonic()
    played = played_positions = 0
    try:
        # A few games a worker in flight: the queue stays short, and a job
        # stopped midway loses only those.
        in_flight = 4 * max(1, len(client.scheduler_info()["workers"]))
        pending = iter(todo)
        running = as_completed([client.submit(play_game, task(index), pure=False)
                                for index in [i for _, i in zip(range(in_flight), pending)]])
        with open(journal_path, "a", encoding="utf-8") as journal:
            for finished in running:
                line = finished.result() + "\n"
                journal.write(line)
                journal.flush()
                games[int(line.split("\t", 1)[0])] = line
                played += 1
                played_positions += positions_of(line)
                following = next(pending, None)
                if following is not None:
                    running.add(client.submit(play_game, task(following), pure=False))
                if played % 100 == 0:
                    kept, positions = summary(games)
                    print("%d games played in %.0f s; %d games kept, %d positions" %
                          (played, time.monotonic() - started, kept, positions), flush=True)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    write_record(out, header, games, args.games)
    kept, positions = summary(games)
    seconds = time.monotonic() - started
    print("%d games played in %.0f s, %d positions (%.0f an hour); the record holds %d games kept, %d positions: %s"
          % (played, seconds, played_positions, played_positions / max(seconds, 1e-9) * 3600, kept, positions, out),
          flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
