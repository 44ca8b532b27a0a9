#!/usr/bin/env node
// Plays UCI games between the engine under test (the first) and a peer (the
// second), keeps the clock itself from "go" (or "ponderhit") to "bestmove",
// and judges every line the engine under test prints with chess.js as the
// independent move generator. The peer is not judged: a game it spoils by
// crashing, hanging or playing an illegal move is played again.
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { parseArgs } = require('node:util');
const { performance } = require('node:perf_hooks');
const { Chess } = require('chess.js');
const { Engine, describeExit } = require('./engine');
const { playMove, legalIn, judgeSearch } = require('./judge');

const USAGE = `usage: tools/referee.sh -1 CMD -2 CMD [options]

  -1, --engine1 CMD   the engine under test (a shell command)
  -2, --engine2 CMD   the peer
  --dir1 DIR, --dir2 DIR  their working directories (default: the current one)
  -n, --games N       games, colours alternating, each opening played with
                      both colours (default 2)
  --tc BASE+INC       base time and increment per side in seconds (default 1+0.01)
  --margin MS         a move may exceed the time left by this much (default 0)
  --grace MS          no bestmove this long past the time left is a hang (default 5000)
  --opt1 NAME=VALUE   a "setoption" for the engine under test (repeatable;
                      NAME alone for a button); --opt2 for the peer
  --ponder            the engine under test ponders; --ponder2: the peer does
  --plies N           a game still going after N plies is drawn (default 300)
  --retries K         how often a game spoiled by the peer is played again (default 2)
  --mate-pv           a mate score must match the mate its pv shows
  -o, --out DIR       PGN and traffic log of each game, summary.txt
                      (default build/referee/DATE-TIME)

Exit status: 0 no fault of the engine under test, 1 a fault of it, 2 usage,
77 nothing judged (the peer could not start or spoiled every game).`;

// Short openings, each played with both colours.
const OPENINGS = [
  'e2e4 c7c5 g1f3 d7d6',
  'd2d4 d7d5 c2c4 e7e6',
  'e2e4 e7e6 d2d4 d7d5',
  'c2c4 e7e5 b1c3 g8f6',
  'e2e4 e7e5 g1f3 b8c6 f1b5 a7a6',
  'd2d4 g8f6 c2c4 g7g6 b1c3 f8g7',
  'e2e4 c7c6 d2d4 d7d5 b1c3 d5e4',
  'g1f3 d7d5 g2g3 g8f6 f1g2 c7c6',
].map((line) => line.split(' '));

const STARTUP_MS = 15000;  // from start to "uciok", and for each "readyok"
const STOP_MS = 1000;      // from "stop" after a hang to the kill
const QUIT_MS = 5000;

const now = () => performance.now();

function fail(message) {
  process.stderr.write(`${message ? `referee: ${message}\n` : ''}${USAGE}\n`);
  process.exit(2);
}

