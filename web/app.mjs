// The browser board: a person against the engine, with a look at why it
// moved. The server keeps no game; every request carries the position.
import {
  SIZE,
  EMPTY,
  playerOfMove,
  otherPlayer,
  onBoard,
  gridOfMoves,
  boardLines,
  positionText,
  outcomeOf,
  gameToSgf,
  parseSgf,
} from './rules.mjs';

const THREATS = ['—', '3', 'open 3', '4', 'open 4', '5'];
const STAGES = {
  'first-move': 'Opening rule for the first stones',
  book: 'Opening book: a sure win',
  immediate: 'Immediate: a five, an open four, or nothing of value to weigh',
  search: 'Search: a forced win was found',
  four: 'No forced win; the move makes a four',
  defence: 'Defensive pass',
};
const ENGINE_NAME = 'Pentad';
const PLAYER_NAME = 'Player';
const SHOWN_CANDIDATES = 10;
const RANKED_ON_BOARD = 5;
const HEAT_CELLS = 40;

// ?nodes=N makes every strong decision reproducible; ?seed=N&checks=N do
// the same for the classic engine (fast with few checks), and
// ?engine=classic picks it from the start.
const query = new URLSearchParams(location.search);
const fixedSeed = integerParam('seed');
const fixedChecks = integerParam('checks');
const fixedNodes = integerParam('nodes');

const state = {
  moves: [],
  analyses: [], // analyses[i]: the engine's answer that produced move i
  humanSide: 'x',
  names: { x: PLAYER_NAME, o: ENGINE_NAME },
  pending: null, // { kind: 'move' | 'hint', controller, started }
  error: null,
  hint: null, // { data, moveCount }
  cursor: [9, 9],
};

const $ = (id) => document.getElementById(id);
const boardEl = $('board');
const cells = [];

function integerParam(name) {
  const text = query.get(name);
  return text !== null && /^\d+$/.test(text) ? Number(text) : null;
}

// ---- game state -----------------------------------------------------------

const engineSide = () => otherPlayer(state.humanSide);
const sideToMove = () => playerOfMove(state.moves.length);
const currentGrid = () => gridOfMoves(state.moves);
const outcome = () => outcomeOf(state.moves);
// A hint being sought does not hold up the game: playing drops it.
const canPlay = () => !outcome() && state.pending?.kind !== 'move' && sideToMove() === state.humanSide;

function place(x, y) {
  if (!canPlay() || currentGrid()[y][x] !== EMPTY) return;
  cancelPending();
  state.moves.push([x, y]);
  state.hint = null;
  afterMove();
}

function afterMove() {
  render();
  if (!outcome() && sideToMove() === engineSide()) requestDecision('move');
}

function newGame() {
  cancelPending();
  state.humanSide = $('side').value;
  state.names = state.humanSide === 'x' ? { x: PLAYER_NAME, o: ENGINE_NAME } : { x: ENGINE_NAME, o: PLAYER_NAME };
  state.moves = [];
  state.analyses = [];
  state.hint = null;
  state.error = null;
  afterMove();
}

// Back to the person's previous turn: their last stone and the engine's
// answer to it go, or just their stone while the engine still thinks.
function undo() {
  const humanMoved = state.moves.some((_, i) => playerOfMove(i) === state.humanSide);
  if (!humanMoved) return;
  cancelPending();
  state.error = null;
  state.hint = null;
  let removedHuman = false;
  while (state.moves.length > 0 && !(removedHuman && sideToMove() === state.humanSide)) {
    if (playerOfMove(state.moves.length - 1) === state.humanSide) removedHuman = true;
    state.moves.pop();
  }
  state.analyses.length = state.moves.length;
  render();
}

function cancelPending() {
  if (state.pending) state.pending.controller.abort();
  state.pending = null;
}

// ---- the engine -----------------------------------------------------------

