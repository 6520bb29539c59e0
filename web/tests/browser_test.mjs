// browser_test.mjs - the web page in a real browser: Debian's chromium,
// headless, driven by playwright-core.
//
//   node browser_test.mjs --web DIR --capture DEMO_CAPTURE [--chromium PATH] [--group NAME]
//
// DIR is the built page folder; DEMO_CAPTURE the native capture tool, whose
// trace is the reference the page's test mode must match pass for pass.
// Groups (all by default): plays, capture, keys, silent. The page is served
// from a throwaway local server; /no-music/ serves the same folder without
// "data.dat", /bad-music/ with a "data.dat" no browser can decode.
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { parseArgs } from 'node:util';

import { chromium } from 'playwright-core';

const { values: options } = parseArgs({
  options: {
    web: { type: 'string' },
    capture: { type: 'string' },
    chromium: { type: 'string', default: '/usr/bin/chromium' },
    group: { type: 'string', default: 'all' },
  },
});
if (!options.web || !options.capture) {
  console.error('usage: browser_test.mjs --web DIR --capture DEMO_CAPTURE [--chromium PATH] [--group NAME]');
  process.exit(2);
}

const kChromiumFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];
const kSlowDownRate = 1000 / 44100;
const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm' };

function serve(root) {
  const server = http.createServer((request, response) => {
    let route = decodeURIComponent(new URL(request.url, 'http://page').pathname);
    let variant = '';
    for (const prefix of ['/no-music', '/bad-music']) {
      if (route.startsWith(prefix + '/')) {
        variant = prefix;
        route = route.slice(prefix.length);
      }
    }
    if (route.endsWith('/data.dat') && variant === '/no-music') return notFound(response);
    if (route.endsWith('/data.dat') && variant === '/bad-music') {
      response.writeHead(200, { 'Content-Type': 'application/octet-stream' });
      return response.end(Buffer.from('this is not audio in any format'.repeat(64)));
    }
    const file = path.join(root, path.normalize(route));
    if (!file.startsWith(root)) return notFound(response);
    fs.readFile(file, (error, data) => {
      if (error) return notFound(response);
      response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] ||
                                                'application/octet-stream' });
      response.end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

function notFound(response) {
  response.writeHead(404);
  response.end();
}

// A fresh browser with a fresh profile for each group, so no group sees
// another's state.
async function withPage(pathname, body) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'demo-web-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: options.chromium, args: kChromiumFlags, headless: true,
    viewport: { width: 800, height: 640 },
  });
  const page = context.pages()[0] || await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push('page error: ' + error.message));
  try {
    await page.goto(`http://127.0.0.1:${server.address().port}${pathname}`);
    await body(page, problems);
  } finally {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

// Counts the page's presented frames: Emscripten's SDL puts every flipped
// screen onto the page canvas with one putImageData.
function countPresentedFrames() {
  window.presentedFrames = 0;
  const original = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function(...args) {
    window.presentedFrames += 1;
    return original.apply(this, args);
  };
}

// The canvas is as large as the stage allows at 4:3, centred, pixels crisp.
async function assertCanvasFits(page, where) {
  const canvas = await page.locator('#screen').boundingBox();
  const stage = await page.locator('#stage').boundingBox();
  assert.ok(Math.abs(canvas.width * 3 - canvas.height * 4) < 4, `4:3 ${where}`);
  assert.ok(Math.abs(canvas.width - stage.width) < 1 || Math.abs(canvas.height - stage.height) < 1,
            `fills the stage ${where}: ${JSON.stringify([canvas, stage])}`);
  assert.ok(Math.abs(canvas.x + canvas.width / 2 - (stage.x + stage.width / 2)) < 1, `centred ${where}`);
  assert.ok(Math.abs(canvas.y + canvas.height / 2 - (stage.y + stage.height / 2)) < 1, `centred ${where}`);
  assert.equal(await page.evaluate(
    () => getComputedStyle(document.getElementById('screen')).imageRendering), 'pixelated');
}

async function startByClick(page) {
  await page.waitForSelector('#start:not([hidden])');
  await page.click('#start');
  await page.waitForFunction(() => document.body.classList.contains('playing'));
}

// CRC-32 of the page canvas's pixels as RGB bytes, the layout of the
// program's canvas, so it compares with the trace's CRC.
function pageCanvasCrc() {
  const canvas = document.getElementById('screen');
  const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let crc = 0xFFFFFFFF;
  for (let i = 0; i < rgba.length; i += 4) {
    for (let k = 0; k < 3; ++k) {
      crc ^= rgba[i + k];
      for (let bit = 0; bit < 8; ++bit) crc = (crc >>> 1) ^ (0xEDB88320 & -(crc & 1));
    }
  }
  return (crc ^ 0xFFFFFFFF) >>> 0;
}

function pageCanvasIsBlack() {
  const canvas = document.getElementById('screen');
  const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  for (let i = 0; i < rgba.length; i += 4) {
    if (rgba[i] || rgba[i + 1] || rgba[i + 2]) return false;
  }
  return true;
}

function nativeTrace(args) {
  const output = execFileSync(options.capture, ['--trace', ...args],
                              { encoding: 'utf8', maxBuffer: 1 << 28 });
  return output.trim().split('\n').map((line) => {
    const [pass, rendered, sceneIndex, sceneFrame, fading, swing, tick, crc] = line.split(' ');
    return { pass: +pass, rendered: +rendered, sceneIndex: +sceneIndex, sceneFrame: +sceneFrame,
             fading: +fading, swing: Number(swing), tick: +tick, crc: parseInt(crc, 16) };
  });
}

async function pageTrace(page) {
  await page.waitForFunction(() => window.captureDone !== undefined, null,
                             { timeout: 240000, polling: 500 });
  return page.evaluate(() => ({ passes: window.captureDone, trace: window.captureTrace }));
}

function firstDifference(expected, actual) {
  const fields = ['pass', 'rendered', 'sceneIndex', 'sceneFrame', 'fading', 'swing', 'tick', 'crc'];
  for (let i = 0; i < Math.max(expected.length, actual.length); ++i) {
    const want = expected[i];
    const got = actual[i];
    if (!want || !got || fields.some((field) => want[field] !== got[field])) {
      return { index: i, want, got };
    }
  }
  return null;
}

// The passes and scenes a run covered: scene frames per scene index.
function sceneFramesSeen(trace) {
  const seen = {};
  for (const line of trace) {
    if (line.rendered && !line.fading && line.sceneFrame > 0) {
      seen[line.sceneIndex] = (seen[line.sceneIndex] || 0) + 1;
    }
  }
  return seen;
}

const selected = (group) => options.group === 'all' || options.group === group;
const server = await serve(path.resolve(options.web));
after(() => {
  server.closeAllConnections();
  server.close();
});

test('the page loads cleanly, starts on a click, and plays at 60 frames per second',
     { skip: !selected('plays') }, async () => {
  await withPage('/index.html', async (page, problems) => {
    await page.evaluate(countPresentedFrames);
    assert.equal(await page.evaluate(() => window.presentedFrames), 0,
                 'nothing is drawn before the viewer starts it');
    await startByClick(page);
    await page.waitForTimeout(500);
    const before = await page.evaluate(() => [window.presentedFrames, performance.now()]);
    await page.waitForTimeout(2000);
    const after = await page.evaluate(() => [window.presentedFrames, performance.now()]);
    const rate = (after[0] - before[0]) / ((after[1] - before[1]) / 1000);
    console.log(`# presented ${rate.toFixed(1)} frames per second`);
    assert.ok(rate > 20, `frames advance (${rate.toFixed(1)} per second)`);
    assert.ok(rate < 61.5, `never faster than 60 frames per second (${rate.toFixed(1)})`);
    assert.ok(!(await page.evaluate(pageCanvasIsBlack)), 'the first scene is on the page');
    assert.equal(await page.evaluate(() => document.getElementById('status').textContent), '',
                 'no complaint on the page when the music plays');
    assert.equal(await page.evaluate(() => Module.musicContext.state), 'running');

    await assertCanvasFits(page, 'in the window');
    await page.dblclick('#screen');
    await page.waitForFunction(() => document.fullscreenElement === document.getElementById('stage'));
    await assertCanvasFits(page, 'in full screen');
    assert.deepEqual(problems, [], 'no console errors');
  });
});

test('the test mode matches the native capture tool pass for pass', { skip: !selected('capture') },
     async (t) => {
  await t.test('the whole script without keys, every scene and transition', async () => {
    const expected = nativeTrace([]);
    const seen = sceneFramesSeen(expected);
    assert.deepEqual(Object.keys(seen), ['0', '1', '2', '3', '4'], 'the run covers every scene');
    await withPage(`/index.html?frames=${expected.length + 10}`, async (page, problems) => {
      const { passes, trace } = await pageTrace(page);
      assert.equal(passes, expected.length, 'the script ends on the same pass');
      assert.equal(firstDifference(expected, trace), null);
      assert.equal(await page.evaluate(pageCanvasCrc), trace[trace.length - 1].crc,
                   'the page shows the canvas of the last pass');
      assert.deepEqual(problems, []);
    });
  });
  await t.test('keys: two skips in one pass, a skip during a transition, a close request', async () => {
    const args = ['--keys', '400:space,400:space,450:space,1300:close'];
    const expected = nativeTrace(args);
    assert.deepEqual(Object.keys(sceneFramesSeen(expected)), ['0', '3', '4'],
                     'the skips carry the script from scene 0 to 3, its timer on to 4');
    await withPage(`/index.html?frames=3000&keys=${args[1]}`, async (page) => {
      const { passes, trace } = await pageTrace(page);
      assert.equal(passes, 1300, 'the close request ends the run after its pass');
      assert.equal(firstDifference(expected, trace), null);
      // the page shows what the program drew on its last pass
      assert.equal(await page.evaluate(pageCanvasCrc), trace[trace.length - 1].crc);
    });
  });
  await t.test('the page shows the canvas exactly, colours in their places', async () => {
    // Scene 0 has green rings and a many-coloured picture: a channel out of
    // place or a lost bit changes the CRC, which a black or grey frame would not.
    await withPage('/index.html?frames=500', async (page) => {
      const { passes, trace } = await pageTrace(page);
      assert.equal(passes, 500);
      assert.equal(trace[499].sceneIndex, 0);
      assert.equal(await page.evaluate(pageCanvasCrc), trace[499].crc);
    });
  });
  await t.test('options the capture tool refuses are refused', async () => {
    await withPage('/index.html?frames=0', async (page) => {
      assert.equal((await pageTrace(page)).passes, -1);
    });
    await withPage('/index.html?frames=10&keys=5:enter', async (page) => {
      assert.equal((await pageTrace(page)).passes, -1);
    });
  });
});

test('Space skips a scene; Escape ends with the music sliding down and out',
     { skip: !selected('keys') }, async () => {
  await withPage('/index.html', async (page, problems) => {
    await startByClick(page);
    await page.waitForTimeout(300);
    assert.equal(await page.evaluate(() => Module._webSceneIndex()), 0);
    await page.keyboard.press('Space');
    await page.waitForFunction(() => Module._webSceneIndex() === 1,
                               null, { timeout: 2000 });
    await page.waitForTimeout(300);
    assert.equal(await page.evaluate(() => Module._webSceneIndex()), 1,
                 'one press skips exactly one scene');

    const pressed = await page.evaluate(() => performance.now());
    await page.keyboard.press('Escape');
    // Halfway through the slow-down the rate is between its start and its end.
    await page.waitForFunction(() => Module.webMusic.slides.length === 1);
    await page.waitForTimeout(250);
    const midway = await page.evaluate(() => Module.webMusic.channels[1].source.playbackRate.value);
    assert.ok(midway < 0.9 && midway > kSlowDownRate + 0.05, `rate midway: ${midway}`);

    await page.waitForSelector('#replay:not([hidden])', { timeout: 5000 });
    const ended = await page.evaluate(() => performance.now());
    const slides = await page.evaluate(() => Module.webMusic.slides);
    assert.equal(slides.length, 2);
    const [slowDown, fadeOut] = slides;
    assert.equal(slowDown.param, 'playbackRate');
    assert.ok(Math.abs(slowDown.target - kSlowDownRate) < 1e-12);
    assert.ok(Math.abs(slowDown.end - slowDown.start - 0.5) < 1e-9, 'slow-down over 500 ms');
    assert.equal(fadeOut.param, 'gain');
    assert.equal(fadeOut.target, 0);
    assert.ok(Math.abs(fadeOut.end - fadeOut.start - 0.2) < 1e-9, 'fade-out over 200 ms');
    const gap = fadeOut.start - slowDown.start;
    assert.ok(gap >= 0.29 && gap < 0.4, `fade-out starts 300 ms into the slow-down (${gap})`);
    assert.ok(ended - pressed >= 500, `the end waits for both slides (${ended - pressed} ms)`);
    assert.equal(await page.evaluate(() => Module._webMusicModuleLoads()), 0,
                 'the music library is released');
    assert.ok(await page.evaluate(pageCanvasIsBlack), 'the canvas is black after the end');

    // Play again: the music is created anew from the one decoded buffer.
    await page.click('#replay');
    await page.waitForFunction(() => Module.webMusic.channels[1] !== undefined);
    await page.waitForTimeout(500);
    assert.equal(await page.evaluate(() => Module._webSceneIndex()), 0,
                 'the replay starts from the first scene');
    assert.ok(!(await page.evaluate(pageCanvasIsBlack)), 'the replay draws');
    assert.deepEqual(problems, []);
  });
});

test('a stalled audio output holds up the end by two seconds at most', { skip: !selected('keys') },
     async () => {
  await withPage('/index.html', async (page) => {
    await startByClick(page);
    await page.waitForTimeout(300);
    // A suspended context's clock stands still: its ramps never reach their end.
    await page.evaluate(() => Module.musicContext.suspend());
    const pressed = Date.now();
    await page.keyboard.press('Escape');
    await page.waitForSelector('#replay:not([hidden])', { timeout: 6000 });
    const waited = Date.now() - pressed;
    assert.ok(waited >= 2000 && waited < 4000, `the end waited ${waited} ms`);
  });
});

test('without a playable "data.dat" the demo runs silent and says so in one line',
     { skip: !selected('silent') }, async (t) => {
  const cases = [
    ['/no-music/index.html', 'demo: music file "data.dat" not found; running without music'],
    ['/bad-music/index.html', 'demo: music file "data.dat" is not playable audio; running without music'],
  ];
  for (const [pathname, line] of cases) {
    await t.test(pathname, async () => {
      await withPage(pathname, async (page, problems) => {
        await page.evaluate(countPresentedFrames);
        await startByClick(page);
        await page.waitForTimeout(1000);
        assert.equal(await page.evaluate(() => document.getElementById('status').textContent), line);
        assert.ok(await page.evaluate(() => window.presentedFrames) > 20, 'frames advance');
        assert.equal(await page.evaluate(() => Module._webMusicModuleLoads()), 0);
        await page.keyboard.press('Escape');
        await page.waitForSelector('#replay:not([hidden])', { timeout: 3000 });
        // The browser logs the missing file itself; nothing else may complain.
        assert.deepEqual(problems.filter((text) => !text.includes('404')), []);
      });
    });
  }
});
