// The browser board: a person against the engine, with a look at why it
// moved, a live analysis of any position and the engine's view of the
// game move by move. The server keeps no game; every request carries the
// position.
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
} from './review.mjs';

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
// An analysis is asked for its news this often; the server ends one that
// nobody asks about for ten seconds.
const POLL_MS = 500;
const BUSY_RETRY_MS = 2000;
const GRAPH = { width: 320, height: 100, pad: 12 };

// ?nodes=N makes every strong decision reproducible; ?seed=N&checks=N do
// the same for the classic engine (fast with few checks), and
// ?engine=classic picks it from the start.
const query = new URLSearchParams(location.search);
const fixedSeed = integerParam('seed');
const fixedChecks = integerParam('checks');
const fixedNodes = integerParam('nodes');

const state = {
  moves: [], // the game
  analyses: [], // analyses[i]: the engine's answer that produced move i
  view: 0, // the board shows the position after this many moves of the game
  evaluations: new Map(), // position key → the engine's evaluation (review.mjs)
  savedGame: null, // { moves, analyses }: the game before analysing changed it
  analysing: false,
  multiPv: 3,
  live: null, // the analysis of the shown position: { key, moves, side, id, snapshot, error, stopped, timer }
  preview: null, // the index of the analysis line drawn on the board
  humanSide: 'x',
  names: { x: PLAYER_NAME, o: ENGINE_NAME },
  pending: null, // { kind: 'move' | 'hint', controller, started, moves: the position asked about }
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
const shownMoves = () => state.moves.slice(0, state.view);
const atEnd = () => state.view === state.moves.length;
// Of the position shown; the game goes on at its end.
const sideToMove = () => playerOfMove(state.view);
const currentGrid = () => gridOfMoves(shownMoves());
const outcome = () => outcomeOf(shownMoves());
const engineToMove = () => !outcomeOf(state.moves) && playerOfMove(state.moves.length) === engineSide();
// A hint being sought does not hold up the game: playing drops it. While
// analysing, the person plays both sides anywhere in the game.
function canPlay() {
  if (outcome()) return false;
  if (state.analysing) return true;
  return atEnd() && state.pending?.kind !== 'move' && sideToMove() === state.humanSide;
}

function place(x, y) {
  if (!canPlay() || currentGrid()[y][x] !== EMPTY) return;
  cancelPending();
  state.hint = null;
  if (state.analysing) {
    playFromShown([[x, y]]);
    return;
  }
  state.moves.push([x, y]);
  state.view = state.moves.length;
  afterMove();
}

function afterMove() {
  render();
  if (!state.analysing && !state.pending && engineToMove()) requestDecision('move');
}

// One step into `moves` from the shown position. When they leave the game,
// its end gives way to them, and the game as it was before analysing
// changed it is kept to go back to.
function playFromShown(moves) {
  const line = lineFrom(state.moves, state.view, moves);
  if (line.played === 0) return;
  if (line.moves !== state.moves) {
    state.savedGame ??= { moves: state.moves, analyses: state.analyses };
    state.moves = line.moves;
    state.analyses = state.analyses.slice(0, state.view);
  }
  state.view += 1;
  state.preview = null;
  render();
}

function backToGame() {
  const saved = state.savedGame;
  if (!saved) return;
  cancelPending();
  let common = 0;
  while (common < Math.min(saved.moves.length, state.moves.length) && samePoint(saved.moves[common], state.moves[common]))
    common++;
  state.moves = saved.moves;
  state.analyses = saved.analyses;
  state.view = Math.min(state.view, common);
  state.savedGame = null;
  state.hint = null;
  afterMove();
}

function samePoint(a, b) {
  return a[0] === b[0] && a[1] === b[1];
}

function step(where) {
  const view = stepView(state.view, state.moves.length, where);
  if (view === state.view) return;
  state.view = view;
  state.preview = null;
  render();
}

function toggleAnalysing() {
  state.analysing = !state.analysing;
  state.preview = null;
  if (state.analysing) {
    // The engine's move waits: the person now plays both sides.
    cancelPending();
    state.hint = null;
    state.error = null;
  }
  afterMove();
}

function newGame() {
  cancelPending();
  state.humanSide = $('side').value;
  state.names = state.humanSide === 'x' ? { x: PLAYER_NAME, o: ENGINE_NAME } : { x: ENGINE_NAME, o: PLAYER_NAME };
  state.moves = [];
  state.analyses = [];
  state.view = 0;
  state.savedGame = null;
  state.hint = null;
  state.error = null;
  afterMove();
}

const humanMoved = () => state.moves.some((_, i) => playerOfMove(i) === state.humanSide);
const canUndo = () => (state.analysing ? state.moves.length > 0 : humanMoved());

// Back to the person's previous turn: their last stone and the engine's
// answer to it go, or just their stone while the engine still thinks.
// While analysing, the game's last move goes. Either way the board shows
// the new end.
function undo() {
  if (!canUndo()) return;
  cancelPending();
  state.error = null;
  state.hint = null;
  let removedHuman = false;
  const done = () =>
    state.analysing ? removedHuman : removedHuman && playerOfMove(state.moves.length) === state.humanSide;
  while (state.moves.length > 0 && !done()) {
    if (state.analysing || playerOfMove(state.moves.length - 1) === state.humanSide) removedHuman = true;
    state.moves.pop();
  }
  state.analyses.length = state.moves.length;
  state.view = state.moves.length;
  render();
}

function cancelPending() {
  if (state.pending) state.pending.controller.abort();
  state.pending = null;
}

// ---- the engine -----------------------------------------------------------

// The engine's move is at the game's end; a hint is for the shown position,
// which is the end whenever the person may play.
async function requestDecision(kind) {
  cancelPending();
  state.error = null;
  const side = kind === 'move' ? engineSide() : state.humanSide;
  const moves = kind === 'move' ? state.moves.slice() : shownMoves();
  const controller = new AbortController();
  const pending = { kind, controller, started: performance.now(), moves };
  state.pending = pending;
  render();
  const body = { board: boardLines(gridOfMoves(moves)), side };
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
    acceptDecision(kind, data, moves);
  } catch (error) {
    if (controller.signal.aborted || state.pending !== pending) return;
    state.pending = null;
    state.error = `The engine could not answer: ${error.message}`;
    render();
  }
}