async function requestDecision(kind) {
  cancelPending();
  state.error = null;
  const side = kind === 'move' ? engineSide() : state.humanSide;
  const controller = new AbortController();
  const pending = { kind, controller, started: performance.now() };
  state.pending = pending;
  render();
  const body = { board: boardLines(currentGrid()), side };
  body.engine = $('engine').value;
  if (body.engine === 'strong') {
    if (fixedNodes !== null) body.nodes = fixedNodes;
  } else {
    if (fixedSeed !== null) body.seed = fixedSeed;
    if (fixedChecks !== null) body.checks = fixedChecks;
  }
  try {
    const response = await fetch('api/move', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify(body),
      signal: controller.signal,
    });
    const data = await response.json().catch(() => ({ error: `the server answered ${response.status}` }));
    if (!response.ok) throw new Error(data.error || `the server answered ${response.status}`);
    if (state.pending !== pending) return;
    state.pending = null;
    acceptDecision(kind, data);
  } catch (error) {
    if (controller.signal.aborted || state.pending !== pending) return;
    state.pending = null;
    state.error = `The engine could not answer: ${error.message}`;
    render();
  }
}

function acceptDecision(kind, data) {
  const [x, y] = data.move || [];
  if (!onBoard(x, y) || currentGrid()[y][x] !== EMPTY) {
    state.error = `The engine answered ${JSON.stringify(data.move)}, which is not an empty point.`;
    render();
    return;
  }
  if (kind === 'hint') {
    state.hint = { data, moveCount: state.moves.length };
    render();
    return;
  }
  state.analyses[state.moves.length] = data;
  state.moves.push([x, y]);
  afterMove();
}

function retry() {
  if (sideToMove() === engineSide() && !outcome()) requestDecision('move');
}

// ---- records --------------------------------------------------------------

function currentSgf() {
  return gameToSgf({
    moves: state.moves,
    blackName: state.names.x,
    whiteName: state.names.o,
    date: new Date().toISOString().slice(0, 10),
  });
}

function showSgf() {
  $('record-text').value = currentSgf();
  say('The game as SGF. Copy it, or edit it and import it.');
}

function downloadSgf() {
  const stamp = new Date().toISOString().slice(0, 16).replace(/[-:T]/g, '');
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([currentSgf()], { type: 'application/x-go-sgf' }));
  link.download = `pentad-${stamp}.sgf`;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

// The person takes the side to move in the imported game, so they carry on
// from where it stopped.
function importSgf(text) {
  let game;
  try {
    game = parseSgf(text);
  } catch (error) {
    say(`Cannot import: ${error.message}`, true);
    return;
  }
  cancelPending();
  state.moves = game.moves;
  state.analyses = [];
  state.hint = null;
  state.error = null;
  if (!outcomeOf(game.moves)) state.humanSide = sideToMove();
  $('side').value = state.humanSide;
  state.names = { x: game.blackName || '?', o: game.whiteName || '?' };
  state.names[state.humanSide] = PLAYER_NAME;
  state.names[engineSide()] = ENGINE_NAME;
  const last = game.moves[game.moves.length - 1];
  if (last) state.cursor = [...last];
  say(`Imported ${game.moves.length} moves; you play ${state.humanSide}.`);
  render();
}

async function importFile(file) {
  if (!file) return;
  const text = await file.text();
  $('record-text').value = text;
  importSgf(text);
}

async function copyPosition() {
  const text = positionText(currentGrid());
  $('record-text').value = text;
  try {
    await navigator.clipboard.writeText(text);
    say('The position ("Plocha.dat" text) is on the clipboard and shown above.');
  } catch {
    $('record-text').select();
    say('The position ("Plocha.dat" text) is shown above: copy it from there.');
  }
}

function say(message, isError = false) {
  const el = $('record-message');
  el.textContent = message;
  el.classList.toggle('error', isError);
}

// ---- drawing --------------------------------------------------------------

function buildBoard() {
  const columns = $('columns');
  const rows = $('rows');
  for (let i = 0; i < SIZE; i++) {
    columns.append(Object.assign(document.createElement('span'), { textContent: i }));
    rows.append(Object.assign(document.createElement('span'), { textContent: i }));
  }
  for (let y = 0; y < SIZE; y++) {
    for (let x = 0; x < SIZE; x++) {
      const cell = document.createElement('div');
      cell.dataset.x = x;
      cell.dataset.y = y;
      cell.key = '';
      cells.push(cell);
      boardEl.append(cell);
    }
  }
}

function cellAt(x, y) {
  return cells[y * SIZE + x];
}

function phase() {
  if (state.pending) return 'thinking';
  if (state.error) return 'error';
  if (outcome()) return 'over';
  return 'your-turn';
}

