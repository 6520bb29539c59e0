// page_fixtures.mjs - what the browser tests of either engine share
// (browser_test.mjs, Chromium; firefox_test.mjs): the page folder served as
// web/serve.mjs serves it, with its broken variants; the page canvas's CRC;
// the whole-run test's records (tests/data) and the check of a test-mode
// trace against them.
import assert from 'node:assert/strict';
import fs from 'node:fs';

import { notFound, routeOf, servePageFile, startServer } from '../serve.mjs';

// Serves the folder `root` on 127.0.0.1, and under /no-music/ without
// data.dat, /bad-music/ with one no browser can decode, /no-wasm/ without the
// program. Resolves to the server once it listens.
export function servePageVariants(root) {
  return startServer((request, response) => {
    const [, variant, route] = routeOf(request).match(/^(?:\/(no-music|bad-music|no-wasm))?(\/.*)$/);
    if (route === { 'no-music': '/data.dat', 'no-wasm': '/demo.wasm' }[variant]) return notFound(response);
    if (variant === 'bad-music' && route === '/data.dat') return response.end('not audio'.repeat(200));
    servePageFile(root, route, request, response);
  });
}

// The sentences a page that cannot play says, by where it was opened from
// (a path on the test server, or a file: address under `root`).
export const failureSentences = (root) => [
  [`file://${root}/index.html`, /serve this folder over HTTP; see README\.$/],
  ['/no-wasm/index.html', /^The demo's program could not be loaded \(demo\.wasm is not on the server\)\./],
];

// Why a page will play without music, said before the start.
export const noMusicReasons = [
  ['/no-music/index.html', 'The music could not be loaded (data.dat is not on the server)'],
  ['/bad-music/index.html', 'This browser cannot play the music\'s format (data.dat is Ogg Vorbis)'],
];

// The console errors and uncaught exceptions of the page opened at `pathname`
// (null: the test navigates itself) that count: on the broken variants and
// file: addresses, less the 404s they cause on purpose.
export const complaints = (pathname, problems) =>
  /^(\/index\.html|$)/.test(pathname ?? '') ? problems : problems.filter((line) => !line.includes('404'));

// Runs in the page. The page canvas: the CRC-32 of its pixels as RGB bytes
// (the program's canvas layout, so it compares with the trace's), and
// whether any pixel is lit.
export function pageCanvas() {
  const canvas = document.getElementById('screen');
  const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let [crc, lit] = [~0, false];
  for (let i = 0; i < rgba.length; ++i) {
    if (i % 4 === 3) continue;
    lit ||= rgba[i] !== 0;
    crc ^= rgba[i];
    for (let bit = 0; bit < 8; ++bit) crc = (crc >>> 1) ^ (0xEDB88320 & -(crc & 1));
  }
  return { crc: ~crc >>> 0, lit };
}

// Paced at 60 frames per second by the demo's own pass count, from its first
// pass (a sound output that does not start holds the picture up to a second
// first): a hiccup made up may add a frame or two, an unpaced loop hundreds.
export async function assertPlays(page, where) {
  const clock = () => page.evaluate('[window.demoClock().pass, performance.now()]');
  const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  for (let tries = 0; (await clock())[0] === 0 && tries < 100; ++tries) await sleep(50);
  const [passBefore, msBefore] = await clock();
  await sleep(1500);
  const [pass, ms] = await clock();
  const rate = (pass - passBefore) / ((ms - msBefore) / 1000);
  assert.ok(rate > 20 && rate < 65, `${where}: ${rate.toFixed(1)} frames per second`);
  assert.ok((await page.evaluate(pageCanvas)).lit, `${where}: the demo is on the page`);
}

// A run of the whole-run test (tests/data) as the page's test mode reports
// it: each pass's state and canvas CRC; the first `passes` of them.
export function recorded(name, passes) {
  const lines = (file) => fs.readFileSync(new URL(`../../tests/data/${file}`, import.meta.url), 'utf8').trim().split('\n').slice(0, passes);
  const crcs = lines(`canvas-crc/${name}.crc`);
  return lines(`reference/${name}.state`).map((line, i) => {
    const [pass, rendered, sceneIndex, sceneFrame, fading, swing, tick] = line.split(' ').map(Number);
    return { pass, rendered, sceneIndex, sceneFrame, fading, swing, tick, crc: parseInt(crcs[i], 16) };
  });
}

// The test mode's result for `query`: its trace must be `expected`, and the
// number of passes it reported (`done`) `passes` (-1 for options the
// capture tool refuses).
export function assertTrace(query, expected, passes, done, trace) {
  const at = expected.findIndex((want, i) => JSON.stringify(want) !== JSON.stringify(trace[i]));
  assert.ok(at < 0, `${query}, pass ${at + 1}: ${JSON.stringify(trace[at])}, recorded ${JSON.stringify(expected[at])}`);
  assert.equal(done, passes, `${query}: the number of passes`);
}
