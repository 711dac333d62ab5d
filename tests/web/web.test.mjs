// SPDX-License-Identifier: MIT
// The web page end to end in headless Chromium: typing, pasting, commands,
// files byte for byte, the known answers, the password and wheel count, a
// 10 MB text, accessibility, and no request to any other origin.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { randomBytes } from 'node:crypto';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const here = dirname(fileURLToPath(import.meta.url));
const root = resolve(here, '../..');
const webDir = resolve(process.env.VELMOR_WEB_DIR ?? join(root, 'build/web'));
const cli = process.env.VELMOR_CLI ?? join(root, 'build/cli/velmor');
const knownAnswers = join(root, 'docs/known-answers.tsv');
const PASSES = [1, 3, 6, 9, 12];

let browser;
let server;
let origin;
const foreignRequests = [];

before(async () => {
  const page = readFileSync(join(webDir, 'index.html'));
  server = createServer((request, response) => {
    if (new URL(request.url, 'http://x').pathname !== '/') {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' }).end(page);
  });
  await new Promise((ready) => server.listen(0, '127.0.0.1', ready));
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless=new'],
  });
});

after(async () => {
  await browser?.close();
  server?.close();
  assert.deepEqual(foreignRequests, [], 'the page asked another origin for something');
});

// A fresh page; every request it makes is checked against its own origin.
async function openPage(t, { url = `${origin}/`, engine } = {}) {
  const context = await browser.newContext({ acceptDownloads: true });
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin });
  const page = await context.newPage();
  // Every request that would leave the page is seen here before it goes
  // out; one for another origin is recorded and never sent.
  const own = new URL(url).origin;
  await context.route('**/*', (route) => {
    const target = route.request().url();
    const local = own === 'null' ? target.startsWith('file:') : new URL(target).origin === own;
    if (local) return route.continue();
    foreignRequests.push(target);
    return route.abort();
  });
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  t.after(async () => {
    await context.close();
    assert.deepEqual(errors, []);
  });
  await page.goto(engine ? `${url}?engine=${engine}` : url);
  return page;
}

async function openFile(page, command, bytes) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click(`#${command}`)]);
  await chooser.setFiles({ name: 'text.txt', mimeType: 'text/plain', buffer: Buffer.from(bytes) });
  const box = command === 'Op' ? '#txtVelmor' : '#txtOutputBox';
  // The box shows the text once it has been read; an empty file leaves it empty.
  if (bytes.length > 0) await page.waitForFunction((id) => document.querySelector(id).value.length > 0, box);
}

async function save(page, command) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click(`#${command}`)]);
  const chunks = [];
  for await (const chunk of await download.createReadStream()) chunks.push(chunk);
  return Buffer.concat(chunks);
}

async function run(page, command) {
  await page.click(`#${command}`);
  await page.waitForFunction(() => document.querySelector('#machine').getAttribute('aria-busy') === 'false');
}

async function setKey(page, wheels, password) {
  await page.selectOption('#EW', String(wheels));
  await page.fill('#txtKey', password);
}

const commandId = (direction, passes) => (direction === 'encrypt' ? 'EN' : 'DE') + (passes === 1 ? '' : passes);

// What the command-line tool makes of the same input.
function velmor(direction, wheels, passes, password, input) {
  return execFileSync(cli, [direction, '-w', String(wheels), '-n', String(passes), '--password-env', 'VELMOR_KEY'],
    { input, env: { ...process.env, VELMOR_KEY: password }, maxBuffer: 64 << 20 });
}

// One command through the page: the input opened from a file, the result saved.
async function cipherInPage(page, direction, wheels, passes, password, input) {
  await setKey(page, wheels, password);
  await openFile(page, direction === 'encrypt' ? 'Op' : 'OET', input);
  await run(page, commandId(direction, passes));
  return save(page, direction === 'encrypt' ? 'SAET' : 'SAs');
}