function statusText() {
  const over = outcome();
  if (state.pending?.kind === 'move') return `${ENGINE_NAME} is thinking… ${elapsedSeconds()} s`;
  if (state.pending?.kind === 'hint') return `Looking for a hint… ${elapsedSeconds()} s`;
  if (state.error) return state.error;
  if (over) {
    if (over.winner === null) return 'Draw: the board is full.';
    return over.winner === state.humanSide ? `You win with five in a row!` : `${ENGINE_NAME} wins with five in a row.`;
  }
  const number = state.moves.length + 1;
  return `Your move (${state.humanSide}), move ${number}.`;
}

function elapsedSeconds() {
  return ((performance.now() - state.pending.started) / 1000).toFixed(1);
}

function currentHint() {
  return state.hint && state.hint.moveCount === state.moves.length ? state.hint : null;
}

// The analysis shown: a hint for the present position, else the engine's
// latest decision still on the board.
function shownAnalysis() {
  const hint = currentHint();
  if (hint) return { data: hint.data, moveIndex: state.moves.length, hint: true };
  for (let i = state.moves.length - 1; i >= 0; i--)
    if (state.analyses[i]) return { data: state.analyses[i], moveIndex: i, hint: false };
  return null;
}

// Log scale between the weakest and the strongest of the cells shown.
function heatColour(value, { minValue, maxValue }) {
  const t = maxValue > minValue ? Math.log(value / minValue) / Math.log(maxValue / minValue) : 1;
  return `hsla(${Math.round(210 - 210 * t)}, 85%, 55%, ${(0.6 + 0.3 * t).toFixed(2)})`;
}

function render() {
  const grid = currentGrid();
  const over = outcome();
  const winning = new Set((over?.line || []).map(([x, y]) => `${x},${y}`));
  const last = state.moves[state.moves.length - 1];
  const numbers = $('numbers').checked;
  const analysisOn = $('analysis').checked;
  const analysis = analysisOn ? shownAnalysis() : null;
  const overlay = analysisOverlay(analysis);
  const hint = currentHint();
  overlay.hint = hint ? `${hint.data.move[0]},${hint.data.move[1]}` : null;
  const playable = canPlay();
  const index = new Map(state.moves.map(([x, y], i) => [`${x},${y}`, i]));
  const [cx, cy] = state.cursor;

  for (const cell of cells) {
    const x = Number(cell.dataset.x);
    const y = Number(cell.dataset.y);
    const key = `${x},${y}`;
    const stone = grid[y][x];
    const classes = ['cell'];
    if (x === 0) classes.push('l');
    if (x === SIZE - 1) classes.push('r');
    if (y === 0) classes.push('t');
    if (y === SIZE - 1) classes.push('b');
    if (x === cx && y === cy) classes.push('cursor');
    if (stone === EMPTY) classes.push('empty');
    let html = '';
    let title = `${x},${y}`;
    if (stone !== EMPTY) {
      const stoneClasses = ['stone', stone];
      if (last && last[0] === x && last[1] === y) stoneClasses.push('last');
      if (winning.has(key)) stoneClasses.push('win');
      html += `<span class="${stoneClasses.join(' ')}">${numbers ? index.get(key) + 1 : ''}</span>`;
      title += ` · ${stone} · move ${index.get(key) + 1}`;
    } else {
      const info = overlay.cells.get(key);
      if (info?.hot) html += `<span class="heat" style="background:${heatColour(info.value, overlay)}"></span>`;
      if (info) title += ` · value ${info.value} · attack ${info.own} · defence ${info.opp}`;
      const rank = overlay.ranks.get(key);
      if (rank) html += `<span class="rank">${rank}</span>`;
      if (playable) html += `<span class="ghost ${state.humanSide}"></span>`;
    }
    const pv = overlay.pv.get(key);
    if (pv && stone === EMPTY) html += `<span class="pv ${pv.side}">${pv.number}</span>`;
    const step = overlay.steps.get(key);
    if (step) html += `<span class="step">${step}</span>`;
    if (overlay.hint === key) html += '<span class="hint-mark"></span>';
    const className = classes.join(' ');
    const cacheKey = className + html + title;
    if (cell.key !== cacheKey) {
      cell.key = cacheKey;
      cell.className = className;
      cell.innerHTML = html;
      cell.title = title;
    }
  }

  boardEl.classList.toggle('can-play', playable);
  document.body.dataset.phase = phase();
  $('status-text').textContent = statusText();
  $('retry').hidden = !(state.error && sideToMove() === engineSide() && !over);
  $('undo').disabled = !state.moves.some((_, i) => playerOfMove(i) === state.humanSide);
  $('hint').disabled = !playable || !!state.pending;
  $('analysis-panel').hidden = !analysisOn;
  if (analysisOn) renderAnalysisPanel(analysis);
}