function acceptDecision(kind, data, moves) {
  const [x, y] = data.move || [];
  if (!onBoard(x, y) || gridOfMoves(moves)[y][x] !== EMPTY) {
    state.error = `The engine answered ${JSON.stringify(data.move)}, which is not an empty point.`;
    render();
    return;
  }
  rememberDecision(data, moves, kind === 'move');
  if (kind === 'hint') {
    state.hint = { data, moveCount: moves.length };
    render();
    return;
  }
  const following = atEnd();
  state.analyses[state.moves.length] = data;
  state.moves.push([x, y]);
  if (following) state.view = state.moves.length;
  afterMove();
}

function retry() {
  if (!state.analysing && engineToMove()) requestDecision('move');
}

// ---- evaluations ------------------------------------------------------------

function remember(moves, evaluation) {
  const key = positionKey(moves);
  state.evaluations.set(key, preferredEvaluation(state.evaluations.get(key), evaluation));
}

// A decision scores the position it was asked about, and, once played, the
// position after its move the same: that is what it expects.
function rememberDecision(data, moves, played) {
  if (data.engine !== 'strong') return;
  const side = playerOfMove(moves.length);
  remember(moves, evaluationOf(data, side, data.depth));
  if (played) remember([...moves, data.move], evaluationOf(data, side, data.depth - 1));
}

function evaluationAt(view) {
  return state.evaluations.get(positionKey(state.moves.slice(0, view))) || null;
}

// ---- live analysis ------------------------------------------------------------

