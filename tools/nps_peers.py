#!/usr/bin/env python3
"""Nodes per second of our engine and of Debian peer engines, measured one
engine after the other on the same positions; see tools/nps-peers.sh."""
import argparse, os, queue, re, shutil, statistics, subprocess, sys, tempfile, threading, time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
POSITIONS = [
    ("start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"),
    ("italian", "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"),
    ("middle", "r1b2rk1/2qnbppp/p2ppn2/1p6/3NP3/1BN1B3/PPP1QPPP/2KR3R w - - 0 12"),
    ("rook-end", "8/1R3pk1/6p1/7p/P6P/r5P1/6K1/8 b - - 0 40"),
]
UCI_COMMON = {"Hash": "128", "Ponder": "false", "OwnBook": "false"}
# Every engine gets one search thread, a 128 MB table, no book, no pondering.
# Phalanx has no fixed-time xboard command ("st" is only an average to it),
# so its think time goes on the command line (-f); -l- keeps it from writing
# a learning file. HoiChess prints totals of the whole search at verbosity 1.
PEERS = {
    "glaurung": dict(proto="uci", opts={"Threads": "1", **UCI_COMMON}),
    "toga2": dict(proto="uci", opts={"Number of Threads": "1", **UCI_COMMON}),
    "gnuchess": dict(proto="uci", args=["-u"], opts=UCI_COMMON),
    "hoichess": dict(proto="xboard", args=["--xboard"],
                     init=["book close", "hash size 128M", "cores 1", "easy", "verbose 1"]),
    "phalanx": dict(proto="xboard", args=["-b-", "-l-", "-p-", "-t131072", "-f{T}"], fixed_time=True),
}
XB_THINKING = re.compile(r"^\s*\d+\s+[-+]?\d+\s+(\d+)\s+(\d+)(\s|$)")  # ply score cs nodes pv
HOI_NODES = re.compile(r"^Info: nodes_total=(\d+)")
HOI_TIME = re.compile(r"^Info: searchtime=([\d.]+)")


class Failed(Exception):
    pass


