// SPDX-License-Identifier: MIT
// The web page end to end in headless Chromium: typing, pasting, commands,
// files byte for byte, the known answers, the password and wheel count, long
// texts, every screen width, accessibility, the installed app offline, and no
// request to any other origin.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, truncateSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { createServer } from 'node:http';
import { randomBytes } from 'node:crypto';
import { dirname, extname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const here = dirname(fileURLToPath(import.meta.url));
const root = resolve(here, '../..');
const webDir = resolve(process.env.VELMOR_WEB_DIR ?? join(root, 'build/web'));
const cli = process.env.VELMOR_CLI ?? join(root, 'build/cli/velmor');
const knownAnswers = join(root, 'docs/known-answers.tsv');
// The words and limits the window compiles in, as the page is given them.
const WORDS = JSON.parse(execFileSync('python3', [join(root, 'web/assemble.py'), '--prelude'], { encoding: 'utf8' })
  .match(/^const WORDS = Object\.freeze\((.*)\);$/m)[1]);
// A host name that is not this machine's to the browser, so that a page
// from it is not a secure context, as on a home network over http.
const PLAIN_HOST = 'velmor.test';
const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json' };

let browser;
let server;
let origin;
const foreignRequests = [];

before(async () => {
  for (const [path, what] of [[cli, 'velmor (make build)'], [knownAnswers, 'the known answers'],
    [join(webDir, 'index.html'), 'the page (make web)']]) {
    assert.ok(existsSync(path), `${what} must exist at ${path}`);
  }
  // The built folder, as a web host serves it.
  server = createServer((request, response) => {
    const path = new URL(request.url, 'http://x').pathname;
    // As a site whose policy forbids WebAssembly would serve the page.
    if (path === '/no-wasm') {
      response.writeHead(200, { 'Content-Type': TYPES['.html'],
        'Content-Security-Policy': "script-src 'unsafe-inline'; worker-src blob:" }).end(readFileSync(join(webDir, 'index.html')));
      return;
    }
    const name = path.slice(1) || 'index.html';
    const file = join(webDir, name);
    if (name.includes('/') || !existsSync(file) || !TYPES[extname(name)]) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': TYPES[extname(name)] }).end(readFileSync(file));
  });
  await new Promise((ready) => server.listen(0, '127.0.0.1', ready));
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless=new', `--host-resolver-rules=MAP ${PLAIN_HOST} 127.0.0.1`],
  });
});

after(async () => {
  await browser?.close();
  server?.close();
  assert.deepEqual(foreignRequests, [], 'the page asked another origin for something');
});

// A fresh page; every request it makes is checked against its own origin.
async function openPage(t, { url = `${origin}/`, engine, viewport, on = browser } = {}) {
  const context = await on.newContext({ acceptDownloads: true, ...(viewport ? { viewport } : {}) });
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

// The page's cipher worker; the engine is started as the page opens.
async function cipherWorker(page) {
  await page.waitForFunction(() => document.documentElement.dataset.engine);
  assert.equal(page.workers().length, 1);
  return page.workers()[0];
}

async function messageShown(page) {
  await page.locator('#message').waitFor({ state: 'visible' });
  const shown = [await page.textContent('#message-title'), await page.textContent('#message-text')];
  await page.click('#message button');
  await page.locator('#message').waitFor({ state: 'hidden' });
  return shown;
}

async function paste(page, selector, text) {
  await page.evaluate((t) => navigator.clipboard.writeText(t), text);
  await page.focus(selector);
  await page.keyboard.press('Control+V');
}

// Text dropped as the browser drops it, not as a script could fake it.
async function dropText(page, selector, text) {
  const box = await page.locator(selector).boundingBox();
  const session = await page.context().newCDPSession(page);
  const data = { items: [{ mimeType: 'text/plain', data: text }], dragOperationsMask: 1 };
  const at = { x: box.x + 5, y: box.y + 5, data };
  for (const type of ['dragEnter', 'dragOver', 'drop']) await session.send('Input.dispatchDragEvent', { type, ...at });
  await session.detach();
}

// A text of `size` bytes of printable lines.
function linesOf(size) {
  const line = Buffer.from('The quick brown fox jumps over the lazy dog; 0123456789 "#$%&\'()*+,-./:;<=>?@[\\]^_`{|}~\r\n');
  const text = Buffer.alloc(size);
  for (let at = 0; at < size; at += line.length) line.copy(text, at);
  return text;
}

async function openFile(page, command, bytes) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click(`#${command}`)]);
  await chooser.setFiles({ name: 'text.txt', mimeType: 'text/plain', buffer: Buffer.from(bytes) });
  const box = command === 'Op' ? '#txtVelmor' : '#txtOutputBox';
  await page.waitForFunction(() => document.querySelector('#machine').getAttribute('aria-busy') !== 'true');
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