// What the analysis puts on the board: the heat map, candidate ranks, the
// winning line's steps, the strong engine's expected line and the hinted point.
function analysisOverlay(analysis) {
  const overlay = {
    cells: new Map(), minValue: Infinity, maxValue: 0, ranks: new Map(), steps: new Map(), pv: new Map(), hint: null,
  };
  if (!analysis) return overlay;
  const { data, moveIndex } = analysis;
  // Numbered translucent stones of both sides, in the order expected; the
  // first is the move itself, already on the board unless it is a hint.
  (data.pv || []).forEach(([x, y], i) => {
    if (onBoard(x, y) && !overlay.pv.has(`${x},${y}`))
      overlay.pv.set(`${x},${y}`, { number: i + 1, side: playerOfMove(moveIndex + i) });
  });
  for (const [x, y, occupant, value, own, opp] of data.cells || [])
    if (occupant === 0) overlay.cells.set(`${x},${y}`, { value, own, opp });
  // Only the best cells are coloured: tinting every point would bury them.
  const hot = [...overlay.cells.values()].filter((c) => c.value > 0).sort((a, b) => b.value - a.value);
  hot.slice(0, HEAT_CELLS).forEach((c) => (c.hot = true));
  if (hot.length > 0) {
    overlay.maxValue = hot[0].value;
    overlay.minValue = hot[Math.min(hot.length, HEAT_CELLS) - 1].value;
  }
  realCandidates(data)
    .slice(0, RANKED_ON_BOARD)
    .forEach(([x, y], i) => overlay.ranks.set(`${x},${y}`, i + 1));
  (data.line || []).forEach(([x, y], i) => overlay.steps.set(`${x},${y}`, i + 1));
  return overlay;
}

// Placeholders fill the table's unused slots; they are no moves.
function realCandidates(data) {
  return (data.candidates || []).filter(([x, y, value]) => onBoard(x, y) && value > -100000000);
}

function renderAnalysisPanel(analysis) {
  $('analysis-empty').hidden = !!analysis;
  $('analysis-body').hidden = !analysis;
  if (!analysis) return;
  const { data, moveIndex, hint } = analysis;
  const side = playerOfMove(moveIndex);
  const [mx, my] = data.move;
  $('analysis-title').textContent = hint
    ? `Hint for you (${side}) at move ${moveIndex + 1}: ${mx},${my}`
    : `${ENGINE_NAME}'s move ${moveIndex + 1} (${side}): ${mx},${my}`;
  const strong = data.engine === 'strong';
  for (const el of document.querySelectorAll('#analysis-body .classic-only')) el.hidden = strong;
  for (const el of document.querySelectorAll('#analysis-body .strong-only')) el.hidden = !strong;
  $('engine-name').textContent = strong ? 'strong' : 'classic';
  $('depth').textContent = data.depth;
  $('elapsed').textContent = `${data.elapsedMs} ms`;
  if (strong) {
    $('evaluation').textContent = evaluationText(data, side);
    $('pv').textContent = data.pv?.length ? data.pv.map(([x, y]) => `${x},${y}`).join(' → ') : 'none';
    $('nodes').textContent = data.nodeLimit === null ? `${data.nodes}` : `${data.nodes}, budget ${data.nodeLimit}`;
    return;
  }
  $('stage').textContent = `${STAGES[data.stage] || data.stage} (${data.stage})`;
  $('winning-line').textContent = data.line?.length
    ? data.line.map(([x, y]) => `${x},${y}`).join(' → ')
    : 'none found';
  $('time-checks').textContent = data.timeChecks;
  $('seed').textContent = data.checks === null ? `${data.seed}` : `${data.seed}, budget ${data.checks} checks`;
  $('book').textContent = data.book?.length
    ? data.book.map(([x, y, w, l]) => `${x},${y} (${w} won, ${l} lost)`).join('; ')
    : 'no answer';
  const rows = realCandidates(data)
    .slice(0, SHOWN_CANDIDATES)
    .map(([x, y, value, own, opp, excluded, ownDouble, oppDouble, ownThreat, oppThreat], i) => {
      const threat = (level, double) => (THREATS[level] || level) + (double ? ' ×2' : '');
      const cls = [excluded ? 'excluded' : '', x === mx && y === my ? 'chosen' : ''].join(' ').trim();
      return `<tr class="${cls}" data-x="${x}" data-y="${y}"><td>${i + 1}</td><td>${x},${y}</td><td>${value}</td>` +
        `<td>${own}</td><td>${opp}</td><td>${threat(ownThreat, ownDouble)}</td><td>${threat(oppThreat, oppDouble)}</td></tr>`;
    });
  $('candidates').tBodies[0].innerHTML =
    rows.join('') || '<tr><td colspan="7" class="muted">No candidate table: the move was decided before it was built.</td></tr>';
}