// The analysis the page should be running: of the shown position while
// analysing, unless the game is over there or nobody can see the page.
function wantedAnalysis() {
  if (!state.analysing || document.hidden || outcome() || state.view === SIZE * SIZE) return null;
  const moves = shownMoves();
  return { key: `${positionKey(moves)}/${state.multiPv}`, moves, side: sideToMove() };
}

function syncAnalysis() {
  const wanted = wantedAnalysis();
  if ((state.live?.key ?? null) === (wanted?.key ?? null)) return;
  stopLive();
  if (wanted) startLive(wanted);
}

function restartLive() {
  stopLive();
  syncAnalysis();
  render();
}

async function startLive({ key, moves, side }) {
  const live = { key, moves, side, id: null, snapshot: null, error: null, stopped: false, timer: null };
  state.live = live;
  try {
    const response = await fetch('api/analysis', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ board: boardLines(gridOfMoves(moves)), side, multiPv: state.multiPv }),
    });
    const data = await response.json().catch(() => ({ error: `the server answered ${response.status}` }));
    if (live.stopped) {
      if (response.ok) deleteAnalysis(data.id);
      return;
    }
    if (!response.ok) {
      live.error = data.error || `the server answered ${response.status}`;
      if (response.status === 503) {
        live.error = 'The analysis engine is busy with another analysis (another tab?); trying again…';
        live.timer = setTimeout(() => state.live === live && restartLive(), BUSY_RETRY_MS);
      }
      render();
      return;
    }
    live.id = data.id;
    acceptSnapshot(live, data);
  } catch (error) {
    if (live.stopped) return;
    live.error = `The analysis could not start: ${error.message}`;
    render();
  }
}

async function pollLive(live) {
  try {
    const response = await fetch(`api/analysis/${live.id}`);
    if (live.stopped) return;
    // Forgotten, as when the page was asleep: start again.
    if (response.status === 404) return restartLive();
    const data = await response.json();
    if (!response.ok) throw new Error(data.error || `the server answered ${response.status}`);
    acceptSnapshot(live, data);
  } catch (error) {
    if (live.stopped) return;
    live.error = `The analysis stopped answering: ${error.message}`;
    render();
  }
}

function acceptSnapshot(live, data) {
  live.snapshot = data;
  live.error = null;
  const lines = data.lines || [];
  if (lines.length > 0) {
    remember(live.moves, evaluationOf(lines[0], live.side, data.depth));
    for (const line of lines) remember([...live.moves, line.move], evaluationOf(line, live.side, data.depth - 1));
  }
  if (data.running) live.timer = setTimeout(() => pollLive(live), POLL_MS);
  render();
}

function stopLive(leavingPage = false) {
  const live = state.live;
  if (!live) return;
  live.stopped = true;
  clearTimeout(live.timer);
  // One that ended by itself is forgotten by the server soon enough.
  if (live.id && live.snapshot?.running !== false) deleteAnalysis(live.id, leavingPage);
  state.live = null;
}

function deleteAnalysis(id, keepalive = false) {
  fetch(`api/analysis/${id}`, { method: 'DELETE', keepalive }).catch(() => {});
}

// The lines of the analysis of the shown position, once it has any.
function liveLines() {
  return state.live?.snapshot?.lines || [];
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
  state.view = game.moves.length;
  state.savedGame = null;
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
  if (state.analysing) return 'analysing';
  if (!atEnd()) return 'review';
  if (outcome()) return 'over';
  return 'your-turn';
}

function statusText() {
  const over = outcome();
  if (state.pending?.kind === 'move') return `${ENGINE_NAME} is thinking… ${elapsedSeconds()} s`;
  if (state.pending?.kind === 'hint') return `Looking for a hint… ${elapsedSeconds()} s`;
  if (state.error) return state.error;
  if (state.analysing) {
    if (over) return over.winner ? `Analysing: ${over.winner} has five in a row here.` : 'Analysing: the board is full.';
    return `Analysing: ${sideToMove()} to play, move ${state.view + 1}. Click a point to play either side.`;
  }
  if (!atEnd()) return `Move ${state.view} of ${state.moves.length} shown: » or End goes back to the game's end.`;
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
  return state.hint && atEnd() && state.hint.moveCount === state.moves.length ? state.hint : null;
}