test('the known answers come out of the page, with and without SIMD', async (t) => {
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
    assert.deepEqual(encrypted, velmor('encrypt', c.wheels, c.passes, c.password, plain), `case ${index}`);
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
  const plain = linesOf(size);
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
  // The worker is held a while, so that the command is surely seen running.
  const held = (await cipherWorker(page)).evaluate(() => { for (const end = Date.now() + 500; Date.now() < end;); });
  await page.click('#EN12');
  assert.equal(await page.textContent('#Label1'), WORDS.kStatusText.replace('%1', size));
  assert.equal(await page.isDisabled('#DE12'), true);
  await held;
  await page.waitForFunction(() => document.querySelector('#Label1').textContent === '');
  assert.ok(await page.evaluate(() => window.longestFrameGap) < 1000, 'the page stopped painting');
  const encrypted = await save(page, 'SAET');
  assert.deepEqual(encrypted, velmor('encrypt', 26, 12, 'a long password of 26 char', plain));
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
  assert.equal(await page.textContent('#info-title'), WORDS.kInfoTitle);
  assert.equal(await page.textContent('#info-text'), [WORDS.kInfoLine1, WORDS.kInfoLine2, WORDS.kInfoLine3].join('\r\n'));
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

test('the lock belongs to the command: a file picked or dropped meanwhile is refused', async (t) => {
  const page = await openPage(t);
  const worker = await cipherWorker(page);
  await setKey(page, 20, 'lock');
  const plain = linesOf(300000);
  await openFile(page, 'Op', plain);
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#OET')]);
  // The worker is kept busy for a while, so the command surely runs when the file comes.
  const held = worker.evaluate(() => { for (const end = Date.now() + 1500; Date.now() < end;); });
  await page.click('#EN12');
  await chooser.setFiles({ name: 'small.txt', mimeType: 'text/plain', buffer: Buffer.from('small') });
  assert.deepEqual(await messageShown(page), ['Open', 'A command is still running. Try again when it has finished.']);
  assert.equal(await page.isDisabled('#DE'), true, 'the refused file unlocked the page');
  await held;
  await page.waitForFunction(() => document.querySelector('#machine').getAttribute('aria-busy') === 'false');
  assert.deepEqual(await save(page, 'SAET'), velmor('encrypt', 20, 12, 'lock', plain));
  await run(page, 'DE12');
  assert.deepEqual(await save(page, 'SAs'), plain);
});

test('a double click runs a command once; a second click on an empty source empties the target', async (t) => {
  const page = await openPage(t);
  await page.fill('#txtKey', 'twice');
  await page.fill('#txtVelmor', 'double clicked');
  await page.click('#EN', { clickCount: 2, delay: 40 });
  await page.waitForFunction(() => document.querySelector('#machine').getAttribute('aria-busy') === 'false');
  await page.waitForTimeout(200);
  assert.equal((await page.inputValue('#txtOutputBox')).length, 14);
  assert.equal(await page.inputValue('#txtVelmor'), '');
  await run(page, 'EN');
  assert.equal(await page.inputValue('#txtOutputBox'), '');
  // Enter held down on a command repeats its key, not the command.
  await page.fill('#txtVelmor', 'held down');
  await page.focus('#EN');
  for (let i = 0; i < 6; ++i) {
    await page.keyboard.down('Enter');
    await page.waitForTimeout(40);
  }
  await page.keyboard.up('Enter');
  await page.waitForFunction(() => document.querySelector('#machine').getAttribute('aria-busy') === 'false');
  assert.equal((await page.inputValue('#txtOutputBox')).length, 9);
});

test('every way a box changes keeps every line break', async (t) => {
  const page = await openPage(t);
  const box = '#txtVelmor';
  const saved = async () => (await save(page, 'SAs')).toString('latin1');
  const start = async (text) => {
    await openFile(page, 'Op', Buffer.from(text, 'latin1'));
    await page.focus(box);
  };
  // Paste, undo, redo.
  await page.fill(box, '');
  await page.focus(box);
  await page.keyboard.type('xy');
  await page.keyboard.press('ArrowLeft');
  await paste(page, box, 'P\rQ\nR');
  assert.equal(await saved(), 'xP\rQ\nRy');
  await page.keyboard.press('Control+Z');
  assert.equal(await saved(), 'xy');
  await page.keyboard.press('Control+Shift+Z');
  assert.equal(await saved(), 'xP\rQ\nRy');
  // Typed over a selection that holds a lone line feed: the new break is CR LF.
  await start('a\nb\rc');
  await page.evaluate((id) => document.querySelector(id).setSelectionRange(1, 3), box);
  await page.keyboard.press('Enter');
  assert.equal(await saved(), 'a\r\n\rc');
  // Cut gives the exact text, and leaves the rest exact.
  await start('a\nb\rc\r\nd');
  await page.evaluate((id) => document.querySelector(id).setSelectionRange(2, 6), box);
  await page.keyboard.press('Control+X');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), 'b\rc\r\n');
  assert.equal(await saved(), 'a\nd');
  // Text dropped into the box.
  await start('1\r2\n');
  await page.evaluate((id) => document.querySelector(id).setSelectionRange(0, 0), box);
  await dropText(page, box, 'P\rQ\nR');
  await page.waitForFunction((id) => document.querySelector(id).value.length > 4, box);
  assert.match(await saved(), /^(P\rQ\nR1\r2\n|1\rP\rQ\nR2\n|1\r2\nP\rQ\nR)$/);
  // An input method's composition.
  await start('1\r2\n');
  await page.keyboard.press('Control+End');
  const session = await page.context().newCDPSession(page);
  await session.send('Input.imeSetComposition', { text: 'k', selectionStart: 1, selectionEnd: 1 });
  await session.send('Input.imeSetComposition', { text: 'ka', selectionStart: 2, selectionEnd: 2 });
  await session.send('Input.insertText', { text: 'ká' });
  await session.detach();
  assert.equal(await saved(), '1\r2\nká');
  // A spelling correction replaces a word as the browser does it.
  await start('teh\rcat\n');
  await page.evaluate((id) => {
    const area = document.querySelector(id);
    area.dispatchEvent(new InputEvent('beforeinput', { inputType: 'insertReplacementText', bubbles: true, cancelable: true }));
    area.setRangeText('the', 0, 3, 'end');
    area.dispatchEvent(new InputEvent('input', { inputType: 'insertReplacementText', bubbles: true }));
  }, box);
  assert.equal(await saved(), 'the\rcat\n');
  // Text dragged to the other box or within one goes as it is, not as it is shown.
  const drag = async (from, selection, to, x, y) => {
    await page.focus(from);
    await page.evaluate(([id, start, end]) => document.querySelector(id).setSelectionRange(start, end), [from, ...selection]);
    const [start, end] = [await page.locator(from).boundingBox(), await page.locator(to).boundingBox()];
    await page.mouse.move(start.x + 8, start.y + 8);
    await page.mouse.down();
    await page.mouse.move(start.x + 30, start.y + 30, { steps: 5 });
    await page.mouse.move(end.x + x, end.y + y, { steps: 10 });
    await page.mouse.up();
  };
  await openFile(page, 'OET', Buffer.from('a\rb\r\nc', 'latin1'));
  await page.fill(box, '');
  await drag('#txtOutputBox', [0, 5], box, 40, 40);
  await page.waitForFunction((id) => document.querySelector(id).value.length > 0, box);
  assert.equal(await saved(), 'a\rb\r\nc');
  await drag(box, [0, 4], box, 200, 40);
  await page.waitForFunction((id) => document.querySelector(id).value.startsWith('c'), box);
  assert.equal(await saved(), 'ca\rb\r\n');
  // An undo after a command leaves the command's result as it is, as in the
  // window, and never mixes it with what the box held before.
  await page.fill('#txtVelmor', 'earlier');
  await run(page, 'EN');
  await page.fill('#txtOutputBox', '');
  await page.fill('#txtVelmor', 'abc');
  await run(page, 'EN');
  const result = await page.inputValue('#txtOutputBox');
  for (const undone of ['#txtVelmor', '#txtOutputBox']) {
    await page.focus(undone);
    await page.keyboard.press('Control+Z');
  }
  assert.deepEqual([await page.inputValue('#txtVelmor'), await page.inputValue('#txtOutputBox')], ['', result]);
  assert.equal((await save(page, 'SAET')).toString('latin1'), result);
});

