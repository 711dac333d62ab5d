// SPDX-License-Identifier: MIT
// The web page end to end in headless Chromium, against velmor and the known
// answers: files byte for byte, every way a box changes, the password and
// wheel count, long texts, failures, the screen, the keyboard, the installed
// app offline, and no request to any other origin.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { createServer } from 'node:http';
import { dirname, extname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const here = dirname(fileURLToPath(import.meta.url));
const root = resolve(here, '../..');
const webDir = resolve(process.env.VELMOR_WEB_DIR ?? join(root, 'build/web'));
const cli = process.env.VELMOR_CLI ?? join(root, 'build/cli/velmor');
const prelude = execFileSync('python3', [join(root, 'web/assemble.py'), '--prelude'], { encoding: 'utf8' });
const WORDS = JSON.parse(prelude.match(/^const WORDS = Object\.freeze\((.*)\);$/m)[1]);
const fill = (words, ...values) => words.replace(/%([1-9])/g, (_, n) => String(values[n - 1]));
// wheels, passes, direction, password, input, output; the last three in hex.
const knownAnswers = readFileSync(join(root, 'docs/known-answers.tsv'), 'latin1').split('\n')
  .filter((line) => line && !line.startsWith('#')).map((line) => line.split('\t'));
// A host name that is not this machine's to the browser, so that a page
// from it is not a secure context, as on a home network over http.
const PLAIN_HOST = 'velmor.test';
const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json' };
const POLICIES = { '/no-wasm': "script-src 'unsafe-inline'; worker-src blob:", '/no-blob': "worker-src 'self'" };
// What the host answers instead, by path; a test sets its own and clears them.
const answers = new Map();
const CONTROLS = 'main button, main select, main input:not([type=file]), main textarea';
const every = Buffer.from(Array.from({ length: 256 }, (_, byte) => byte));
let browser, server, origin;
const foreignRequests = [];

before(async () => {
  assert.ok(existsSync(cli) && existsSync(join(webDir, 'index.html')), `make build web first (${cli}, ${webDir})`);
  // The built folder in every folder, as a simple web host serves it: dated,
  // with no word on caching; under POLICIES, as sites whose policies forbid the engine.
  const modified = new Date(Date.now() - 86400000).toUTCString();
  server = createServer((request, response) => {
    const path = new URL(request.url, 'http://x').pathname;
    if (answers.has(path)) return answers.get(path)(response);
    const name = POLICIES[path] ? 'index.html' : path.slice(path.lastIndexOf('/') + 1) || 'index.html';
    if (!existsSync(join(webDir, name)) || !TYPES[extname(name)]) return response.writeHead(404).end();
    response.writeHead(200, { 'Content-Type': TYPES[extname(name)], 'Last-Modified': modified,
      ...(POLICIES[path] ? { 'Content-Security-Policy': POLICIES[path] } : {}) }).end(readFileSync(join(webDir, name)));
  });
  origin = await new Promise((ready) => server.listen(0, '127.0.0.1', () => ready(`http://127.0.0.1:${server.address().port}`)));
  browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless=new', `--host-resolver-rules=MAP ${PLAIN_HOST} 127.0.0.1`] });
});

after(async () => {
  await browser?.close();
  server?.closeAllConnections();
  server?.close();
  assert.deepEqual(foreignRequests, [], 'the page asked another origin for something');
});

// Answers the host gives instead for the rest of test `t`.
const answering = (t, ...entries) => { entries.forEach(([path, answer]) => answers.set(path, answer)); t.after(() => answers.clear()); };
// A built file served changed; a service worker of another version.
const changed = (name, change) => (response) => response.writeHead(200, { 'Content-Type': TYPES[extname(name)] })
  .end(change(readFileSync(join(webDir, name), 'utf8')));
const newerWorker = changed('service-worker.js', (worker) => worker.replace(/velmor-[0-9a-f]+/, 'velmor-newer'));

// A fresh page; a request for another origin is recorded and never sent.
// Unrouted, the browser keeps its HTTP cache.
async function openPage(t, { url = `${origin}/`, options = {}, routed = true } = {}) {
  const context = await browser.newContext({ acceptDownloads: true, ...options });
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin });
  const own = new URL(url).origin;
  if (routed) await context.route('**/*', (route, request) => ((own === 'null' ? request.url().startsWith('file:')
    : new URL(request.url()).origin === own) ? route.continue() : foreignRequests.push(request.url()) && route.abort()));
  const [page, errors] = [await context.newPage(), []];
  page.on('pageerror', (error) => errors.push(error.message));
  t.after(async () => { await context.close(); assert.deepEqual(errors, []); });
  return page.goto(url).then(() => page);
}