class Engine:
    def __init__(self, cmd, cwd):
        self.proc = subprocess.Popen(cmd, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True, bufsize=1, errors="replace",
                                     start_new_session=True)  # its own group, to be killed whole
        self.lines = queue.Queue()
        threading.Thread(target=self._pump, daemon=True).start()

    def _pump(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\r\n"))
        self.lines.put(None)  # end of output: the process exited

    def send(self, *cmds):
        try:
            for c in cmds:
                self.proc.stdin.write(c + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            pass  # a dead engine is noticed by the reader

    def read_until(self, done, deadline):
        """Yields lines until done(line) is true; Failed on exit or past the deadline."""
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                raise Failed("hung")
            if line is None:
                self.proc.wait()
                raise Failed("crashed")
            yield line
            if done(line):
                return

    def kill(self):
        try:
            os.killpg(self.proc.pid, 9)
        except ProcessLookupError:
            pass
        self.proc.wait()

    def close(self):
        self.send("quit")
        try:
            self.proc.wait(timeout=2)
        except subprocess.TimeoutExpired:
            pass
        self.kill()  # also whatever it left running in its group


def field(words, name):
    try:
        return int(words[words.index(name) + 1])
    except (ValueError, IndexError):
        return None


def start(spec, cwd, think):
    eng = Engine([spec["bin"]] + [a.replace("{T}", str(think)) for a in spec.get("args", [])], cwd)
    try:
        handshake(eng, spec)
    except Failed:
        eng.kill()
        raise
    return eng


def handshake(eng, spec):
    limit = time.monotonic() + 15
    if spec["proto"] == "uci":
        eng.send("uci")
        for line in eng.read_until(lambda l: l == "uciok", limit):
            if line.startswith("id name "):
                spec["id"] = line[8:].strip()
        eng.send(*("setoption name %s value %s" % kv for kv in spec["opts"].items()), "isready")
        for _ in eng.read_until(lambda l: l == "readyok", limit):
            pass
    else:
        eng.send("xboard", "protover 2")
        for line in eng.read_until(lambda l: "done=1" in l, limit):
            m = re.search(r'myname="([^"]*)"', line)
            if m:
                spec["id"] = m.group(1)
        eng.send(*spec.get("init", []))


def search(eng, spec, fen, think):
    """One search of think seconds; returns (nodes, seconds) as the engine reports them."""
    nodes = secs = None
    limit = time.monotonic() + 2 * think + 10
    if spec["proto"] == "uci":
        eng.send("ucinewgame", "isready")
        for _ in eng.read_until(lambda l: l == "readyok", limit):
            pass
        eng.send("position fen " + fen, "go movetime %d" % (think * 1000))
        done = lambda l: l.startswith("bestmove")
    else:
        eng.send("new", "force", "setboard " + fen, "post")
        eng.send(*([] if spec.get("fixed_time") else ["st %d" % think]), "go")
        done = lambda l: l.startswith("move ")
    try:
        for line in eng.read_until(done, limit):
            w = line.split()
            if spec["proto"] == "uci":
                if w[:1] != ["info"] or w[1:2] == ["string"]:
                    continue
                n, t = field(w, "nodes"), field(w, "time")
                if n is not None and t:
                    nodes, secs = n, t / 1000
            elif XB_THINKING.match(line):
                m = XB_THINKING.match(line)
                if int(m.group(1)) > 0:
                    nodes, secs = int(m.group(2)), int(m.group(1)) / 100
            elif HOI_NODES.match(line):
                nodes = int(HOI_NODES.match(line).group(1))
            elif HOI_TIME.match(line):
                secs = float(HOI_TIME.match(line).group(1))
    except Failed as e:
        if str(e) != "hung":
            raise
        # Past the time and the margin: ask for the move once more, then give up.
        eng.send("stop" if spec["proto"] == "uci" else "?")
        for _ in eng.read_until(done, time.monotonic() + 5):
            pass
    if not nodes or not secs:
        raise Failed("no count")
    return nodes, secs


def find(name):
    return shutil.which(name, path=os.environ.get("PATH", "") + ":/usr/games:/usr/bin")


def install(names):
    """Installs the missing peers (package and program have the same name), all
    at once, or one by one when that fails, so one bad package costs only its row."""
    missing = [n for n in names if not find(n)]
    setup = os.path.join(REPO, "tools", "setup.sh")
    if missing:
        print("installing %s ..." % " ".join(missing), file=sys.stderr)
        if subprocess.run([setup] + missing, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode:
            for n in missing:
                subprocess.run([setup, n], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    ap = argparse.ArgumentParser(prog="tools/nps-peers.sh", description=__doc__)
    ap.add_argument("-e", default=os.path.join(REPO, "build", "corvane1"), metavar="PATH",
                    help="our engine (default build/corvane1)")
    ap.add_argument("-t", type=int, default=5, metavar="SECONDS", help="think time per position (default 5)")
    ap.add_argument("-p", metavar="FILE", help="positions, one FEN per line, '# label' after it optional")
    ap.add_argument("-only", metavar='"NAME ..."', help="engines to run: corvane " + " ".join(PEERS))
    a = ap.parse_args()
    positions = POSITIONS
    if a.p:
        with open(a.p) as f:
            rows = [l.split("#", 1) for l in f if l.strip() and not l.lstrip().startswith("#")]
        positions = [(r[1].strip() if len(r) > 1 and r[1].strip() else "pos%d" % (i + 1), r[0].strip())
                     for i, r in enumerate(rows)]
        if not positions:
            sys.exit("no position in " + a.p)
    ours = os.path.abspath(a.e)
    label = os.path.relpath(ours, REPO) if ours.startswith(REPO + os.sep) else ours
    engines = {label: dict(proto="uci", bin=ours, opts=UCI_COMMON, ours=True)}
    engines.update((k, dict(v)) for k, v in PEERS.items())
    if a.only:
        want = set(a.only.replace(",", " ").split())
        unknown = want - set(PEERS) - {"corvane"}
        if unknown:
            sys.exit("unknown engine(s): %s (known: corvane %s)" % (" ".join(sorted(unknown)), " ".join(PEERS)))
        engines = {k: v for k, v in engines.items() if (k if k in PEERS else "corvane") in want}

    if not engines:
        sys.exit("no engine to run")
    if a.t < 1:
        sys.exit("-t must be at least 1")
    install([n for n in engines if n in PEERS])
    for n in engines:
        if n in PEERS:
            engines[n]["bin"] = find(n)
    load = os.getloadavg()[0]
    results = {}
    # An empty scratch directory: no Corvaconfig.ini, no book, no engine's
    # learning or log files left anywhere else.
    with tempfile.TemporaryDirectory(prefix="nps-peers-") as cwd:
        for name, spec in engines.items():
            cells = results[name] = []
            ok = spec["bin"] is not None and os.access(spec["bin"], os.X_OK)
            eng = None
            for plabel, fen in positions:
                if not ok:
                    cells.append("n/a")
                    continue
                if eng is None:
                    try:
                        eng = start(spec, cwd, a.t)
                    except (Failed, OSError) as e:
                        print("%s: did not start (%s)" % (name, e), file=sys.stderr)
                        spec["id"] = "did not start"
                        ok = False
                        cells.append("n/a")
                        continue
                try:
                    nodes, secs = search(eng, spec, fen, a.t)
                    cells.append(nodes / secs)
                    print("%-16s %-10s %11d nodes %7.2f s  %.2fM nps"
                          % (name, plabel, nodes, secs, nodes / secs / 1e6), file=sys.stderr)
                except Failed as e:
                    cells.append(str(e))
                    print("%-16s %-10s %s" % (name, plabel, e), file=sys.stderr)
                    eng.kill()
                    eng = None  # a fresh process for the next position
            if eng:
                eng.close()
            if not ok and "id" not in spec:
                spec["id"] = "not available (not installed or not found)"

    print("\nNodes per second in millions: the engine's own node count and search time,")
    print("from the last report of each search (UCI 'info ... nodes N time MS'; xboard")
    print("thinking line 'ply score centiseconds nodes'; HoiChess its end-of-search totals).")
    print("%d s per position, one engine at a time, one thread, 128 MB hash, no book, no pondering;"
          % a.t)
    print("load average at the start %.2f (other work on the machine lowers the figures)." % load)
    for plabel, fen in positions:
        print("  %-10s %s" % (plabel, fen))
    width = max(len(k) for k in engines)
    cols = [p[0] for p in positions] + ["median"]
    cw = [max(8, len(c)) for c in cols]
    print("\n" + "engine".ljust(width) + "".join(c.rjust(w + 1) for c, w in zip(cols, cw)) + "  version")
    for name, cells in results.items():
        nums = [c for c in cells if isinstance(c, float)]
        cells = cells + [statistics.median(nums) if nums else "-"]
        text = ["%.2fM" % (c / 1e6) if isinstance(c, float) else c for c in cells]
        print(name.ljust(width) + "".join(t.rjust(w + 1) for t, w in zip(text, cw))
              + "  " + engines[name].get("id", "-"))


if __name__ == "__main__":
    main()
