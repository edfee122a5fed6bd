// Plays the browser board in Debian's chromium as a person would: clicks,
// keys, records, the analysis view and a phone-sized screen. Never depends
// on which moves the engine picks, only on what any sane engine does.
//
// node browser-test.mjs BASE_URL OUTPUT_DIR
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [baseUrl, outputDir] = process.argv.slice(2);
if (!baseUrl || !outputDir) {
  console.error('usage: node browser-test.mjs BASE_URL OUTPUT_DIR');
  process.exit(2);
}
// A fixed seed and a small check budget: reproducible and quick.
const pageUrl = new URL('?engine=classic&seed=11&checks=3000', baseUrl).href;
const WAIT = { timeout: 30_000 };

const results = [];
async function step(name, body) {
  const started = Date.now();
  try {
    await body();
    results.push({ name, ok: true });
    console.log(`ok - ${name} (${Date.now() - started} ms)`);
  } catch (error) {
    results.push({ name, ok: false });
    console.log(`not ok - ${name}\n  ${String(error.stack || error).split('\n').join('\n  ')}`);
    throw error;
  }
}

function check(condition, message) {
  if (!condition) throw new Error(message);
}

const cell = (page, x, y) => page.locator(`#board .cell[data-x="${x}"][data-y="${y}"]`);
const stones = (page, selector = '') => page.locator(`#board .stone${selector}`);

async function waitForPhase(page, phase) {
  await page.waitForFunction((p) => document.body.dataset.phase === p, phase, WAIT);
}

async function waitForStones(page, count) {
  await page.waitForFunction((n) => document.querySelectorAll('#board .stone').length === n, count, WAIT);
}

async function emptyPoints(page) {
  return page.$$eval('#board .cell.empty', (els) => els.map((el) => [Number(el.dataset.x), Number(el.dataset.y)]));
}

// An empty point next to the stones, so the game stays where the play is.
async function emptyPointNear(page, [x, y]) {
  const empty = new Set((await emptyPoints(page)).map((p) => p.join(',')));
  for (let r = 1; r < 20; r++)
    for (let dx = -r; dx <= r; dx++)
      for (let dy = -r; dy <= r; dy++) {
        const point = [x + dx, y + dy];
        if (empty.has(point.join(','))) return point;
      }
  throw new Error('no empty point left');
}

async function importSgf(page, sgf) {
  await page.fill('#record-text', sgf);
  await page.click('#import-sgf');
}

async function winningPoints(page) {
  return page.$$eval('#board .stone.win', (els) =>
    els.map((el) => [Number(el.parentElement.dataset.x), Number(el.parentElement.dataset.y)]).sort((a, b) => a[0] - b[0] || a[1] - b[1]),
  );
}

// A fresh profile every run, removed at the end.
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'pentad-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1280, height: 900 },
  args: [
    '--headless',
    '--no-sandbox',
    '--disable-gpu',
    '--disable-quic',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
  ],
});

