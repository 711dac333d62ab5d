// SPDX-License-Identifier: MIT
// The page in headless Chromium: Encrypt 12 and Decrypt 12 on a 10 MB text,
// from the click to the result in the box, with the SIMD and the plain
// engine; then a 64 MB text opened, encrypted and saved, with the longest
// main-thread task of each step and the browser's memory above an empty page;
// last a 20 MB text opened, encrypted, copied and its box drawn anew, as is
// and with the processor slowed six times, as on a slow phone; and, slowed,
// 20 MB of line feeds alone, the shape a box lays out slowest.
// Goals: no task over 100 ms (200 ms slowed six times), 10 MB Encrypt 12 in
// at most 150 ms, memory at most 4 times the text's size.
// Usage: node bench/web_bench.mjs build/web/index.html
import { createRequire } from 'node:module';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const require = createRequire(new URL('../tests/web/package.json', import.meta.url));
const { chromium } = require('playwright-core');
const page = pathToFileURL(resolve(process.argv[2] ?? 'build/web/index.html')).href;
const MiB = 1024 * 1024;
const runs = 5;

function textOf(size) {
  const text = Buffer.alloc(size);
  for (let i = 0; i < size; ++i) text[i] = i % 98 === 96 ? 13 : i % 98 === 97 ? 10 : 32 + ((i * 7919) % 95);
  return text;
}

// The browser is found by a switch of its own on its command line.
const marker = `--velmor-bench=${process.pid}`;

// Resident memory of the browser and every process it started, in bytes.
function browserMemory() {
  const children = new Map();
  let rootPid = 0;
  for (const entry of readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const parent = Number(readFileSync(`/proc/${entry}/stat`, 'utf8').split(') ')[1].split(' ')[1]);
      children.set(parent, [...(children.get(parent) ?? []), Number(entry)]);
      if (readFileSync(`/proc/${entry}/cmdline`, 'utf8').split('\0').includes(marker)) rootPid = Number(entry);
    } catch { /* the process ended while it was read */ }
  }
  if (!rootPid) throw new Error('the browser\'s process was not found');
  let total = 0;
  for (const pending = [rootPid]; pending.length > 0;) {
    const pid = pending.pop();
    try {
      total += Number(readFileSync(`/proc/${pid}/status`, 'utf8').match(/VmRSS:\s+(\d+)/)[1]) * 1024;
    } catch { /* likewise */ }
    pending.push(...(children.get(pid) ?? []));
  }
  return total;
}

// Every task of the page's main thread over 50 ms, from now on.
const watchLongTasks = (tab) => tab.evaluate(() => {
  window.longTasks = [];
  new PerformanceObserver((list) => window.longTasks.push(...list.getEntries().map((e) => e.duration)))
    .observe({ type: 'longtask' });
});
// Runs each [name, step] and says how long its longest main-thread task was.
async function longestTasks(tab, steps, afterEach = () => '') {
  const report = [];
  for (const [name, step] of steps) {
    await tab.evaluate(() => { window.longTasks = []; });
    await step();
    await new Promise((settle) => setTimeout(settle, 300));
    const tasks = await tab.evaluate(() => window.longTasks);
    report.push(`${name}: longest main-thread task ${tasks.length ? Math.max(...tasks).toFixed(0) : 'under 50'} ms${afterEach()}`);
  }
  return report;
}

const idle = (tab) => tab.waitForFunction(() => document.querySelector('#machine').getAttribute('aria-busy') === 'false');
const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];

async function tenMegabytes(browser, engine) {
  const tab = await browser.newPage();
  await tab.goto(`${page}?engine=${engine}`);
  await tab.fill('#txtKey', 'benchmark password');
  const [chooser] = await Promise.all([tab.waitForEvent('filechooser'), tab.click('#Op')]);
  await chooser.setFiles({ name: 'ten.txt', mimeType: 'text/plain', buffer: textOf(10 * MiB) });
  await tab.waitForSelector('#txtVelmor-note:not([hidden])');
  await idle(tab);
  const times = { encrypt: [], decrypt: [] };
  for (let run = 0; run < runs; ++run) {
    for (const [direction, id] of [['encrypt', '#EN12'], ['decrypt', '#DE12']]) {
      // Timed inside the page: from the click to the next frame after the
      // box shows the result.
      times[direction].push(await tab.evaluate((button) => new Promise((done) => {
        const machine = document.querySelector('#machine');
        const started = performance.now();
        new MutationObserver((_, observer) => {
          if (machine.getAttribute('aria-busy') !== 'false') return;
          observer.disconnect();
          requestAnimationFrame(() => done(performance.now() - started));
        }).observe(machine, { attributes: true });
        document.querySelector(button).click();
      }), id));
    }
  }
  const kind = await tab.evaluate(() => document.documentElement.dataset.engine);
  console.log(`${kind.padEnd(5)} engine, 10 MiB, 12 passes: encrypt ${median(times.encrypt).toFixed(0)} ms, ` +
    `decrypt ${median(times.decrypt).toFixed(0)} ms (median of ${runs}; first encrypt ${times.encrypt[0].toFixed(0)} ms)`);
  await tab.close();
}