function readSettings(argv) {
  let values;
  try {
    ({ values } = parseArgs({
      args: argv,
      options: {
        engine1: { type: 'string', short: '1' }, engine2: { type: 'string', short: '2' },
        dir1: { type: 'string', default: '.' }, dir2: { type: 'string', default: '.' },
        games: { type: 'string', short: 'n', default: '2' }, tc: { type: 'string', default: '1+0.01' },
        margin: { type: 'string', default: '0' }, grace: { type: 'string', default: '5000' },
        opt1: { type: 'string', multiple: true, default: [] }, opt2: { type: 'string', multiple: true, default: [] },
        ponder: { type: 'boolean', default: false }, ponder2: { type: 'boolean', default: false },
        plies: { type: 'string', default: '300' }, retries: { type: 'string', default: '2' },
        'mate-pv': { type: 'boolean', default: false }, out: { type: 'string', short: 'o' },
        help: { type: 'boolean', short: 'h', default: false },
      },
    }));
  } catch (error) {
    fail(error.message);
  }
  if (values.help) fail('');
  if (!values.engine1 || !values.engine2) fail('both engines are needed (-1 and -2)');
  const whole = (name, least) => {
    const text = values[name];
    if (!/^\d+$/.test(text) || Number(text) < least) fail(`--${name} needs a whole number of at least ${least}`);
    return Number(text);
  };
  const tc = /^(\d+(?:\.\d+)?)\+(\d+(?:\.\d+)?)$/.exec(values.tc);
  if (!tc || Number(tc[1]) <= 0) fail('--tc needs BASE+INC in seconds, e.g. 1+0.01');
  for (const dir of [values.dir1, values.dir2])
    if (!fs.statSync(dir, { throwIfNoEntry: false })?.isDirectory()) fail(`no directory ${dir}`);
  const options = (list) => list.map((text) => {
    const at = text.indexOf('=');
    return at < 0 ? { name: text.trim() } : { name: text.slice(0, at).trim(), value: text.slice(at + 1).trim() };
  });
  const opt1 = options(values.opt1);
  const multiPV = opt1.find((o) => o.name.toLowerCase() === 'multipv');
  const stamp = new Date().toISOString().replace(/[-:]/g, '').replace('T', '-').slice(0, 15);
  // An engine runs in its own working directory: a program named by a
  // relative path is made absolute against the directory the referee was
  // started from.
  const absolute = (command) => command.replace(/^(\s*)([^\s/]*\/\S*)/,
    (all, blank, program) => blank + (path.isAbsolute(program) ? program : path.resolve(program)));
  return {
    engine1: absolute(values.engine1), engine2: absolute(values.engine2),
    dir1: path.resolve(values.dir1), dir2: path.resolve(values.dir2),
    games: whole('games', 1), baseMs: Number(tc[1]) * 1000, incMs: Number(tc[2]) * 1000, tc: values.tc,
    marginMs: whole('margin', 0), graceMs: whole('grace', 0),
    opt1, opt2: options(values.opt2), ponder1: values.ponder, ponder2: values.ponder2,
    plies: whole('plies', 1), retries: whole('retries', 0), checkMatePv: values['mate-pv'],
    multiPV: multiPV && /^\d+$/.test(multiPV.value ?? '') ? Math.max(1, Number(multiPV.value)) : 1,
    out: path.resolve(values.out ?? path.join(__dirname, '..', '..', 'build', 'referee', stamp)),
  };
}

// -- What is found ---------------------------------------------------------

const FAULTS = [
  ['time', 'forfeits on time'], ['move', 'illegal moves'], ['ponder', 'illegal ponder moves'],
  ['info', 'illegal info lines'], ['hang', 'hangs'], ['crash', 'crashes'], ['protocol', 'protocol errors'],
];
const QUOTED = 5;  // faulty lines quoted per kind

class Tally {
  constructor() {
    this.faults = Object.fromEntries(FAULTS.map(([kind]) => [kind, { count: 0, quotes: [] }]));
    this.infoJudged = 0;
    this.warnings = { count: 0, quotes: [] };
    this.complaints = new Set();  // once each, though an engine is started again
    this.spoiled = [];
    this.peerForfeits = 0;
    this.results = { win: 0, draw: 0, loss: 0 };
    // The clock of the engine under test: moves timed, time they used, the
    // most one used, and the least time it had left after a move.
    this.clock = { moves: 0, usedMs: 0, mostMs: 0, leastLeftMs: Infinity };
  }

  fault(kind, where, text) {
    const entry = this.faults[kind];
    entry.count++;
    if (entry.quotes.length < QUOTED) entry.quotes.push(`${where}: ${text}`);
    if (this.file) fs.appendFileSync(this.file, `${kind}: ${where}: ${text}\n`);
  }

  warn(where, text) {
    this.warnings.count++;
    if (this.warnings.quotes.length < QUOTED) this.warnings.quotes.push(`${where}: ${text}`);
  }

  get anyFault() {
    return FAULTS.some(([kind]) => this.faults[kind].count > 0);
  }
}

