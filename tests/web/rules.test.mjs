// The page's game logic, without a browser: fives, the position text and
// game records.
import test from 'node:test';
import assert from 'node:assert/strict';

import {
  gridOfMoves,
  fiveThrough,
  outcomeOf,
  positionText,
  gameToSgf,
  parseSgf,
} from '../../web/rules.mjs';

// x plays `line`, o answers on far-away points that never line up.
function movesWithXOn(line) {
  const moves = [];
  const filler = [[0, 15], [2, 17], [4, 15], [6, 17], [8, 15], [10, 17], [12, 15]];
  line.forEach((point, i) => {
    moves.push(point);
    if (i < line.length - 1) moves.push(filler[i]);
  });
  return moves;
}

test('a five ends the game in every direction, at the edges too', () => {
  const cases = {
    'row at the top edge': [[15, 0], [16, 0], [17, 0], [18, 0], [19, 0]],
    'column at the left edge': [[0, 1], [0, 2], [0, 3], [0, 4], [0, 5]],
    'diagonal into the corner': [[15, 15], [16, 16], [17, 17], [18, 18], [14, 14]],
    'anti-diagonal': [[9, 5], [8, 6], [7, 7], [6, 8], [5, 9]],
  };
  for (const [name, line] of Object.entries(cases)) {
    const outcome = outcomeOf(movesWithXOn(line));
    assert.ok(outcome, name);
    assert.equal(outcome.winner, 'x', name);
    assert.equal(outcome.line.length, 5, name);
  }
});

test('an overline wins with all its stones; four does not', () => {
  const six = movesWithXOn([[2, 9], [3, 9], [4, 9], [6, 9], [7, 9], [5, 9]]);
  assert.equal(outcomeOf(six).line.length, 6);
  assert.equal(outcomeOf(movesWithXOn([[2, 9], [3, 9], [4, 9], [5, 9]])), null);
  const broken = movesWithXOn([[2, 9], [3, 9], [4, 9], [6, 9], [7, 9]]);
  assert.equal(outcomeOf(broken), null);
});

test('one stone making two fives shows both lines', () => {
  const grid = gridOfMoves([]);
  for (let i = 1; i <= 4; i++) {
    grid[9][9 + i] = 'x';
    grid[9 + i][9] = 'x';
  }
  grid[9][9] = 'x';
  assert.equal(fiveThrough(grid, 9, 9).length, 10);
});

test('the position text has 20 lines of 20, y the line and x the character', () => {
  const text = positionText(gridOfMoves([[3, 1], [0, 19]]));
  const lines = text.split('\r\n');
  assert.equal(lines.length, 21);
  assert.equal(lines[20], '');
  assert.equal(lines[1], '---x----------------');
  assert.equal(lines[19], 'o-------------------');
});

test('a record survives export and import', () => {
  const moves = movesWithXOn([[9, 9], [10, 9], [11, 9], [12, 9], [13, 9]]);
  const sgf = gameToSgf({ moves, blackName: 'Player', whiteName: 'Pen]tad', date: '2024-01-02' });
  assert.match(sgf, /^\(;FF\[4\]GM\[4\]SZ\[20\]CA\[UTF-8\]PB\[Player\]PW\[Pen\\\]tad\]DT\[2024-01-02\]RE\[B\+\]/);
  assert.match(sgf, /;B\[jj\];W\[ap\];B\[kj\]/);
  const game = parseSgf(sgf);
  assert.deepEqual(game.moves, moves);
  assert.equal(game.whiteName, 'Pen]tad');
  assert.doesNotMatch(gameToSgf({ moves: moves.slice(0, 3), blackName: 'a', whiteName: 'b' }), /RE\[/);
});

test('import follows the main line and reads lower-case property names', () => {
  const game = parseSgf('(;GM[4]SZ[20] ;B[jj] (;W[kk];B[ll]) (;W[aa]))');
  assert.deepEqual(game.moves, [[9, 9], [10, 10], [11, 11]]);
  assert.deepEqual(parseSgf('(;FF[4];B[tt];White[aa])').moves, [[19, 19], [0, 0]]);
  const fromMatch = parseSgf(
    '(;FF[4]GM[4]SZ[20]CA[UTF-8]GN[Game 1]PB[a]PW[b]RE[W+T]C[B (a) lost: time]\n;B[jj]C[x \\] y];W[kk])\n(;FF[4];B[aa])',
  );
  assert.deepEqual(fromMatch.moves, [[9, 9], [10, 10]]);
  assert.equal(fromMatch.blackName, 'a');
});

test('import explains what it cannot take', () => {
  const cases = [
    ['not SGF', 'hello', /not valid SGF/],
    ['unclosed', '(;B[jj]', /unclosed/],
    ['another game', '(;GM[1];B[jj])', /not a Gomoku game/],
    ['another size', '(;SZ[15];B[jj])', /not 20 x 20/],
    ['white first', '(;W[jj])', /move 1 is W/],
    ['twice black', '(;B[jj];B[kk])', /move 2 is B/],
    ['occupied', '(;B[jj];W[jj])', /occupied/],
    ['off the board', '(;B[uj])', /not a point/],
    ['a pass', '(;B[jj];W[])', /pass/],
    ['set-up stones', '(;AB[aa][bb];B[jj])', /set-up/],
    ['moves after a five', '(;B[aa];W[ja];B[ab];W[jb];B[ac];W[jc];B[ad];W[jd];B[ae];W[je])', /already over/],
  ];
  for (const [name, text, message] of cases) assert.throws(() => parseSgf(text), message, name);
});