// The score is the mover's: positive is good for the side that moved.
function evaluationText(data, side) {
  if (data.result?.win) return `${side} wins in ${data.result.win} plies`;
  if (data.result?.loss) return `${side} loses in ${data.result.loss} plies`;
  return `${data.eval > 0 ? '+' : ''}${data.eval} for ${side}`;
}

// ---- input ----------------------------------------------------------------

function moveCursor(dx, dy) {
  const [x, y] = state.cursor;
  state.cursor = [Math.min(SIZE - 1, Math.max(0, x + dx)), Math.min(SIZE - 1, Math.max(0, y + dy))];
  const [nx, ny] = state.cursor;
  const stone = currentGrid()[ny][nx];
  $('cursor-text').textContent = `Column ${nx}, row ${ny}: ${stone === EMPTY ? 'empty' : stone}`;
  render();
}

const KEY_STEPS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };

boardEl.addEventListener('keydown', (event) => {
  if (event.altKey || event.ctrlKey || event.metaKey) return;
  const step = KEY_STEPS[event.key];
  if (step) {
    event.preventDefault();
    moveCursor(...step);
  } else if (event.key === 'Enter' || event.key === ' ') {
    event.preventDefault();
    place(...state.cursor);
  }
});

boardEl.addEventListener('click', (event) => {
  const cell = event.target.closest('.cell');
  if (!cell) return;
  state.cursor = [Number(cell.dataset.x), Number(cell.dataset.y)];
  place(...state.cursor);
  render();
});

document.addEventListener('keydown', (event) => {
  const typing = event.target.closest('input, textarea, select');
  if (typing || event.altKey || event.ctrlKey || event.metaKey) return;
  if (event.key === 'u' || event.key === 'U') undo();
});

$('candidates').addEventListener('mouseover', (event) => {
  const row = event.target.closest('tr[data-x]');
  for (const cell of cells) cell.classList.remove('spot');
  if (row) cellAt(Number(row.dataset.x), Number(row.dataset.y)).classList.add('spot');
});
$('candidates').addEventListener('mouseleave', () => cells.forEach((cell) => cell.classList.remove('spot')));

$('new-game').addEventListener('click', newGame);
// The next decision uses the engine chosen; the game goes on.
$('engine').addEventListener('change', retry);
$('side').addEventListener('change', newGame);
$('undo').addEventListener('click', undo);
$('hint').addEventListener('click', () => requestDecision('hint'));
$('retry').addEventListener('click', retry);
$('numbers').addEventListener('change', render);
$('analysis').addEventListener('change', render);
$('show-sgf').addEventListener('click', showSgf);
$('download-sgf').addEventListener('click', downloadSgf);
$('import-sgf').addEventListener('click', () => importSgf($('record-text').value));
$('sgf-file').addEventListener('change', (event) => importFile(event.target.files[0]));
$('copy-position').addEventListener('click', copyPosition);

setInterval(() => {
  if (state.pending) $('status-text').textContent = statusText();
}, 100);

if (query.get('engine') === 'classic') $('engine').value = 'classic';
buildBoard();
newGame();