test('a long paste or drop is kept whole and shown in part, like an opened file', async (t) => {
  const page = await openPage(t);
  const long = linesOf(1000000).toString('latin1').replace(/fox/g, 'f\rx');
  await page.fill('#txtVelmor', 'before');
  await page.evaluate(() => document.querySelector('#txtVelmor').setSelectionRange(6, 6));
  await paste(page, '#txtVelmor', long);
  await page.waitForSelector('#txtVelmor-note:not([hidden])');
  assert.match(await page.textContent('#txtVelmor-note'), /of 1,000,006 characters/);
  assert.equal(await page.inputValue('#txtVelmor'), `before${long}`.slice(0, 200000).replace(/\r\n?/g, '\n'));
  assert.equal(await page.evaluate(() => document.querySelector('#txtVelmor').readOnly), true);
  assert.equal((await save(page, 'SAs')).toString('latin1'), `before${long}`);
  // Dropped, the same.
  await dropText(page, '#txtOutputBox', long);
  await page.waitForSelector('#txtOutputBox-note:not([hidden])');
  assert.equal((await save(page, 'SAET')).toString('latin1'), long);
  // A long text with a character Windows-1252 has no byte for is refused at once.
  await page.click('#Ne');
  await paste(page, '#txtOutputBox', `${long}Ā`);
  const [title, text] = await messageShown(page);
  assert.equal(title, 'Paste');
  assert.match(text, /^The text was not taken: the character "Ā" \(U\+0100\) on line \d+ has no place in Windows-1252/);
  assert.equal(await page.inputValue('#txtOutputBox'), '');
});