test('the known answers come out of the page, with and without SIMD', { skip: !existsSync(knownAnswers) }, async (t) => {
  const rows = readFileSync(knownAnswers, 'latin1').split('\n').filter((line) => line && !line.startsWith('#'));
  assert.ok(rows.length > 0);
  for (const engine of ['best', 'plain']) {
    const page = await openPage(t, { engine });
    for (const row of rows) {
      const [wheels, passes, direction, password, input, output] = row.split('\t');
      // Node's own windows-1252 decoder is Latin-1; the browser's follows the table.
      const key = await page.evaluate((hex) => new TextDecoder('windows-1252')
        .decode(Uint8Array.from(hex.match(/../g) ?? [], (pair) => parseInt(pair, 16))), password);
      const got = await cipherInPage(page, direction, Number(wheels), Number(passes), key, Buffer.from(input, 'hex'));
      assert.equal(got.toString('hex'), output, `${engine}: ${row}`);
    }
  }
});

test('the page and the command-line tool agree, and decrypting gives the text back', async (t) => {
  const cases = [
    { wheels: 20, passes: 3, password: 'secret', text: 'Hello, World!\r\nline two "quoted" £ ¬' },
    { wheels: 4, passes: 12, password: 'abcd', text: '' },
    { wheels: 30, passes: 9, password: 'x'.repeat(30), text: 'a'.repeat(96 * 30 + 7) },
    { wheels: 6, passes: 1, password: '', text: 'no password at all' },
    { wheels: 12, passes: 6, password: 'Zz9~ !', text: 'tab\there\nlf\rcr\r\ncrlf' },
  ];
  const page = await openPage(t);
  for (const [index, c] of cases.entries()) {
    const plain = Buffer.from(c.text, 'latin1');
    const encrypted = await cipherInPage(page, 'encrypt', c.wheels, c.passes, c.password, plain);
    if (existsSync(cli)) assert.deepEqual(encrypted, velmor('encrypt', c.wheels, c.passes, c.password, plain), `case ${index}`);
    assert.equal(encrypted.length, plain.length);
    await run(page, commandId('decrypt', c.passes));
    assert.deepEqual(await save(page, 'SAs'), plain, `case ${index}`);
  }
});

test('files open and save byte for byte in both boxes', async (t) => {
  const every = Buffer.from(Array.from({ length: 256 }, (_, byte) => byte));
  const files = [every, Buffer.from('crlf\r\nlf\ncr\rend\r\n'), Buffer.from('\r\r\n\n\r'), Buffer.alloc(0),
    randomBytes(100000)];
  const page = await openPage(t);
  await setKey(page, 20, 'key');
  for (const bytes of files) {
    await openFile(page, 'Op', bytes);
    assert.deepEqual(await save(page, 'SAs'), bytes);
    await openFile(page, 'OET', bytes);
    assert.deepEqual(await save(page, 'SAET'), bytes);
    // Every byte outside the alphabet passes the cipher unchanged both ways.
    await run(page, 'DE3');
    await run(page, 'EN3');
    assert.deepEqual(await save(page, 'SAET'), bytes);
  }
  // A file dropped on a box opens into it; the page stays where it is.
  await page.evaluate((bytes) => {
    const files = new DataTransfer();
    files.items.add(new File([Uint8Array.from(bytes)], 'dropped.txt'));
    document.querySelector('#txtOutputBox').dispatchEvent(new DragEvent('drop', { dataTransfer: files, bubbles: true, cancelable: true }));
  }, [...every]);
  await page.waitForFunction(() => document.querySelector('#txtOutputBox').value.length === 256);
  assert.deepEqual(await save(page, 'SAET'), every);
  await page.click('#Ne');
  assert.deepEqual([await page.inputValue('#txtVelmor'), await page.inputValue('#txtOutputBox')], ['', '']);
  assert.equal(await page.inputValue('#txtKey'), 'key');
});

test('typed, pasted and edited text keeps every line break', async (t) => {
  const page = await openPage(t);
  const box = page.locator('#txtVelmor');
  // A line break typed by the user is CR LF.
  await box.click();
  await page.keyboard.type('ab');
  await page.keyboard.press('Enter');
  await page.keyboard.type('cd');
  assert.equal((await save(page, 'SAs')).toString('latin1'), 'ab\r\ncd');

  // Editing leaves the file's own line breaks as they were.
  await openFile(page, 'Op', Buffer.from('one\ntwo\rthree\r\n'));
  await box.press('Control+End');
  await page.keyboard.type('!');
  await box.press('Control+Home');
  await page.keyboard.press('Delete');
  await page.keyboard.press('Enter');
  assert.equal((await save(page, 'SAs')).toString('latin1'), '\r\nne\ntwo\rthree\r\n!');

  // Pasted text comes in exactly, and the copy commands and a selection copy give it back.
  await page.click('#Ne');
  const pasted = 'x\ny\rz\r\n£ ¬ € \u0081';
  await page.evaluate((text) => navigator.clipboard.writeText(text), pasted);
  await box.click();
  await box.press('Control+V');
  assert.deepEqual(await save(page, 'SAs'), Buffer.from([...Buffer.from('x\ny\rz\r\n'), 0xa3, 32, 0xac, 32, 0x80, 32, 0x81]));
  await page.evaluate(() => navigator.clipboard.writeText('other'));
  await page.click('#CToC');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), pasted);
  await page.evaluate(() => navigator.clipboard.writeText('other'));
  await box.press('Control+A');
  await box.press('Control+C');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), pasted);
  await page.click('#CTCET');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), '');
});

