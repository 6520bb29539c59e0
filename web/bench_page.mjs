// bench_page.mjs - measures the page's main-thread work per animation frame,
// scene by scene, in Debian's headless Chromium (the page's benchmark mode,
// index.html?bench: every scene for a few seconds at 60 frames per second,
// without music). Served cross-origin isolated, so the page's clock has
// microseconds.
//
//   node web/bench_page.mjs build/web [--chromium /usr/bin/chromium] [--runs 3]
//
// Prints, per scene, the median and 90th percentile of the work per frame
// in ms; with several runs, each run's figure and the median of the runs.
import path from 'node:path';
import { parseArgs } from 'node:util';

import { chromium } from 'playwright-core';

import { servePageFile, startServer } from './serve.mjs';

const { values: options, positionals } = parseArgs({
  allowPositionals: true,
  options: {
    chromium: { type: 'string', default: '/usr/bin/chromium' },
    runs: { type: 'string', default: '3' },
  },
});
if (positionals.length !== 1) {
  console.error('usage: node bench_page.mjs PAGE_FOLDER [--chromium PATH] [--runs N]');
  process.exit(2);
}
const root = path.resolve(positionals[0]);
const server = await startServer((request, response) =>
  servePageFile(root, new URL(request.url, 'http://page').pathname, request, response,
                { isolate: true }));
const browser = await chromium.launch({ executablePath: options.chromium, headless: true,
                                        args: ['--no-sandbox', '--disable-gpu'] });
const runs = [];
try {
  for (let run = 0; run < Number(options.runs); ++run) {
    const page = await browser.newPage({ viewport: { width: 800, height: 640 } });
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html?bench`);
    await page.waitForFunction(() => window.benchResult, null, { timeout: 120000, polling: 500 });
    const result = await page.evaluate(() => window.benchResult);
    if (!result.isolated) console.warn('# the page was not cross-origin isolated: 0.1 ms clock');
    runs.push(result.scenes);
    await page.close();
  }
} finally {
  await browser.close();
  server.close();
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const ms = (value) => value.toFixed(3).padStart(7);
console.log('scene  frames  median ms per run          p90 ms per run            median of medians');
for (const scene of runs[0].keys()) {
  const medians = runs.map((scenes) => scenes[scene].medianMs);
  const p90s = runs.map((scenes) => scenes[scene].p90Ms);
  console.log(`${String(scene).padStart(5)}  ${String(runs[0][scene].frames).padStart(6)}  ` +
              `${medians.map(ms).join(' ').padEnd(25)}  ${p90s.map(ms).join(' ').padEnd(25)}  ` +
              `${ms(median(medians))}`);
}
