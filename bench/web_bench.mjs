// SPDX-License-Identifier: MIT
// The page on a 10 MB text in headless Chromium: Encrypt 12 and Decrypt 12,
// from the click to the result in the box, with the SIMD and the plain engine.
// Usage: node bench/web_bench.mjs build/web/index.html
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';
import { resolve } from 'node:path';

const require = createRequire(new URL('../tests/web/package.json', import.meta.url));
const { chromium } = require('playwright-core');
const page = pathToFileURL(resolve(process.argv[2] ?? 'build/web/index.html')).href;
const size = 10 * 1024 * 1024;
const runs = 5;

const text = Buffer.alloc(size);
for (let i = 0; i < size; ++i) text[i] = i % 98 === 96 ? 13 : i % 98 === 97 ? 10 : 32 + ((i * 7919) % 95);

const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--headless=new'] });
try {
  for (const engine of ['best', 'plain']) {
    const tab = await browser.newPage();
    await tab.goto(`${page}?engine=${engine}`);
    await tab.fill('#txtKey', 'benchmark password');
    const [chooser] = await Promise.all([tab.waitForEvent('filechooser'), tab.click('#Op')]);
    await chooser.setFiles({ name: 'ten.txt', mimeType: 'text/plain', buffer: text });
    await tab.waitForSelector('#txtVelmor-note:not([hidden])');
    const times = { encrypt: [], decrypt: [] };
    for (let run = 0; run < runs; ++run) {
      for (const [direction, id] of [['encrypt', '#EN12'], ['decrypt', '#DE12']]) {
        // Timed inside the page: from the click to the box that shows the result.
        times[direction].push(await tab.evaluate((button) => new Promise((done) => {
          const machine = document.querySelector('#machine');
          const started = performance.now();
          new MutationObserver((_, observer) => {
            if (machine.getAttribute('aria-busy') !== 'false') return;
            observer.disconnect();
            done(performance.now() - started);
          }).observe(machine, { attributes: true });
          document.querySelector(button).click();
        }), id));
      }
    }
    const kind = await tab.evaluate(() => document.documentElement.dataset.engine);
    const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)].toFixed(0);
    console.log(`${kind.padEnd(5)} engine, 10 MB, 12 passes: encrypt ${median(times.encrypt)} ms, ` +
      `decrypt ${median(times.decrypt)} ms (median of ${runs}; first encrypt ${times.encrypt[0].toFixed(0)} ms)`);
    await tab.close();
  }
} finally {
  await browser.close();
}
