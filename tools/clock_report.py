#!/usr/bin/env python3
"""Time used per move against the allotment, from xboard debug logs.

    tools/clock_report.py [--second] [--uci] XBOARD.DEBUG ...

Reads the protocol log of matches played by tools/match.sh, where our engine
is the first engine (--second: the second). For every searched move it pairs
the "time" xboard sent before it with the engine's summary line ("nodes:..
nps:.. time:CS") and recomputes the allotment and the hard limit the engine
derived from its clock (increment clocks and "level M T INC" with M moves per
period), then prints per log and in total: the moves, time used over
allotment (mean and largest), the moves past the hard limit and by how much,
and the least time the engine's clock held. Book moves have no summary line
and are not counted, nor are the summaries of ponder searches.

With --uci the engine played in UCI mode through polyglot, which prints no
summary line: the time a move used is then read from the log's millisecond
stamps, from the last line xboard sent the engine before its move to the
move itself (what the clock charges), and book moves are counted too.
"""
import re
import sys

RESERVE = 300  # centiseconds kept back on the clock


def allotment(t, inc, moves_per_period, moves_made, ponder):
    if t <= RESERVE:
        return 0, 0
    if moves_per_period == 0:
        allot = 6 * (inc // 10) + (t - RESERVE) // 68 + (t * ponder) // 128
        hard = (inc + t - RESERVE) // 6
    else:
        to_go = moves_per_period + 1 - moves_made % moves_per_period
        allot = 4 * ((t - RESERVE) // to_go + (t * ponder) // 128) // 7
        if (moves_made + 1) % moves_per_period == 0:
            return t, t - RESERVE
        hard = (t - RESERVE) // 2
    return allot, min(hard, t - RESERVE)


def parse_seconds(text):
    if ":" in text:
        m, s = text.split(":", 1)
        return int(m) * 60 + float(s)
    return float(text) * 60


def scan(path, who, uci=False):
    rows = []
    last_sent = None
    inc = 0
    per_period = 0
    ponder = 0
    clock = None
    made = 0
    pondered = False
    send = re.compile(r"^(\d+) >%s ?: (.*)" % who)
    recv = re.compile(r"^(\d+) <%s ?: (.*)" % who)
    for line in open(path, errors="replace"):
        m = send.search(line)
        if m:
            last_sent = int(m.group(1))
            cmd = m.group(2).strip()
            if cmd.startswith("level "):
                parts = cmd.split()
                if len(parts) >= 4:
                    per_period = int(parts[1])
                    inc = int(round(float(parts[3]) * 100)) if per_period == 0 else int(parse_seconds(parts[2]) / 60)
            elif cmd.startswith("time "):
                clock = int(cmd.split()[1])
            elif cmd == "hard":
                ponder = 1
            elif cmd == "easy":
                ponder = 0
            elif cmd == "new":
                made = 0
            continue
        m = recv.search(line)
        if not m:
            continue
        reply = m.group(2)
        if uci:
            if reply.startswith("move ") and clock is not None and last_sent is not None:
                allot, hard = allotment(clock, inc, per_period, made, ponder)
                rows.append((clock, allot, hard, (int(m.group(1)) - last_sent) // 10))
                clock = None
            if reply.startswith("move "):
                made += 1
            continue
        # A ponder search ends with its own summary, on the opponent's time.
        if reply.startswith("ponder stopped"):
            pondered = True
            continue
        s = re.match(r"nodes:\d+ nps:\d+ time:(\d+)", reply)
        if s and pondered:
            pondered = False
            continue
        if s and clock is not None:
            allot, hard = allotment(clock, inc, per_period, made, ponder)
            rows.append((clock, allot, hard, int(s.group(1))))
            clock = None
        if reply.startswith("move "):
            made += 1
    return rows


def report(name, rows):
    if not rows:
        print(f"{name}: no searched moves")
        return
    ratios = [u / a for (_, a, _, u) in rows if a > 0]
    over = [(u - h) for (_, _, h, u) in rows if u > h]
    least = min(t for (t, _, _, _) in rows)
    mean_used = sum(u for (_, _, _, u) in rows) / len(rows)
    mean_allot = sum(a for (_, a, _, _) in rows) / len(rows)
    line = (f"{name}: {len(rows)} moves, used/allotment mean {sum(ratios) / max(len(ratios), 1):.2f} "
            f"largest {max(ratios, default=0):.2f}, mean used {mean_used / 100:.2f} s of "
            f"{mean_allot / 100:.2f} s allotted, past the hard limit {len(over)}")
    if over:
        line += f" (by at most {max(over) / 100:.2f} s)"
    line += f", least clock {least / 100:.2f} s"
    print(line)


def main(argv):
    who = "first"
    uci = False
    while argv and argv[0] in ("--second", "--uci"):
        if argv[0] == "--second":
            who = "second"
        else:
            uci = True
        argv = argv[1:]
    if not argv:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    everything = []
    for path in argv:
        rows = scan(path, who, uci)
        report(path, rows)
        everything += rows
    if len(argv) > 1:
        report("total", everything)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