test('a character without a Windows-1252 byte refuses the save and says where it is', async (t) => {
  const page = await openPage(t);
  let downloads = 0;
  page.on('download', () => ++downloads);
  for (const [text, described, line] of [['ok\r\nĀ', '"Ā" (U+0100)', 2], ['a\rb\nc\u2028', 'U+2028', 3],
    ['😀', '"😀" (U+1F600)', 1]]) {
    await page.locator('#txtVelmor').fill('');
    await page.locator('#txtVelmor').click();
    await page.evaluate((t) => navigator.clipboard.writeText(t), text);
    await page.keyboard.press('Control+V');
    await page.click('#SAs');
    const message = page.locator('#message');
    await message.waitFor({ state: 'visible' });
    assert.equal(await page.textContent('#message-title'), 'Save');
    assert.equal(await page.textContent('#message-text'),
      `The text cannot be saved: the character ${described} on line ${line} has no place in Windows-1252, ` +
      'the character set of the file.\nReplace or remove it, then save again. Nothing was written.');
    await page.keyboard.press('Enter');
    await message.waitFor({ state: 'hidden' });
  }
  assert.equal(downloads, 0);
});

test('the password is masked, limited to the wheel count and emptied by a new count', async (t) => {
  const page = await openPage(t);
  const key = page.locator('#txtKey');
  assert.equal(await key.getAttribute('type'), 'password');
  // The browsers' mask characters are drawn as "*" by the page's own font.
  assert.equal(await page.evaluate(() => document.fonts.load('16px "Velmor Mask"', '\u2022\u25cf')
    .then((faces) => faces.length)), 1);
  assert.equal(await page.inputValue('#EW'), '20');
  await key.click();
  await page.keyboard.type('abcdefghijklmnopqrstuvwxyz');
  assert.equal(await key.inputValue(), 'abcdefghijklmnopqrst');
  await page.check('#PassS');
  assert.equal(await key.getAttribute('type'), 'text');
  await page.uncheck('#PassS');
  assert.equal(await key.getAttribute('type'), 'password');
  assert.equal(await key.inputValue(), 'abcdefghijklmnopqrst');

  for (const [wheels, shown] of [[4, '04'], [30, '30']]) {
    await page.selectOption('#EW', String(wheels));
    assert.equal(await key.inputValue(), '');
    assert.equal(await page.locator('#EW option:checked').textContent(), shown);
    await key.click();
    await page.keyboard.type('x'.repeat(40));
    assert.equal((await key.inputValue()).length, wheels);
  }
  // The wheel count is part of the key, and a new count leaves both boxes as they were.
  const plain = Buffer.from('The same text under two wheel counts.');
  const four = await cipherInPage(page, 'encrypt', 4, 3, 'abcd', plain);
  const six = await cipherInPage(page, 'encrypt', 6, 3, 'abcd', plain);
  assert.notDeepEqual(four, six);
  await page.selectOption('#EW', '4');
  assert.deepEqual(await save(page, 'SAET'), six);
});

