// One UCI engine process: started through the shell in its own process
// group (so that a wrapper and the engine behind it end together), its
// output cut into lines, each stamped with the time it arrived, and every
// line both ways written to the traffic log of the game being played.
'use strict';

const { spawn } = require('node:child_process');
const { performance } = require('node:perf_hooks');

class Engine {
  constructor(label, command, dir, traffic) {
    this.label = label;      // "ours" or "peer", in the traffic log
    this.command = command;
    this.dir = dir;
    this.traffic = traffic;  // (label, direction, text) => void
    this.child = null;
    this.queue = [];         // lines not taken yet: { at, text }, or { at, exit }
    this.waiter = null;
    this.exited = null;      // { code, signal } once the process ended
    this.options = [];       // option names from the hand-shake
    this.name = null;        // its "id name"
  }

  get running() {
    return this.child !== null && this.exited === null;
  }

  // Starts the process and makes the hand-shake; false when no "uciok"
  // came within `patience` milliseconds.
  async start(patience) {
    this.queue = [];
    this.exited = null;
    this.options = [];
    this.child = spawn('/bin/sh', ['-c', `exec ${this.command}`],
      { cwd: this.dir, detached: true, stdio: ['pipe', 'pipe', 'pipe'] });
    const child = this.child;
    child.stdin.on('error', () => {});  // a closed pipe shows as the exit
    let pending = '';
    // An engine started again: what its killed predecessor still had in
    // its pipe is dropped.
    child.stdout.on('data', (chunk) => {
      if (this.child !== child) return;
      const at = performance.now();
      pending += chunk.toString('latin1');
      const parts = pending.split('\n');
      pending = parts.pop();
      for (const raw of parts) this.arrive({ at, text: raw.replace(/\r$/, '') });
    });
    child.stderr.on('data', (chunk) => {
      if (this.child !== child) return;
      for (const text of chunk.toString('latin1').split('\n'))
        if (text !== '') this.traffic(this.label, '2>', text);
    });
    child.on('error', () => {});
    // What the process left in its group (the engine behind a wrapper) goes
    // with it, so that the pipes close and every line written is taken
    // before the exit is recorded.
    child.on('exit', () => {
      try { process.kill(-child.pid, 'SIGKILL'); } catch { /* none left */ }
    });
    child.on('close', (code, signal) => {
      if (this.child !== child) return;
      this.exited = { code, signal };
      this.traffic(this.label, '!!', `exited: ${describeExit(this.exited)}`);
      this.arrive({ at: performance.now(), exit: this.exited });
    });
    this.send('uci');
    const deadline = performance.now() + patience;
    for (;;) {
      const line = await this.next(deadline);
      if (line === null || line.exit) return false;
      const option = /^option\s+name\s+(.*?)\s+type\s/.exec(line.text);
      if (option) this.options.push(option[1]);
      const id = /^id\s+name\s+(.*\S)/.exec(line.text);
      if (id) this.name = id[1];
      if (line.text.trim() === 'uciok') return true;
    }
  }

  arrive(line) {
    if (line.text !== undefined) this.traffic(this.label, '<', line.text);
    this.queue.push(line);
    if (this.waiter) {
      const wake = this.waiter;
      this.waiter = null;
      wake();
    }
  }

  // Writes a line to the engine; returns the time (performance.now()) taken
  // right before the write, from which the engine may see it.
  send(text) {
    if (!this.running) return performance.now();
    this.traffic(this.label, '>', text);
    const at = performance.now();
    this.child.stdin.write(`${text}\n`);
    return at;
  }

  // The next line, or null when none came before `deadline` (a time from
  // performance.now()). After the process ended, its exit record is
  // returned once the lines before it are taken, and again on every call.
  async next(deadline = Infinity) {
    for (;;) {
      if (this.queue.length > 0) {
        const line = this.queue[0];
        if (!line.exit) this.queue.shift();
        return line;
      }
      const wait = deadline - performance.now();
      if (wait <= 0) return null;
      await new Promise((wake) => {
        const timer = wait === Infinity ? null : setTimeout(() => { this.waiter = null; wake(); }, wait);
        this.waiter = () => { if (timer) clearTimeout(timer); wake(); };
      });
    }
  }

  // Sends "isready" and takes the lines up to "readyok"; returns them, or
  // null when none came within `patience` milliseconds.
  async ready(patience) {
    this.send('isready');
    const deadline = performance.now() + patience;
    const lines = [];
    for (;;) {
      const line = await this.next(deadline);
      if (line === null || line.exit) return null;
      if (line.text.trim() === 'readyok') return lines;
      lines.push(line.text);
    }
  }

  kill() {
    if (this.running) {
      try { process.kill(-this.child.pid, 'SIGKILL'); } catch { /* already gone */ }
    }
  }

  // Ends the process: "quit", then a kill when it is still there after
  // `patience` milliseconds. Returns the exit record, or null when it had
  // to be killed.
  async quit(patience) {
    if (!this.running) return this.exited;
    this.send('quit');
    const deadline = performance.now() + patience;
    for (;;) {
      const line = await this.next(deadline);
      if (line === null) break;
      if (line.exit) return line.exit;
    }
    this.kill();
    await this.next(performance.now() + 2000);
    return null;
  }
}

function describeExit(exit) {
  return exit.signal ? `killed by ${exit.signal}` : `status ${exit.code}`;
}

module.exports = { Engine, describeExit };