// The analysis shown: a hint for the present position, else the engine's
// latest decision on the board shown.
function shownAnalysis() {
  const hint = currentHint();
  if (hint) return { data: hint.data, moveIndex: state.moves.length, hint: true };
  for (let i = state.view - 1; i >= 0; i--)
    if (state.analyses[i]) return { data: state.analyses[i], moveIndex: i, hint: false };
  return null;
}

// Log scale between the weakest and the strongest of the cells shown.
function heatColour(value, { minValue, maxValue }) {
  const t = maxValue > minValue ? Math.log(value / minValue) / Math.log(maxValue / minValue) : 1;
  return `hsla(${Math.round(210 - 210 * t)}, 85%, 55%, ${(0.6 + 0.3 * t).toFixed(2)})`;
}

function render() {
  syncAnalysis();
  const moves = shownMoves();
  const grid = currentGrid();
  const over = outcome();
  const winning = new Set((over?.line || []).map(([x, y]) => `${x},${y}`));
  const last = moves[moves.length - 1];
  const numbers = $('numbers').checked;
  const analysisOn = $('analysis').checked;
  const analysis = analysisOn ? shownAnalysis() : null;
  // The live analysis has the board to itself.
  const overlay = state.analysing ? liveOverlay() : analysisOverlay(analysis);
  const hint = currentHint();
  overlay.hint = hint ? `${hint.data.move[0]},${hint.data.move[1]}` : null;
  const playable = canPlay();
  const index = new Map(moves.map(([x, y], i) => [`${x},${y}`, i]));
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
      const best = overlay.best.get(key);
      if (best) {
        html += `<span class="best${best.rank === 1 ? ' first' : ''}"><b>${best.rank}</b><i>${best.percent}</i></span>`;
        title += ` · line ${best.rank}: ${best.text}`;
      }
      if (playable) html += `<span class="ghost ${state.analysing ? sideToMove() : state.humanSide}"></span>`;
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
  $('retry').hidden = !(state.error && !state.analysing && engineToMove());
  $('undo').disabled = !canUndo();
  $('hint').disabled = !playable || !!state.pending || state.analysing;
  $('analyse').setAttribute('aria-pressed', String(state.analysing));
  $('analysis-panel').hidden = !analysisOn;
  if (analysisOn) renderAnalysisPanel(analysis);
  renderReview();
  renderLivePanel();
}

// The best moves of the live analysis, numbered, with the win rate of the
// side to play; the line pointed at in the panel as translucent stones.
function liveOverlay() {
  const overlay = {
    cells: new Map(), minValue: Infinity, maxValue: 0, ranks: new Map(), steps: new Map(), pv: new Map(), best: new Map(), hint: null,
  };
  const lines = liveLines();
  const previewed = lines[state.preview];
  if (previewed) {
    previewed.pv.forEach(([x, y], i) => {
      if (onBoard(x, y) && !overlay.pv.has(`${x},${y}`))
        overlay.pv.set(`${x},${y}`, { number: i + 1, side: playerOfMove(state.view + i) });
    });
  }
  lines.forEach((line, i) => {
    const key = `${line.move[0]},${line.move[1]}`;
    if (overlay.pv.has(key) || overlay.best.has(key)) return;
    overlay.best.set(key, { rank: i + 1, percent: Math.round(line.winRate * 100), text: lineScoreText(line, sideToMove()) });
  });
  return overlay;
}

// The chance and score of `side`, to play: "x 64 % (+112)" or "x wins in 5 plies".
function lineScoreText(line, side) {
  if (line.result?.win) return `${side} wins in ${line.result.win} plies`;
  if (line.result?.loss) return `${side} loses in ${line.result.loss} plies`;
  return `${side} ${Math.round(line.winRate * 100)} % (${line.eval > 0 ? '+' : ''}${line.eval})`;
}

