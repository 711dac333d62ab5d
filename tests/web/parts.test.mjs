// SPDX-License-Identifier: MIT
// The page's parts that need no browser: the Windows-1252 codec, the exact
// box's mapping of edits and its undo states, and the worker client's
// recovery, loaded as the page loads them, after the shared words.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import vm from 'node:vm';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const prelude = execFileSync('python3', [join(root, 'web/assemble.py'), '--prelude'], { encoding: 'utf8' });

function load(parts, names) {
  const source = [prelude, ...parts.map((part) => readFileSync(join(root, 'web', part), 'utf8'))].join('\n');
  // In a function of its own, so that parts loaded twice do not clash.
  return vm.runInThisContext(`(() => {\n${source}\nreturn { ${names.join(', ')} };\n})()`);
}

const codec = load(['codec.js'], ['WORDS', 'decodeWindows1252', 'encodeWindows1252', 'firstUnholdable',
  'describeCharacterAt', 'lineNumberAt', 'unencodableMessage', 'fillWords']);
const box = load(['codec.js', 'exact_box.js'], ['shownOf', 'modelIndices', 'applyEdit', 'EditHistory']);
const { WorkerClient } = load(['worker_client.js'], ['WorkerClient']);

// A small deterministic generator, so that a failure can be run again.
function random(seed) {
  let state = seed >>> 0;
  return (limit) => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return state % limit;
  };
}
const pick = (next, alphabet, length) => Array.from({ length }, () => alphabet[next(alphabet.length)]).join('');

test('every byte decodes to its own character and encodes back', () => {
  const next = random(7);
  const every = Uint8Array.from({ length: 256 }, (_, byte) => byte);
  for (const bytes of [every, Uint8Array.from({ length: 40000 }, () => next(256)), new Uint8Array(0)]) {
    const text = codec.decodeWindows1252(bytes);
    assert.equal(text.length, bytes.length);
    assert.deepEqual([...codec.encodeWindows1252(text).bytes], [...bytes]);
  }
  const text = codec.decodeWindows1252(every);
  // The table's own characters, and the five unassigned bytes as controls.
  assert.deepEqual([0x80, 0x81, 0x8d, 0x8f, 0x90, 0x9d, 0x9f, 0xa3, 0xac].map((byte) => text.charCodeAt(byte)),
    [0x20ac, 0x81, 0x8d, 0x8f, 0x90, 0x9d, 0x178, 0xa3, 0xac]);
  assert.equal(codec.decodeWindows1252(every, 3), '\0\u0001\u0002');
});

test('characters outside Windows-1252 are found and described where they are', () => {
  const cases = [
    // text, first unholdable, description, line
    ['é€\u0081\u009d~', -1],
    ['ok\r\nĀ', 4, '"Ā" (U+0100)', 2],
    ['a\rb\nc\u2028', 5, 'U+2028', 3],
    ['x😀', 1, '"😀" (U+1F600)', 1],
    ['\ud800z', 0, 'U+D800', 1],
    ['z\udc00', 1, 'U+DC00', 1],
    ['\u0100', 0, '"Ā" (U+0100)', 1],
  ];
  for (const [text, at, described, line] of cases) {
    assert.equal(codec.firstUnholdable(text), at, JSON.stringify(text));
    assert.equal(codec.encodeWindows1252(text).unencodableAt, at);
    if (at < 0) continue;
    assert.equal(codec.describeCharacterAt(text, at), described);
    assert.equal(codec.lineNumberAt(text, at), line);
    assert.equal(codec.unencodableMessage(text, at), codec.fillWords(codec.WORDS.kCannotSave, described, line));
  }
});

test('an edit of the shown text keeps the exact text around it', () => {
  const next = random(11);
  for (let round = 0; round < 3000; ++round) {
    const text = pick(next, ['a', 'b', '\r\n', '\r', '\n'], next(12));
    const shown = box.shownOf(text);
    const from = next(shown.length + 1);
    const to = from + next(shown.length - from + 1);
    const typed = pick(next, ['a', 'x', '\n'], next(4));
    const now = shown.slice(0, from) + typed + shown.slice(to);
    const got = box.applyEdit(text, shown, now, from + typed.length, null, from);
    const [modelFrom, modelTo] = box.modelIndices(text, from, to);
    const context = JSON.stringify({ text, from, to, typed });
    assert.equal(box.shownOf(got), now, context);
    assert.ok(got.startsWith(text.slice(0, modelFrom)) && got.endsWith(text.slice(modelTo)), context);
    // What was typed is there, each line break as CR LF.
    assert.equal(got.slice(modelFrom, got.length - (text.length - modelTo)), typed.replace(/\n/g, '\r\n'), context);
  }
  // Pasted and dropped text keeps its own line breaks.
  assert.equal(box.applyEdit('xy', 'xy', 'xP\nQ\nRy', 6, 'P\rQ\nR'), 'xP\rQ\nRy');
  assert.equal(box.applyEdit('a\nb', 'a\nb', 'a\n\nb', 3, null), 'a\n\r\nb');
});

test('undo and redo come back to the exact texts the box held', () => {
  const history = new box.EditHistory(20);
  history.reset('xy');
  history.record('xP\nQ\nRy', 'xP\rQ\nRy');
  history.record('xP\nQ\nRy!', 'xP\rQ\nRy!');
  assert.equal(history.travel('xy', -1), 'xy');
  assert.equal(history.travel('xP\nQ\nRy', 1), 'xP\rQ\nRy');
  assert.equal(history.travel('xP\nQ\nRy!', 1), 'xP\rQ\nRy!');
  assert.equal(history.travel('never shown', -1), null);
  // A new edit after an undo drops the states ahead; the oldest go past the limit.
  history.travel('xy', -1);
  history.record('xyz', 'xyz');
  assert.equal(history.travel('xP\nQ\nRy!', 1), null);
  history.record('x'.repeat(15), 'x'.repeat(15));
  history.record('yyy', 'yyy');
  assert.equal(history.travel('xy', -1), null);
  assert.equal(history.travel('x'.repeat(15), -1), 'x'.repeat(15));
});

// A stand-in for a Worker that answers, or fails as a broken worker does.
function fakeWorkers() {
  const started = [];
  const start = () => {
    const worker = {
      terminated: false,
      postMessage(message, transfer) {
        setTimeout(() => {
          if (message.fail) this.onerror({ message: 'engine aborted' });
          else this.onmessage({ data: { id: message.id, ok: true, echo: message.value, transfer } });
        }, 0);
      },
      terminate() { this.terminated = true; },
    };
    started.push(worker);
    return worker;
  };
  return { started, start };
}

test('a failed worker answers what it held, and the next request starts a new one', async () => {
  const { started, start } = fakeWorkers();
  const client = new WorkerClient(start);
  const buffer = new ArrayBuffer(4);
  assert.deepEqual(await client.run({ value: 1 }, [buffer]), { id: 1, ok: true, echo: 1, transfer: [buffer] });
  const [failed, pending] = await Promise.all([client.run({ fail: true }), client.run({ value: 2 })]);
  assert.deepEqual([failed, pending], [{ ok: false, message: 'engine aborted' }, { ok: false, message: 'engine aborted' }]);
  assert.equal(started.length, 1);
  assert.equal(started[0].terminated, true);
  assert.deepEqual(await client.run({ value: 3 }), { id: 4, ok: true, echo: 3, transfer: [] });
  assert.equal(started.length, 2);

  const refusing = new WorkerClient(() => { throw new Error('workers are not allowed here'); });
  assert.deepEqual(await refusing.run({ value: 1 }), { ok: false, message: 'workers are not allowed here' });
});
