// browser_test.mjs - the web page in a real browser: Debian's chromium,
// headless, driven by playwright-core.
//
//   node browser_test.mjs --web DIR --capture DEMO_CAPTURE [--chromium PATH] [--group NAME]
//
// DIR is the built page folder; DEMO_CAPTURE the native capture tool, whose
// trace is the reference the page's test mode must match pass for pass.
// Groups (all by default): plays (mouse and keyboard), touch, loading
// (failures, no music, the compressed copies, offline), capture. The page is
// served as web/serve.mjs serves it, compressed copies included; under
// /no-music/ without "data.dat", /bad-music/ with one no browser can decode,
// /no-wasm/ without the program.
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { promisify } from 'node:util';
import { parseArgs } from 'node:util';
import zlib from 'node:zlib';

import { chromium } from 'playwright-core';

import { notFound, servePageFile, startServer } from '../serve.mjs';

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
const kDesktop = { viewport: { width: 800, height: 640 } };
const kPhone = { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true,
  hasTouch: true };
const root = path.resolve(options.web);
let offline = false;  // the server then drops every connection, as a lost network does

const server = await startServer((request, response) => {
  if (offline) return request.socket.destroy();
  let route = new URL(request.url, 'http://page').pathname;
  const variant = (route.match(/^\/(no-music|bad-music|no-wasm)\//) || [])[1];
  if (variant) route = route.slice(variant.length + 1);
  if (variant === 'no-music' && route === '/data.dat') return notFound(response);
  if (variant === 'no-wasm' && route === '/demo.wasm') return notFound(response);
  if (variant === 'bad-music' && route === '/data.dat') {
    return response.end(Buffer.from('this is not audio in any format'.repeat(64)));
  }
  servePageFile(root, route, request, response);
});
after(() => {
  server.closeAllConnections();
  server.close();
});
const selected = (group) => options.group === 'all' || options.group === group;

// A fresh browser with a fresh profile for each call, so none sees another's
// service worker or settings; it opens `pathname` unless that is null.
// `problems` collects console errors and uncaught exceptions.
async function withPage(pathname, body, contextOptions = kDesktop) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'demo-web-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: options.chromium, args: kChromiumFlags, headless: true, ...contextOptions,
  });
  const page = context.pages()[0] || await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push('page error: ' + error.message));
  try {
    if (pathname !== null) {
      await page.goto(pathname.startsWith('file:') ? pathname
        : `http://127.0.0.1:${server.address().port}${pathname}`);
    }
    await body(page, problems);
  } finally {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

const text = (page, id) => page.evaluate((which) => document.getElementById(which).textContent, id);
const stateOf = (page) => page.evaluate(() => document.body.className);
const focused = (page) => page.evaluate(() => document.activeElement.id);
const scene = (page) => page.evaluate(() => Module._webSceneIndex());
const controlsShown = (page) => page.evaluate(() => !document.getElementById('controls').hidden);

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
  return rgba.every((value, i) => i % 4 === 3 || value === 0);
}

// Frames per second presented over `ms`, by the demo's own pass count.
async function frameRate(page, ms) {
  const clock = () => page.evaluate(() => [window.demoClock().pass, performance.now()]);
  const before = await clock();
  await page.waitForTimeout(ms);
  const later = await clock();
  return (later[0] - before[0]) / ((later[1] - before[1]) / 1000);
}

// Paced at 60 frames per second: a hiccup made up inside the window may add
// a frame or two, an unpaced loop would add hundreds.
async function assertPlays(page, where) {
  const rate = await frameRate(page, 1500);
  assert.ok(rate > 20 && rate < 65, `${where}: ${rate.toFixed(1)} frames per second`);
  assert.ok(!(await page.evaluate(pageCanvasIsBlack)), `${where}: the demo is on the page`);
}

// The canvas is centred; from 2x on it is a whole multiple of 640 x 480.
async function assertCanvasPlaced(page, width, height) {
  const canvas = await page.locator('#screen').boundingBox();
  const stage = await page.locator('#stage').boundingBox();
  assert.deepEqual([canvas.width, canvas.height], [width, height]);
  assert.ok(Math.abs(canvas.x + canvas.width / 2 - stage.width / 2) <= 1, 'centred');
  assert.ok(Math.abs(canvas.y + canvas.height / 2 - stage.height / 2) <= 1, 'centred');
}

