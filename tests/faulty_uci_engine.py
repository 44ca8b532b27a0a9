#!/usr/bin/env python3
"""A UCI engine with a planted fault, for the tests of the referee.

    faulty_uci_engine.py FAULT N COMMAND [ARG ...]

Runs COMMAND (a real engine) and passes every line between it and the
interface; from its N-th search on (the N-th "go", counted from 1; ponder
searches count), the fault is planted once, in the first search where it
can be:

    none        nothing is changed
    stale-pv    the first info line with a pv gets the pv of the last line
                of the search before, whose moves are illegal now
    bestmove    the bestmove is sent reversed (to-square first), which the
                position does not allow
    ponder      the ponder move is the bestmove again, which cannot be
                played after it
    nps         the nps of a line with a time of 100 ms or more is counted
                as if the clock had restarted halfway through the search
    hang        nothing more is answered; the program stays alive
    crash       the program dies of a segmentation fault on the "go"
    slow        the bestmove is held until 300 ms after the engine's clock
                has run out
    FAULT@FILE  as FAULT, but only when FILE does not exist yet (it is made
                then), so that the next start plays cleanly

The faults of "bestmove", "ponder" and "slow" go into a search that ends by
itself or by "ponderhit", not into a ponder search ended by "stop".
"""
import os
import re
import signal
import subprocess
import sys
import threading
import time


def millis():
    return time.monotonic() * 1000.0


def field(words, name):
    """The number after `name` in a list of words, or None."""
    try:
        return int(words[words.index(name) + 1])
    except (ValueError, IndexError):
        return None


def replace_field(line, name, value):
    return re.sub(rf"\b{name} -?\d+", f"{name} {value}", line, count=1)


class Search:
    def __init__(self, number, white_to_move, go_words):
        self.number = number
        self.started = millis()
        self.ponder = "ponder" in go_words
        clock = field(go_words, "wtime" if white_to_move else "btime")
        self.clock = clock if clock is not None else 0
        self.hit = None      # when "ponderhit" came
        self.stopped = False
        self.infos = 0       # info lines with a depth seen
        self.last_pv = None


def main():
    args = sys.argv[1:]
    if len(args) < 3:
        sys.stderr.write(__doc__)
        return 2
    fault, count, command = args[0], int(args[1]), args[2:]
    if "@" in fault:
        fault, once = fault.split("@", 1)
        if os.path.exists(once):
            fault = "none"
        else:
            open(once, "w").close()
    child = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
    lock = threading.Lock()
    state = {"search": None, "searches": 0, "white": True, "planted": False, "silent": False,
             "previous_pv": None}

    def armed(search):
        return fault != "none" and not state["planted"] and search is not None and search.number >= count

    def die():
        child.kill()
        sys.stdout.flush()
        os.kill(os.getpid(), signal.SIGSEGV)

    def forward_input():
        for line in sys.stdin:
            words = line.split()
            with lock:
                if state["silent"]:
                    continue
                if words[:1] == ["position"]:
                    # The side to move: White after an even number of moves
                    # from the start position, or from a FEN's side field.
                    moves = words[words.index("moves") + 1:] if "moves" in words else []
                    white = True
                    if len(words) > 2 and words[1] == "fen":
                        white = words[3] == "w"
                    state["white"] = white == (len(moves) % 2 == 0)
                elif words[:1] == ["go"]:
                    state["searches"] += 1
                    if state["search"] is not None and state["search"].last_pv is not None:
                        state["previous_pv"] = state["search"].last_pv
                    search = Search(state["searches"], state["white"], words)
                    state["search"] = search
                    if armed(search) and fault == "hang":
                        state["planted"] = state["silent"] = True
                        child.kill()
                        continue
                    if armed(search) and fault == "crash":
                        die()
                elif words == ["ponderhit"] and state["search"] is not None:
                    state["search"].hit = millis()
                elif words == ["stop"] and state["search"] is not None:
                    state["search"].stopped = True
            try:
                child.stdin.write(line.encode())
                child.stdin.flush()
            except OSError:
                break
        try:
            child.stdin.close()
        except OSError:
            pass

    threading.Thread(target=forward_input, daemon=True).start()
    for raw in child.stdout:
        line = raw.decode("latin-1").rstrip("\r\n")
        words = line.split()
        delay = 0.0
        with lock:
            if state["silent"]:
                break
            search = state["search"]
            own = search is not None and not (search.ponder and search.hit is None and search.stopped)
            if words[:1] == ["info"] and "depth" in words and search is not None:
                search.infos += 1
                if "pv" in words and armed(search) and fault == "stale-pv" and state["previous_pv"]:
                    line = line[:line.index(" pv ")] + " pv " + state["previous_pv"]
                    state["planted"] = True
                t, nodes = field(words, "time"), field(words, "nodes")
                if armed(search) and fault == "nps" and t is not None and t >= 100 and nodes is not None:
                    line = replace_field(line, "nps", nodes * 1000 // max(1, t - t // 2))
                    state["planted"] = True
                if "pv" in words:
                    search.last_pv = " ".join(words[words.index("pv") + 1:])
            elif words[:1] == ["bestmove"] and len(words) >= 2 and armed(search) and own:
                best = words[1]
                if fault == "bestmove":
                    line = "bestmove " + best[2:4] + best[0:2] + best[4:]
                    state["planted"] = True
                elif fault == "ponder":
                    line = f"bestmove {best} ponder {best}"
                    state["planted"] = True
                elif fault == "slow":
                    start = search.hit if search.hit is not None else search.started
                    delay = max(0.0, (start + search.clock + 300 - millis()) / 1000.0)
                    state["planted"] = True
        time.sleep(delay)
        sys.stdout.write(line + "\n")
        sys.stdout.flush()
    if state["silent"]:
        threading.Event().wait()
    return child.wait()


if __name__ == "__main__":
    sys.exit(main())