test('when memory runs out the user is told, and both boxes stay as they were', async (t) => {
  const page = await openPage(t);
  const worker = await cipherWorker(page);
  const plain = linesOf(24 * 1024 * 1024);
  await openFile(page, 'Op', plain);
  await page.fill('#txtOutputBox', 'kept');
  // The worker can make no more buffers, as when the browser has no memory to give.
  await worker.evaluate(() => {
    self.saved = { arrayBuffer: Blob.prototype.arrayBuffer, Blob: self.Blob };
    function refuse() { throw new RangeError('Array buffer allocation failed'); }
    Blob.prototype.arrayBuffer = refuse;
    self.Blob = refuse;
  });
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#Op')]);
  await chooser.setFiles({ name: 'other.txt', mimeType: 'text/plain', buffer: Buffer.from('other') });
  assert.deepEqual(await messageShown(page), ['Open', 'Could not read "other.txt":\nThere is not enough memory for a ' +
    'text of this size.\nThe box is as it was.']);
  let downloads = 0;
  page.on('download', () => ++downloads);
  await page.click('#SAs');
  assert.deepEqual(await messageShown(page), ['Save', 'The text could not be saved:\nThere is not enough memory for ' +
    'a text of this size.\nNothing was written.']);
  assert.equal(downloads, 0);
  assert.equal(await page.inputValue('#txtOutputBox'), 'kept');
  // With memory again, the same text is all there.
  await worker.evaluate(() => {
    Blob.prototype.arrayBuffer = self.saved.arrayBuffer;
    self.Blob = self.saved.Blob;
  });
  assert.ok((await save(page, 'SAs')).equals(plain));
  await run(page, 'EN12');
  assert.equal(await page.textContent('#announcement'), 'Encrypted 25,165,824 characters, 12 passes.');
  // A worker that fails is replaced, not left off until a reload.
  const closed = worker.waitForEvent('close');
  await worker.evaluate(() => { setTimeout(() => { throw new Error('the worker failed'); }); });
  await closed;
  await run(page, 'DE12');
  assert.equal(page.workers().length, 1);
  assert.ok((await save(page, 'SAs')).equals(plain));
});