// The page's cipher worker, once the engine it starts as the page opens is ready.
const workerOf = (page) => page.waitForFunction(() => document.documentElement.dataset.engine).then(() => page.workers()[0]);
const idle = (page) => page.waitForFunction(() => document.querySelector('#machine').getAttribute('aria-busy') !== 'true');
const linesOf = (size) => Buffer.alloc(size, 'The quick brown fox jumps over the lazy dog; 0123456789 "#$%&\'()*+,-./:;<=>?@[\\]^_`{|}~\r\n');
const commandId = (direction, passes) => (direction === 'encrypt' ? 'EN' : 'DE') + (passes === 1 ? '' : passes);
const velmor = (direction, wheels, passes, password, input) => execFileSync(cli, [direction, '-w', String(wheels),
  '-n', String(passes), '--password-env', 'VELMOR_KEY'], { input, env: { ...process.env, VELMOR_KEY: password }, maxBuffer: 1 << 26 });

// What a user does and sees, as steps of a table's rows: each takes the page.
const perform = async (page, ...steps) => { for (const step of steps) await step(page); };
const type = (text) => (page) => page.keyboard.type(text);
const press = (...keys) => async (page) => { for (const key of keys) await page.keyboard.press(key); };
const click = (id, options) => (page) => page.click(id, options);
const run = (command) => async (page) => { await page.click(`#${command}`); await idle(page); };
const fillIn = (id, text) => (page) => page.fill(id, text);
const focusOn = (id) => (page) => page.focus(id);
const selectIn = (id, from, to) => (page) => page.$eval(id, (box, [a, b]) => box.setSelectionRange(a, b), [from, to]);
const until = (id, pattern) => (page) => page.waitForFunction(([i, p]) => new RegExp(p).test(document.querySelector(i).value),
  [id, pattern]);
const clip = (text) => (page) => page.evaluate((t) => navigator.clipboard.writeText(t), text);
const pasteIn = (id, text) => (page) => perform(page, clip(text), focusOn(id), press('Control+V'));
const copied = (text) => async (page) => assert.equal(await page.evaluate(() => navigator.clipboard.readText()), text);
const shows = (id, value) => async (page) => assert.equal(await page.inputValue(id), value, id);
const says = (id, pattern) => async (page) => assert.match(await page.textContent(id), pattern);
// A box shown in part shows the start of `text` that its note counts.
const showsStartOf = (id, text) => async (page) => {
  const count = Number((await page.textContent(`${id}-note`)).match(/first ([\d,]+) of/)[1].replace(/,/g, ''));
  assert.ok(count > 0 && count < text.length, `${count} shown`);
  await shows(id, text.slice(0, count).replace(/\r\n?/g, '\n'))(page);
};
const saved = (command, bytes, message) => async (page) =>
  assert.deepEqual(await save(page, command), Buffer.from(bytes, 'latin1'), message);
// A step that finds no download since the call.
const noDownloadFrom = (page, seen = []) => page.on('download', (d) => seen.push(d)) && (() => assert.deepEqual(seen, []));
const holds = (js, expected, arg) => async (page) => assert.deepEqual(await page.evaluate(js, arg), expected, String(js));
// The message shown, closed: its title (any when undefined), and parts of its text, each included or matched.
const told = (title, ...parts) => async (page) => {
  await page.locator('#message').waitFor({ state: 'visible' });
  const [shown, text] = [await page.textContent('#message-title'), await page.textContent('#message-text')];
  await page.click('#message button').then(() => page.locator('#message').waitFor({ state: 'hidden' }));
  assert.ok((title ?? shown) === shown && parts.every((part) => (part.test ? part.test(text) : text.includes(part))), `${shown}: ${text}`);
};
// Dropped or composed as the browser does it, not as a script could fake it.
const cdp = (use) => (page) => page.context().newCDPSession(page).then(async (s) => { await use(s, page); await s.detach(); });
const dropIn = (id, text, files = []) => cdp(async (session, page) => {
  const box = await page.locator(id).boundingBox();
  const data = { items: text ? [{ mimeType: 'text/plain', data: text }] : [], files, dragOperationsMask: 1 };
  for (const type of ['dragEnter', 'dragOver', 'drop']) {
    await session.send('Input.dispatchDragEvent', { type, x: box.x + 5, y: box.y + 5, data });
  }
});
const compose = (...texts) => cdp(async (session) => {
  for (const text of texts.slice(0, -1)) await session.send('Input.imeSetComposition', { text, selectionStart: 1, selectionEnd: 1 });
  await session.send('Input.insertText', { text: texts.at(-1) });
});
// A selection dragged with the mouse onto `to`, at (x, y) in it.
const drag = (from, start, end, to, x, y) => async (page) => {
  await perform(page, focusOn(from), selectIn(from, start, end));
  const [a, b] = [await page.locator(from).boundingBox(), await page.locator(to).boundingBox()];
  await page.mouse.move(a.x + 8, a.y + 8).then(() => page.mouse.down());
  await page.mouse.move(a.x + 30, a.y + 30, { steps: 5 }).then(() => page.mouse.move(b.x + x, b.y + y, { steps: 10 }));
  await page.mouse.up();
};

