// The game itself, free of the page: the board, fives, the position text
// the engine reads, and game records. A game is a list of [x, y] moves;
// x ("black") moves first, so a move's player follows from its index.

export const SIZE = 20;
export const EMPTY = '-';

export function playerOfMove(index) {
  return index % 2 === 0 ? 'x' : 'o';
}

export function otherPlayer(player) {
  return player === 'x' ? 'o' : 'x';
}

export function onBoard(x, y) {
  return x >= 0 && x < SIZE && y >= 0 && y < SIZE;
}

// grid[y][x] holds '-', 'x' or 'o'.
export function gridOfMoves(moves) {
  const grid = Array.from({ length: SIZE }, () => Array(SIZE).fill(EMPTY));
  moves.forEach(([x, y], i) => {
    grid[y][x] = playerOfMove(i);
  });
  return grid;
}

// The twenty lines the engine reads: line index y, character index x.
export function boardLines(grid) {
  return grid.map((row) => row.join(''));
}

export function positionText(grid) {
  return boardLines(grid).join('\r\n') + '\r\n';
}

const DIRECTIONS = [
  [1, 0],
  [0, 1],
  [1, 1],
  [1, -1],
];

// Every cell of every run of five or more through (x, y) of the stone
// there; empty when the stone made no five. Longer runs win too.
export function fiveThrough(grid, x, y) {
  const player = grid[y][x];
  if (player === EMPTY) return [];
  const cells = [];
  for (const [dx, dy] of DIRECTIONS) {
    const run = [[x, y]];
    for (const sign of [1, -1]) {
      let cx = x + sign * dx;
      let cy = y + sign * dy;
      while (onBoard(cx, cy) && grid[cy][cx] === player) {
        run.push([cx, cy]);
        cx += sign * dx;
        cy += sign * dy;
      }
    }
    if (run.length >= 5) cells.push(...run);
  }
  return cells;
}

// The state after the moves: who won with which cells, or a draw.
export function outcomeOf(moves) {
  if (moves.length === 0) return null;
  const grid = gridOfMoves(moves);
  const [x, y] = moves[moves.length - 1];
  const line = fiveThrough(grid, x, y);
  if (line.length > 0) return { winner: grid[y][x], line };
  if (moves.length === SIZE * SIZE) return { winner: null, line: [] };
  return null;
}

// Game records: the same form the match runner writes.

const LETTERS = 'abcdefghijklmnopqrst';

function sgfPoint(x, y) {
  return LETTERS[x] + LETTERS[y];
}

function sgfText(text) {
  return String(text).replace(/[\\\]]/g, (c) => '\\' + c);
}

export function sgfResult(outcome) {
  if (!outcome) return null;
  if (outcome.winner === null) return '0';
  return outcome.winner === 'x' ? 'B+' : 'W+';
}

export function gameToSgf({ moves, blackName, whiteName, date }) {
  let sgf = '(;FF[4]GM[4]SZ[20]CA[UTF-8]';
  sgf += `PB[${sgfText(blackName)}]PW[${sgfText(whiteName)}]`;
  if (date) sgf += `DT[${date}]`;
  const result = sgfResult(outcomeOf(moves));
  if (result) sgf += `RE[${result}]`;
  moves.forEach(([x, y], i) => {
    sgf += `${i % 20 === 0 ? '\n' : ''};${i % 2 === 0 ? 'B' : 'W'}[${sgfPoint(x, y)}]`;
  });
  return sgf + ')\n';
}

// Reads the main line of the first game of a record: its moves and names.
// Throws an Error whose message says what is wrong.
export function parseSgf(text) {
  const nodes = mainLineNodes(text);
  if (nodes.length === 0) throw new Error('no game found in the record');
  const root = nodes[0];
  if (root.GM && root.GM[0] !== '4') throw new Error(`the record is not a Gomoku game (GM[${root.GM[0]}])`);
  if (root.SZ && !['20', '20:20'].includes(root.SZ[0]))
    throw new Error(`the board is ${root.SZ[0]}, not 20 x 20`);
  const moves = [];
  const grid = gridOfMoves([]);
  for (const node of nodes) {
    if (node.AB || node.AW || node.AE) throw new Error('set-up stones (AB, AW, AE) cannot be imported');
    for (const colour of ['B', 'W']) {
      if (!node[colour]) continue;
      const number = moves.length + 1;
      const expected = number % 2 === 1 ? 'B' : 'W';
      if (colour !== expected)
        throw new Error(`move ${number} is ${colour}, but ${expected === 'B' ? 'black (x)' : 'white (o)'} is to move`);
      const point = parsePoint(node[colour][0], number);
      if (grid[point[1]][point[0]] !== EMPTY) throw new Error(`move ${number} is on an occupied point`);
      if (outcomeOf(moves)) throw new Error(`the game was already over before move ${number}`);
      grid[point[1]][point[0]] = playerOfMove(moves.length);
      moves.push(point);
    }
  }
  return {
    moves,
    blackName: root.PB ? root.PB[0] : '',
    whiteName: root.PW ? root.PW[0] : '',
  };
}

function parsePoint(value, number) {
  if (value === '') throw new Error(`move ${number} is a pass, which Gomoku has not`);
  const x = LETTERS.indexOf(value[0]);
  const y = LETTERS.indexOf(value[1]);
  if (value.length !== 2 || x < 0 || y < 0)
    throw new Error(`move ${number} is at "${value}", which is not a point of the 20 x 20 board`);
  return [x, y];
}

// A small reader of the record syntax: (;node;node(;variation)(;variation)).
// Only the first variation of each branching is followed.
function mainLineNodes(text) {
  let pos = 0;
  const skipSpace = () => {
    while (pos < text.length && /\s/.test(text[pos])) pos++;
  };
  const fail = (what) => {
    throw new Error(`the record is not valid SGF: ${what} at character ${pos + 1}`);
  };
  const readValue = () => {
    let value = '';
    pos++; // '['
    while (pos < text.length && text[pos] !== ']') {
      if (text[pos] === '\\') pos++;
      if (pos < text.length) value += text[pos++];
    }
    if (pos >= text.length) fail('an unclosed "["');
    pos++; // ']'
    return value;
  };
  const readNode = () => {
    const node = {};
    pos++; // ';'
    for (;;) {
      skipSpace();
      const match = /^[A-Za-z]+/.exec(text.slice(pos, pos + 16));
      if (!match) return node;
      const ident = match[0].replace(/[a-z]/g, '');
      pos += match[0].length;
      skipSpace();
      if (text[pos] !== '[') fail(`property ${match[0]} without a value`);
      const values = [];
      while (text[pos] === '[') {
        values.push(readValue());
        skipSpace();
      }
      node[ident] = values;
    }
  };
  const readTree = () => {
    pos++; // '('
    const nodes = [];
    let followed = false;
    for (;;) {
      skipSpace();
      if (pos >= text.length) fail('an unclosed "("');
      const c = text[pos];
      if (c === ';' && !followed) nodes.push(readNode());
      else if (c === '(') {
        const variation = readTree();
        if (!followed) nodes.push(...variation);
        followed = true;
      } else if (c === ')') {
        pos++;
        return nodes;
      } else fail(`an unexpected "${c}"`);
    }
  };
  skipSpace();
  if (text[pos] !== '(') fail('no "(" to start the game');
  return readTree();
}