function renderReview() {
  const length = state.moves.length;
  const view = state.view;
  $('move-shown').textContent = length === 0 ? 'No moves yet' : view === 0 ? `Start of ${length} moves` : `Move ${view} of ${length}`;
  $('first').disabled = $('back').disabled = view === 0;
  $('forward').disabled = $('last').disabled = view === length;
  $('back-to-game').hidden = !state.savedGame;
  $('move-evaluation').textContent = moveEvaluationText(view);
  renderGraph();
}

function moveEvaluationText(view) {
  const evaluation = evaluationAt(view);
  let text = 'Empty board';
  if (view > 0) {
    const [x, y] = state.moves[view - 1];
    text = `${view}. ${playerOfMove(view - 1)} ${x},${y}`;
  }
  if (!evaluation) return `${text}: not evaluated yet${state.analysing ? '' : ' (Analyse evaluates it)'}`;
  const score = evaluation.result ? '' : `, ${evaluation.score > 0 ? '+' : ''}${evaluation.score} for ${evaluation.side}`;
  return `${text}: ${winRateText(evaluation)}${score}, depth ${evaluation.depth}`;
}

// x's chance after each move of the game, and where the board is.
function renderGraph() {
  const { width, height, pad } = GRAPH;
  const rates = positionKeys(state.moves).map((key) => state.evaluations.get(key)?.xWinRate ?? null);
  const { segments, xOf, yOf } = graphGeometry(rates, GRAPH);
  const inner = `x="${pad}" width="${width - 2 * pad}"`;
  let svg = `<rect class="frame" ${inner} y="${pad}" height="${height - 2 * pad}"/>`;
  svg += `<rect class="x-half" ${inner} y="${pad}" height="${(height - 2 * pad) / 2}"/>`;
  svg += `<line class="even" x1="${pad}" x2="${width - pad}" y1="${yOf(0.5)}" y2="${yOf(0.5)}"/>`;
  for (const segment of segments) {
    if (segment.length > 1)
      svg += `<polyline class="curve" points="${segment.map((p) => `${p.x.toFixed(1)},${p.y.toFixed(1)}`).join(' ')}"/>`;
    for (const p of segment) svg += `<circle class="dot" cx="${p.x.toFixed(1)}" cy="${p.y.toFixed(1)}" r="1.8"/>`;
  }
  const nowX = xOf(state.view).toFixed(1);
  svg += `<line class="now" x1="${nowX}" x2="${nowX}" y1="${pad}" y2="${height - pad}"/>`;
  if (rates[state.view] !== null) svg += `<circle class="now-dot" cx="${nowX}" cy="${yOf(rates[state.view]).toFixed(1)}" r="3"/>`;
  svg += `<text x="${pad}" y="${height - 3}">start</text>`;
  svg += `<text x="${width - pad}" y="${height - 3}" text-anchor="end">move ${state.moves.length}</text>`;
  const graph = $('graph');
  if (graph.dataset.drawn !== svg) {
    graph.dataset.drawn = svg;
    graph.innerHTML = svg;
  }
}

function renderLivePanel() {
  $('live-panel').hidden = !state.analysing;
  if (!state.analysing) return;
  const live = state.live;
  const snapshot = live?.snapshot;
  const over = outcome();
  $('live-title').textContent = over ? 'Analysis' : `Analysis: ${sideToMove()} to play`;
  const status = $('live-status');
  status.classList.toggle('error', !!live?.error);
  status.textContent = liveStatusText(live, over);
  $('live-again').hidden = !(snapshot && snapshot.running === false);
  const items = liveLines().map((line, i) => {
    const pv = line.pv.map(([x, y]) => `${x},${y}`).join(' → ');
    return `<li><button type="button" class="line-button" data-index="${i}" title="Play this line: ${pv}">` +
      `<span class="line-rank">${i + 1}</span><span class="line-move">${line.move[0]},${line.move[1]}</span>` +
      `<span class="line-score">${lineScoreText(line, sideToMove())}</span><span class="line-pv">${pv}</span></button></li>`;
  });
  const list = $('live-list');
  const html = items.join('');
  if (list.dataset.drawn !== html) {
    list.dataset.drawn = html;
    list.innerHTML = html;
  }
}