// `content` is bytes, or a string of Latin-1 characters, or a file's path.
const chooser = (page, command) => Promise.all([page.waitForEvent('filechooser'), page.click(`#${command}`)]).then(([c]) => c);
const openIn = (command, content, name = 'text.txt') => async (page) => {
  await (await chooser(page, command)).setFiles(content.path ?? { name, mimeType: 'text/plain', buffer: Buffer.from(content, 'latin1') });
  await idle(page);
  if (content.length > 0) await until(command === 'Op' ? '#txtVelmor' : '#txtOutputBox', '[^]')(page);
};

const save = (page, command) => Promise.all([page.waitForEvent('download'), page.click(`#${command}`)])
  .then(([download]) => download.path()).then((path) => readFileSync(path));

// One command through the page: the input opened from a file, the result saved.
const cipherInPage = (page, direction, wheels, passes, password, input) => perform(page, (p) => p.selectOption('#EW', String(wheels)),
  fillIn('#txtKey', password), openIn(direction === 'encrypt' ? 'Op' : 'OET', input), run(commandId(direction, passes)))
  .then(() => save(page, direction === 'encrypt' ? 'SAET' : 'SAs'));
// A known answer's row through the page; Node's own windows-1252 decoder is Latin-1, the browser's follows the table.
const knownAnswerIn = async (page, [wheels, passes, direction, password, input]) => (await cipherInPage(page, direction,
  Number(wheels), Number(passes), await page.evaluate((hex) => new TextDecoder('windows-1252')
    .decode(Uint8Array.from(hex.match(/../g) ?? [], (pair) => parseInt(pair, 16))), password), Buffer.from(input, 'hex'))).toString('hex');

test('with and without SIMD, the known answers come out, and random files open and save byte for byte in both boxes, ' +
  'encrypt as velmor does and decrypt back', async (t) => {
  // A small deterministic generator, so that a failure can be run again.
  const next = ((state) => (limit) => Math.floor(((state = (Math.imul(state, 1664525) + 1013904223) >>> 0) / 2 ** 32) * limit))(5);
  // Every byte value, lone CRs and LFs and CR LF pairs in every order.
  const randomText = (length) => Buffer.from(Array.from({ length }, () => [13, 10, next(256)][next(3)]));
  // Characters on no wheel but in Windows-1252 mean in a password what velmor makes of them.
  const keyCharacters = 'abcXYZ019 ~!é€\u0081£';
  for (const engine of ['best', 'plain']) {
    const page = await openPage(t, { url: `${origin}/?engine=${engine}` });
    for (const row of knownAnswers) assert.equal(await knownAnswerIn(page, row), row[5], `${engine}: ${row}`);
    const texts = [every, Buffer.alloc(0), randomText(100000), ...Array.from({ length: 5 }, () => randomText(next(4000)))];
    for (const [index, bytes] of texts.entries()) {
      const wheels = WORDS.kMinWheelCount + WORDS.kWheelCountStep * next(14);
      const passes = WORDS.kPassCounts[next(WORDS.kPassCounts.length)];
      const password = Array.from({ length: next(wheels + 1) }, () => keyCharacters[next(keyCharacters.length)]).join('');
      const context = JSON.stringify({ engine, index, wheels, passes, password });
      await perform(page, openIn('OET', bytes), saved('SAET', bytes, context));
      assert.deepEqual(await cipherInPage(page, 'encrypt', wheels, passes, password, bytes),
        velmor('encrypt', wheels, passes, password, bytes), context);
      await perform(page, run(commandId('decrypt', passes)), saved('SAs', bytes, context));
    }
  }
});

