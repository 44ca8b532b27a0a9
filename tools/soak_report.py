#!/usr/bin/env python3
"""Sums up a soak of matches played by tools/soak.sh.

    tools/soak_report.py DIR

DIR holds one directory per match, named TC-corvaneN-OPPONENT-PONDER (as
tools/soak.sh names them), each with the games.pgn, summary.txt,
xboard.debug and engine exit records of tools/match.sh. Prints wins, draws
and losses of our engine with the score and its 95 % interval (Wilson, draws
as half points) per opponent, per program and per time control, every
abnormal end of our engine that match.sh reported, every protocol complaint
in the logs (an "Error" or "Illegal move" line between xboard and our
engine, or a move xboard refused), and, on their own lines, the peers'
crashes (whose tries match.sh played again) and the matches left unjudged
because the peer crashed in every try.
"""
import math
import os
import re
import sys

Z = 1.96


def interval(points, games):
    if games == 0:
        return 0.0, 0.0
    p = points / games
    denom = 1 + Z * Z / games
    centre = (p + Z * Z / (2 * games)) / denom
    half = Z * math.sqrt(p * (1 - p) / games + Z * Z / (4 * games * games)) / denom
    return max(0.0, centre - half), min(1.0, centre + half)


def games_of(pgn_path):
    """Yields (our colour, result) for each game of a match file."""
    white = black = result = None
    for line in open(pgn_path, errors="replace"):
        m = re.match(r'\[(White|Black|Result) "(.*)"\]', line)
        if not m:
            continue
        if m.group(1) == "White":
            white = m.group(2)
        elif m.group(1) == "Black":
            black = m.group(2)
        else:
            result = m.group(2)
            ours = "white" if white and white.startswith("Corvane") else "black"
            yield ours, result


def main(argv):
    if len(argv) != 1 or not os.path.isdir(argv[0]):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = argv[0]
    tables = {"opponent": {}, "program": {}, "time control": {}}
    abnormal = []
    complaints = []
    peer_crashes = []
    unjudged = []
    total = 0
    for name in sorted(os.listdir(root)):
        match = os.path.join(root, name)
        parts = name.split("-")
        if not os.path.isdir(match) or len(parts) != 4:
            continue
        tc, program, opponent, ponder = parts
        pgn = os.path.join(match, "games.pgn")
        if os.path.exists(pgn):
            for ours, result in games_of(pgn):
                total += 1
                if result == "1/2-1/2":
                    outcome = 1
                elif result in ("1-0", "0-1"):
                    outcome = 2 if (result == "1-0") == (ours == "white") else 0
                else:
                    outcome = None
                    abnormal.append(f"{name}: a game without a result ({result})")
                for kind, key in (("opponent", opponent), ("program", program), ("time control", tc)):
                    row = tables[kind].setdefault(key, [0, 0, 0])
                    if outcome is not None:
                        row[2 - outcome] += 1
        summary = os.path.join(match, "summary.txt")
        if os.path.exists(summary):
            for line in open(summary, errors="replace"):
                if "ABNORMAL" in line or "abnormal end" in line or "failed" in line:
                    abnormal.append(f"{name}: {line.strip()}")
                elif line.startswith("peer crash:"):
                    peer_crashes.append(f"{name}: {line.strip()}")
                elif line.startswith("nothing judged"):
                    unjudged.append(f"{name}: {line.strip()}")
        else:
            abnormal.append(f"{name}: no summary (match unfinished)")
        debug = os.path.join(match, "xboard.debug")
        if os.path.exists(debug):
            for line in open(debug, errors="replace"):
                if re.search(r"[<>]first ?: (Error|Illegal move|tellusererror)", line) or \
                        re.search(r"Illegal move.*first|first.*illegal", line, re.I):
                    complaints.append(f"{name}: {line.strip()}")

    print(f"{total} games")
    for kind, rows in tables.items():
        print(f"\nby {kind}:")
        print(f"  {'':10} {'W':>4} {'D':>4} {'L':>4}  score   95 % interval")
        for key in sorted(rows):
            w, d, l = rows[key]
            n = w + d + l
            points = w + d / 2
            lo, hi = interval(points, n)
            print(f"  {key:10} {w:4} {d:4} {l:4}  {100 * points / max(n, 1):5.1f} %  {100 * lo:5.1f} to {100 * hi:5.1f} %")
    print(f"\nabnormal ends: {len(abnormal)}")
    for line in abnormal:
        print("  " + line)
    print(f"protocol complaints: {len(complaints)}")
    for line in complaints[:50]:
        print("  " + line)
    print(f"peer crashes (not ours; those tries were played again): {len(peer_crashes)}")
    for line in peer_crashes:
        print("  " + line)
    if unjudged:
        print(f"matches not judged, the peer crashed in every try: {len(unjudged)}")
        for line in unjudged:
            print("  " + line)
    return 1 if abnormal or complaints else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
