// SPDX-License-Identifier: MIT
// The page's parts that need no browser: the Windows-1252 table, the exact
// box's mapping of edits and its undo states, and the worker client's
// recovery, loaded as the page loads them, after the shared words.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import vm from 'node:vm';

const at = (path) => fileURLToPath(new URL(`../../${path}`, import.meta.url));
const source = [execFileSync('python3', [at('web/assemble.py'), '--prelude'], { encoding: 'utf8' }),
  ...['codec.js', 'exact_box.js', 'worker_client.js'].map((part) => readFileSync(at(`web/${part}`), 'utf8'))];
const web = vm.runInThisContext(`(() => {\n${source.join('\n')}\nreturn { WORDS, decodeWindows1252, encodeWindows1252, ` +
  'describeCharacterAt, lineNumberAt, unencodableMessage, fillWords, CONTROL_WEIGHT, shownEnd, shownOf, modelIndices, applyEdit, EditHistory, WorkerClient };\n})()');

// A small deterministic generator, so that a failure can be run again.
const random = (state) => (limit) => (state = (Math.imul(state, 1664525) + 1013904223) >>> 0) % limit;
const pick = (next, alphabet, length) => Array.from({ length }, () => alphabet[next(alphabet.length)]).join('');

test('the table\'s own characters, characters outside it found and described where they are', () => {
  // The five bytes the code page leaves unassigned stand for the controls of the same code.
  const text = web.decodeWindows1252(Uint8Array.from({ length: 256 }, (_, byte) => byte), 0xad);
  assert.deepEqual([text.length, ...[0x80, 0x81, 0x8d, 0x8f, 0x90, 0x9d, 0x9f, 0xa3, 0xac].map((byte) => text.charCodeAt(byte))],
    [0xad, 0x20ac, 0x81, 0x8d, 0x8f, 0x90, 0x9d, 0x178, 0xa3, 0xac]);
  // text, index of the first character without a byte, how it is described, its line
  for (const [text, at, described, line] of [['é€\u0081\u009d~', -1], ['ok\r\nĀ', 4, '"Ā" (U+0100)', 2],
    ['a\rb\nc\u2028', 5, 'U+2028', 3], ['x😀', 1, '"😀" (U+1F600)', 1], ['\ud800z', 0, 'U+D800', 1],
    ['z\udc00', 1, 'U+DC00', 1], ['\u0100', 0, '"Ā" (U+0100)', 1]]) {
    assert.equal(web.encodeWindows1252(text).unencodableAt, at, JSON.stringify(text));
    if (at >= 0) assert.equal(web.unencodableMessage(text, at), web.fillWords(web.WORDS.kCannotSave, described, line));
  }
  // A box shows the longest start within both limits, of a text as of its bytes.
  const next = random(11);
  const breaks = (part) => part.split(/\r\n|\r|\n/).length - 1;
  const weight = (part) => part.length + (web.CONTROL_WEIGHT - 1) * (part.match(/[\0-\x08\x0b\x0c\x0e-\x1f\x7f-\x9f]/g) ?? []).length;
  const within = (part, limits) => weight(part) <= limits.characters && breaks(part) <= limits.lineBreaks;
  for (let run = 0; run < 400; ++run) {
    const text = pick(next, ['a', 'é', '\t', '\x01', '\x81', '€', '\r', '\n', '\r\n'], next(40));
    const limits = { characters: next(60), lineBreaks: next(8) };
    const end = web.shownEnd(text, limits);
    assert.ok(within(text.slice(0, end), limits) && (end === text.length || !within(text.slice(0, end + 1), limits)),
      JSON.stringify([text, limits, end]));
    assert.equal(web.shownEnd(web.encodeWindows1252(text).bytes, limits), end);
  }
});

test('an edit of the shown text keeps the exact text around it, and undo and redo come back to it', () => {
  const next = random(11);
  for (let round = 0; round < 3000; ++round) {
    const [text, typed] = [pick(next, ['a', 'b', '\r\n', '\r', '\n'], next(12)), pick(next, ['a', 'x', '\n'], next(4))];
    const shown = web.shownOf(text);
    const from = next(shown.length + 1);
    const to = from + next(shown.length - from + 1);
    const now = shown.slice(0, from) + typed + shown.slice(to);
    const got = web.applyEdit(text, shown, now, from + typed.length, null, from);
    const [modelFrom, modelTo] = web.modelIndices(text, from, to);
    // What was typed is there, each line break as CR LF, between the exact text around it.
    assert.deepEqual([web.shownOf(got), got], [now, text.slice(0, modelFrom) + typed.replace(/\n/g, '\r\n') + text.slice(modelTo)],
      JSON.stringify({ text, from, to, typed }));
  }
  // Pasted and dropped text keeps its own line breaks.
  assert.deepEqual([web.applyEdit('xy', 'xy', 'xP\nQ\nRy', 6, 'P\rQ\nR'), web.applyEdit('a\nb', 'a\nb', 'a\n\nb', 3, null)],
    ['xP\rQ\nRy', 'a\n\r\nb']);
  // Undo and redo come back to the exact texts the box held, as far as they are kept.
  const history = new web.EditHistory(20);
  history.reset('xy');
  // [shown, exact] recorded, or [shown, step, exact text travelled to or null]
  for (const [shown, step, expected] of [['xP\nQ\nRy', 'xP\rQ\nRy'], ['xP\nQ\nRy!', 'xP\rQ\nRy!'], ['xy', -1, 'xy'],
    ['xP\nQ\nRy', 1, 'xP\rQ\nRy'], ['xP\nQ\nRy!', 1, 'xP\rQ\nRy!'], ['never shown', -1, null], ['xy', -1, 'xy'],
    // A new edit after an undo drops the states ahead; the oldest go past the limit, not at it.
    ['xyz', 'xyz'], ['xP\nQ\nRy', -1, null], ['xP\nQ\nRy!', 1, null], ['x'.repeat(15), 'x'.repeat(15)],
    ['xy', -1, 'xy'], ['x'.repeat(15), 1, 'x'.repeat(15)], ['yyy', 'yyy'], ['xy', -1, null], ['x'.repeat(15), -1, 'x'.repeat(15)]]) {
    if (typeof step === 'string') history.record(shown, step);
    else assert.equal(history.travel(shown, step), expected, `${shown} ${step}`);
  }
});

test('a failed worker answers what it held, and the next request starts a new one', async () => {
  // Stand-ins for Workers that answer, or fail as a broken worker does.
  const started = [];
  const client = new web.WorkerClient(() => started[started.length] = {
    postMessage(message, transfer) {
      setTimeout(() => (message.fail ? this.onerror({ message: 'engine aborted' }) : this.onmessage({ data: { ...message, ok: true, transfer } })));
    },
    terminate() { this.terminated = true; },
  });
  const buffer = new ArrayBuffer(4);
  assert.deepEqual(await client.run({ value: 1 }, [buffer]), { id: 1, value: 1, ok: true, transfer: [buffer] });
  const failed = { ok: false, message: 'engine aborted' };
  assert.deepEqual([await Promise.all([client.run({ fail: true }), client.run({ value: 2 })]), started.length, started[0].terminated],
    [[failed, failed], 1, true]);
  assert.deepEqual([await client.run({ value: 3 }), started.length], [{ id: 4, value: 3, ok: true, transfer: [] }, 2]);
  const refusing = new web.WorkerClient(() => { throw new Error('workers are not allowed here'); });
  assert.deepEqual(await refusing.run({ value: 1 }), { ok: false, message: 'workers are not allowed here' });
});