test('every way a box changes keeps every line break; the password takes what the wheels can', async (t) => {
  const page = await openPage(t);
  const [box, out] = ['#txtVelmor', '#txtOutputBox'];
  // The text opened into the box (null: as the row before left it), what is done, what is saved then.
  const rows = [
    ['', [type('ab'), press('Enter'), type('cd')], 'ab\r\ncd'],
    ['one\ntwo\rthree\r\n', [press('Control+End'), type('!'), press('Control+Home', 'Delete', 'Enter')], '\r\nne\ntwo\rthree\r\n!'],
    ['xy', [selectIn(box, 1, 1), pasteIn(box, 'P\rQ\nR£€\u0081')], 'xP\rQ\nR£\x80\x81y'],
    [null, [press('Control+Z')], 'xy'],
    [null, [press('Control+Shift+Z')], 'xP\rQ\nR£\x80\x81y'],
    // Typed over a selection that holds a lone line feed: the new break is CR LF.
    ['a\nb\rc', [selectIn(box, 1, 3), press('Enter')], 'a\r\n\rc'],
    ['a\nb\rc\r\nd', [selectIn(box, 2, 6), press('Control+X'), copied('b\rc\r\n')], 'a\nd'],
    ['1\r2\n', [selectIn(box, 0, 0), dropIn(box, 'P\rQ\nR'), until(box, 'P')], /^(P\rQ\nR1\r2\n|1\rP\rQ\nR2\n|1\r2\nP\rQ\nR)$/],
    ['1\r2\n', [press('Control+End'), compose('k', 'ka', 'ká')], '1\r2\nká'],
    // A spelling correction replaces a word as the browser does it.
    ['teh\rcat\n', [(p) => p.$eval(box, (area, init = { inputType: 'insertReplacementText', bubbles: true, cancelable: true }) => {
      area.dispatchEvent(new InputEvent('beforeinput', init));
      area.setRangeText('the', 0, 3, 'end');
      area.dispatchEvent(new InputEvent('input', init)); })], 'the\rcat\n'],
    // Text dragged to the other box or within one goes as it is, not as it is shown.
    ['', [openIn('OET', 'a\rb\r\nc'), drag(out, 0, 5, box, 40, 40), until(box, '^a')], 'a\rb\r\nc'],
    [null, [drag(box, 0, 4, box, 200, 40), until(box, '^c')], 'ca\rb\r\n'],
    // The copy commands and a copied selection give the exact text back.
    [null, [clip('other'), click('#CToC'), copied('ca\rb\r\n'), clip('other'), focusOn(box), press('Control+A', 'Control+C'),
      copied('ca\rb\r\n'), clip('other'), click('#CTCET'), copied(''), clip('other'), focusOn(box), selectIn(box, 1, 1), press('Control+C'), copied('other')],
    'ca\rb\r\n'],
    // Lines moved within a box, more than the box could show twice over, are moved, not copied.
    ['', [openIn('Op', 'a\r\n'.repeat(600)), holds(() => { $('txtVelmor').style.cssText = 'position: fixed; top: 0; left: 0; ' +
      'z-index: 9; height: 620px; font-size: 1px; line-height: 1px'; }), drag(box, 0, 1000, box, 8, 560), until(box, '^a\na\n'),
    holds(() => [$('txtVelmor').readOnly, $('txtVelmor').style.cssText = ''][0], false)], /^[a\r\n]{1800}$/],
    // An undo after a command leaves the command's result as it is, as in
    // the window, and never mixes it with what the box held before.
    [null, [fillIn(box, 'earlier'), run('EN'), fillIn(out, ''), fillIn(box, 'abc'), run('EN'), focusOn(box),
      press('Control+Z'), focusOn(out), press('Control+Z'), shows(box, ''), saved('SAET', velmor('encrypt', 20, 1, '', 'abc'))], ''],
  ];
  for (const [index, [start, steps, expected]] of rows.entries()) {
    await perform(page, ...(start === null ? [] : [openIn('Op', start)]), focusOn(box), ...steps);
    assert.match((await save(page, 'SAs')).toString('latin1'), expected.test ? expected : RegExp(`^${expected}$`), `row ${index}`);
  }
  // A character without a Windows-1252 byte refuses the save and says where it is.
  await perform(page, pasteIn(box, 'ok\r\nĀ'), click('#SAs'), told('Save', fill(WORDS.kCannotSave, '"Ā" (U+0100)', 2)),
    noDownloadFrom(page));
  // The password is masked, takes only Windows-1252, is limited to the wheel count and emptied by a new one.
  const key = '#txtKey';
  // The browsers' mask characters are drawn as "*" by the page's own font.
  assert.deepEqual([await page.getAttribute(key, 'type'), await page.inputValue('#EW'), await page.evaluate(() =>
    document.fonts.load('16px "Velmor Mask"', '\u2022\u25cf').then((faces) => faces.length))], ['password', '20', 1]);
  // Refused typed, pasted (the clipboard may turn a lone surrogate into U+FFFD), dropped and composed.
  await perform(page, ...[[type('aĀb'), '"Ā" (U+0100)'], [pasteIn(key, 'x😀y'), '"😀" (U+1F600)'], [pasteIn(key, '\ud83d'), 'U+D83D',
    '"\ufffd" (U+FFFD)'], [dropIn(key, '€Ω'), '"Ω" (U+03A9)'], [compose('ひ', 'ひ'), '"ひ" (U+3072)']].flatMap(([step, ...refused]) =>
    [focusOn(key), step, shows(key, 'ab'), holds((d) => d.some((one) => $('txtKey-note').textContent.includes(one)), true, refused)]));
  await perform(page, type('é€\u0081cdefghijklmnopqrstuvwxyz'), (p) => p.check('#PassS'), (p) => p.uncheck('#PassS'),
    shows(key, 'abé€\u0081cdefghijklmnopq'), holds(() => [$('txtKey-note').hidden, $('txtKey').type], [true, 'password']),
    (p) => p.check('#PassS'), holds(() => $('txtKey').type, 'text'));
  await perform(page, ...[[4, '04'], [30, '30']].flatMap(([wheels, shown]) => [(p) => p.selectOption('#EW', String(wheels)),
    shows(key, ''), says('#EW option:checked', RegExp(`^${shown}$`)), focusOn(key), type('x'.repeat(40)), shows(key, 'x'.repeat(wheels))]));
  // A new wheel count leaves both boxes as they were.
  const six = await cipherInPage(page, 'encrypt', 6, 3, 'abcd', Buffer.from('The same text under two wheel counts.'));
  await perform(page, (p) => p.selectOption('#EW', '4'), saved('SAET', six));
  // After every way of coming back to the page, what it shows of the key is what it does.
  await perform(page, ...[(p) => p.goto(`${origin}/icon-192.png`).then(() => p.goBack()), (p) => p.reload()].flatMap((leave) =>
    [(p) => p.selectOption('#EW', '30'), (p) => p.check('#PassS'), leave, workerOf, holds(() => [$('txtKey').maxLength - $('EW').value,
      $('txtKey').type === ($('PassS').checked ? 'text' : 'password')], [0, true])]));
});

