// Going through a game and what the engine thought of it, free of the page:
// the positions of a game, the evaluation kept for each, stepping, the
// line a move or an engine's line makes, and the graph's geometry.
import { SIZE, EMPTY, playerOfMove, onBoard, outcomeOf } from './rules.mjs';

// One key per position of the game, from the empty board (index 0) to the
// last; the same stones give the same key whatever their order.
export function positionKeys(moves) {
  const cells = Array(SIZE * SIZE).fill(EMPTY);
  const keys = [cells.join('')];
  moves.forEach(([x, y], i) => {
    cells[y * SIZE + x] = playerOfMove(i);
    keys.push(cells.join(''));
  });
  return keys;
}

// The key of the position after the moves, as positionKeys gives it.
export function positionKey(moves) {
  const cells = Array(SIZE * SIZE).fill(EMPTY);
  moves.forEach(([x, y], i) => {
    cells[y * SIZE + x] = playerOfMove(i);
  });
  return cells.join('');
}

// The view after a step: 'first', 'back', 'forward' or 'last', within the
// game's length.
export function stepView(view, length, where) {
  const target = { first: 0, back: view - 1, forward: view + 1, last: length }[where];
  return Math.min(length, Math.max(0, target ?? view));
}

// A score of the engine as the graph and the page keep it. `line` has the
// fields of the server's answers ({eval, result, winRate}), all the view of
// `side`, the side to play when it was searched.
export function evaluationOf(line, side, depth) {
  return {
    xWinRate: side === 'x' ? line.winRate : 1 - line.winRate,
    score: line.eval,
    side,
    result: line.result ?? null,
    depth,
  };
}

// The evaluation worth keeping for a position: a proven result before a
// heuristic one, else the deeper search, else the newer.
export function preferredEvaluation(kept, found) {
  if (!kept) return found;
  if (!!kept.result !== !!found.result) return found.result ? found : kept;
  return found.depth >= kept.depth ? found : kept;
}

// The game after playing `moves` from the position after `view` moves:
// the same game when they are its own next moves (or none is playable),
// else the game up to there and then them. Moves on occupied points, off the board or after
// the end are left out with everything after them.
export function lineFrom(game, view, moves) {
  const line = game.slice(0, view);
  const occupied = new Set(line.map(([x, y]) => `${x},${y}`));
  for (const [x, y] of moves) {
    if (!onBoard(x, y) || occupied.has(`${x},${y}`) || outcomeOf(line)) break;
    occupied.add(`${x},${y}`);
    line.push([x, y]);
  }
  const played = line.length - view;
  const same = line.slice(view).every(([x, y], i) => game[view + i]?.[0] === x && game[view + i]?.[1] === y);
  return { moves: same ? game : line, played };
}

// Where the graph draws x's win rate after each move: x across the moves
// of the game, 1 (x wins) at the top. Unknown rates break the line into
// segments; a lone point is a segment of one.
export function graphGeometry(rates, { width, height, pad }) {
  const span = Math.max(1, rates.length - 1);
  const xOf = (index) => pad + (index * (width - 2 * pad)) / span;
  const yOf = (rate) => pad + (1 - rate) * (height - 2 * pad);
  const segments = [];
  let segment = null;
  rates.forEach((rate, index) => {
    if (rate === null || rate === undefined) {
      segment = null;
      return;
    }
    if (!segment) segments.push((segment = []));
    segment.push({ index, x: xOf(index), y: yOf(rate) });
  });
  return { segments, xOf, yOf };
}

// The move nearest to a point of the graph, as its index in `rates`.
export function indexAtGraphX(x, count, { width, pad }) {
  const span = Math.max(1, count - 1);
  return Math.min(count - 1, Math.max(0, Math.round(((x - pad) * span) / (width - 2 * pad))));
}

// "x 63 %", or the proven result, said for the side ahead.
export function winRateText(evaluation) {
  if (evaluation.result) {
    const winner = evaluation.result.win ? evaluation.side : evaluation.side === 'x' ? 'o' : 'x';
    const plies = evaluation.result.win ?? evaluation.result.loss;
    return `${winner} wins in ${plies} ${plies === 1 ? 'ply' : 'plies'}`;
  }
  const x = evaluation.xWinRate;
  return x >= 0.5 ? `x ${Math.round(x * 100)} %` : `o ${Math.round((1 - x) * 100)} %`;
}
