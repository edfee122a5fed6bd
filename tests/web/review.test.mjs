// Going through a game without a browser: positions, stepping, lines from
// the shown position, which evaluation to keep, and the graph's scale.
import test from 'node:test';
import assert from 'node:assert/strict';

import {
  positionKey,
  positionKeys,
  stepView,
  evaluationOf,
  preferredEvaluation,
  lineFrom,
  graphGeometry,
  indexAtGraphX,
  winRateText,
} from '../../web/review.mjs';

test('a position has one key whatever the order its stones came in', () => {
  const game = [[9, 9], [10, 9], [9, 10], [10, 10]];
  const transposed = [[9, 10], [10, 10], [9, 9], [10, 9]];
  const keys = positionKeys(game);
  assert.equal(keys.length, 5);
  assert.equal(keys[4], positionKey(transposed));
  assert.notEqual(keys[3], positionKey(transposed.slice(0, 3)), 'the same cells with other colours');
  assert.equal(keys[0], positionKey([]));
});

test('steps stay within the game', () => {
  const cases = [
    [3, 10, 'back', 2],
    [0, 10, 'back', 0],
    [3, 10, 'forward', 4],
    [10, 10, 'forward', 10],
    [3, 10, 'first', 0],
    [3, 10, 'last', 10],
    [0, 0, 'last', 0],
  ];
  for (const [view, length, where, expected] of cases)
    assert.equal(stepView(view, length, where), expected, `${where} from ${view} of ${length}`);
});

test('a line from the shown position keeps the game when it is the game', () => {
  const game = [[9, 9], [10, 9], [9, 10], [10, 10]];
  const same = lineFrom(game, 1, [[10, 9], [9, 10]]);
  assert.equal(same.moves, game);
  assert.equal(same.played, 2);

  const other = lineFrom(game, 1, [[8, 8], [7, 7]]);
  assert.deepEqual(other.moves, [[9, 9], [8, 8], [7, 7]]);
  assert.deepEqual(game.length, 4, 'the game itself is left as it was');

  assert.deepEqual(lineFrom(game, 4, [[0, 0]]), { moves: [...game, [0, 0]], played: 1 });
  const blocked = lineFrom(game, 2, [[5, 5], [9, 9], [6, 6]]);
  assert.deepEqual(blocked.moves, [[9, 9], [10, 9], [5, 5]], 'an occupied point ends the line');
  assert.equal(lineFrom(game, 2, [[20, 0]]).moves, game, 'nothing playable changes nothing');
});

test('a line stops at a five', () => {
  const fourOnRow = [[0, 0], [0, 5], [1, 0], [1, 5], [2, 0], [2, 5], [3, 0], [3, 5]];
  const line = lineFrom(fourOnRow, 8, [[4, 0], [4, 5]]);
  assert.equal(line.played, 1);
});

test('a proven result, then the deeper search, is the evaluation kept', () => {
  const shallow = { result: null, depth: 4 };
  const deep = { result: null, depth: 9 };
  const proven = { result: { win: 7 }, depth: 1 };
  assert.equal(preferredEvaluation(null, shallow), shallow);
  assert.equal(preferredEvaluation(shallow, deep), deep);
  assert.equal(preferredEvaluation(deep, shallow), deep);
  assert.equal(preferredEvaluation(deep, proven), proven);
  assert.equal(preferredEvaluation(proven, deep), proven);
  const newer = { result: null, depth: 9 };
  assert.equal(preferredEvaluation(deep, newer), newer, 'as deep: the newer');
});

test('evaluations are x\'s chance, whoever was to play, and read for the side ahead', () => {
  const forO = evaluationOf({ eval: 250, winRate: 0.75, result: null }, 'o', 8);
  assert.equal(forO.xWinRate, 0.25);
  assert.equal(winRateText(forO), 'o 75 %');
  assert.equal(winRateText(evaluationOf({ eval: 0, winRate: 0.5, result: null }, 'x', 3)), 'x 50 %');
  assert.equal(winRateText(evaluationOf({ eval: -29995, winRate: 0, result: { loss: 5 } }, 'x', 1)), 'o wins in 5 plies');
  assert.equal(winRateText(evaluationOf({ eval: 29999, winRate: 1, result: { win: 1 } }, 'o', 1)), 'o wins in 1 ply');
});

test('the graph puts x winning at the top and breaks where a move has no evaluation', () => {
  const size = { width: 120, height: 60, pad: 10 };
  const { segments, xOf, yOf } = graphGeometry([0.5, 1, null, 0, 0.25], size);
  assert.equal(yOf(1), 10);
  assert.equal(yOf(0), 50);
  assert.equal(xOf(0), 10);
  assert.equal(xOf(4), 110);
  assert.deepEqual(segments.map((s) => s.map((p) => p.index)), [[0, 1], [3, 4]]);
  assert.deepEqual(segments[0][1], { index: 1, x: 35, y: 10 });
  assert.deepEqual(graphGeometry([null, 0.5], size).segments.map((s) => s.length), [1]);
  assert.equal(graphGeometry([0.5], size).xOf(0), 10, 'a game of no moves');
  for (let i = 0; i <= 4; i++) assert.equal(indexAtGraphX(xOf(i) + 4, 5, size), i);
  assert.equal(indexAtGraphX(-30, 5, size), 0);
  assert.equal(indexAtGraphX(500, 5, size), 4);
});
