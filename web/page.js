// SPDX-License-Identifier: MIT
// The page's commands: the boxes, password and wheel count wired to the
// cipher worker, the file picker, downloads and the clipboard.
'use strict';

const PASS_COUNTS = [1, 3, 6, 9, 12];
const MIN_WHEELS = 4;
const MAX_WHEELS = 30;
const START_WHEELS = 20;
const INFO_TEXT = [
  'The Velmor Machine - Copyright (C) The Velmor Machine authors. All rights reserved.',
  '*'.repeat(46),
  ' Set Encryption Wheels To 20 Give You 10 Character Change Then  Encrypt 12 Times = 120 Character Change Max 30=15X12=180',
].join('\r\n');
// As much as the window opens; larger files belong to the command-line tool.
const MAX_FILE_BYTES = 64 * 1024 * 1024;
const SHOWN_LIMIT = 200000;

const statusText = (count) => `Please Wait While Processing ${count} Characters`;
const twoDigits = (count) => String(count).padStart(2, '0');

// ---- Windows-1252 -------------------------------------------------------

// The browser's windows-1252 decoder maps the five bytes the table leaves
// unassigned to the control characters of the same code, as the window's
// file layer does, so every byte value has its own character. The encoder
// is its inverse, built from it, so the two cannot disagree.
const decoder = new TextDecoder('windows-1252');
const byteOfChar = new Map();
{
  const chars = decoder.decode(Uint8Array.from({ length: 256 }, (_, byte) => byte));
  for (let byte = 0; byte < 256; ++byte) byteOfChar.set(chars.charCodeAt(byte), byte);
}

const decodeWindows1252 = (bytes) => decoder.decode(bytes);

// The bytes of `text`, or the index of its first character without a byte.
function encodeWindows1252(text) {
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) {
    const code = text.charCodeAt(i);
    const byte = code < 0x80 ? code : byteOfChar.get(code);
    if (byte === undefined) return { bytes: null, unencodableAt: i };
    bytes[i] = byte;
  }
  return { bytes, unencodableAt: -1 };
}

// Lines as the window counts them: CR LF, a lone CR and a lone LF each end one.
function lineNumberAt(text, index) {
  let line = 1;
  for (let i = 0; i < index; ++i) {
    const c = text[i];
    if (c === '\n' || (c === '\r' && text[i + 1] !== '\n')) ++line;
  }
  return line;
}

function describeCharacterAt(text, index) {
  const codePoint = text.codePointAt(index);
  const character = String.fromCodePoint(codePoint);
  const code = `U+${codePoint.toString(16).toUpperCase().padStart(4, '0')}`;
  const lone = codePoint >= 0xd800 && codePoint <= 0xdfff;
  const printable = !lone && !/[\p{C}\p{Z}\s]/u.test(character);
  return printable ? `"${character}" (${code})` : code;
}

function unencodableMessage(text, index) {
  return `The text cannot be saved: the character ${describeCharacterAt(text, index)} on line ` +
    `${lineNumberAt(text, index)} has no place in Windows-1252, the character set of the file.\n` +
    'Replace or remove it, then save again. Nothing was written.';
}

// ---- A text box that gives back exactly what was put in -----------------

// A textarea turns CR LF and a lone CR into LF, so it cannot hold a text
// exactly. ExactBox keeps the exact text itself and shows it with LF line
// breaks; an edit in the textarea is mapped back onto the exact text. A line
// break that the user types is CR LF; pasted and dropped text keeps its own.
class ExactBox {
  constructor(area, note) {
    this.area = area;
    this.note = note;
    this.large = false;
    this.text = '';
    this.shown = '';
    this.incoming = null;
    area.addEventListener('input', (event) => this.edited(event));
    area.addEventListener('paste', (event) => { this.incoming = event.clipboardData.getData('text/plain'); });
    area.addEventListener('drop', (event) => { this.incoming = event.dataTransfer.getData('text/plain'); });
    area.addEventListener('copy', (event) => this.copySelection(event, false));
    area.addEventListener('cut', (event) => this.copySelection(event, true));
  }

  // A box shows at most SHOWN_LIMIT characters: a browser lays out a
  // textarea of megabytes for seconds. A longer text is kept whole, and the
  // commands work on all of it; the box shows its start, read-only, and says so.
  set(text) {
    this.text = text;
    this.large = text.length > SHOWN_LIMIT;
    this.area.value = this.large ? text.slice(0, SHOWN_LIMIT) : text;
    this.area.readOnly = this.large;
    this.shown = this.area.value;
    this.note.hidden = !this.large;
    this.note.textContent = this.large
      ? `Showing the first ${SHOWN_LIMIT.toLocaleString('en')} of ${text.length.toLocaleString('en')} characters. ` +
        'The whole text is kept: it is what the commands encrypt, decrypt, save and copy.'
      : '';
  }

