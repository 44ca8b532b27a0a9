// The referee's judgement of info lines, on lines written by hand: each
// kind of fault is named, and the true lines beside it pass.
//
//   node --test tests/referee_judge_test.js   (after tools/referee.sh --install)
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const { judgeSearch } = require('../tools/referee/judge');

const START = 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1';
// White mates in 2: Ra8 Rxa8 Rxa8.
const MATE_IN_2 = '1r4k1/5ppp/8/8/8/8/R4PPP/R5K1 w - - 0 1';

// Judges `lines` (text, or [text, milliseconds after "go"]) as one search
// from `root`; the lines' faults joined, one string per faulty line.
function judge(lines, { root = START, multiPV = 1, checkMatePv = false } = {}) {
  const search = {
    root, goAt: 0, multiPV, checkMatePv,
    lines: lines.map((line) => (Array.isArray(line) ? { text: line[0], at: line[1] } : { text: line, at: 10000 })),
  };
  const verdict = judgeSearch(search);
  return { whys: verdict.faults.map((f) => f.why), warnings: verdict.warnings, judged: verdict.judged };
}

test('a pv is played from the position of its go', () => {
  assert.deepStrictEqual(judge(['info depth 3 score cp 20 pv e2e4 e7e5 g1f3']).whys, []);
  // The best line of the search before, as the stale first line shows it.
  assert.deepStrictEqual(judge(['info depth 1 score cp 131 pv f1b5 c8d7']).whys,
    ['pv move f1b5 (ply 1) is illegal']);
  assert.deepStrictEqual(judge(['info depth 3 pv e2e4 e7e5 e4e5']).whys, ['pv move e4e5 (ply 3) is illegal']);
  // A promotion names its piece, and only a promotion does.
  const promoting = '8/P7/8/8/8/8/8/k6K w - - 0 1';
  assert.deepStrictEqual(judge(['info depth 1 pv a7a8q'], { root: promoting }).whys, []);
  assert.deepStrictEqual(judge(['info depth 1 pv a7a8'], { root: promoting }).whys, ['pv move a7a8 (ply 1) is illegal']);
  assert.deepStrictEqual(judge(['info depth 1 pv e2e4q']).whys, ['pv move e2e4q (ply 1) is illegal']);
  assert.deepStrictEqual(judge(['info depth 1 score cp 1 pv']).whys, ['pv without moves']);
  // Lines of text only are not judged.
  assert.strictEqual(judge(['info string no such option: MultiPV']).judged, 0);
});

test('multipv lines come 1..k within a depth, with distinct first moves', () => {
  const good = ['info depth 5 multipv 1 score cp 30 pv e2e4', 'info depth 5 multipv 2 score cp 20 pv d2d4',
    'info depth 6 multipv 1 score cp 25 pv d2d4', 'info depth 6 multipv 2 score cp 24 pv e2e4'];
  assert.deepStrictEqual(judge(good, { multiPV: 2 }).whys, []);
  assert.deepStrictEqual(judge(['info depth 5 multipv 2 score cp 20 pv d2d4'], { multiPV: 2 }).whys,
    ['multipv 2 does not follow lines 1..1 of depth 5']);
  assert.deepStrictEqual(judge(['info depth 5 multipv 1 pv e2e4', 'info depth 6 multipv 2 pv d2d4'], { multiPV: 2 }).whys,
    ['multipv 2 does not follow lines 1..1 of depth 6']);
  assert.deepStrictEqual(judge(['info depth 5 multipv 1 pv e2e4', 'info depth 5 multipv 2 pv e2e4 e7e5'], { multiPV: 2 }).whys,
    ['multipv 2 starts with e2e4 as line 1 does']);
  assert.deepStrictEqual(judge(['info depth 5 multipv 1 pv e2e4', 'info depth 5 multipv 2 pv d2d4',
    'info depth 5 multipv 3 pv c2c4'], { multiPV: 2 }).whys, ['multipv 3 outside 1..2']);
});