test('a 10 MB text runs 12 passes without freezing the page, and the status shows its size', async (t) => {
  const size = 10 * 1024 * 1024;
  const line = Buffer.from('The quick brown fox jumps over the lazy dog; 0123456789 "#$%&\'()*+,-./:;<=>?@[\\]^_`{|}~\r\n');
  const plain = Buffer.alloc(size);
  for (let at = 0; at < size; at += line.length) line.copy(plain, at);
  const page = await openPage(t);
  await setKey(page, 26, 'a long password of 26 char');
  await openFile(page, 'Op', plain);
  assert.match(await page.textContent('#txtVelmor-note'), /of 10,485,760 characters/);
  // Frames keep coming while the worker ciphers.
  await page.evaluate(() => {
    window.longestFrameGap = 0;
    let last = performance.now();
    const tick = (now) => {
      window.longestFrameGap = Math.max(window.longestFrameGap, now - last);
      last = now;
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  });
  await page.click('#EN12');
  assert.equal(await page.textContent('#Label1'), `Please Wait While Processing ${size} Characters`);
  assert.equal(await page.isDisabled('#DE12'), true);
  await page.waitForFunction(() => document.querySelector('#Label1').textContent === '');
  assert.ok(await page.evaluate(() => window.longestFrameGap) < 1000, 'the page stopped painting');
  const encrypted = await save(page, 'SAET');
  if (existsSync(cli)) assert.deepEqual(encrypted, velmor('encrypt', 26, 12, 'a long password of 26 char', plain));
  assert.equal(await page.inputValue('#txtVelmor'), '');
  await run(page, 'DE12');
  assert.ok((await save(page, 'SAs')).equals(plain));
});

test('the page works by keyboard and passes the accessibility check', async (t) => {
  const page = await openPage(t);
  await page.evaluate(readFileSync(join(here, 'node_modules/axe-core/axe.min.js'), 'utf8'));
  const results = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  assert.deepEqual(results.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`), []);

  // Tab reaches every control.
  const reached = new Set();
  for (let i = 0; i < 40; ++i) {
    await page.keyboard.press('Tab');
    reached.add(await page.evaluate(() => document.activeElement.id));
  }
  const controls = await page.evaluate(() =>
    [...document.querySelectorAll('main button, main select, main input:not([type=file]), main textarea')].map((c) => c.id));
  assert.deepEqual(controls.filter((id) => !reached.has(id)), []);

  // A whole command by keyboard: type, key, Encrypt 3, read the info and close it.
  await page.focus('#txtVelmor');
  await page.keyboard.type('by keyboard');
  await page.focus('#txtKey');
  await page.keyboard.type('k');
  await page.focus('#EN3');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelector('#txtOutputBox').value.length === 11);
  assert.equal(await page.evaluate(() => document.activeElement.id), 'EN3');
  await page.focus('#IF');
  await page.keyboard.press('Enter');
  assert.equal(await page.textContent('#info-text'), [
    'The Velmor Machine - Copyright (C) The Velmor Machine authors. All rights reserved.', '*'.repeat(46),
    ' Set Encryption Wheels To 20 Give You 10 Character Change Then  Encrypt 12 Times = 120 Character Change Max 30=15X12=180',
  ].join('\r\n'));
  const dialogResults = await page.evaluate(() => window.axe.run(document.querySelector('#info')));
  assert.deepEqual(dialogResults.violations, []);
  await page.keyboard.press('Escape');
  assert.equal(await page.isVisible('#info'), false);
});

test('nothing reaches another origin, and the page works from a file', async (t) => {
  const page = await openPage(t);
  const blocked = await page.evaluate(async (elsewhere) => {
    const violations = [];
    document.addEventListener('securitypolicyviolation', (event) => violations.push(event.violatedDirective));
    const fetched = await fetch(elsewhere).then(() => 'fetched', () => 'refused');
    const image = new Image();
    image.src = `${elsewhere}/image.png`;
    document.body.append(image);
    await new Promise((done) => { image.onerror = done; image.onload = done; });
    const script = document.createElement('script');
    script.textContent = 'window.injected = true';
    document.body.append(script);
    await new Promise((done) => setTimeout(done, 100));
    return { fetched, injected: window.injected === true, violations: violations.sort() };
  }, 'http://192.0.2.1');
  assert.deepEqual(blocked, { fetched: 'refused', injected: false,
    violations: ['connect-src', 'img-src', 'script-src-elem'] });

  const fromFile = await openPage(t, { url: pathToFileURL(join(webDir, 'index.html')).href });
  await fromFile.fill('#txtVelmor', 'from a file');
  await fromFile.fill('#txtKey', 'k');
  await run(fromFile, 'EN');
  assert.equal((await fromFile.inputValue('#txtOutputBox')).length, 11);
  await run(fromFile, 'DE');
  assert.equal(await fromFile.inputValue('#txtVelmor'), 'from a file');
});