// -- A player: an engine process and how it is run -------------------------

class Player {
  constructor(label, command, dir, options, ponder, traffic) {
    this.label = label;
    this.ours = label === 'ours';
    this.engine = new Engine(label, command, dir, traffic);
    this.options = options;
    this.ponder = ponder;
    this.pondering = null;  // the ponder search under way
  }

  // Starts the engine when it is not running and sets its options; a
  // text saying what went wrong, or null.
  async prepare(tally) {
    if (this.engine.running) return null;
    if (!(await this.engine.start(STARTUP_MS))) {
      this.engine.kill();
      const exit = this.engine.exited;
      return `${this.label} engine (${this.engine.command}) could not be started: ` +
        (exit ? `it ended (${describeExit(exit)})` : `no "uciok" within ${STARTUP_MS} ms`);
    }
    for (const { name, value } of this.options)
      this.engine.send(value === undefined ? `setoption name ${name}` : `setoption name ${name} value ${value}`);
    if (this.ponder && this.engine.options.some((o) => o.toLowerCase() === 'ponder'))
      this.engine.send('setoption name Ponder value true');
    const answer = await this.engine.ready(STARTUP_MS);
    if (answer === null) return `${this.label} engine gave no "readyok" after its options`;
    for (const text of answer)
      if (/^info\s+string\s/.test(text)) tally.complaints.add(`${this.label}: ${text}`);
    return null;
  }
}

// -- One game -------------------------------------------------------------

class Game {
  constructor(settings, tally, players, number, attempt) {
    Object.assign(this, { settings, tally, number, attempt });
    this.oursWhite = number % 2 === 1;
    [this.ours, this.peer] = players;
    this.white = this.oursWhite ? this.ours : this.peer;
    this.black = this.oursWhite ? this.peer : this.ours;
    this.chess = new Chess();
    this.moves = [];
    this.clock = { w: settings.baseMs, b: settings.baseMs };
    this.end = null;  // { result, reason, spoiled }
  }

  // Where a fault was found: the game and the ply searched (a ponder
  // search is for the ply after the predicted move).
  where(ahead = 0) {
    const attempt = this.attempt > 1 ? ` try ${this.attempt}` : '';
    return `game ${this.number}${attempt}, ply ${this.moves.length + 1 + ahead}`;
  }

  positionCommand(extra = []) {
    const moves = [...this.moves, ...extra];
    return moves.length === 0 ? 'position startpos' : `position startpos moves ${moves.join(' ')}`;
  }

  goCommand(ponder) {
    const { w, b } = this.clock;
    const inc = Math.round(this.settings.incMs);
    return `go${ponder ? ' ponder' : ''} wtime ${Math.floor(w)} btime ${Math.floor(b)} winc ${inc} binc ${inc}`;
  }

  // Ends the game: `loser` is the player whose fault ends it; a fault of the
  // peer spoils the game instead.
  finish(result, reason, loser = null) {
    if (this.end) return;
    if (loser && !loser.ours) this.end = { result: '*', reason: `spoiled: ${reason}`, spoiled: true };
    else this.end = { result, reason, spoiled: false };
  }

  lose(player, reason) {
    const whiteLoses = player === this.white;
    this.finish(whiteLoses ? '0-1' : '1-0', reason, player);
  }

  // A new search of `player` from the position `fen`; "go" is sent by the
  // caller.
  search(player, fen, predicted = null) {
    return {
      player, root: fen, predicted, goAt: now(), clockFrom: now(), hitAt: null, stopAt: null,
      where: predicted === null ? this.where() : `${this.where(1)} (pondering on ${predicted})`,
      lines: [], multiPV: this.settings.multiPV, checkMatePv: this.settings.checkMatePv,
    };
  }

  // Takes the player's lines up to "bestmove" into the search; the
  // bestmove line, { exit } when the engine ended, or null when none came
  // before `deadline`.
  async awaitBestmove(search, deadline) {
    for (;;) {
      const line = await search.player.engine.next(deadline);
      if (line === null || line.exit) return line;
      if (/^bestmove(\s|$)/.test(line.text)) return line;
      search.lines.push(line);
    }
  }

