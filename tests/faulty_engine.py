#!/usr/bin/env python3
"""An engine with a planted fault, for the tests of the match harness.

    faulty_engine.py FAULT N COMMAND [ARG ...]

Runs COMMAND (a real engine) and passes every line between it and the
interface, until the engine's N-th "move" line (N counts from 1); then the
fault takes over:

    illegal     the N-th move is sent reversed (to-square first), which the
                position does not allow
    exit        the program ends with status 0 in the middle of the game
    hang        nothing more is answered; the program stays alive
    crash       the program dies of a segmentation fault (status 139)
    crash-once:FILE
                as crash, but only when FILE does not exist yet (it is made
                then): the next start plays normally
    computer    dies of a segmentation fault on the first "computer" line
                (N is not used)
    computer-once:FILE
                as computer, but only when FILE does not exist yet (it is
                made then)
    sigint      keeps the default reaction to SIGINT, so the interface's
                first interrupt ends the program (status 130; N is not used)
"""
import os
import signal
import subprocess
import sys
import threading


def main():
    if len(sys.argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    fault, count, command = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    # The interface interrupts its engines with SIGINT; the engine behind
    # this one has its own reaction, this program has none.
    signal.signal(signal.SIGINT, signal.SIG_DFL if fault == "sigint" else signal.SIG_IGN)
    once = None
    for kind, armed in (("crash-once:", "crash"), ("computer-once:", "computer")):
        if fault.startswith(kind):
            once = fault[len(kind):]
            if os.path.exists(once):
                fault = "none"
            else:
                open(once, "w").close()
                fault = armed
    child = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             bufsize=0, preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_IGN))
    lock = threading.Lock()
    state = {"silent": False}

    def die(status):
        child.kill()
        sys.stdout.flush()
        if status == "segv":
            os.kill(os.getpid(), signal.SIGSEGV)
        os._exit(status)

    def forward_input():
        for line in sys.stdin.buffer:
            if fault == "computer" and line.strip() == b"computer":
                die("segv")
            with lock:
                if state["silent"]:
                    continue
            try:
                child.stdin.write(line)
                child.stdin.flush()
            except OSError:
                break
        try:
            child.stdin.close()
        except OSError:
            pass

    threading.Thread(target=forward_input, daemon=True).start()
    moves = 0
    for line in child.stdout:
        if line.startswith(b"move "):
            moves += 1
            if moves == count and fault in ("illegal", "exit", "hang", "crash"):
                if fault == "illegal":
                    text = line[5:].strip()
                    line = b"move " + text[2:4] + text[0:2] + b"\n"
                elif fault == "exit":
                    die(0)
                elif fault == "crash":
                    die("segv")
                else:
                    with lock:
                        state["silent"] = True
                    child.kill()
                    threading.Event().wait()
        sys.stdout.buffer.write(line)
        sys.stdout.buffer.flush()
    return child.wait()


if __name__ == "__main__":
    sys.exit(main())