// Escape (the second one, in full screen) ends the run with the music's
// slides; the page then shows "Play again", focused, never in full screen.
async function assertEndsWithSlides(page) {
  const pressed = await page.evaluate(() => performance.now());
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => Module.webMusic.slides.length === 1);
  await page.waitForTimeout(250);
  const midway = await page.evaluate(() => Module.webMusic.channels[1].source.playbackRate.value);
  assert.ok(midway < 0.9 && midway > kSlowDownRate + 0.05, `rate midway: ${midway}`);
  await page.waitForSelector('#replay:not([hidden])', { timeout: 5000 });
  const ended = await page.evaluate(() => performance.now());
  const [slowDown, fadeOut] = await page.evaluate(() => Module.webMusic.slides);
  assert.equal(slowDown.param, 'playbackRate');
  assert.ok(Math.abs(slowDown.target - kSlowDownRate) < 1e-12);
  assert.ok(Math.abs(slowDown.end - slowDown.start - 0.5) < 1e-9, 'slow-down over 500 ms');
  assert.deepEqual([fadeOut.param, fadeOut.target], ['gain', 0]);
  assert.ok(Math.abs(fadeOut.end - fadeOut.start - 0.2) < 1e-9, 'fade-out over 200 ms');
  const gap = fadeOut.start - slowDown.start;
  assert.ok(gap >= 0.29 && gap < 0.4, `fade-out starts 300 ms into the slow-down (${gap})`);
  assert.ok(ended - pressed >= 500, `the end waits for both slides (${ended - pressed} ms)`);
  assert.equal(await page.evaluate(() => Module._webMusicModuleLoads()), 0, 'library released');
  assert.ok(await page.evaluate(pageCanvasIsBlack), 'the canvas is black after the end');
  assert.equal(await focused(page), 'replay');
  assert.equal(await page.evaluate(() => document.fullscreenElement), null);
}

test('mouse and keyboard: start, controls, one clock after a stall, scale, full screen, end',
     { skip: !selected('plays') }, async () => {
  await withPage('/index.html', async (page, problems) => {
    await page.waitForSelector('#start:not([hidden])');
    assert.equal(await focused(page), 'start');
    await page.keyboard.press('Tab');
    assert.notEqual(await focused(page), 'start', 'Tab moves the focus on');
    await page.waitForTimeout(300);
    assert.equal(await stateOf(page), 'ready', 'and does not start the demo');
    await page.keyboard.press('Shift+Tab');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.body.className === 'playing');
    assert.equal(await text(page, 'notice'), '', 'no complaint when the music plays');
    assert.equal(await page.evaluate(() => Module.musicContext.state), 'running');
    await assertPlays(page, 'started with Enter');

    // The controls show at the start, hide when idle and come back with the mouse.
    await page.waitForFunction(() => document.getElementById('controls').hidden, null,
                               { timeout: 6000 });
    await page.mouse.move(100, 100);
    await page.mouse.move(200, 150);
    assert.ok(await controlsShown(page), 'a mouse move shows the controls');
    for (const id of ['skip', 'end', 'mute', 'volume', 'fullscreen']) {
      const box = await page.locator('#' + id).boundingBox();
      assert.ok(box.width >= 44 && box.height >= 44, `#${id} is ${box.width} x ${box.height}`);
    }
    assert.equal(await text(page, 'scene'), '1 / 5');
    await page.click('#skip');
    await page.waitForFunction(() => Module._webSceneIndex() === 1, null, { timeout: 2000 });
    await page.keyboard.press('m');
    const gain = () => page.evaluate(() => Module.musicOutput.gain.value);
    await page.waitForTimeout(200);
    assert.ok(await gain() < 0.01, 'M mutes');
    await page.click('#mute');
    await page.waitForTimeout(200);
    assert.ok(await gain() > 0.5, 'the mute button turns the sound on again');

    // Another tab in front stops the animation frames; back, picture and music agree.
    const stalledAt = (await page.evaluate(() => window.demoClock())).pass;
    const other = await page.context().newPage();
    await other.bringToFront();
    await other.waitForTimeout(12000);
    const passesWhileAway = (await page.evaluate(() => window.demoClock())).pass - stalledAt;
    assert.ok(passesWhileAway < 360, `the picture stalled (${passesWhileAway} passes in 12 s)`);
    await other.close();
    await page.bringToFront();
    await page.waitForTimeout(500);
    const { pass, musicSeconds } = await page.evaluate(() => window.demoClock());
    const apart = musicSeconds - (pass - 1) / 60;
    assert.ok(Math.abs(apart) < 0.1, `music and picture ${apart.toFixed(3)} s apart`);

    await page.setViewportSize({ width: 1400, height: 1000 });
    await page.waitForTimeout(100);
    await assertCanvasPlaced(page, 1280, 960);  // 2x, not 2.08x
    await page.setViewportSize(kDesktop.viewport);
    await page.waitForTimeout(100);
    await assertCanvasPlaced(page, 800, 600);

    // In full screen the first Escape only leaves full screen; the second ends.
    await page.dblclick('#screen');
    await page.waitForFunction(() => document.fullscreenElement === document.getElementById('stage'));
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.fullscreenElement === null);
    await page.waitForTimeout(600);
    assert.equal(await stateOf(page), 'playing', 'the first Escape does not end the demo');
    await assertEndsWithSlides(page);

    // Enter on "Play again" plays it again; a stalled audio output holds up
    // the end by two seconds at most.
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => Module.webMusic.channels[1] !== undefined);
    await page.waitForTimeout(300);
    assert.equal(await scene(page), 0, 'the replay starts from the first scene');
    await page.evaluate(() => Module.musicContext.suspend());
    const pressed = Date.now();
    await page.keyboard.press('Escape');
    await page.waitForSelector('#replay:not([hidden])', { timeout: 6000 });
    const waited = Date.now() - pressed;
    assert.ok(waited >= 2000 && waited < 4000, `the end waited ${waited} ms`);
    assert.deepEqual(problems, [], 'no console errors');
  });
});

