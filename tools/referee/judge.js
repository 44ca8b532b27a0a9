// The checks on what an engine prints during one search: its "info" lines,
// judged against the position of the "go" with chess.js as the move
// generator, and its "bestmove" and "ponder" moves.
'use strict';

const { Chess } = require('chess.js');

const MOVE_WORD = /^[a-h][1-8][a-h][1-8][qrbn]?$/;
const NUMBER = /^-?\d+$/;
// The words of an info line; a move list runs up to the next of them.
const INFO_WORDS = new Set(['depth', 'seldepth', 'time', 'nodes', 'pv', 'multipv', 'score', 'currmove',
  'currmovenumber', 'hashfull', 'nps', 'tbhits', 'sbhits', 'cpuload', 'string', 'refutation', 'currline']);
const NUMBER_WORDS = ['depth', 'seldepth', 'time', 'nodes', 'multipv', 'currmovenumber', 'hashfull', 'nps',
  'tbhits', 'sbhits', 'cpuload'];
// An engine's "time" may lag the referee's clock (it starts on reading
// "go"), never lead it by more than a clock step.
const TIME_SLACK_MS = 25;
// An nps may come from a finer clock than the printed time: it is judged
// against the times one centisecond either side, and 2 % more.
const NPS_CLOCK_STEP_MS = 10;
const NPS_SLACK = 0.02;
// No evaluation reaches a hundred pawns: a score beyond is a mate.
const MATE_AS_CP = 10000;

// Plays a move in coordinate notation (e2e4, e7e8q) if it is legal; true
// when it was. A promotion must name its piece, and only a promotion may.
function playMove(chess, word) {
  if (!MOVE_WORD.test(word)) return false;
  let played;
  try {
    played = chess.move({ from: word.slice(0, 2), to: word.slice(2, 4), promotion: word[4] });
  } catch {
    return false;
  }
  if ((played.promotion !== undefined) !== (word.length === 5)) {
    chess.undo();
    return false;
  }
  return true;
}

// Is the move legal in the position `fen`?
function legalIn(fen, word) {
  return playMove(new Chess(fen), word);
}

// The fields of an info line: numbers as strings (checked later), the score,
// and the move lists.
function parseInfo(text) {
  const words = text.trim().split(/\s+/).slice(1);
  const info = {};
  for (let i = 0; i < words.length;) {
    const word = words[i++];
    if (word === 'string') {
      info.string = words.slice(i).join(' ');
      break;
    } else if (word === 'score') {
      info.score = { kind: words[i++], value: words[i++] };
      while (words[i] === 'lowerbound' || words[i] === 'upperbound') info.score.bound = words[i++];
    } else if (word === 'pv' || word === 'refutation' || word === 'currline') {
      const moves = [];
      while (i < words.length && !INFO_WORDS.has(words[i])) moves.push(words[i++]);
      info[word] = moves;
    } else if (INFO_WORDS.has(word)) {
      info[word] = words[i++];
    } else {
      (info.unknown ??= []).push(word);
    }
  }
  return info;
}

// Plays a line from `fen`; returns the index of the first illegal move (-1
// when all are legal) and the position reached.
function playLine(fen, moves) {
  const chess = new Chess(fen);
  for (let i = 0; i < moves.length; i++) {
    if (!playMove(chess, moves[i])) return { illegalAt: i, chess };
  }
  return { illegalAt: -1, chess };
}

// The plies after which a line that scores "mate N" delivers mate.
function matePlies(n) {
  return n > 0 ? 2 * n - 1 : -2 * n;
}