test('a 10 MB text runs 12 passes without freezing the page, holding it meanwhile; status and announcement tell of it; ' +
  'running out of memory loses nothing', async (t) => {
  const plain = linesOf(10 * 1024 * 1024);
  const page = await openPage(t);
  await perform(page, (p) => p.selectOption('#EW', '26'), fillIn('#txtKey', 'a long password of 26 char'), openIn('Op', plain),
    says('#txtVelmor-note', /of 10,485,760 characters/));
  // Frames keep coming while the worker ciphers.
  await page.evaluate(() => requestAnimationFrame(function tick(now) {
    [window.longestFrameGap, window.lastFrame] = [Math.max(window.longestFrameGap ?? 0, now - (window.lastFrame ?? now)), now];
    requestAnimationFrame(tick);
  }));
  const picker = await chooser(page, 'OET');
  // The worker is held a while, so that the command is surely seen running, and the file comes meanwhile.
  const held = (await workerOf(page)).evaluate(() => { for (const end = Date.now() + 1500; Date.now() < end;); });
  // A file refused meanwhile leaves the page locked.
  await perform(page, click('#EN12'), holds(() => [$('Label1').textContent, $('DE12').disabled], [fill(WORDS.kStatusText, plain.length), true]),
    () => picker.setFiles({ name: 'small.txt', mimeType: 'text/plain', buffer: Buffer.from('small') }), told('Open'),
    holds(() => $('DE').disabled, true), () => held, (p) => p.waitForFunction(() => $('Label1').textContent === ''),
    holds(() => [window.longestFrameGap < 1000, $('announcement').getAttribute('aria-live')], [true, 'polite']),
    says('#announcement', /^Encrypted 10,485,760 characters, 12 passes/), shows('#txtVelmor', ''),
    saved('SAET', velmor('encrypt', 26, 12, 'a long password of 26 char', plain)), run('DE12'),
    says('#announcement', /^Decrypted 10,485,760 characters, 12 passes/), saved('SAs', plain));
  // When memory runs out the user is told, and both boxes stay as they were; a failed worker is replaced.
  const worker = await workerOf(page);
  const noMemory = await worker.evaluate(() => NO_MEMORY);
  const large = linesOf(24 * 1024 * 1024);
  // The worker can make no more buffers, as when the browser has no memory to give.
  await perform(page, openIn('Op', large), fillIn('#txtOutputBox', 'kept'), () => worker.evaluate(() => {
    self.saved = { arrayBuffer: Blob.prototype.arrayBuffer, Blob: self.Blob };
    Blob.prototype.arrayBuffer = self.Blob = function refuse() { throw new RangeError('Array buffer allocation failed'); };
  }));
  await perform(page, openIn('Op', 'other', 'other.txt'), told('Open', noMemory, '"other.txt"'), click('#SAs'), told('Save', noMemory),
    shows('#txtOutputBox', 'kept'), noDownloadFrom(page));
  // With memory again, the same text is all there.
  await worker.evaluate(() => { Blob.prototype.arrayBuffer = self.saved.arrayBuffer; self.Blob = self.saved.Blob; });
  await perform(page, saved('SAs', large), run('EN12'));
  await Promise.all([worker.waitForEvent('close'), worker.evaluate(() => { setTimeout(() => { throw new Error('the worker failed'); }); })]);
  await perform(page, run('DE12'), saved('SAs', large), () => assert.equal(page.workers().length, 1));
});