test('touch: tap to start, taps show the controls and they act, a double tap goes full screen',
     { skip: !selected('touch') }, async () => {
  await withPage('/index.html', async (page, problems) => {
    await page.waitForSelector('#start:not([hidden])');
    assert.equal(await text(page, 'start'), 'Tap to start');
    await page.tap('#stage', { position: { x: 20, y: 20 } });
    await page.waitForFunction(() => document.body.className === 'playing');
    await page.waitForFunction(() => document.getElementById('controls').hidden, null,
                               { timeout: 6000 });
    await page.tap('#screen');
    assert.ok(await controlsShown(page), 'a tap shows the controls');
    await page.tap('#skip');
    await page.waitForFunction(() => Module._webSceneIndex() === 1, null, { timeout: 2000 });
    await page.tap('#screen', { position: { x: 100, y: 100 } });
    await page.tap('#screen', { position: { x: 100, y: 100 } });
    await page.waitForFunction(() => document.fullscreenElement !== null, null, { timeout: 2000 });
    await page.tap('#screen');
    await page.tap('#end');
    await page.waitForSelector('#replay:not([hidden])', { timeout: 5000 });
    assert.equal(await page.evaluate(() => document.fullscreenElement), null,
                 'the End control leaves full screen too');
    assert.deepEqual(problems, []);
  }, kPhone);
});

test('loading: failures and a silent demo said in plain words, compressed copies, offline',
     { skip: !selected('loading') }, async (t) => {
  await t.test('the failures', async () => {
    await withPage(`file://${root}/index.html`, async (page, problems) => {
      await page.waitForSelector('#failure:not([hidden])');
      assert.match(await text(page, 'failure-text'), /serve this folder over HTTP; see README\.$/);
      assert.deepEqual(problems, []);
    });
    await withPage('/no-wasm/index.html', async (page) => {
      await page.waitForSelector('#failure:not([hidden])');
      assert.equal(await text(page, 'failure-text'), 'The demo\'s program could not be loaded ' +
                   '(demo.wasm is not on the server). Reloading the page may help.');
    });
    await withPage('/index.html', async (page) => {
      assert.match(await text(page, 'stage'), /needs\s+JavaScript: please turn JavaScript on/);
      assert.ok(!(await page.locator('#start-panel').isVisible()));
    }, { ...kDesktop, javaScriptEnabled: false });
  });

  await t.test('without playable music the reason shows before the start, and it plays silent',
               async () => {
    const cases = [
      ['/no-music/index.html', 'The music could not be loaded (data.dat is not on the server), so ' +
       'the demo plays without music.'],
      ['/bad-music/index.html', 'This browser cannot play the music\'s format (data.dat is Ogg ' +
       'Vorbis), so the demo plays without music.'],
    ];
    for (const [pathname, sentence] of cases) {
      await withPage(pathname, async (page, problems) => {
        await page.waitForSelector('#start:not([hidden])');
        assert.equal(await text(page, 'notice'), sentence, pathname);
        await page.click('#start');
        await assertPlays(page, pathname);
        assert.equal(await page.evaluate(() => Module._webMusicModuleLoads()), 0);
        // The browser logs the missing file itself; nothing else may complain.
        assert.deepEqual(problems.filter((line) => !line.includes('404')), []);
      });
    }
  });

  await t.test('every compressed copy is its file; a second visit plays offline', async () => {
    for (const name of ['demo.wasm', 'demo.js', 'page.js', 'index.html']) {
      for (const [suffix, unpack] of [['.gz', zlib.gunzipSync], ['.br', zlib.brotliDecompressSync]]) {
        const copy = path.join(root, name + suffix);
        assert.ok(fs.existsSync(copy), `${copy} (gzip and brotli, tools/setup-debian.sh --tests)`);
        assert.ok(unpack(fs.readFileSync(copy)).equals(fs.readFileSync(path.join(root, name))));
      }
    }
    await withPage('/index.html', async (page, problems) => {
      await page.waitForSelector('#start:not([hidden])');
      assert.match(await text(page, 'loading-text'), /^Loading… (\S+) of \1 MB$/);
      await page.evaluate(async () => {
        await navigator.serviceWorker.ready;
        while (!(await caches.match('data.dat')) || !(await caches.match('demo.wasm'))) {
          await new Promise((resolve) => setTimeout(resolve, 100));
        }
      });
      offline = true;
      try {
        await page.reload();
        await page.waitForSelector('#start:not([hidden])', { timeout: 10000 });
        assert.equal(await text(page, 'notice'), '', 'the music too');
        await page.click('#start');
        await assertPlays(page, 'offline');
      } finally {
        offline = false;
      }
      assert.deepEqual(problems, []);
    });
  });
});