// What is wrong with one info line (strings; empty when nothing is), given
// what this search printed before it (`state`, updated) and the search.
function judgeInfo(info, search, at, state, warnings) {
  const faults = [];
  for (const word of NUMBER_WORDS)
    if (info[word] !== undefined && !NUMBER.test(info[word])) faults.push(`${word} is not a number: ${info[word]}`);
  if (faults.length > 0) return faults;
  const n = (word) => (info[word] === undefined ? undefined : Number(info[word]));

  const depth = n('depth');
  let line = null;
  if (info.pv !== undefined) {
    if (info.pv.length === 0) faults.push('pv without moves');
    line = playLine(search.root, info.pv);
    if (line.illegalAt >= 0)
      faults.push(`pv move ${info.pv[line.illegalAt]} (ply ${line.illegalAt + 1}) is illegal`);
  }

  const multipv = n('multipv');
  if (multipv !== undefined) {
    const first = info.pv?.[0];
    const block = state.block;
    if (multipv < 1 || multipv > search.multiPV) {
      faults.push(`multipv ${multipv} outside 1..${search.multiPV}`);
    } else if (multipv === 1) {
      state.block = { depth, firsts: [first] };
    } else if (!block || block.depth !== depth || block.firsts.length !== multipv - 1) {
      faults.push(`multipv ${multipv} does not follow lines 1..${multipv - 1} of depth ${depth}`);
      state.block = null;
    } else if (first !== undefined && block.firsts.includes(first)) {
      faults.push(`multipv ${multipv} starts with ${first} as line ${block.firsts.indexOf(first) + 1} does`);
    } else {
      block.firsts.push(first);
    }
  }

  if (info.score !== undefined) {
    const { kind, value, bound } = info.score;
    if ((kind !== 'cp' && kind !== 'mate') || !NUMBER.test(value ?? '')) {
      faults.push(`score is neither "cp N" nor "mate N": ${kind} ${value}`);
    } else if (kind === 'mate' && Number(value) === 0) {
      faults.push('score mate 0');
    } else if (search.checkMatePv && bound === undefined && line !== null && line.illegalAt < 0) {
      // A line that ends in mate must be scored as a mate of the side that
      // gives it. Its length may differ from the score's: the line follows
      // the moves stored in the table, which need not be the longest
      // defence or the shortest mate the search proved; that is only
      // remarked on.
      const plies = info.pv.length;
      if (kind === 'mate') {
        const needed = matePlies(Number(value));
        if (line.chess.isCheckmate()) {
          if (plies % 2 !== needed % 2) faults.push(`score mate ${value} but the pv ends in the other side's mate after ${plies} plies`);
          else if (plies !== needed) warnings.push(`score mate ${value} but the pv mates after ${plies} plies`);
        } else if (plies >= needed) {
          warnings.push(`score mate ${value} but the pv does not mate after ${needed} plies`);
        } else {
          warnings.push(`mate ${value} with a pv of ${plies} plies that does not end in mate`);
        }
      } else if (line.chess.isCheckmate()) {
        // A line can run past what the search has proven (its tail from the
        // table or the capture search), so a mate at its end with a modest
        // score is only remarked on; a hundred pawns or more is a mate
        // shown as centipawns.
        const why = `score cp ${value} but the pv ends in checkmate after ${plies} plies`;
        if (Math.abs(Number(value)) >= MATE_AS_CP) faults.push(why);
        else warnings.push(why);
      }
    }
  }

  const time = n('time');
  if (time !== undefined) {
    const elapsed = at - search.goAt;
    if (state.time !== undefined && time < state.time) faults.push(`time ${time} after time ${state.time}`);
    if (time > elapsed + TIME_SLACK_MS)
      faults.push(`time ${time} beyond the ${Math.round(elapsed)} ms since "go"`);
    state.time = time;
  }
  const nodes = n('nodes');
  const nps = n('nps');
  if (time !== undefined && time >= 100 && nodes !== undefined && nps !== undefined) {
    const low = (nodes * 1000) / (time + NPS_CLOCK_STEP_MS) * (1 - NPS_SLACK);
    const high = (nodes * 1000) / (time - NPS_CLOCK_STEP_MS) * (1 + NPS_SLACK);
    if (nps < low || nps > high)
      faults.push(`nps ${nps} does not match nodes ${nodes} in time ${time} (${Math.round(nodes * 1000 / time)})`);
  }
  const hashfull = n('hashfull');
  if (hashfull !== undefined && (hashfull < 0 || hashfull > 1000)) faults.push(`hashfull ${hashfull} outside 0..1000`);
  const seldepth = n('seldepth');
  if (seldepth !== undefined && seldepth < 1) faults.push(`seldepth ${seldepth} below 1`);
  const number = n('currmovenumber');
  if (number !== undefined && number < 1) faults.push(`currmovenumber ${number} below 1`);
  if (info.currmove !== undefined && !legalIn(search.root, info.currmove))
    faults.push(`currmove ${info.currmove} is illegal`);
  return faults;
}

// Judges the info lines of a search. `search` holds the position of its
// "go" (`root`, a FEN), the time "go" was sent (`goAt`), the MultiPV value
// (`multiPV`), whether mate scores are checked against their lines
// (`checkMatePv`), and the lines the engine printed before "bestmove"
// (`lines`: { at, text }). Returns the faulty lines ({ text, why }), the
// number of info lines judged and the warnings.
function judgeSearch(search) {
  const state = {};
  const faults = [];
  const warnings = [];
  let judged = 0;
  for (const { at, text } of search.lines) {
    if (!/^info\s/.test(text)) continue;
    const info = parseInfo(text);
    if (info.string !== undefined && Object.keys(info).length === 1) continue;
    judged++;
    const why = judgeInfo(info, search, at, state, warnings);
    if (why.length > 0) faults.push({ text, why: why.join('; ') });
  }
  return { faults, judged, warnings };
}

module.exports = { playMove, legalIn, parseInfo, judgeSearch, MOVE_WORD };
