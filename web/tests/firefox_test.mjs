// firefox_test.mjs - the page's checks that matter to viewers, in a second
// engine: Debian's firefox-esr, headless, driven over WebDriver BiDi by
// puppeteer-core. Start, play, keys, the failure sentences, and the test
// mode's canvas CRCs. With no sound output (as here) Firefox keeps the
// AudioContext suspended, and the page must say that the demo is silent.
//
//   node firefox_test.mjs --web DIR [--firefox PATH]
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { parseArgs } from 'node:util';

import puppeteer from 'puppeteer-core';

import {
  assertTrace, complaints, failureSentences, noMusicReasons, pageCanvas, recorded, servePageVariants,
} from './page_fixtures.mjs';

const { values: options } = parseArgs({ options: { web: { type: 'string' },
  firefox: { type: 'string', default: '/usr/bin/firefox-esr' } } });
if (!options.web) throw new Error('usage: firefox_test.mjs --web DIR [--firefox PATH]');

const root = path.resolve(options.web);
const server = await servePageVariants(root);
const browser = await puppeteer.launch({ browser: 'firefox', protocol: 'webDriverBiDi',
  executablePath: options.firefox, headless: true });
after(async () => { await browser.close(); server.closeAllConnections(); server.close(); });
const address = (pathname) => `http://127.0.0.1:${server.address().port}${pathname}`;

// A fresh browser context for each call, opening `pathname`; `problems`
// collects console errors and uncaught exceptions.
async function withPage(pathname, body) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 800, height: 640 });
  const problems = [];
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  page.on('pageerror', (error) => problems.push('page error: ' + error.message));
  await page.goto(pathname.startsWith('file:') ? pathname : address(pathname));
  await body(page, problems);
  await context.close();
}

const until = (page, condition, timeout = 5000) =>
  page.waitForFunction(condition, { timeout, polling: 50 }).catch(() => assert.fail(`not within ${timeout} ms: ${condition}`));

// A sound output that does not start holds the picture up to a second first.
async function assertPlays(page, where) {
  await until(page, 'window.demoClock().pass > 0');
  const clock = () => page.evaluate('[window.demoClock().pass, performance.now()]');
  const [passBefore, msBefore] = await clock();
  await new Promise((resolve) => setTimeout(resolve, 1500));
  const [pass, ms] = await clock();
  const rate = (pass - passBefore) / ((ms - msBefore) / 1000);
  assert.ok(rate > 20 && rate < 65, `${where}: ${rate.toFixed(1)} frames per second`);
  assert.ok((await page.evaluate(pageCanvas)).lit, `${where}: the demo is on the page`);
}

test('firefox: a key starts it, it plays paced, Space skips, M mutes, Escape ends; no sound output is said',
     () => withPage('/index.html', async (page, problems) => {
  await page.waitForSelector('#start:not([hidden])');
  await page.keyboard.press('Enter');
  await until(page, "document.body.className === 'playing'");
  await assertPlays(page, 'started with Enter');
  const sound = await page.evaluate('[Module.musicContext.state, document.getElementById("sound-notice").hidden]');
  if (sound[0] === 'running') {
    assert.equal(sound[1], true, 'a running sound output needs no notice');
  } else {
    assert.match(await page.$eval('#sound-notice', (notice) => notice.textContent), /no sound output.*plays without music\.$/);
  }
  await page.keyboard.press('Space');
  await until(page, 'Module._webSceneIndex() === 1');
  await page.keyboard.press('m');
  await until(page, "document.getElementById('mute').ariaPressed === 'true'");
  await page.keyboard.press('Escape');
  await until(page, "document.body.className === 'ended'", 10000);
  assert.ok(!(await page.evaluate(pageCanvas)).lit, 'the canvas is black after the end');
  assert.deepEqual(problems, [], 'no console errors');
}));

test('firefox: failures and a silent demo said in plain words', async () => {
  for (const [pathname, sentence] of failureSentences(root)) {
    await withPage(pathname, async (page, problems) => {
      await page.waitForSelector('#failure:not([hidden])');
      assert.match(await page.$eval('#failure-text', (text) => text.textContent), sentence);
      assert.deepEqual(complaints(problems), []);
    });
  }
  for (const [pathname, reason] of noMusicReasons) {
    await withPage(pathname, async (page, problems) => {
      await page.waitForSelector('#start:not([hidden])');
      await until(page, "document.getElementById('notice').textContent !== ''");
      assert.equal(await page.$eval('#notice', (notice) => notice.textContent), `${reason}, so the demo plays without music.`);
      await page.click('#start');
      await until(page, "document.body.className === 'playing'");
      await assertPlays(page, pathname);
      assert.deepEqual(complaints(problems), []);
    });
  }
});

test('firefox: the test mode draws what the whole-run test recorded, pass for pass', () =>
  withPage('/index.html?frames=10&keys=5:enter', async (page, problems) => {
    for (const [query, expected, passes] of [['frames=10&keys=5:enter', [], -1],
      ['frames=7000', recorded('nokeys'), recorded('nokeys').length],
      ['frames=3000&keys=2500:space,2500:space,4000:escape', recorded('keys-2500-space_2500-space_4000-escape', 3000), 3000]]) {
      await page.goto(address(`/index.html?${query}`));
      await until(page, 'window.captureDone !== undefined', 240000);
      assertTrace(query, expected, passes, ...(await page.evaluate('[captureDone, captureTrace]')));
    }
    assert.deepEqual(problems, []);
  }));