// The capture tool's trace, run alongside the page.
async function nativeTrace(args) {
  const { stdout } = await promisify(execFile)(options.capture, ['--trace', ...args],
                                               { encoding: 'utf8', maxBuffer: 1 << 28 });
  return stdout.trim().split('\n').map((line) => {
    const [pass, rendered, sceneIndex, sceneFrame, fading, swing, tick, crc] = line.split(' ');
    return { pass: +pass, rendered: +rendered, sceneIndex: +sceneIndex, sceneFrame: +sceneFrame,
             fading: +fading, swing: Number(swing), tick: +tick, crc: parseInt(crc, 16) };
  });
}

async function pageTrace(page, query) {
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html?${query}`);
  await page.waitForFunction(() => window.captureDone !== undefined, null,
                             { timeout: 240000, polling: 200 });
  return page.evaluate(() => ({ passes: window.captureDone, trace: window.captureTrace }));
}

function firstDifference(expected, actual) {
  const fields = ['pass', 'rendered', 'sceneIndex', 'sceneFrame', 'fading', 'swing', 'tick', 'crc'];
  for (let i = 0; i < Math.max(expected.length, actual.length); ++i) {
    const [want, got] = [expected[i], actual[i]];
    if (!want || !got || fields.some((field) => want[field] !== got[field])) return { i, want, got };
  }
  return null;
}

test('the test mode matches the native capture tool pass for pass', { skip: !selected('capture') },
     async () => {
  // Two skips in one pass, a skip during a transition, a close request, and
  // a last frame in scene 3's second half, whose blocks have no red but blue:
  // the page canvas then shows a swapped or lost channel.
  const keys = '400:space,400:space,450:space,1000:close';
  const expected = [nativeTrace([]), nativeTrace(['--keys', keys])];
  await withPage(null, async (page, problems) => {
    assert.equal((await pageTrace(page, 'frames=0')).passes, -1, 'refused like the tool');
    assert.equal((await pageTrace(page, 'frames=10&keys=5:enter')).passes, -1);

    const whole = await pageTrace(page, 'frames=7000');
    const wholeExpected = await expected[0];
    const scenes = new Set(wholeExpected.filter((line) => !line.fading).map((line) => line.sceneIndex));
    assert.deepEqual([...scenes], [0, 1, 2, 3, 4, 5], 'the run covers every scene');
    assert.equal(whole.passes, wholeExpected.length, 'the script ends on the same pass');
    assert.equal(firstDifference(wholeExpected, whole.trace), null);

    const keyed = await pageTrace(page, `frames=3000&keys=${keys}`);
    const keyedExpected = await expected[1];
    assert.equal(keyed.passes, 1000, 'the close request ends the run after its pass');
    assert.equal(firstDifference(keyedExpected, keyed.trace), null);
    assert.equal(keyedExpected[999].sceneIndex, 3);
    assert.equal(await page.evaluate(pageCanvasCrc), keyedExpected[999].crc,
                 'the page shows the canvas of the last pass, every colour in its place');
    assert.deepEqual(problems, []);
  });
});