  // Lines left from before a new "go", which belong to no search: a
  // search's lines end with its "bestmove" (a stray one would be taken as
  // the answer to the new "go").
  drainBefore(player) {
    const queue = player.engine.queue;
    while (queue.length > 0 && !queue[0].exit) {
      const { text } = queue.shift();
      if (player.ours && /^(bestmove(\s|$)|info\s+(?!string\s))/.test(text))
        this.tally.fault('protocol', this.where(), `a line after the search's bestmove: ${text}`);
    }
  }

  // Judges the lines of a finished search of our engine, its bestmove and
  // its ponder move; returns the bestmove and ponder move and whether each
  // is legal (the peer's are judged for legality only).
  judge(search, reply) {
    const words = reply.text.trim().split(/\s+/);
    const best = words[1] ?? '';
    const ponder = words[2] === 'ponder' ? words[3] ?? '' : null;
    const bestLegal = legalIn(search.root, best);
    let ponderLegal = false;
    if (bestLegal && ponder !== null) {
      const chess = new Chess(search.root);
      playMove(chess, best);
      ponderLegal = playMove(chess, ponder);
    }
    if (search.player.ours) {
      const { where } = search;
      const verdict = judgeSearch(search);
      this.tally.infoJudged += verdict.judged;
      for (const { text, why } of verdict.faults) this.tally.fault('info', where, `"${text}": ${why}`);
      for (const text of verdict.warnings) this.tally.warn(where, text);
      if (!bestLegal) this.tally.fault('move', where, `"${reply.text}" in ${search.root}`);
      if (bestLegal && ponder !== null && !ponderLegal)
        this.tally.fault('ponder', where, `"${reply.text}" in ${search.root}`);
      const answered = search.hitAt ?? search.stopAt;
      if (search.predicted !== null && (answered === null || reply.at < answered))
        this.tally.fault('protocol', where, `"${reply.text}" while pondering, before "ponderhit" or "stop"`);
    }
    return { best, ponder, bestLegal, ponderLegal };
  }

  // A player that gave no bestmove in time: "stop", then a kill.
  async hang(player, search, why) {
    player.engine.send('stop');
    // A bestmove after "stop" still leaves the engine out of step with the
    // game: it is ended either way and started afresh for the next game.
    await this.awaitBestmove(search, now() + STOP_MS);
    player.engine.kill();
    if (player.ours) this.tally.fault('hang', this.where(), why);
  }

  crash(player, exit) {
    const why = `${player.label} engine ended in the middle of the game: ${describeExit(exit)}`;
    if (player.ours) this.tally.fault('crash', this.where(), why);
    return why;
  }

  // Ends a ponder search that did not become the player's own: "stop" and
  // the bestmove, judged in the ponder position. False when the engine
  // hung or crashed on it (which loses a game still going).
  async stopPondering(player) {
    const search = player.pondering;
    player.pondering = null;
    search.stopAt = player.engine.send('stop');
    const reply = await this.awaitBestmove(search, search.stopAt + this.settings.graceMs);
    if (reply === null) {
      await this.hang(player, search, `no bestmove within ${this.settings.graceMs} ms of "stop" to a ponder search`);
      this.lose(player, `${player.label} engine hangs`);
      return false;
    }
    if (reply.exit) {
      this.lose(player, this.crash(player, reply.exit));
      return false;
    }
    this.judge(search, reply);
    return true;
  }