test('the page works by keyboard, runs a command once per click or key press, passes the accessibility check, reaches no ' +
  'other origin, and works from a file, without JavaScript (saying why not), or where the browser forbids a part', async (t) => {
  const page = await openPage(t);
  await page.evaluate(readFileSync(join(here, 'node_modules/axe-core/axe.min.js'), 'utf8'));
  const violations = async (selector) => (await page.evaluate((s) => window.axe.run(document.querySelector(s),
    { resultTypes: ['violations'] }), selector)).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`);
  assert.deepEqual(await violations('html'), []);
  // Text is the user's own: no capitals, corrections or spelling marks put on it.
  assert.deepEqual(await page.$$eval('textarea, #txtKey', (fields) => fields.map((field) =>
    [field.autocapitalize, field.getAttribute('autocorrect'), field.spellcheck])), Array(3).fill(['none', 'off', false]));
  // It starts in the upper box; Tab goes to the lower box, the password and on to every control.
  const order = [];
  for (let i = 0; i < 40; ++i, await page.keyboard.press('Tab')) order.push(await page.evaluate(() => document.activeElement.id));
  assert.deepEqual([order.slice(0, 3), await page.$$eval(CONTROLS, (all, seen) => all.map((c) => c.id).filter((id) => !seen.includes(id)),
    order)], [['txtVelmor', 'txtOutputBox', 'txtKey'], []]);
  // A whole command by keyboard: type, key, Encrypt 3, read the info and close it.
  await perform(page, focusOn('#txtVelmor'), type('by keyboard'), focusOn('#txtKey'), type('k'), focusOn('#EN3'),
    press('Enter'), until('#txtOutputBox', '^[^]{11}$'), holds(() => document.activeElement.id, 'EN3'), focusOn('#IF'), press('Enter'));
  assert.deepEqual([await page.textContent('#info-title'), await page.textContent('#info-text'), await violations('#info')],
    [WORDS.kInfoTitle, [WORDS.kInfoLine1, WORDS.kInfoLine2, WORDS.kInfoLine3].join('\r\n'), []]);
  await perform(page, press('Escape'), holds(() => $('info').checkVisibility(), false));
  // A second click, or Enter held down, would cipher the emptied source and empty the target.
  const hold = (p) => p.keyboard.down('Enter').then(() => p.waitForTimeout(40));
  for (const [text, ...steps] of [['double clicked', click('#EN', { clickCount: 2, delay: 40 })],
    ['held down', focusOn('#EN'), hold, hold, hold, hold, hold, hold, (p) => p.keyboard.up('Enter')]]) {
    await perform(page, click('#Ne'), fillIn('#txtVelmor', text), ...steps, idle, (p) => p.waitForTimeout(200),
      says('#announcement', RegExp(`^Encrypted ${text.length} characters, 1 pass\\.$`)));
  }
  await perform(page, run('EN'), shows('#txtOutputBox', ''));
  // Nothing reaches another origin; the page works from a file, and says why it does nothing without JavaScript.
  // The page names its icon, so that no browser asks for a missing /favicon.ico.
  assert.equal(await page.$eval('link[rel~=icon]', (icon) => new Promise((done) =>
    Object.assign(new Image(), { onload: () => done(true), onerror: () => done(false), src: icon.href }))), true);
  await perform(page, holds(async (elsewhere, violations = []) => {
    document.addEventListener('securitypolicyviolation', (event) => violations.push(event.violatedDirective));
    const fetched = await fetch(elsewhere).then(() => 'fetched', () => 'refused');
    document.body.append(Object.assign(new Image(), { src: `${elsewhere}/image.png` }),
      Object.assign(document.createElement('script'), { textContent: 'window.injected = true' }));
    await new Promise((done) => setTimeout(done, 500));
    return [fetched, window.injected === true, violations.sort()];
  }, ['refused', false, ['connect-src', 'img-src', 'script-src-elem']], 'http://192.0.2.1'));
  await perform(await openPage(t, { url: pathToFileURL(join(webDir, 'index.html')).href }), fillIn('#txtVelmor', 'from a file'),
    fillIn('#txtKey', 'k'), run('EN'), until('#txtOutputBox', '^[^]{11}$'), run('DE'), shows('#txtVelmor', 'from a file'));
  // With JavaScript off it says why it does nothing.
  assert.match(await (await openPage(t, { options: { javaScriptEnabled: false } })).innerText('main'), /JavaScript/);
  // A browser that cannot run the engine is told so as the page opens, and why; each command says the same.
  for (const [path, cause] of [['/no-wasm', /may not run WebAssembly on this page/], ['/no-blob', /forbids the worker/]]) {
    await perform(await openPage(t, { url: `${origin}${path}` }), told(WORDS.kMachineName, cause,
      /^(?![^]*(Aborted|ASSERTIONS|\.\.|up-to-date))/), fillIn('#txtVelmor', 'kept'), click('#EN'), told(undefined, cause),
    shows('#txtVelmor', 'kept'));
  }
  // On a plain-http host the copy commands still copy, or say how to where the browser allows no copy at all.
  const reader = await openPage(t);
  await perform(reader, clip('before'));
  await perform(await openPage(t, { url: `http://${PLAIN_HOST}:${new URL(origin).port}/` }),
    holds(() => window.isSecureContext || navigator.clipboard !== undefined, false), openIn('Op', 'a\rb\nc'), click('#CToC'),
    () => copied('a\rb\nc')(reader), holds(() => { document.execCommand = () => false; }), click('#CToC'), told(undefined, /Ctrl\+A .*Ctrl\+C/));
});