test('scores: no mate 0, and with --mate-pv a line that mates is scored as that side\'s mate', () => {
  const mate = { root: MATE_IN_2, checkMatePv: true };
  assert.deepStrictEqual(judge(['info depth 4 score mate 2 pv a2a8 b8a8 a1a8'], mate).whys, []);
  assert.deepStrictEqual(judge(['info depth 4 score mate 0 pv a2a8'], mate).whys, ['score mate 0']);
  // The engine mated, but its line has it give mate.
  assert.deepStrictEqual(judge(['info depth 4 score mate -2 pv a2a8 b8a8 a1a8'], mate).whys,
    ["score mate -2 but the pv ends in the other side's mate after 3 plies"]);
  // A line from the table that mates sooner, or runs past the mate without
  // giving it, is only remarked on.
  const sooner = judge(['info depth 4 score mate 3 pv a2a8 b8a8 a1a8'], mate);
  assert.deepStrictEqual([sooner.whys, sooner.warnings], [[], ['score mate 3 but the pv mates after 3 plies']]);
  const past = judge(['info depth 4 score mate 2 pv a2a3 b8b7 a1a2'], mate);
  assert.deepStrictEqual([past.whys, past.warnings], [[], ['score mate 2 but the pv does not mate after 3 plies']]);
  // A mate shown as centipawns, as the engine shows mates beyond ten plies;
  // a modest score with a line that runs into a mate is only remarked on.
  assert.deepStrictEqual(judge(['info depth 4 score cp 29970 pv a2a8 b8a8 a1a8'], mate).whys,
    ['score cp 29970 but the pv ends in checkmate after 3 plies']);
  const modest = judge(['info depth 2 score cp 16 pv a2a8 b8a8 a1a8'], mate);
  assert.deepStrictEqual([modest.whys, modest.warnings], [[], ['score cp 16 but the pv ends in checkmate after 3 plies']]);
  // A line cut short is a warning only; a bound is not checked.
  const short = judge(['info depth 4 score mate 2 pv a2a8'], mate);
  assert.deepStrictEqual([short.whys, short.warnings], [[], ['mate 2 with a pv of 1 plies that does not end in mate']]);
  assert.deepStrictEqual(judge(['info depth 4 score mate 1 lowerbound pv a2a8'], mate).whys, []);
});

test('time, nps and the other numbers', () => {
  assert.deepStrictEqual(judge([['info depth 9 nodes 200000 nps 1000000 time 200 pv e2e4', 210],
    ['info depth 10 nodes 500000 nps 1000000 time 500 pv d2d4', 505]]).whys, []);
  assert.deepStrictEqual(judge([['info depth 9 time 480 pv e2e4', 500], ['info depth 10 time 30 pv e2e4', 520]]).whys,
    ['time 30 after time 480']);
  assert.deepStrictEqual(judge([['info depth 9 time 480 pv e2e4', 300]]).whys, ['time 480 beyond the 300 ms since "go"']);
  // After "ponderhit", an nps counted from a clock restarted there.
  assert.match(judge([['info depth 12 nodes 6346150 nps 57692272 time 900 pv e2e4', 950]]).whys[0],
    /^nps 57692272 does not match nodes 6346150 in time 900/);
  // Under 100 ms the nps is not judged: the clock is too coarse there.
  assert.deepStrictEqual(judge([['info depth 2 nodes 300 nps 0 time 0 pv e2e4', 5]]).whys, []);
  assert.deepStrictEqual(judge(['info depth 9 seldepth 0 hashfull 1001 currmovenumber 0 currmove e2e5']).whys,
    ['hashfull 1001 outside 0..1000; seldepth 0 below 1; currmovenumber 0 below 1; currmove e2e5 is illegal']);
  assert.deepStrictEqual(judge(['info depth 9 seldepth 14 hashfull 17 currmovenumber 3 currmove g1f3']).whys, []);
  assert.deepStrictEqual(judge(['info depth x nodes 1.5 pv e2e4']).whys, ['depth is not a number: x; nodes is not a number: 1.5']);
});