  // One move of `player` (the side to move).
  async turn(player, side) {
    let search;
    const last = this.moves[this.moves.length - 1];
    if (player.pondering && player.pondering.predicted === last) {
      search = player.pondering;
      player.pondering = null;
      search.hitAt = search.clockFrom = player.engine.send('ponderhit');
    } else {
      if (player.pondering && !(await this.stopPondering(player))) return;
      this.drainBefore(player);
      search = this.search(player, this.chess.fen());
      player.engine.send(this.positionCommand());
      search.goAt = search.clockFrom = player.engine.send(this.goCommand(false));
    }
    const left = this.clock[side];
    const reply = await this.awaitBestmove(search, search.clockFrom + Math.max(0, left) + this.settings.graceMs);
    if (reply === null) {
      await this.hang(player, search, `no bestmove within ${this.settings.graceMs} ms past the ${Math.round(left)} ms left`);
      this.lose(player, `${player.label} engine hangs`);
      return;
    }
    if (reply.exit) {
      this.lose(player, this.crash(player, reply.exit));
      return;
    }
    const used = Math.max(0, reply.at - search.clockFrom);
    const { best, ponder, bestLegal, ponderLegal } = this.judge(search, reply);
    if (!bestLegal) {
      this.lose(player, `${player.label} engine plays an illegal move: ${reply.text}`);
      return;
    }
    const colour = side === 'w' ? 'White' : 'Black';
    if (used > left + this.settings.marginMs) {
      const why = `${colour} forfeits on time: ${Math.round(used)} ms used with ${Math.round(left)} ms left`;
      if (player.ours) this.tally.fault('time', this.where(), why);
      else this.tally.peerForfeits++;
      this.finish(side === 'w' ? '0-1' : '1-0', why);
      return;
    }
    this.clock[side] = left - used + this.settings.incMs;
    if (player.ours) {
      const c = this.tally.clock;
      c.moves++;
      c.usedMs += used;
      c.mostMs = Math.max(c.mostMs, used);
      c.leastLeftMs = Math.min(c.leastLeftMs, left - used);
    }
    playMove(this.chess, best);
    this.moves.push(best);
    if (this.judgeEnd()) return;
    if (player.ponder && ponder !== null && ponderLegal) {
      const after = new Chess(this.chess.fen());
      playMove(after, ponder);
      if (after.moves().length > 0) {
        this.drainBefore(player);
        player.pondering = this.search(player, after.fen(), ponder);
        player.engine.send(this.positionCommand([ponder]));
        player.pondering.goAt = player.engine.send(this.goCommand(true));
      }
    }
  }

  // The end of the game by the rules, or by the ply limit; true when over.
  judgeEnd() {
    const c = this.chess;
    if (c.isCheckmate()) this.finish(c.turn() === 'w' ? '0-1' : '1-0', `${c.turn() === 'w' ? 'Black' : 'White'} mates`);
    else if (c.isStalemate()) this.finish('1/2-1/2', 'stalemate');
    else if (c.isInsufficientMaterial()) this.finish('1/2-1/2', 'insufficient material');
    else if (c.isThreefoldRepetition()) this.finish('1/2-1/2', 'threefold repetition');
    else if (c.isDrawByFiftyMoves()) this.finish('1/2-1/2', 'fifty-move rule');
    else if (this.moves.length >= this.settings.plies)
      this.finish('1/2-1/2', `adjudicated a draw after ${this.settings.plies} plies`);
    return this.end !== null;
  }

  async play(opening) {
    for (const player of [this.ours, this.peer]) {
      const trouble = await player.prepare(this.tally);
      if (trouble) {
        if (player.ours) this.tally.fault('crash', this.where(), trouble);
        this.lose(player, trouble);
        return this.end;
      }
      player.engine.send('ucinewgame');
      if ((await player.engine.ready(STARTUP_MS)) === null) {
        const why = `${player.label} engine gave no "readyok" after "ucinewgame"`;
        if (player.ours) this.tally.fault('hang', this.where(), why);
        player.engine.kill();
        this.lose(player, why);
        return this.end;
      }
    }
    for (const move of opening) {
      playMove(this.chess, move);
      this.moves.push(move);
    }
    while (!this.end) {
      const side = this.chess.turn();
      await this.turn(side === 'w' ? this.white : this.black, side);
    }
    // A ponder search still under way is stopped and judged; an engine
    // that crashed or hung is started afresh for the next game.
    for (const player of [this.ours, this.peer]) {
      if (player.pondering && player.engine.running) await this.stopPondering(player);
      player.pondering = null;
      if (this.end.spoiled && !player.ours) player.engine.kill();
    }
    return this.end;
  }

