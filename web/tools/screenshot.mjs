// SPDX-License-Identifier: MIT
// The page after "Encrypt 3" on a short text, as a PNG for the README.
// Usage: node web/tools/screenshot.mjs build/web/index.html out.png
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';
import { resolve } from 'node:path';

const require = createRequire(new URL('../../tests/web/package.json', import.meta.url));
const { chromium } = require('playwright-core');
const [pagePath = 'build/web/index.html', out = 'build/web-screenshot.png'] = process.argv.slice(2);

const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--headless=new'] });
try {
  const page = await browser.newPage({ viewport: { width: 1000, height: 720 } });
  await page.goto(pathToFileURL(resolve(pagePath)).href);
  await page.fill('#txtVelmor', 'Meet me at the old mill at nine.\nBring the second key.');
  await page.fill('#txtKey', 'lantern');
  await page.click('#EN3');
  await page.waitForFunction(() => document.querySelector('#txtOutputBox').value !== '');
  await page.screenshot({ path: out, fullPage: true });
} finally {
  await browser.close();
}