test('a long text pasted or dropped is kept whole and shown in part; a file too large, or a folder, is refused', async (t) => {
  const page = await openPage(t);
  const long = linesOf(1000000).toString('latin1').replace(/fox/g, 'f\rx');
  await perform(page, fillIn('#txtVelmor', 'before'), selectIn('#txtVelmor', 6, 6), pasteIn('#txtVelmor', long),
    (p) => p.waitForSelector('#txtVelmor-note:not([hidden])'), says('#txtVelmor-note', /of 1,000,006 characters/),
    showsStartOf('#txtVelmor', `before${long}`), saved('SAs', `before${long}`), focusOn('#txtVelmor'),
    press('Control+A', 'Control+C'), (p) => p.waitForFunction(() => /^Copied/.test($('announcement').textContent)),
    copied(`before${long}`),
    // Dropped where the box's text begins, whatever is selected.
    fillIn('#txtOutputBox', 'kept'), selectIn('#txtOutputBox', 0, 4), dropIn('#txtOutputBox', long),
    (p) => p.waitForSelector('#txtOutputBox-note:not([hidden])'), saved('SAET', `${long}kept`),
    holds(() => $('txtVelmor').readOnly, true));
  // An edit tried on it is answered with the way to replace the text.
  await perform(page, ...[type('x'), press('Delete'), press('Control+Backspace'), pasteIn('#txtVelmor', 'y'),
    dropIn('#txtVelmor', 'z')].flatMap((step) => [holds(() => {
    $('txtVelmor-note').textContent = ''; }), focusOn('#txtVelmor'), step, says('#txtVelmor-note', /cannot be edited here.*\bNew\b/)]));
  // A long text with a character Windows-1252 has no byte for is refused at once.
  await perform(page, saved('SAs', `before${long}`), click('#Ne'), pasteIn('#txtOutputBox', `${long}Ā`),
    told('Paste', `"Ā" (U+0100) on line ${long.split(/\r\n?|\n/).length} `), shows('#txtOutputBox', ''),
    ...[['x'.repeat(50000), false], ['\n'.repeat(5000), true]].flatMap(([text, inPart]) => [openIn('OET', text),
      holds(() => [$('txtOutputBox').readOnly, $('txtOutputBox-note').hidden], [inPart, !inPart])]));
  // A name is shown as the window shows names; a size one byte over the limit is not given as the limit's own in MiB.
  const folder = mkdtempSync(join(tmpdir(), 'velmor-web-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  for (const [name, shown] of [['invoice\u202etxt.exe', 'invoice\\u202Etxt.exe'], ['a\nb\u009b\u2066\x7f.txt', 'a\\nb\\u009B\\u2066\\x7F.txt']]) {
    execFileSync('truncate', ['-s', String(WORDS.kMaxOpenBytes + 1), join(folder, name)]);
    await perform(page, openIn('Op', { path: join(folder, name) }), told('Open', fill(WORDS.kTooLargeToOpen, shown,
      '67,108,865', '64.000001', '67,108,864', '64.00', 'page')));
  }
  // The picker hides no file, whatever its name ends in: velmor's files may end in anything. A folder dropped is
  // told as a folder, not as a file that could not be found; a file dropped opens, and New keeps the password.
  mkdirSync(join(folder, 'letters'));
  writeFileSync(join(folder, 'every'), every);
  await perform(page, holds(() => $('file-picker').accept, ''), dropIn('#txtVelmor', '', [join(folder, 'letters')]),
    told(undefined, '"letters"', /folder/, /^(?![^]*found)/), fillIn('#txtKey', 'k'), fillIn('#txtVelmor', 'upper'),
    dropIn('#txtOutputBox', '', [join(folder, 'every')]), until('#txtOutputBox', '^[^]{256}$'), saved('SAET', every),
    click('#Ne'), shows('#txtVelmor', ''), shows('#txtOutputBox', ''), shows('#txtKey', 'k'));
});

test('the page fits every screen from 320 pixels wide, with targets of at least 24 pixels', async (t) => {
  for (const width of [320, 360, 768, 1366]) {
    await perform(await openPage(t, { options: { viewport: { width, height: 800 } } }), holds((selector) => {
      const rect = (s) => document.querySelector(s).getBoundingClientRect();
      const controls = [...document.querySelectorAll(selector)];
      return [document.documentElement.scrollWidth > window.innerWidth,
        controls.filter((c) => c.getBoundingClientRect().right > window.innerWidth).map((c) => c.id),
        controls.filter((c) => c.getBoundingClientRect().width < 24 || c.getBoundingClientRect().height < 24).map((c) => c.id),
        [rect('#announcement').width, rect('#announcement').height],
        Math.abs(rect('#PassS').top + rect('#PassS').height / 2 - rect('label[for=PassS]').top - rect('label[for=PassS]').height / 2) > 4];
    }, [false, [], [], [1, 1], false], CONTROLS));
  }
});

test('served from a host, the page installs as an app, and its kept copy opens soon when the host cannot give it', async (t) => {
  const page = await openPage(t);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  // A test's browser context is a private one, which no browser installs from; every other reason would be listed.
  await cdp(async (session) => {
    const [{ installabilityErrors }, manifest] = [await session.send('Page.getInstallabilityErrors'), await session.send('Page.getAppManifest')];
    assert.deepEqual([installabilityErrors.filter((error) => error.errorId !== 'in-incognito'), manifest.errors,
      JSON.parse(manifest.data).name], [[], [], WORDS.kMachineName]);
  })(page);
  // An error, a captive portal's page elsewhere or in its place, no answer at all, an answer begun and never ended, no network.
  const html = (r) => r.writeHead(200, { 'Content-Type': 'text/html' });
  for (const [name, answer] of [['error', (r) => r.writeHead(503).end('busy')], ['portal', (r) => r.writeHead(302,
    { Location: '/portal' }).end()], ['portal here', (r) => html(r).end('<title>Log in</title>')], ['silence', () => {}],
  ['stalled', (r) => html(r).write('<!doctype html>')], ['offline', () => page.context().setOffline(true)]]) {
    answering(t, ['/', answer]);
    if (name === 'offline') await answer();
    const began = Date.now();
    await page.reload().then(() => workerOf(page));
    assert.ok(Date.now() - began < 8000, `${name}: ${Date.now() - began} ms`);
  }
  assert.equal(await knownAnswerIn(page, knownAnswers[0]), knownAnswers[0][5]);
  // Installed from a host that sends its folder on to index.html, it opens there online and offline.
  answering(t, ['/moved/', (r) => r.writeHead(301, { Location: '/moved/index.html' }).end()]);
  const moved = await openPage(t, { url: `${origin}/moved/` });
  await moved.waitForFunction(() => navigator.serviceWorker.controller !== null);
  for (const offline of [false, true]) {
    await moved.context().setOffline(offline);
    await moved.goto(`${origin}/moved/`).then(() => workerOf(moved));
  }
});

test('a new version put up is what the new service worker keeps, whatever the browser\'s HTTP cache holds; two copies of two versions on one host keep their own', async (t) => {
  const page = await openPage(t, { routed: false });
  await page.evaluate(() => navigator.serviceWorker.ready);
  // As a host's minifier may rewrite it.
  const newer = changed('index.html', (page) => `${page.replace('name="application-name"', 'name=application-name')}<!-- newer -->`);
  answering(t, ['/', newer], ['/index.html', newer], ['/service-worker.js', newerWorker]);
  // The next visit online shows it at once.
  await page.goto('about:blank').then(() => page.goto(`${origin}/`));
  assert.equal(await page.evaluate(() => document.lastChild.data), ' newer ');
  assert.deepEqual(await page.evaluate(async () => {
    const registration = await navigator.serviceWorker.getRegistration();
    await registration.update();
    const worker = registration.installing ?? registration.waiting ?? registration.active;
    while (worker.state !== 'activated') await new Promise((done) => worker.addEventListener('statechange', done, { once: true }));
    return Promise.all(['./', 'index.html'].map(async (url) => (await (await caches.match(url)).text()).endsWith('<!-- newer -->')));
  }), [true, true]);
  // Two copies installed on one host, of two versions, each keep their own files.
  answering(t, ['/beta/service-worker.js', newerWorker]);
  const stable = await openPage(t, { url: `${origin}/stable/` });
  const beta = await stable.context().newPage();
  await beta.goto(`${origin}/beta/`);
  for (const copy of [stable, beta]) await copy.waitForFunction(() => navigator.serviceWorker.controller !== null);
  assert.equal((await stable.evaluate(() => caches.keys())).length, 2);
});