// Opening the text at `path`, shown in part, then Encrypt 12 on it: the
// steps both long-text runs time.
function openAndEncrypt(tab, path) {
  return [
    ['open', async () => {
      const [chooser] = await Promise.all([tab.waitForEvent('filechooser'), tab.click('#Op')]);
      await chooser.setFiles(path);
      await tab.waitForSelector('#txtVelmor-note:not([hidden])');
      await idle(tab);
    }],
    ['Encrypt 12', async () => {
      await tab.click('#EN12');
      await tab.waitForSelector('#txtOutputBox-note:not([hidden])');
      await idle(tab);
    }],
  ];
}

async function sixtyFourMegabytes(browser, folder) {
  const size = 64 * MiB;
  const path = join(folder, 'sixty-four.txt');
  writeFileSync(path, textOf(size));
  const context = await browser.newContext({ acceptDownloads: true });
  const tab = await context.newPage();
  await tab.goto(page);
  await tab.waitForFunction(() => document.documentElement.dataset.engine);
  await watchLongTasks(tab);
  await new Promise((settle) => setTimeout(settle, 1000));
  const empty = browserMemory();
  let peak = empty;
  let highest = empty;
  const sampler = setInterval(() => { peak = Math.max(peak, browserMemory()); }, 20);
  const steps = [
    ...openAndEncrypt(tab, path),
    ['save', async () => {
      const [download] = await Promise.all([tab.waitForEvent('download'), tab.click('#SAET')]);
      await download.path();
    }],
  ];
  const report = await longestTasks(tab, steps.map(([name, step]) => [name, () => {
    peak = browserMemory();
    return step();
  }]), () => {
    highest = Math.max(highest, peak);
    return `, memory up to ${((peak - empty) / MiB).toFixed(0)} MiB above the empty page`;
  });
  clearInterval(sampler);
  peak = Math.max(highest, peak, browserMemory());
  for (const line of report) console.log(`64 MiB text, ${line}`);
  console.log(`64 MiB text: browser memory ${(empty / MiB).toFixed(0)} MiB with an empty page, peak ` +
    `${(peak / MiB).toFixed(0)} MiB: ${((peak - empty) / size).toFixed(2)} times the text's size above it`);
  await context.close();
}

// A slow phone's processor is this many times slower than the machine's.
async function slowed(browser, folder, rate, lineFeeds = false) {
  const path = join(folder, 'twenty.txt');
  writeFileSync(path, lineFeeds ? Buffer.alloc(20 * MiB, 10) : textOf(20 * MiB));
  const context = await browser.newContext();
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  const tab = await context.newPage();
  await tab.goto(page);
  await tab.waitForFunction(() => document.documentElement.dataset.engine);
  const session = await context.newCDPSession(tab);
  await session.send('Emulation.setCPUThrottlingRate', { rate });
  await watchLongTasks(tab);
  const report = await longestTasks(tab, [
    ...openAndEncrypt(tab, path),
    ['copy', async () => {
      await tab.evaluate(() => { document.querySelector('#announcement').textContent = ''; });
      await tab.click('#CTCET');
      await tab.waitForFunction(() => /^Copied/.test(document.querySelector('#announcement').textContent) ||
        document.querySelector('#message').open);
      if (await tab.evaluate(() => document.querySelector('#message').open)) throw new Error('the copy failed');
    }],
    // The box hidden and shown again, as when the page comes back or the phone turns.
    ['drawing the box', async () => {
      await tab.evaluate(() => new Promise((done) => {
        const area = document.querySelector('#txtOutputBox');
        area.style.display = 'none';
        requestAnimationFrame(() => setTimeout(() => {
          area.style.display = '';
          requestAnimationFrame(() => setTimeout(done));
        }));
      }));
    }],
  ]);
  const text = lineFeeds ? '20 MiB of line feeds' : '20 MiB text';
  for (const line of report) console.log(`${text}, processor ${rate === 1 ? 'as is' : `${rate} times slower`}, ${line}`);
  await context.close();
}

const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--headless=new', marker] });
const folder = mkdtempSync(join(tmpdir(), 'velmor-bench-'));
try {
  for (const engine of ['best', 'plain']) await tenMegabytes(browser, engine);
  await sixtyFourMegabytes(browser, folder);
  for (const rate of [1, 6]) await slowed(browser, folder, rate);
  await slowed(browser, folder, 6, true);
} finally {
  await browser.close();
  rmSync(folder, { recursive: true, force: true });
}
