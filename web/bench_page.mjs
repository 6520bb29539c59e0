// bench_page.mjs - measures the page's main-thread work per animation frame,
// scene by scene, in Debian's headless Chromium (the page's benchmark mode,
// index.html?bench: every scene for a few seconds at 60 frames per second,
// without music). Served cross-origin isolated, so the page's clock has
// microseconds.
//
//   node web/bench_page.mjs build/web [--chromium /usr/bin/chromium] [--runs 3] [--trace]
//
// Prints, per scene, the median and 90th percentile of the page's work per
// frame in ms (from the animation frame's start to the program's wait for
// the next: its passes, the presentation, the page's own per-frame work);
// with several runs, each run's figure and the median of the runs. With
// --trace, a browser trace of each run also gives the median of all the main
// thread's work between two animation frames, the browser's own share (its
// commit of the canvas to the screen, ...) included; tracing itself adds a
// little to every task.
import path from 'node:path';
import { parseArgs } from 'node:util';

import { chromium } from 'playwright-core';

import { servePageFile, startServer } from './serve.mjs';

const { values: options, positionals } = parseArgs({
  allowPositionals: true,
  options: {
    chromium: { type: 'string', default: '/usr/bin/chromium' },
    runs: { type: 'string', default: '3' },
    trace: { type: 'boolean', default: false },
  },
});
if (positionals.length !== 1) {
  console.error('usage: node bench_page.mjs PAGE_FOLDER [--chromium PATH] [--runs N] [--trace]');
  process.exit(2);
}
const root = path.resolve(positionals[0]);
const server = await startServer((request, response) =>
  servePageFile(root, new URL(request.url, 'http://page').pathname, request, response,
                { isolate: true }));
const browser = await chromium.launch({ executablePath: options.chromium, headless: true,
                                        args: ['--no-sandbox', '--disable-gpu'] });
const runs = [];
const kTraceCategories = ['devtools.timeline', 'blink.user_timing', 'toplevel'];

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Adds mainThreadMs to each scene: the median, over the scene's frames (the
// page marks where they begin and end), of the main thread's top-level task
// time from one animation frame to the next.
function mainThreadPerFrame(trace, scenes) {
  const events = trace.traceEvents.filter((event) => event.ph === 'X' || event.ph === 'R' ||
                                                     event.ph === 'I' || event.ph === 'i');
  const marks = new Map(events.filter((event) => event.name.startsWith('bench-scene-'))
    .map((event) => [event.name, event]));
  const { pid, tid } = marks.values().next().value;
  const onMain = events.filter((event) => event.pid === pid && event.tid === tid && event.dur);
  const tasks = onMain.filter((event) => event.name === 'ThreadControllerImpl::RunTask');
  const frames = onMain.filter((event) => event.name === 'FireAnimationFrame').map((e) => e.ts);
  for (const entry of scenes) {
    const from = marks.get(`bench-scene-${entry.scene}-start`).ts;
    const to = marks.get(`bench-scene-${entry.scene}-end`).ts;
    const starts = frames.filter((ts) => ts >= from && ts <= to);
    const perFrame = starts.slice(1).map((end, i) => tasks
      .filter((task) => task.ts >= starts[i] && task.ts < end)
      .reduce((sum, task) => sum + task.dur / 1000, 0));
    entry.mainThreadMs = median(perFrame);
  }
}
try {
  for (let run = 0; run < Number(options.runs); ++run) {
    const page = await browser.newPage({ viewport: { width: 800, height: 640 } });
    if (options.trace) await browser.startTracing(page, { categories: kTraceCategories });
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html?bench`);
    await page.waitForFunction(() => window.benchResult, null, { timeout: 120000, polling: 500 });
    const result = await page.evaluate(() => window.benchResult);
    if (!result.isolated) console.warn('# the page was not cross-origin isolated: 0.1 ms clock');
    if (options.trace) mainThreadPerFrame(JSON.parse(await browser.stopTracing()), result.scenes);
    runs.push(result.scenes);
    await page.close();
  }
} finally {
  await browser.close();
  server.close();
}

const ms = (value) => value.toFixed(3).padStart(7);
const column = (values) => values.map(ms).join(' ').padEnd(25);
console.log('scene  frames  median ms per run          p90 ms per run            median of medians' +
            (options.trace ? '  main thread per run (median of runs)' : ''));
for (const scene of runs[0].keys()) {
  const medians = runs.map((scenes) => scenes[scene].medianMs);
  const p90s = runs.map((scenes) => scenes[scene].p90Ms);
  const main = runs.map((scenes) => scenes[scene].mainThreadMs);
  console.log(`${String(scene).padStart(5)}  ${String(runs[0][scene].frames).padStart(6)}  ` +
              `${column(medians)}  ${column(p90s)}  ${ms(median(medians))}            ` +
              (options.trace ? `${column(main)} (${ms(median(main)).trim()})` : ''));
}