  pgn(names) {
    const chess = new Chess();
    for (const move of this.moves) playMove(chess, move);
    chess.setHeader('Event', 'CorvaneChess referee match');
    chess.setHeader('Site', os.hostname());
    chess.setHeader('Date', new Date().toISOString().slice(0, 10).replace(/-/g, '.'));
    chess.setHeader('Round', String(this.number));
    chess.setHeader('White', this.oursWhite ? names.ours : names.peer);
    chess.setHeader('Black', this.oursWhite ? names.peer : names.ours);
    chess.setHeader('Result', this.end.result);
    chess.setHeader('TimeControl', `${this.settings.baseMs / 1000}+${this.settings.incMs / 1000}`);
    chess.setComment(this.end.reason);
    // The move text wrapped at 79 columns.
    const [headers, text] = chess.pgn().split('\n\n');
    const lines = [''];
    for (const word of text.split(' ')) {
      const last = lines.length - 1;
      if (lines[last] === '') lines[last] = word;
      else if (lines[last].length + 1 + word.length <= 79) lines[last] += ` ${word}`;
      else lines.push(word);
    }
    return `${headers}\n\n${lines.join('\n')}\n\n`;
  }
}

// -- The match -------------------------------------------------------------

async function main() {
  const settings = readSettings(process.argv.slice(2));
  fs.mkdirSync(settings.out, { recursive: true });
  for (const name of fs.readdirSync(settings.out))
    if (/^(game-.*\.(pgn|log)|games\.pgn|summary\.txt|faults\.txt|setup\.log)$/.test(name)) fs.rmSync(path.join(settings.out, name));

  // The traffic of both engines goes to the log of the game being played.
  let log = fs.openSync(path.join(settings.out, 'setup.log'), 'w');
  let logStart = now();
  const traffic = (label, direction, text) => {
    fs.writeSync(log, `${(now() - logStart).toFixed(1).padStart(9)} ${label} ${direction} ${text}\n`);
  };
  const tally = new Tally();
  tally.file = path.join(settings.out, 'faults.txt');  // every fault, not only the first few
  const ours = new Player('ours', settings.engine1, settings.dir1, settings.opt1, settings.ponder1, traffic);
  const peer = new Player('peer', settings.engine2, settings.dir2, settings.opt2, settings.ponder2, traffic);
  const summary = [];
  const say = (text) => {
    summary.push(text);
    process.stdout.write(`${text}\n`);
  };
  say(`referee: ${settings.games} game(s), ${settings.tc} s, margin ${settings.marginMs} ms, ` +
      `ponder ${settings.ponder1 ? 'on' : 'off'}, output in ${settings.out}`);
  say(`ours: ${settings.engine1}${settings.opt1.length ? ` (${settings.opt1.map((o) => o.value === undefined ? o.name : `${o.name}=${o.value}`).join(', ')})` : ''}`);
  say(`peer: ${settings.engine2}`);

  // A peer that cannot start leaves nothing to judge; an engine of ours
  // that cannot start is a fault.
  const peerTrouble = await peer.prepare(tally);
  let status;
  if (peerTrouble) {
    say(`nothing judged: ${peerTrouble}`);
    status = 77;
  } else {
    const oursTrouble = await ours.prepare(tally);
    if (oursTrouble) tally.fault('crash', 'start', oursTrouble);
    const names = { ours: ours.engine.name ?? 'ours', peer: peer.engine.name ?? 'peer' };
    let judged = 0;
    for (let number = 1; number <= settings.games && !oursTrouble; number++) {
      const opening = OPENINGS[Math.floor((number - 1) / 2) % OPENINGS.length];
      for (let attempt = 1; ; attempt++) {
        const base = `game-${String(number).padStart(2, '0')}${attempt > 1 ? `-try${attempt}` : ''}`;
        fs.closeSync(log);
        log = fs.openSync(path.join(settings.out, `${base}.log`), 'w');
        logStart = now();
        const game = new Game(settings, tally, [ours, peer], number, attempt);
        const end = await game.play(opening);
        const pgn = game.pgn(names);
        fs.writeFileSync(path.join(settings.out, `${base}.pgn`), pgn);
        fs.appendFileSync(path.join(settings.out, 'games.pgn'), pgn);
        const colour = game.oursWhite ? 'white' : 'black';
        let verdict = 'spoiled by the peer';
        if (!end.spoiled) {
          judged++;
          const score = end.result === '1/2-1/2' ? 'draw' : (end.result === '1-0') === game.oursWhite ? 'win' : 'loss';
          tally.results[score]++;
          verdict = `ours ${score === 'win' ? 'wins' : score === 'loss' ? 'loses' : 'draws'}`;
        } else {
          tally.spoiled.push(`game ${number} try ${attempt}: ${end.reason.replace(/^spoiled: /, '')}`);
        }
        say(`game ${number}${attempt > 1 ? ` try ${attempt}` : ''}: ours ${colour}, ${game.moves.length} plies, ` +
            `${end.result} {${end.reason}} ${verdict}`);
        if (!end.spoiled || attempt > settings.retries) break;
      }
    }
    const { win, draw, loss } = tally.results;
    say(`ours: ${judged} game(s) judged: ${win} wins, ${draw} draws, ${loss} losses; ${tally.infoJudged} info lines judged`);
    for (const [kind, label] of FAULTS) {
      const { count, quotes } = tally.faults[kind];
      say(`ours: ${label}: ${count}`);
      for (const quote of quotes) say(`  ${quote}`);
    }
    const c = tally.clock;
    if (c.moves > 0)
      say(`ours: clock, time per move ${(c.usedMs / c.moves).toFixed(1)} ms on average over ${c.moves} moves, ` +
          `at most ${Math.round(c.mostMs)} ms; least time left after a move ${Math.round(c.leastLeftMs)} ms`);
    for (const complaint of tally.complaints) say(`option complaint (recorded): ${complaint}`);
    if (tally.warnings.count > 0) {
      say(`warnings: ${tally.warnings.count}`);
      for (const quote of tally.warnings.quotes) say(`  ${quote}`);
    }
    say(`peer: spoiled games: ${tally.spoiled.length}`);
    for (const text of tally.spoiled) say(`  ${text}`);
    say(`peer: forfeits on time: ${tally.peerForfeits}`);

    fs.closeSync(log);
    log = fs.openSync(path.join(settings.out, 'setup.log'), 'a');
    for (const player of [ours, peer]) {
      const running = player.engine.running;
      const exit = await player.engine.quit(QUIT_MS);
      if (player.ours && running && (exit === null || exit.code !== 0)) {
        const why = exit === null ? `no exit within ${QUIT_MS} ms of "quit"` : `ended ${describeExit(exit)} on "quit"`;
        tally.fault(exit === null ? 'hang' : 'crash', 'quit', why);
        say(`ours: ${why}`);
      }
    }
    if (tally.anyFault) status = 1;
    else if (judged === 0) status = 77;
    else status = 0;
    say(status === 1 ? 'verdict: faults of ours (exit 1)'
      : status === 77 ? 'nothing judged: the peer spoiled every game (exit 77)' : 'verdict: no fault of ours (exit 0)');
  }
  ours.engine.kill();
  peer.engine.kill();
  fs.closeSync(log);
  fs.writeFileSync(path.join(settings.out, 'summary.txt'), `${summary.join('\n')}\n`);
  process.exit(status);
}

main().catch((error) => {
  process.stderr.write(`referee: ${error.stack}\n`);
  process.exit(2);
});