const problems = [];
let failureStaged = false; // the browser logs the 500 this test fakes
let exitCode = 0;
try {
  const page = browser.pages()[0] || (await browser.newPage());
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => {
    const staged = failureStaged && message.text().includes('status of 500');
    if (message.type() === 'error' && !staged) problems.push(`console error: ${message.text()}`);
  });

  await step('the page opens on an empty board with the person to move', async () => {
    await page.goto(pageUrl);
    await waitForPhase(page, 'your-turn');
    check((await page.locator('#board .cell').count()) === 400, 'the board has not 400 points');
    check((await stones(page).count()) === 0, 'the board is not empty');
    check((await page.textContent('#status-text')).includes('Your move (x)'), 'no "your move" status');
  });

  let lastHuman = [9, 9];
  await step('clicks place stones and the engine answers each', async () => {
    for (let turn = 1; turn <= 2; turn++) {
      const point = turn === 1 ? [9, 9] : await emptyPointNear(page, lastHuman);
      await cell(page, ...point).click();
      check((await cell(page, ...point).locator('.stone.x').count()) === 1, `no x stone at ${point}`);
      await waitForStones(page, 2 * turn);
      await waitForPhase(page, 'your-turn');
      lastHuman = point;
    }
    check((await stones(page, '.o').count()) === 2, 'the engine has not two stones');
    check((await stones(page, '.last').count()) === 1, 'the last move is not marked once');
    check((await stones(page, '.o.last').count()) === 1, 'the mark is not on the engine\'s stone');
  });

  await step('the arrow keys and Enter place a stone too', async () => {
    const target = await emptyPointNear(page, lastHuman);
    await page.focus('#board');
    const cursor = await page.$eval('#board .cell.cursor', (el) => [Number(el.dataset.x), Number(el.dataset.y)]);
    const press = async (key, times) => {
      for (let i = 0; i < times; i++) await page.keyboard.press(key);
    };
    await press(target[0] > cursor[0] ? 'ArrowRight' : 'ArrowLeft', Math.abs(target[0] - cursor[0]));
    await press(target[1] > cursor[1] ? 'ArrowDown' : 'ArrowUp', Math.abs(target[1] - cursor[1]));
    check((await cell(page, ...target).getAttribute('class')).includes('cursor'), 'the cursor did not follow the keys');
    await page.keyboard.press('Enter');
    check((await cell(page, ...target).locator('.stone.x').count()) === 1, 'Enter placed no stone');
    await waitForStones(page, 6);
    await waitForPhase(page, 'your-turn');
  });

  await step('move numbers toggle on and off', async () => {
    await page.check('#numbers');
    const numbers = await stones(page).allTextContents();
    check(numbers.slice().sort((a, b) => a - b).join(',') === '1,2,3,4,5,6', `numbers are ${numbers}`);
    check((await cell(page, 9, 9).textContent()) === '1', 'the first stone is not numbered 1');
    await page.uncheck('#numbers');
    check((await stones(page).allTextContents()).every((t) => t === ''), 'numbers stayed');
  });

  await step('the analysis view shows the heat map, candidates and stage', async () => {
    await page.check('#analysis');
    await page.waitForSelector('#analysis-panel:not([hidden])', WAIT);
    check((await page.locator('#board .heat').count()) > 0, 'no heat map');
    check((await page.locator('#candidates tbody tr[data-x]').count()) > 0, 'no candidates');
    check((await page.textContent('#stage')).trim().length > 0, 'no stage');
    check(/move 6 \(o\)/.test(await page.textContent('#analysis-title')), 'the analysis is not of the last move');
    await page.screenshot({ path: path.join(outputDir, 'board.png') });
  });

  await step('a hint marks an empty point without playing it', async () => {
    await page.uncheck('#analysis');
    await page.click('#hint');
    await page.waitForSelector('#board .cell.empty .hint-mark', WAIT);
    check((await stones(page).count()) === 6, 'the hint played a stone');
    await page.check('#analysis');
    check((await page.textContent('#analysis-title')).startsWith('Hint for you (x)'), 'the panel does not show the hint');
  });

  await step('undo takes back the person\'s move and the answer', async () => {
    await page.click('#undo');
    await waitForStones(page, 4);
    await waitForPhase(page, 'your-turn');
    check((await page.locator('#board .hint-mark').count()) === 0, 'the hint outlived the undo');
  });

  await step('the game exports as SGF and the position as "Plocha.dat" text', async () => {
    await page.click('#show-sgf');
    const sgf = await page.inputValue('#record-text');
    check(/^\(;FF\[4\]GM\[4\]SZ\[20\]CA\[UTF-8\]PB\[Player\]PW\[Pentad\]/.test(sgf), `bad SGF head: ${sgf}`);
    check(sgf.includes(';B[jj]'), 'the first move is not B[jj]');
    check((sgf.match(/;[BW]\[[a-t]{2}\]/g) || []).length === 4, 'the SGF has not 4 moves');
    check(!sgf.includes('RE['), 'an unfinished game has a result');
    const [download] = await Promise.all([page.waitForEvent('download', WAIT), page.click('#download-sgf')]);
    check(/^pentad-\d{12}\.sgf$/.test(download.suggestedFilename()), `file name ${download.suggestedFilename()}`);
    const saved = fs.readFileSync(await download.path(), 'utf8');
    check(saved === sgf, 'the downloaded SGF differs from the one shown');
    await page.click('#copy-position');
    const lines = (await page.inputValue('#record-text')).split(/\r?\n/);
    check(lines.length === 21 && lines.slice(0, 20).every((l) => /^[-xo]{20}$/.test(l)), 'not 20 lines of 20');
    check(lines[9][9] === 'x', 'line 9, character 9 is not the first stone');
    const count = (c) => lines.join('').split(c).length - 1;
    check(count('x') === 2 && count('o') === 2, 'wrong stone counts in the position');
  });

  await step('the person finishes a game by a five and the line lights up', async () => {
    // x has four on row 5 and is to move; o's stones are scattered.
    await importSgf(page, '(;FF[4]GM[4]SZ[20];B[ff];W[fm];B[gf];W[ho];B[hf];W[jm];B[if];W[lo])');
    await waitForPhase(page, 'your-turn');
    check((await stones(page).count()) === 8, 'the import did not place 8 stones');
    check((await page.inputValue('#side')) === 'x', 'the person does not play x after the import');
    await cell(page, 9, 5).click();
    await waitForPhase(page, 'over');
    const line = await winningPoints(page);
    check(JSON.stringify(line) === '[[5,5],[6,5],[7,5],[8,5],[9,5]]', `highlighted ${JSON.stringify(line)}`);
    check((await page.textContent('#status-text')).includes('You win'), 'no win announced');
    await cell(page, 0, 0).click();
    check((await stones(page).count()) === 9, 'a stone was placed after the end');
    await page.click('#show-sgf');
    check((await page.inputValue('#record-text')).includes('RE[B+]'), 'the SGF has no RE[B+]');
    await page.screenshot({ path: path.join(outputDir, 'five.png') });
  });

  await step('undo reopens a finished game', async () => {
    await page.click('#undo');
    await waitForPhase(page, 'your-turn');
    check((await stones(page, '.win').count()) === 0, 'the line is still lit');
  });

  await step('the engine completes its own open four and wins', async () => {
    // o has an open four on row 10; x is to move and plays elsewhere.
    await importSgf(page, '(;FF[4]GM[4]SZ[20];B[cc];W[kk];B[cf];W[lk];B[ci];W[mk];B[fr];W[nk])');
    await waitForPhase(page, 'your-turn');
    await cell(page, 0, 19).click();
    await waitForPhase(page, 'over');
    const line = await winningPoints(page);
    check(line.length === 5 && line.every(([, y]) => y === 10), `highlighted ${JSON.stringify(line)}`);
    check((await stones(page, '.win.o').count()) === 5, 'the lit stones are not the engine\'s');
    check((await page.textContent('#status-text')).includes('Pentad wins'), 'no loss announced');
  });

  await step('an engine failure shows the error and Retry asks again', async () => {
    await page.selectOption('#side', 'x');
    await page.click('#new-game');
    await waitForPhase(page, 'your-turn');
    failureStaged = true;
    // Answered late, so the thinking indicator can be seen first.
    await page.route('**/api/move', (route) =>
      setTimeout(
        () => route.fulfill({ status: 500, contentType: 'application/json', body: '{"error": "out of order"}' }),
        700,
      ),
    );
    await cell(page, 9, 9).click();
    await waitForPhase(page, 'thinking');
    check(await page.isVisible('#status .spinner'), 'no thinking indicator');
    check((await page.textContent('#status-text')).includes('thinking'), 'no thinking status');
    check(await page.isDisabled('#hint'), 'a hint is offered while the engine thinks');
    await waitForPhase(page, 'error');
    check((await page.textContent('#status-text')).includes('out of order'), 'the error is not shown');
    await page.unroute('**/api/move');
    failureStaged = false;
    await page.click('#retry');
    await waitForStones(page, 2);
    await waitForPhase(page, 'your-turn');
  });

  await step('playing o, the engine opens the game', async () => {
    await page.selectOption('#side', 'o');
    await waitForStones(page, 1);
    await waitForPhase(page, 'your-turn');
    check((await stones(page, '.x').count()) === 1, 'the engine did not play x');
    check((await page.textContent('#status-text')).includes('Your move (o)'), 'not o to move');
    check(await page.isDisabled('#undo'), 'undo is offered with no move of the person to undo');
  });

  await step('the strong engine answers and its line and evaluation are shown', async () => {
    const strong = await browser.newPage();
    strong.on('pageerror', (error) => problems.push(`page error (strong): ${error.message}`));
    await strong.goto(new URL('?nodes=3000', baseUrl).href);
    await waitForPhase(strong, 'your-turn');
    check((await strong.inputValue('#engine')) === 'strong', 'the strong engine is not the default');
    await cell(strong, 9, 9).click();
    await waitForStones(strong, 2);
    await waitForPhase(strong, 'your-turn');
    await strong.check('#analysis');
    check((await strong.textContent('#engine-name')) === 'strong', 'the analysis is not the strong engine\'s');
    check(/ for o$|o (wins|loses) in/.test(await strong.textContent('#evaluation')), 'no evaluation shown');
    // A hint's line starts on an empty point: its first stone is drawn.
    await strong.click('#hint');
    await strong.waitForSelector('#board .cell.empty .pv', WAIT);
    await strong.screenshot({ path: path.join(outputDir, 'board-strong.png') });
    await strong.close();
  });

  // A page of the strong engine on a budget, with the person's first stone
  // answered.
  async function strongPageAfterOneMove(name, viewport) {
    const board = await browser.newPage();
    if (viewport) await board.setViewportSize(viewport);
    board.on('pageerror', (error) => problems.push(`page error (${name}): ${error.message}`));
    board.on('console', (message) => {
      if (message.type() === 'error') problems.push(`console error (${name}): ${message.text()}`);
    });
    await board.goto(new URL('?nodes=3000', baseUrl).href);
    await waitForPhase(board, 'your-turn');
    await cell(board, 9, 9).click();
    await waitForStones(board, 2);
    await waitForPhase(board, 'your-turn');
    return board;
  }

  // Leaving the mode stops the server's analysis, so that the next page finds
  // the analysis engine free.
  async function stopAnalysing(board) {
    const stopped = board.waitForRequest((r) => r.method() === 'DELETE' && /\/api\/analysis\/\d+$/.test(r.url()), WAIT);
    await board.click('#analyse');
    await stopped;
    check(await board.isHidden('#live-panel'), 'the analysis panel stayed');
    check((await board.locator('#board .best').count()) === 0, 'the best moves outlived the analysis');
  }

  const lineMoves = (board) => board.$$eval('#live-list .line-move', (els) => els.map((el) => el.textContent));
  const moveShown = (board) => board.textContent('#move-shown');

  await step('analysing draws the best moves with their win rates and plays a line step by step', async () => {
    const board = await strongPageAfterOneMove('analysis');
    await board.click('#analyse');
    await waitForPhase(board, 'analysing');
    check((await board.getAttribute('#analyse', 'aria-pressed')) === 'true', 'the Analyse button is not pressed');
    await board.waitForFunction(() => /depth \d+/.test(document.getElementById('live-status').textContent), null, WAIT);
    await board.waitForSelector('#board .cell.empty .best', WAIT);
    const lines = await lineMoves(board);
    check(lines.length >= 1 && lines.length <= 3, `${lines.length} lines for 3 asked`);
    check(new Set(lines).size === lines.length, `a move in two lines: ${lines}`);
    const markers = await board.$$eval('#board .best', (els) =>
      els.map((el) => ({ at: `${el.parentElement.dataset.x},${el.parentElement.dataset.y}`, rank: el.querySelector('b').textContent, rate: el.querySelector('i').textContent })),
    );
    check(markers.length === lines.length, `${markers.length} marks for ${lines.length} lines`);
    check(markers.find((m) => m.rank === '1')?.at === lines[0], 'the best line\'s move is not marked 1');
    check(markers.every((m) => /^\d{1,3}$/.test(m.rate)), `win rates ${markers.map((m) => m.rate)}`);
    check(/^x (\d+ %|wins|loses)/.test(await board.textContent('#live-list .line-score')), 'no score for x, to play');
    await board.hover('#live-list li:first-child .line-button');
    await board.waitForSelector('#board .pv', WAIT);
    await board.screenshot({ path: path.join(outputDir, 'analysis.png') });

    // Caught here so that a missing request fails this step, not the whole run.
    const restarted = board.waitForRequest((r) => r.method() === 'POST' && r.url().endsWith('/api/analysis'), WAIT).catch((error) => error);
    // Read and clicked at once: a deeper depth may change the lines between two steps of the test.
    const title = await board.$eval('#live-list li:first-child .line-button', (button) => {
      const played = button.title;
      button.click();
      return played;
    });
    const pv = title.replace(/^[^:]*: /, '').split(' → ').map((p) => p.split(',').map(Number));
    await waitForStones(board, 3);
    check((await cell(board, ...pv[0]).locator('.stone.x').count()) === 1, `the line's first move ${pv[0]} is not played`);
    check((await moveShown(board)).startsWith('Move 3 of '), `shown: ${await moveShown(board)}`);
    check(!((await restarted) instanceof Error), 'the analysis did not restart on the new position');
    await board.waitForSelector('#live-list .line-button', WAIT);
    check(/o to play/.test(await board.textContent('#live-title')), 'the analysis is not of the new position');
    if (pv.length > 1) {
      await board.click('#forward');
      await waitForStones(board, 4);
      check((await cell(board, ...pv[1]).locator('.stone.o').count()) === 1, `the line's second move ${pv[1]} is not played`);
      await board.click('#back');
      await waitForStones(board, 3);
    }
    await stopAnalysing(board);
    check(await board.isVisible('#back-to-game'), 'no way back to the game');
    await board.click('#back-to-game');
    await waitForStones(board, 2);
    await waitForPhase(board, 'your-turn');
    check((await moveShown(board)) === 'Move 2 of 2', `back in the game at ${await moveShown(board)}`);
    await board.close();
  });

  await step('the graph fills in as the game is played and stepping goes through the game', async () => {
    const board = await strongPageAfterOneMove('graph');
    await cell(board, 10, 10).click();
    await waitForStones(board, 4);
    await waitForPhase(board, 'your-turn');
    check((await board.locator('#graph .dot').count()) >= 4, 'the decisions left fewer than 4 points');
    check(/^4\. o \d+,\d+: [xo] (\d+ %|wins)/.test(await board.textContent('#move-evaluation')), 'no evaluation of move 4');
    const now = () => board.getAttribute('#graph .now', 'x1');
    const atEnd = await now();

    await board.click('#move-shown'); // off the board: the arrow keys step
    await board.keyboard.press('Home');
    await waitForStones(board, 0);
    check((await moveShown(board)) === 'Start of 4 moves', `shown: ${await moveShown(board)}`);
    await board.keyboard.press('ArrowRight');
    await waitForStones(board, 1);
    await waitForPhase(board, 'review');
    await board.click('#forward');
    await waitForStones(board, 2);
    check((await now()) !== atEnd, 'the graph does not mark the move shown');
    check((await board.textContent('#status-text')).includes('Move 2 of 4'), 'no status while reviewing');
    await cell(board, 0, 0).click();
    check((await stones(board).count()) === 2, 'a stone was placed in an earlier position outside analysis');
    // On the board the arrows move its cursor and step nowhere.
    await board.keyboard.press('ArrowRight');
    const cursor = await board.$eval('#board .cell.cursor', (el) => `${el.dataset.x},${el.dataset.y}`);
    check(cursor === '1,0' && (await moveShown(board)) === 'Move 2 of 4', `cursor ${cursor}, ${await moveShown(board)}`);
    await board.screenshot({ path: path.join(outputDir, 'graph.png') });
    await board.keyboard.press('End');
    await waitForStones(board, 4);
    await waitForPhase(board, 'your-turn');

    // A record loaded for review: each move shown is analysed in turn.
    await importSgf(board, '(;FF[4]GM[4]SZ[20];B[jj];W[kj];B[jk];W[kk];B[jl])');
    await waitForStones(board, 5);
    await board.click('#analyse');
    for (const move of [4, 3]) {
      await board.click('#back');
      await waitForStones(board, move);
      await board.waitForFunction(
        (n) => new RegExp(`^${n}\\. [xo] \\d+,\\d+: [xo] (\\d+ %|wins).*depth \\d+`).test(document.getElementById('move-evaluation').textContent),
        move,
        WAIT,
      );
    }
    await board.screenshot({ path: path.join(outputDir, 'review.png') });
    await stopAnalysing(board);
    await board.close();
  });

  await step('analysing fits a phone-sized screen', async () => {
    const small = await strongPageAfterOneMove('phone analysis', { width: 390, height: 844 });
    await small.click('#analyse');
    await small.waitForSelector('#board .best', WAIT);
    await small.waitForSelector('#live-list .line-button', WAIT);
    const widths = await small.evaluate(() => ({ page: document.documentElement.scrollWidth, view: window.innerWidth }));
    check(widths.page <= widths.view, `too wide: ${JSON.stringify(widths)}`);
    await small.screenshot({ path: path.join(outputDir, 'analysis-phone.png'), fullPage: true });
    await stopAnalysing(small);
    await small.close();
  });

  await step('a phone-sized screen fits the board without sideways scrolling', async () => {
    const small = await browser.newPage();
    await small.setViewportSize({ width: 390, height: 844 });
    small.on('pageerror', (error) => problems.push(`page error (phone): ${error.message}`));
    await small.goto(pageUrl);
    await waitForPhase(small, 'your-turn');
    const widths = await small.evaluate(() => ({
      page: document.documentElement.scrollWidth,
      view: window.innerWidth,
      board: document.getElementById('board').getBoundingClientRect().right,
    }));
    check(widths.page <= widths.view && widths.board <= widths.view, `too wide: ${JSON.stringify(widths)}`);
    await cell(small, 9, 9).click();
    await waitForStones(small, 2);
    await waitForPhase(small, 'your-turn');
    await small.check('#analysis');
    await small.screenshot({ path: path.join(outputDir, 'board-phone.png'), fullPage: true });
    await small.close();
  });

  await step('nothing went wrong in the page', async () => {
    check(problems.length === 0, problems.join('\n'));
  });
} catch {
  exitCode = 1;
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}

const failed = results.filter((r) => !r.ok).length;
console.log(`${results.length - failed} passed, ${failed} failed`);
process.exit(exitCode || (failed ? 1 : 0));
