// browser_test.mjs - the web page in a real browser: Debian's chromium,
// headless, driven by playwright-core.
//
//   node browser_test.mjs --web DIR [--chromium PATH] [--group plays|touch|loading|capture] [--headed]
//
// --headed shows the browser's windows (under xvfb-run on a machine without
// a display).
//
// DIR is the built page folder, served as web/serve.mjs serves it (compressed
// copies included), with its broken variants (page_fixtures.mjs). The
// capture group holds the page's test mode to the whole-run test's records
// (tests/data).
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { parseArgs } from 'node:util';

import { chromium } from 'playwright-core';

import {
  assertPlays, assertTrace, complaints, failureSentences, noMusicReasons, pageCanvas, recorded, servePageVariants,
} from './page_fixtures.mjs';

const { values: options } = parseArgs({ options: { web: { type: 'string' },
  chromium: { type: 'string', default: '/usr/bin/chromium' }, group: { type: 'string', default: 'all' },
  headed: { type: 'boolean', default: false } } });
if (!options.web) throw new Error('usage: browser_test.mjs --web DIR [--chromium PATH] [--group NAME] [--headed]');

const kSlowDownRate = 1000 / 44100;  // the end's slide to 1000 Hz, as a playback rate
const kDesktop = { viewport: { width: 800, height: 640 } };
const kPhone = { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const root = path.resolve(options.web);
const server = await servePageVariants(root);

const browser = await chromium.launch({ executablePath: options.chromium, headless: !options.headed,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update'] });
after(async () => { await browser.close(); server.closeAllConnections(); server.close(); });
const group = (name) => ({ skip: options.group !== 'all' && options.group !== name });
const address = (pathname) => `http://127.0.0.1:${server.address().port}${pathname}`;

// A fresh browser context for each call, so none sees another's service
// worker or settings; it opens `pathname` unless that is null, and the page
// must log no error and throw nothing (complaints). After a failure the
// context goes with the browser, at the end.
async function withPage(pathname, body, contextOptions = kDesktop) {
  const context = await browser.newContext(contextOptions);
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  page.on('pageerror', (error) => problems.push('page error: ' + error.message));
  if (pathname !== null) await page.goto(pathname.startsWith('file:') ? pathname : address(pathname));
  await body(page);
  assert.deepEqual(complaints(pathname, problems), [], 'no console errors');
  await context.close();
}

// Does `action` (a promise, or null), then waits for `condition`, an expression in the page.
const until = (page, action, condition, timeout = 3000) => Promise.resolve(action).then(() =>
  page.waitForFunction(condition, null, { timeout }).catch(() => assert.fail(`not within ${timeout} ms: ${condition}`)));


// Opens the page and starts it with Enter, as a keyboard user would.
async function startPlaying(page) {
  await page.waitForSelector('#start:not([hidden])');
  await until(page, page.keyboard.press('Enter'), "document.body.className === 'playing'");
}

test('plays: Tab does not start, Enter does, with sound, at 60 frames per second',
     group('plays'), () => withPage('/index.html', async (page) => {
  await page.waitForSelector('#start:not([hidden])');
  const focusAndState = () => page.evaluate('[document.activeElement.id, document.body.className]');
  assert.deepEqual(await focusAndState(), ['start', 'ready']);
  await page.keyboard.press('Tab');
  await page.waitForTimeout(300);
  const [focus, state] = await focusAndState();
  assert.ok(focus !== 'start' && state === 'ready', `Tab moves the focus on (${focus}) and does not start (${state})`);
  await page.keyboard.press('Shift+Tab');
  await until(page, page.keyboard.press('Enter'), "document.body.className === 'playing'");
  assert.deepEqual([await page.textContent('#notice'), await page.evaluate('Module.musicContext.state')], ['', 'running']);
  await assertPlays(page, 'started with Enter');
}));

test('plays: the controls show, hide and act; mute and volume agree in any order',
     group('plays'), () => withPage('/index.html', async (page) => {
  await startPlaying(page);
  await until(page, null, "document.getElementById('controls').hidden", 6000);
  await page.mouse.move(100, 100);
  await until(page, page.mouse.move(200, 150), "!document.getElementById('controls').hidden");
  assert.equal(await page.textContent('#scene'), '1 / 5');
  await until(page, page.click('#skip'), 'Module._webSceneIndex() === 1');
  await until(page, page.keyboard.press('Space'), 'Module._webSceneIndex() === 2');
  await until(page, page.keyboard.press('m'), 'Module.musicOutput.gain.value < 0.01');
  await until(page, page.click('#mute'), 'Module.musicOutput.gain.value > 0.5');
  // The slider at 0 is muted; M then brings back the volume it had.
  await page.fill('#volume', '0');
  await until(page, null, "Module.musicOutput.gain.value < 0.01 && document.getElementById('mute').ariaPressed === 'true'");
  await until(page, page.keyboard.press('m'), "Module.musicOutput.gain.value > 0.5 && document.getElementById('volume').value === '80'");
}));

// The music heard leads. Over 10 s of play with the page's thread slowed
// twentyfold, too slow for its passes (which made a page that moved its music
// to its picture cut it every second or so), it runs on with the page's clock
// without a cut; a 2 s stall of the page's thread does not stop it, and the
// picture catches up with it at once; each skip moves it once, with its
// crossfade, to the scene's section; a hidden page pauses both, and shown
// again, they agree.
test('plays: the music leads, through a slowed page, a stall, skips and a hidden tab, without cuts',
     group('plays'), () => withPage('/index.html', async (page) => {
  await startPlaying(page);
  const devtools = await page.context().newCDPSession(page);
  await devtools.send('Emulation.setCPUThrottlingRate', { rate: 20 });
  const clock = () => page.evaluate('window.demoClock()');
  const moves = () => page.evaluate('Module.webMusic.moves');
  const inStep = async () => {
    const { musicSeconds, scene, sceneSeconds } = await clock();
    const sectionSeconds = await page.evaluate(`Module._webSectionSeconds(${scene})`);
    assert.ok(Math.abs(musicSeconds - sectionSeconds - sceneSeconds) < 0.1,
              `the music at ${musicSeconds} s, scene ${scene} at ${sceneSeconds} s`);
  };
  const steps = await page.evaluate(() => new Promise((resolve) => {
    const heard = () => [window.demoClock().musicSeconds, performance.now() / 1000];
    const samples = [heard()];
    const timer = setInterval(() => {
      samples.push(heard());
      if (samples.length < 50) return;
      clearInterval(timer);
      resolve(samples.slice(1).map(([music, time], i) => music - samples[i][0] - (time - samples[i][1])));
    }, 200);
  }));
  await devtools.send('Emulation.setCPUThrottlingRate', { rate: 1 });
  assert.ok(steps.every((step) => Math.abs(step) < 0.05), `the music against the clock: ${steps}`);
  const [beforeStall, afterStall] = await page.evaluate(() => {
    const before = window.demoClock().musicSeconds;
    for (const end = performance.now() + 2000; performance.now() < end;);
    return [before, window.demoClock().musicSeconds];
  });
  assert.ok(afterStall - beforeStall > 1.9 && afterStall - beforeStall < 2.1, `${beforeStall} s, then ${afterStall} s`);
  await page.waitForTimeout(100);
  const { pass, musicSeconds } = await clock();
  assert.ok(Math.abs(pass - 1 - musicSeconds * 60) <= 6, `pass ${pass} with the music at ${musicSeconds} s`);
  assert.equal(await moves(), 0, 'no cut in the music before a skip');
  await until(page, page.keyboard.press('Space'), 'Module._webSceneIndex() === 1');
  await until(page, page.keyboard.press('Space'), 'Module._webSceneIndex() === 2');
  await until(page, null, 'window.demoClock().scene === 2 && window.demoClock().sceneSeconds > 0.2');
  await inStep();
  assert.equal(await moves(), 2, 'one move of the music for each skip');
  // Headless Chromium never hides a page, so the test says it is hidden.
  const setHidden = (hidden) => page.evaluate((value) => {
    Object.defineProperty(document, 'hidden', { value, configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await setHidden(true);
  await page.waitForTimeout(300);
  const hiddenAt = await clock();
  await page.waitForTimeout(1000);
  const stillHidden = await clock();
  assert.ok(stillHidden.pass - hiddenAt.pass <= 2 && stillHidden.musicSeconds - hiddenAt.musicSeconds < 0.05,
            'music and picture wait while the page is hidden');
  await setHidden(false);
  // Shown again, the music resumes, within a moment, with the picture in step.
  await until(page, null, `(() => { const { musicSeconds, scene, sceneSeconds } = window.demoClock();
    return Math.abs(musicSeconds - Module._webSectionSeconds(scene) - sceneSeconds) < 0.1; })()`, 4000);
}));

// As large as fits, centred: a whole multiple of 640 x 480 when that keeps
// nine tenths of the size, otherwise filling the space, smoothed.
test('plays: the picture fits the window, crisp or smoothed',
     group('plays'), () => withPage('/index.html', async (page) => {
  await startPlaying(page);
  for (const [width, height, scaled, smooth] of [[1400, 1000, [1280, 960], false], [800, 640, [800, 600], true],
    [1280, 720, [960, 720], true]]) {
    await page.setViewportSize({ width, height });
    await page.waitForTimeout(100);
    const canvas = await page.locator('#screen').boundingBox();
    const centre = [canvas.x + canvas.width / 2, canvas.y + canvas.height / 2].map(Math.round);
    assert.deepEqual([canvas.width, canvas.height, ...centre], [...scaled, width / 2, height / 2]);
    assert.equal(await page.isVisible('#view'), smooth, `${width} x ${height}: the smoothed view`);
  }
  const view = await page.evaluate(() => {
    const { width, height } = document.getElementById('view');
    const rgba = document.getElementById('view').getContext('2d').getImageData(0, 0, width, height).data;
    return [width, rgba.some((value, i) => i % 4 !== 3 && value !== 0)];
  });
  assert.deepEqual(view, [640, true], 'at 1.5x the view is the canvas at 1x, drawn');
}));

// In full screen the first Escape only leaves full screen. The second ends
// the run with the music's ending (kMusicEnding in audio/music_contract.h)
// as two ramps and waits for both; then "Play again" shows,
// out of full screen, over a black canvas, and takes a deliberate act.
test('plays: Escape in full screen, the end with the music\'s slides, no restart by a stray key',
     group('plays'), () => withPage('/index.html', async (page) => {
  await startPlaying(page);
  await until(page, page.dblclick('#screen'), 'document.fullscreenElement?.id === "stage"');
  await until(page, page.keyboard.press('Escape'), 'document.fullscreenElement === null');
  await page.waitForTimeout(600);
  assert.equal(await page.evaluate('document.body.className'), 'playing', 'the first Escape does not end');
  const pressed = Date.now();
  await until(page, page.keyboard.press('Escape'), 'Module.webMusic.slides.length === 1');
  await page.waitForTimeout(250);
  const midway = await page.evaluate('Module.webMusic.channels[1].source.playbackRate.value');
  assert.ok(midway < 0.9 && midway > kSlowDownRate + 0.05, `rate midway: ${midway}`);
  await until(page, null, "document.body.className === 'ended'");
  assert.ok(Date.now() - pressed >= 500, `the end waits for both slides (${Date.now() - pressed} ms)`);
  const [slow, fade] = await page.evaluate('Module.webMusic.slides');
  const shape = ({ param, target, start, end }) => `${param} to ${target.toFixed(6)} in ${(end - start).toFixed(3)} s`;
  assert.deepEqual([slow, fade].map(shape), [`playbackRate to ${kSlowDownRate.toFixed(6)} in 0.500 s`, 'gain to 0.000000 in 0.200 s']);
  assert.ok(fade.start - slow.start >= 0.29 && fade.start - slow.start < 0.4, 'the fade-out starts 300 ms into the slow-down');
  assert.deepEqual(await page.evaluate('[Module._webMusicModuleLoads(), document.activeElement.id, document.fullscreenElement]'),
                   [0, 'end-panel', null], 'library released, "Play again" not focused, not full screen');
  assert.ok(!(await page.evaluate(pageCanvas)).lit, 'the canvas is black after the end');
  // Keys and a click meant for the last moments do not restart; a deliberate one does.
  for (const key of ['Space', 'Enter', 'Tab', 'Enter']) await page.keyboard.press(key);
  await page.click('#replay');
  await page.waitForTimeout(1000);
  assert.equal(await page.evaluate('document.body.className'), 'ended', 'no restart within a second of the end');
  await until(page, page.click('#replay'), "document.body.className === 'playing'");
}));

test('touch: tap to start, taps show the controls and they act, a double tap goes full screen',
     group('touch'), () => withPage('/index.html', async (page) => {
  await page.waitForSelector('#start:not([hidden])');
  assert.equal(await page.textContent('#start'), 'Tap to start');
  await until(page, page.tap('#stage', { position: { x: 20, y: 20 } }), "document.body.className === 'playing'");
  await until(page, null, "document.getElementById('controls').hidden", 6000);
  await until(page, page.tap('#screen'), "!document.getElementById('controls').hidden");
  await until(page, page.tap('#skip'), 'Module._webSceneIndex() === 1');
  await page.tap('#screen', { position: { x: 100, y: 100 } });
  await until(page, page.tap('#screen', { position: { x: 100, y: 100 } }), 'document.fullscreenElement !== null');
  await page.tap('#screen');
  await until(page, page.tap('#end'), "document.body.className === 'ended'");
  assert.equal(await page.evaluate('document.fullscreenElement'), null, 'End leaves full screen too');
}, kPhone));

test('phone: upright, the picture full width with the controls under it; sideways, full height',
     group('touch'), () => withPage('/index.html', async (page) => {
  await page.waitForSelector('#start:not([hidden])');
  assert.ok(await page.isVisible('#turn-hint'), 'upright asks for sideways');
  await until(page, page.tap('#start'), "document.body.className === 'playing'");
  const box = (selector) => page.locator(selector).boundingBox();
  let [canvas, controls, hint] = [await box('#screen'), await box('#controls'), await box('#turn-hint')];
  assert.ok(canvas.width >= 0.95 * 390, `upright: ${canvas.width} of 390 px wide`);
  assert.ok(Math.abs(controls.y - (canvas.y + canvas.height)) <= 1 && hint.y >= controls.y + controls.height - 1,
            `upright: controls at ${controls.y}, hint at ${hint.y}, the picture ends at ${canvas.y + canvas.height}`);
  await page.setViewportSize({ width: 844, height: 390 });
  await page.waitForTimeout(100);
  [canvas, controls] = [await box('#screen'), await box('#controls')];
  assert.ok(canvas.height >= 0.95 * 390, `sideways: ${canvas.height} of 390 px high`);
  assert.ok(Math.abs(controls.y + controls.height - 390) <= 1 && !(await page.isVisible('#turn-hint')),
            'sideways: controls along the bottom, no hint');
}, kPhone));

test('start panel: a muted visit says so and unmutes; less motion asked for, only the button starts',
     group('touch'), () => withPage('/index.html', async (page) => {
  await page.evaluate(`localStorage.setItem('quillfen-sound', '{"muted":true,"volume":0.5}')`);
  await page.reload();
  await page.waitForSelector('#start:not([hidden])');
  assert.equal(await page.textContent('#length'), '1 min 47 s');
  assert.ok(await page.isVisible('#motion-note'), 'the panel says the demo is all motion');
  await page.click('#panel-unmute');
  assert.ok(!(await page.isVisible('#panel-muted')), 'unmuted');
  await until(page, page.keyboard.press('m'), "!document.getElementById('panel-muted').hidden");
  await page.keyboard.press('a');
  await page.mouse.click(20, 20);
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate('document.body.className'), 'ready', 'neither a key nor a click beside the button');
  await until(page, page.click('#start'), "document.body.className === 'playing'");
  await until(page, null, "Module.musicOutput.gain.value < 0.01 && document.getElementById('mute').ariaPressed === 'true'");
}, { ...kDesktop, reducedMotion: 'reduce' }));

test('loading: failures and a silent demo said in plain words, an offline second visit',
     group('loading'), async () => {
  // The browser logs a missing file itself; nothing else may complain.
  for (const [pathname, sentence] of failureSentences(root)) {
    await withPage(pathname, async (page) => {
      await page.waitForSelector('#failure:not([hidden])');
      assert.match(await page.textContent('#failure-text'), sentence);
    });
  }
  // Without playable music the reason shows before the start, and the demo plays silent.
  for (const [pathname, reason] of noMusicReasons) {
    await withPage(pathname, async (page) => {
      await page.waitForSelector('#start:not([hidden])');
      await until(page, null, "document.getElementById('notice').textContent !== ''");
      assert.equal(await page.textContent('#notice'), `${reason}, so the demo plays without music.`);
      await page.click('#start');
      await assertPlays(page, pathname);
      assert.equal(await page.evaluate('Module._webMusicModuleLoads()'), 0, 'no library loaded');
    });
  }
  // A second visit plays offline, music included.
  await withPage('/index.html', async (page) => {
    await page.waitForSelector('#start:not([hidden])');
    assert.match(await page.textContent('#loading-text'), /^Loading… (\S+) of \1 MB$/);
    await page.evaluate(async () => {
      await navigator.serviceWorker.ready;
      while (!(await caches.match('data.dat')) || !(await caches.match('demo.wasm'))) {
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
    });
    await page.context().setOffline(true);
    await page.reload();
    await page.waitForSelector('#start:not([hidden])', { timeout: 10000 });
    assert.equal(await page.textContent('#notice'), '', 'the music too');
    await page.click('#start');
    await assertPlays(page, 'offline');
  });
});


// Runs the test mode with `query`: its trace must be `expected`, and the
// number of passes it reports `passes` (-1 for options the tool refuses).
async function assertPageRuns(page, query, expected, passes = expected.length) {
  await page.goto(address(`/index.html?${query}`));
  await until(page, null, 'window.captureDone !== undefined', 240000);
  const [done, trace] = await page.evaluate('[captureDone, captureTrace]');
  assertTrace(query, expected, passes, done, trace);
}

test('capture: the test mode draws what the whole-run test recorded, pass for pass',
     group('capture'), () => withPage(null, async (page) => {
  for (const refused of ['frames=0', 'frames=10&keys=5:enter']) await assertPageRuns(page, refused, [], -1);
  const run = recorded('nokeys');
  await assertPageRuns(page, 'frames=7000', run);
  const seconds = Math.round((run.length - 1) / 60);
  assert.equal(await page.textContent('#length'), `${Math.floor(seconds / 60)} min ${seconds % 60} s`,
               'the start panel states the length of a run');
  // Two skips in one pass, and a last frame in scene 3's second half, whose
  // blocks have no red but blue: the page canvas then shows a swapped or lost channel.
  const keyed = recorded('keys-2500-space_2500-space_4000-escape', 3000);
  await assertPageRuns(page, 'frames=3000&keys=2500:space,2500:space,4000:escape', keyed);
  assert.equal((await page.evaluate(pageCanvas)).crc, keyed[2999].crc,
               'the page shows the canvas of the last pass, every colour in its place');
}));
