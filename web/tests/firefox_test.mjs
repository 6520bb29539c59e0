// firefox_test.mjs - the page's checks that matter to viewers, in a second
// engine: Debian's firefox-esr, headless, driven over WebDriver BiDi by
// puppeteer-core. Start, play, keys, and the test mode's canvas CRCs (the
// failure sentences are the page's own logic, checked in Chromium). With no
// sound output (as here) Firefox keeps the AudioContext suspended, and the
// page must say that the demo is silent.
//
//   node firefox_test.mjs --web DIR [--firefox PATH]
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { parseArgs } from 'node:util';

import puppeteer from 'puppeteer-core';

import {
  assertPlays, assertTrace, complaints, pageCanvas, recorded, servePageVariants,
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

// A fresh browser context for each call, opening `pathname`; the page must
// log no error and throw nothing (complaints).
async function withPage(pathname, body) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 800, height: 640 });
  const problems = [];
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  page.on('pageerror', (error) => problems.push('page error: ' + error.message));
  await page.goto(pathname.startsWith('file:') ? pathname : address(pathname));
  await body(page);
  assert.deepEqual(complaints(pathname, problems), [], 'no console errors');
  await context.close();
}

const until = (page, condition, timeout = 5000) =>
  page.waitForFunction(condition, { timeout, polling: 50 }).catch(() => assert.fail(`not within ${timeout} ms: ${condition}`));

test('firefox: a key starts it, it plays paced, Space skips, M mutes, Escape ends; no sound output is said',
     () => withPage('/index.html', async (page) => {
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
}));

test('firefox: the test mode draws what the whole-run test recorded, pass for pass', () =>
  withPage('/index.html?frames=10&keys=5:enter', async (page) => {
    for (const [query, expected, passes] of [['frames=10&keys=5:enter', [], -1],
      ['frames=7000', recorded('nokeys'), recorded('nokeys').length],
      ['frames=3000&keys=2500:space,2500:space,4000:escape', recorded('keys-2500-space_2500-space_4000-escape', 3000), 3000]]) {
      await page.goto(address(`/index.html?${query}`));
      await until(page, 'window.captureDone !== undefined', 240000);
      assertTrace(query, expected, passes, ...(await page.evaluate('[captureDone, captureTrace]')));
    }
  }));