function liveStatusText(live, over) {
  if (over) return 'The game is over in this position: nothing to analyse.';
  if (!live) return document.hidden ? 'Paused while the page is hidden.' : '';
  if (live.error) return live.error;
  const snapshot = live.snapshot;
  if (!snapshot || snapshot.depth === 0) return 'Thinking…';
  const figures = `depth ${snapshot.depth}, ${countText(snapshot.nodes)} nodes, ${Math.round(snapshot.elapsedMs / 1000)} s`;
  return snapshot.running ? `Thinking: ${figures}` : `Ended: ${figures}.`;
}

function countText(count) {
  if (count >= 1e6) return `${(count / 1e6).toFixed(1)} M`;
  if (count >= 1e3) return `${(count / 1e3).toFixed(1)} k`;
  return String(count);
}

// What the analysis puts on the board: the heat map, candidate ranks, the
// winning line's steps, the strong engine's expected line and the hinted point.
function analysisOverlay(analysis) {
  const overlay = {
    cells: new Map(), minValue: Infinity, maxValue: 0, ranks: new Map(), steps: new Map(), pv: new Map(), best: new Map(), hint: null,
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

// The arrow keys move the board's cursor on the board and step through the
// game anywhere else.
document.addEventListener('keydown', (event) => {
  const typing = event.target.closest('input, textarea, select');
  if (typing || event.altKey || event.ctrlKey || event.metaKey) return;
  if (event.key === 'u' || event.key === 'U') undo();
  const steps = { Home: 'first', End: 'last' };
  if (!event.target.closest('#board')) Object.assign(steps, { ArrowLeft: 'back', ArrowRight: 'forward' });
  if (steps[event.key]) {
    event.preventDefault();
    step(steps[event.key]);
  }
});

function lineIndexOf(event) {
  const button = event.target.closest('.line-button');
  return button ? Number(button.dataset.index) : null;
}

function previewLine(index) {
  if (state.preview === index) return;
  state.preview = index;
  render();
}

$('live-list').addEventListener('click', (event) => {
  const line = liveLines()[lineIndexOf(event)];
  if (line) playFromShown(line.pv);
});
$('live-list').addEventListener('mouseover', (event) => previewLine(lineIndexOf(event)));
$('live-list').addEventListener('mouseleave', () => previewLine(null));
$('live-list').addEventListener('focusin', (event) => previewLine(lineIndexOf(event)));
$('live-list').addEventListener('focusout', () => previewLine(null));
$('live-lines').addEventListener('change', (event) => {
  state.multiPv = Number(event.target.value);
  render();
});
$('live-again').addEventListener('click', restartLive);
$('analyse').addEventListener('click', toggleAnalysing);
$('first').addEventListener('click', () => step('first'));
$('back').addEventListener('click', () => step('back'));
$('forward').addEventListener('click', () => step('forward'));
$('last').addEventListener('click', () => step('last'));
$('back-to-game').addEventListener('click', backToGame);
$('graph').addEventListener('click', (event) => {
  const box = event.currentTarget.getBoundingClientRect();
  const x = ((event.clientX - box.left) * GRAPH.width) / box.width;
  state.view = indexAtGraphX(x, state.moves.length + 1, GRAPH);
  state.preview = null;
  render();
});
document.addEventListener('visibilitychange', render);
// Closing the tab frees the analysis engine at once; a page brought back
// from the history starts again.
window.addEventListener('pagehide', () => stopLive(true));
window.addEventListener('pageshow', render);

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