test('the page fits every screen from 320 pixels wide, with targets of at least 24 pixels', async (t) => {
  for (const width of [320, 360, 768, 1366]) {
    const page = await openPage(t, { viewport: { width, height: 800 } });
    const layout = await page.evaluate(() => {
      const rect = (id) => document.getElementById(id).getBoundingClientRect();
      const controls = [...document.querySelectorAll('main button, main select, main input:not([type=file]), main textarea')];
      return {
        scrolls: document.documentElement.scrollWidth > window.innerWidth,
        outside: controls.filter((c) => c.getBoundingClientRect().right > window.innerWidth).map((c) => c.id),
        small: controls.filter((c) => c.getBoundingClientRect().width < 24 || c.getBoundingClientRect().height < 24)
          .map((c) => c.id),
        showApart: Math.abs(rect('PassS').top + rect('PassS').height / 2 -
          (document.querySelector('label[for=PassS]').getBoundingClientRect().top +
           document.querySelector('label[for=PassS]').getBoundingClientRect().height / 2)) > 4,
      };
    });
    assert.deepEqual(layout, { scrolls: false, outside: [], small: [], showApart: false }, `${width} px wide`);
  }
});

test('on a plain-http host the copy commands still copy, or say how to', async (t) => {
  const page = await openPage(t, { url: `http://${PLAIN_HOST}:${new URL(origin).port}/` });
  assert.equal(await page.evaluate(() => window.isSecureContext || navigator.clipboard !== undefined), false);
  const reader = await openPage(t);
  await reader.evaluate(() => navigator.clipboard.writeText('before'));
  await openFile(page, 'Op', Buffer.from('a\rb\nc'));
  await page.click('#CToC');
  assert.equal(await reader.evaluate(() => navigator.clipboard.readText()), 'a\rb\nc');
  // Where the browser allows no copy at all, the user is told how to copy by hand.
  await page.evaluate(() => { document.execCommand = () => false; });
  await page.click('#CToC');
  const [title, text] = await messageShown(page);
  assert.equal(title, 'Copy');
  assert.match(text, /^This browser did not let the page put the text on the clipboard\.\nTo copy it by hand: /);
});

test('the page starts in the upper box, and Tab goes to the lower box and then the password', async (t) => {
  const page = await openPage(t);
  const order = [await page.evaluate(() => document.activeElement.id)];
  for (let i = 0; i < 2; ++i) {
    await page.keyboard.press('Tab');
    order.push(await page.evaluate(() => document.activeElement.id));
  }
  assert.deepEqual(order, ['txtVelmor', 'txtOutputBox', 'txtKey']);
});

test('a screen reader hears how each command ended; the visible status is as in the window', async (t) => {
  const page = await openPage(t);
  const announcement = page.locator('#announcement');
  assert.equal(await announcement.getAttribute('aria-live'), 'polite');
  assert.deepEqual(await announcement.evaluate((e) => [e.getBoundingClientRect().width, e.getBoundingClientRect().height]),
    [1, 1]);
  await page.fill('#txtVelmor', 'x'.repeat(1234));
  await run(page, 'EN12');
  assert.equal(await announcement.textContent(), 'Encrypted 1,234 characters, 12 passes.');
  assert.equal(await page.textContent('#Label1'), '');
  await run(page, 'DE');
  assert.equal(await announcement.textContent(), 'Decrypted 1,234 characters, 1 pass.');
});