  // Model index of shown index `at`: a CR LF pair is one shown character.
  modelIndices(...shownAt) {
    const wanted = shownAt.map((at, i) => [at, i]).sort((a, b) => a[0] - b[0]);
    const found = new Array(shownAt.length);
    let shown = 0;
    let model = 0;
    for (const [at, i] of wanted) {
      while (shown < at && model < this.text.length) {
        model += this.text[model] === '\r' && this.text[model + 1] === '\n' ? 2 : 1;
        ++shown;
      }
      found[i] = model;
    }
    return found;
  }

  edited(event) {
    const now = this.area.value;
    const before = this.shown;
    const shorter = Math.min(now.length, before.length);
    let suffix = 0;
    while (suffix < shorter && now[now.length - 1 - suffix] === before[before.length - 1 - suffix]) ++suffix;
    // Where the change could sit in more than one place (a line break typed
    // beside another), the caret says where it was made.
    suffix = Math.min(suffix, now.length - this.area.selectionEnd);
    let prefix = 0;
    const prefixLimit = Math.min(now.length, before.length) - suffix;
    while (prefix < prefixLimit && now[prefix] === before[prefix]) ++prefix;
    const inserted = now.slice(prefix, now.length - suffix);
    const [from, to] = this.modelIndices(prefix, before.length - suffix);
    const pasted = this.incoming !== null && /^insertFrom(Paste|Drop)$/.test(event.inputType) &&
      this.incoming.replace(/\r\n?/g, '\n') === inserted;
    const exact = pasted ? this.incoming : inserted.replace(/\n/g, '\r\n');
    this.incoming = null;
    this.text = this.text.slice(0, from) + exact + this.text.slice(to);
    this.shown = now;
  }

  selectedText() {
    const [from, to] = this.modelIndices(this.area.selectionStart, this.area.selectionEnd);
    return this.text.slice(from, to);
  }

  copySelection(event, cut) {
    event.clipboardData.setData('text/plain', this.selectedText());
    event.preventDefault();
    if (cut && !this.area.readOnly) document.execCommand('delete');
  }
}

// ---- The page ----------------------------------------------------------

const $ = (id) => document.getElementById(id);
const input = new ExactBox($('txtVelmor'), $('txtVelmor-note'));
const output = new ExactBox($('txtOutputBox'), $('txtOutputBox-note'));
const password = $('txtKey');
const wheels = $('EW');
const status = $('Label1');
const picker = $('file-picker');
const engineChoice = new URLSearchParams(location.search).get('engine') === 'plain' ? 'plain' : 'best';

function showMessage(title, text) {
  $('message-title').textContent = title;
  $('message-text').textContent = text;
  $('message').showModal();
}

// Everything the user can change; locked while a command runs, so that
// nothing changes under it.
const lockable = () => [...document.querySelectorAll('main button, main select, main input:not([type=file])')];

let busy = false;
let focusBefore = null;

// A disabled control loses the focus; it gets it back afterwards, so that a
// keyboard user goes on from where the command was chosen.
function setBusy(now) {
  busy = now;
  if (busy) focusBefore = document.activeElement;
  for (const control of lockable()) control.disabled = busy;
  for (const box of [input, output]) box.area.readOnly = busy || box.large;
  $('machine').setAttribute('aria-busy', String(busy));
  if (!busy && focusBefore && (document.activeElement === document.body || !document.activeElement)) {
    focusBefore.focus();
  }
}

// ---- The cipher worker ------------------------------------------------

const worker = new Worker(URL.createObjectURL(new Blob([$('worker-source').textContent], { type: 'text/javascript' })));
let nextRequest = 1;
const waiting = new Map();
worker.onmessage = (event) => {
  const reply = event.data;
  const settle = waiting.get(reply.id);
  waiting.delete(reply.id);
  if (settle) settle(reply);
};
let workerFailure = null;
worker.onerror = (event) => {
  workerFailure = event.message || 'The cipher could not start.';
  for (const settle of waiting.values()) settle({ ok: false, message: workerFailure });
  waiting.clear();
};

function runInWorker(request) {
  return new Promise((resolve) => {
    if (workerFailure) {
      resolve({ ok: false, message: workerFailure });
      return;
    }
    const id = nextRequest++;
    waiting.set(id, resolve);
    worker.postMessage({ ...request, id, engine: engineChoice });
  });
}