test('a browser that cannot run the engine is told so as the page opens, in plain words', async (t) => {
  const page = await openPage(t, { url: `${origin}/no-wasm` });
  const [title, text] = await messageShown(page);
  assert.equal(title, WORDS.kMachineName);
  assert.match(text, /^This browser cannot run the machine: it may not run WebAssembly on this page, the kind of program /);
  assert.doesNotMatch(text, /Aborted|ASSERTIONS/);
  // Each command says the same, and leaves the text where it was.
  await page.fill('#txtVelmor', 'kept');
  await page.click('#EN');
  assert.match((await messageShown(page))[1], /^The text could not be processed: it may not run WebAssembly/);
  assert.equal(await page.inputValue('#txtVelmor'), 'kept');
});

test('served from a host, the page installs as an app and runs offline', async (t) => {
  const page = await openPage(t);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  const session = await page.context().newCDPSession(page);
  // A test's browser context is a private one, which no browser installs
  // from; every other reason would be listed.
  const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
  assert.deepEqual(installabilityErrors.filter((error) => error.errorId !== 'in-incognito'), []);
  const manifest = await session.send('Page.getAppManifest');
  assert.deepEqual(manifest.errors, []);
  assert.equal(JSON.parse(manifest.data).name, WORDS.kMachineName);
  await session.detach();
  await page.context().setOffline(true);
  await page.reload();
  await page.waitForFunction(() => document.documentElement.dataset.engine);
  const [row] = readFileSync(knownAnswers, 'latin1').split('\n').filter((line) => line && !line.startsWith('#'));
  const [wheels, passes, direction, key, input, output] = row.split('\t');
  const password = Buffer.from(key, 'hex').toString('latin1');
  assert.equal(await cipherInPage(page, direction, Number(wheels), Number(passes), password, Buffer.from(input, 'hex'))
    .then((bytes) => bytes.toString('hex')), output);
});

test('the password takes only characters Windows-1252 has, and says so of any other', async (t) => {
  const page = await openPage(t);
  const key = '#txtKey';
  const note = page.locator('#txtKey-note');
  await page.focus(key);
  await page.keyboard.type('aĀb');
  assert.equal(await page.inputValue(key), 'ab');
  assert.equal(await note.textContent(), 'The PassWord cannot take the character "Ā" (U+0100): a password holds only ' +
    'characters of Windows-1252, the character set of the texts.');
  for (const refused of ['x😀y', '\ud83d']) {
    await paste(page, key, refused);
    assert.equal(await page.inputValue(key), 'ab');
    // The clipboard itself may turn a lone surrogate into U+FFFD.
    assert.match(await note.textContent(), /^The PassWord cannot take the character (U\+D83D|"\ufffd" \(U\+FFFD\)|"😀" \(U\+1F600\)):/);
  }
  await dropText(page, key, '€Ω');
  assert.equal(await page.inputValue(key), 'ab');
  const session = await page.context().newCDPSession(page);
  await session.send('Input.imeSetComposition', { text: 'ひ', selectionStart: 1, selectionEnd: 1 });
  await session.send('Input.insertText', { text: 'ひ' });
  await session.detach();
  assert.equal(await page.inputValue(key), 'ab');
  // Characters on no wheel but in Windows-1252 are taken, and mean what velmor makes of them.
  await page.keyboard.type('é€\u0081');
  assert.equal(await page.inputValue(key), 'abé€\u0081');
  assert.equal(await note.isHidden(), true, 'the refusal stays after characters that were taken');
  const plain = Buffer.from('The same password in every edition.');
  assert.deepEqual(await cipherInPage(page, 'encrypt', 20, 3, 'abé€\u0081', plain), velmor('encrypt', 20, 3, 'abé€\u0081', plain));
});

test('a file too large to open is refused in the words the window uses', async (t) => {
  const page = await openPage(t);
  const folder = mkdtempSync(join(tmpdir(), 'velmor-web-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  const path = join(folder, 'large.txt');
  writeFileSync(path, '');
  truncateSync(path, WORDS.kMaxOpenBytes + 1);
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#Op')]);
  await chooser.setFiles(path);
  assert.deepEqual(await messageShown(page), ['Open', WORDS.kTooLargeToOpen.replace('%1', 'large.txt')
    .replace('%2', '67,108,865').replace('%3', '64.00').replace('%6', 'page').replace('%4', '67,108,864')
    .replace('%5', '64.00')]);
});