// Encrypt N reads the upper box and writes the lower, Decrypt N the reverse.
async function cipherCommand(direction, passes) {
  const [source, target] = direction === 'encrypt' ? [input, output] : [output, input];
  const text = source.text;
  status.textContent = statusText(text.length);
  setBusy(true);
  try {
    const reply = await runInWorker({
      direction, passes, text, password: password.value, wheelCount: Number(wheels.value),
    });
    if (!reply.ok) {
      showMessage('Encrypt/Decrypt', `The text could not be processed: ${reply.message}\nBoth boxes are as they were.`);
      return;
    }
    target.set(reply.text);
    source.set('');
    // Which engine build the browser runs: "simd" or "plain".
    document.documentElement.dataset.engine = reply.engine;
  } finally {
    setBusy(false);
    status.textContent = '';
  }
}

// ---- Files and clipboard ----------------------------------------------

let openTarget = null;

function openInto(box) {
  openTarget = box;
  picker.value = '';
  picker.accept = '.txt,text/plain';
  picker.click();
}

async function readFileInto(box, file) {
  if (file.size > MAX_FILE_BYTES) {
    const mb = (bytes) => (bytes / (1024 * 1024)).toFixed(1);
    showMessage('Open', `"${file.name}" is too large to open here: it holds ${mb(file.size)} MB, the page takes at most ` +
      `${mb(MAX_FILE_BYTES)} MB.\nUse the command-line tool velmor to encrypt or decrypt files of this size.`);
    return;
  }
  // Nothing may start meanwhile: a command would write its boxes under the read.
  setBusy(true);
  try {
    box.set(decodeWindows1252(new Uint8Array(await file.arrayBuffer())));
  } catch (failure) {
    showMessage('Open', `Could not read "${file.name}":\n${failure.message}`);
  } finally {
    setBusy(false);
  }
}

picker.addEventListener('change', () => {
  const file = picker.files[0];
  if (file && openTarget) readFileInto(openTarget, file);
});

// The save is checked before anything is offered, so that no file is made
// from a text that cannot be written.
function saveFrom(box, name) {
  const encoded = encodeWindows1252(box.text);
  if (!encoded.bytes) {
    showMessage('Save', unencodableMessage(box.text, encoded.unencodableAt));
    return;
  }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([encoded.bytes], { type: 'application/octet-stream' }));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

async function copyToClipboard(box) {
  try {
    await navigator.clipboard.writeText(box.text);
  } catch (failure) {
    showMessage('Copy', `The text could not be put on the clipboard:\n${failure.message}`);
  }
}

// A file dropped on a box opens into it, as in the window.
for (const box of [input, output]) {
  box.area.addEventListener('dragover', (event) => {
    if (event.dataTransfer.types.includes('Files')) event.preventDefault();
  });
  box.area.addEventListener('drop', (event) => {
    if (event.dataTransfer.files.length === 0) return;
    event.preventDefault();
    event.stopPropagation();
    if (!busy) readFileInto(box, event.dataTransfer.files[0]);
  });
}
// A file dropped anywhere else would make the browser leave the page, and
// the boxes' texts with it.
for (const type of ['dragover', 'drop']) {
  window.addEventListener(type, (event) => {
    if (event.dataTransfer.types.includes('Files')) event.preventDefault();
  });
}

// ---- Controls -----------------------------------------------------------

for (let count = MIN_WHEELS; count <= MAX_WHEELS; count += 2) {
  wheels.add(new Option(twoDigits(count), String(count), false, count === START_WHEELS));
}
// Each wheel takes one password character, so a new count empties the
// password and limits it to the count.
wheels.addEventListener('change', () => {
  password.maxLength = Number(wheels.value);
  password.value = '';
});
password.maxLength = START_WHEELS;

$('PassS').addEventListener('change', (event) => {
  password.type = event.target.checked ? 'text' : 'password';
});

const cipherCommands = $('cipher-commands');
for (const direction of ['encrypt', 'decrypt']) {
  for (const passes of PASS_COUNTS) {
    const button = document.createElement('button');
    button.type = 'button';
    button.id = (direction === 'encrypt' ? 'EN' : 'DE') + (passes === 1 ? '' : passes);
    button.textContent = `${direction === 'encrypt' ? 'Encrypt' : 'Decrypt'} ${passes}`;
    button.addEventListener('click', () => cipherCommand(direction, passes));
    cipherCommands.append(button);
  }
}

$('Ne').addEventListener('click', () => { input.set(''); output.set(''); });
$('Op').addEventListener('click', () => openInto(input));
$('OET').addEventListener('click', () => openInto(output));
$('SAs').addEventListener('click', () => saveFrom(input, 'unencrypted.txt'));
$('SAET').addEventListener('click', () => saveFrom(output, 'encrypted.txt'));
$('CToC').addEventListener('click', () => copyToClipboard(input));
$('CTCET').addEventListener('click', () => copyToClipboard(output));
$('info-text').textContent = INFO_TEXT;
$('IF').addEventListener('click', () => $('info').showModal());
