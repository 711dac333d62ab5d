// SPDX-License-Identifier: MIT
// The page's commands: the boxes, password and wheel count wired to the
// cipher worker, the file picker, downloads and the clipboard. Follows the
// shared words (WORDS), the codec, the exact box and the worker client.
'use strict';

const $ = (id) => document.getElementById(id);
const twoDigits = (count) => String(count).padStart(2, '0');
const counted = (count, one, many) => `${grouped(count)} ${count === 1 ? one : many}`;
const mebibytes = (bytes, digits = 2) => grouped(bytes / (1024 * 1024), digits);
// A file's name as the window and velmor show it: controls, the marks that
// turn text around and lone surrogates escaped, so that no name can disguise
// itself or the message around it.
const shownName = (name) => name.replace(
  /[\0-\x1f\x7f-\x9f\u061c\u200e\u200f\u2028-\u202e\u2066-\u2069]|[\ud800-\udbff](?![\udc00-\udfff])|(?<![\ud800-\udbff])[\udc00-\udfff]/g,
  (c) => ({ '\n': '\\n', '\r': '\\r', '\t': '\\t' })[c] ??
    (c < '\x80' ? '\\x' : '\\u') + c.charCodeAt(0).toString(16).toUpperCase().padStart(c < '\x80' ? 2 : 4, '0'));
const describe = (failure) => String(failure && failure.message ? failure.message : failure);

const password = $('txtKey');
const passwordNote = $('txtKey-note');
const wheels = $('EW');
const status = $('Label1');
const picker = $('file-picker');
const engineChoice = new URLSearchParams(location.search).get('engine') === 'plain' ? 'plain' : 'best';
// A policy that forbids the cipher's worker is told here only: the worker
// itself just fails.
let workerForbidden = false;
document.addEventListener('securitypolicyviolation', (event) => {
  if (event.effectiveDirective === 'worker-src') workerForbidden = true;
});
const client = new WorkerClient(() =>
  new Worker(URL.createObjectURL(new Blob([$('worker-source').textContent], { type: 'text/javascript' }))),
() => (workerForbidden ? 'it may not start the machine\'s cipher on this page: a security policy of the site or of the ' +
  'browser forbids the worker the cipher runs in' : ''));

// A cause, as the worker or the browser gives it, ended as a sentence.
const asSentence = (text) => text.replace(/\.?$/, '.');

function showMessage(title, text) {
  $('message-title').textContent = title;
  $('message-text').textContent = text;
  if (!$('message').open) $('message').showModal();
}

// Said to screen readers only, once a command is done.
function announce(text) {
  $('announcement').textContent = text;
}

// ---- One command at a time ------------------------------------------------

// Everything the user can change; locked while a command runs, so that
// nothing changes under it. Only the command that took the lock gives it back.
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

const STILL_RUNNING = 'A command is still running. Try again when it has finished.';

// Runs `work` holding the lock, or says why it cannot start.
async function exclusively(title, work) {
  if (busy) {
    showMessage(title, STILL_RUNNING);
    return;
  }
  setBusy(true);
  try {
    await work();
  } finally {
    setBusy(false);
  }
}

// ---- The boxes -------------------------------------------------------------

// A pasted or dropped text too long to show is kept whole as bytes, like an
// opened file; the worker converts it. One with a character Windows-1252
// lacks cannot be kept so: up to this length it is shown whole all the same.
const WHOLE_TEXT_LIMIT = 200000;
function takeLongText(box, text) {
  if (text.length > WORDS.kMaxOpenBytes) {
    showMessage('Paste', `The text was not taken: it holds ${grouped(text.length)} characters, the page ` +
      `takes at most ${grouped(WORDS.kMaxOpenBytes)} (${mebibytes(WORDS.kMaxOpenBytes)} MiB).\n` +
      'Use the command-line tool velmor to encrypt or decrypt texts of this size. The box is as it was.');
    return Promise.resolve();
  }
  return exclusively('Paste', async () => {
    const reply = await client.run({ type: 'encode', text, shownLimits: SHOWN_LIMITS });
    if (!reply.ok) {
      showMessage('Paste', `The text could not be taken: ${asSentence(reply.message)}\nThe box is as it was.`);
    } else if (reply.bytes) {
      box.setBytes(reply.bytes, reply.start);
    } else if (text.length <= WHOLE_TEXT_LIMIT) {
      box.setText(text);
    } else {
      showMessage('Paste', `The text was not taken: the character ${reply.character} on line ${reply.line} has ` +
        'no place in Windows-1252, and a text this long is kept in Windows-1252.\nReplace or remove it, ' +
        'then paste again. The box is as it was.');
    }
  });
}

// Where the asynchronous clipboard is missing, a copy event's own data is
// the only way to the clipboard, and takes the text at once.
const copiesLater = (box) => (busy || Boolean(navigator.clipboard && navigator.clipboard.writeText)) &&
  (copyToClipboard(box), true);
const input = new ExactBox($('txtVelmor'), $('txtVelmor-note'), (text) => takeLongText(input, text), () => copiesLater(input));
const output = new ExactBox($('txtOutputBox'), $('txtOutputBox-note'), (text) => takeLongText(output, text),
  () => copiesLater(output));

// ---- The password ---------------------------------------------------------

// A password holds only characters Windows-1252 has, as the texts do, so
// that it means the same in the window, velmor and here. Anything else is
// refused whole as it comes, typed, pasted or dropped, never cut in two.
let acceptedPassword = '';

function refusePassword(text, at) {
  passwordNote.textContent = `The PassWord cannot take the character ${describeCharacterAt(text, at)}: a password ` +
    'holds only characters of Windows-1252, the character set of the texts.';
  passwordNote.hidden = false;
}

password.addEventListener('beforeinput', (event) => {
  const incoming = event.data ?? (event.dataTransfer ? event.dataTransfer.getData('text/plain') : null);
  const at = incoming ? encodeWindows1252(incoming).unencodableAt : -1;
  if (at >= 0 && event.cancelable) {
    event.preventDefault();
    refusePassword(incoming, at);
  }
});

// What got past the first check (an input method's text) is taken back here.
function checkPassword() {
  const at = encodeWindows1252(password.value).unencodableAt;
  if (at < 0) {
    acceptedPassword = password.value;
    passwordNote.hidden = true;  // the refusal is told until the next edit that is taken
    return;
  }
  refusePassword(password.value, at);
  password.value = acceptedPassword;
}
password.addEventListener('input', (event) => { if (!event.isComposing) checkPassword(); });
password.addEventListener('compositionend', checkPassword);

// ---- The cipher -----------------------------------------------------------

// Encrypt N reads the upper box and writes the lower, Decrypt N the reverse.
// The second click of a double click is not a second command.
async function cipherCommand(event, direction, passes) {
  if (event.detail > 1 || busy) return;
  const [source, target] = direction === 'encrypt' ? [input, output] : [output, input];
  const count = source.length;
  const request = { type: 'cipher', direction, passes, password: password.value, wheelCount: Number(wheels.value),
    engine: engineChoice, shownLimits: SHOWN_LIMITS };
  const transfer = source.large ? [source.bytes.buffer] : [];
  if (source.large) request.bytes = source.bytes;
  else request.text = source.text;
  status.textContent = fillWords(WORDS.kStatusText, count);
  announce('');
  setBusy(true);
  try {
    const reply = await client.run(request, transfer);
    if (!reply.ok) {
      // The bytes went to the worker and come back with its answer.
      const lost = source.large && !reply.bytes;
      if (reply.bytes) source.keep(reply.bytes);
      else if (source.large) source.setText('');
      showMessage(WORDS.kInfoTitle, `The text could not be processed: ${asSentence(reply.message)}\n` +
        (lost ? 'The text it was given is lost.' : 'Both boxes are as they were.'));
      announce(`Nothing was ${direction}ed.`);
      return;
    }
    if (reply.bytes) target.setBytes(reply.bytes, reply.start);
    else target.setText(reply.text);
    source.setText('');
    document.documentElement.dataset.engine = reply.engine;
    announce(`${direction === 'encrypt' ? 'Encrypted' : 'Decrypted'} ${counted(count, 'character', 'characters')}, ` +
      `${counted(passes, 'pass', 'passes')}.`);
  } finally {
    setBusy(false);
    status.textContent = '';
  }
}

// The engine is started as the page opens, so that a browser that cannot run
// it is told so at once, in words.
async function checkEngine() {
  const reply = await client.run({ type: 'check', engine: engineChoice });
  if (reply.ok) {
    document.documentElement.dataset.engine = reply.engine;
    return;
  }
  document.documentElement.dataset.engine = 'none';
  showMessage(WORDS.kMachineName, `This browser cannot run the machine: ${asSentence(reply.message)}\n` +
    (reply.policy || workerForbidden ? 'The page runs opened as a file, or from a host whose policy allows it.'
      : 'Open the page in an up-to-date Chrome, Edge, Firefox or Safari.'));
}

// ---- Files ----------------------------------------------------------------

let openTarget = null;

function openInto(box) {
  openTarget = box;
  picker.value = '';
  picker.click();
}

// A file that arrives while a command runs is refused, not read under it.
function readFileInto(box, file) {
  if (file.size > WORDS.kMaxOpenBytes) {
    // The size gets the digits that tell it from the limit, which it would
    // otherwise seem to equal.
    const limit = mebibytes(WORDS.kMaxOpenBytes);
    let digits = 2;
    while (digits < 7 && mebibytes(file.size, digits) === mebibytes(WORDS.kMaxOpenBytes, digits)) ++digits;
    showMessage('Open', fillWords(WORDS.kTooLargeToOpen, shownName(file.name), grouped(file.size),
      mebibytes(file.size, digits), grouped(WORDS.kMaxOpenBytes), limit, 'page'));
    return Promise.resolve();
  }
  return exclusively('Open', async () => {
    const reply = await client.run({ type: 'read', file, shownLimits: SHOWN_LIMITS });
    if (!reply.ok) showMessage('Open', `Could not read "${shownName(file.name)}":\n${asSentence(reply.message)}\nThe box is as it was.`);
    else if (reply.bytes) box.setBytes(reply.bytes, reply.start);
    else box.setText(reply.text);
  });
}

picker.addEventListener('change', () => {
  const file = picker.files[0];
  if (file && openTarget) readFileInto(openTarget, file);
});

function offerDownload(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// A long text's bytes go to the worker for `request`, the lock held, and
// come back with its answer; bytes that do not come back are lost.
async function withBytes(box, request) {
  setBusy(true);
  try {
    const reply = await client.run({ ...request, bytes: box.bytes }, [box.bytes.buffer]);
    if (reply.bytes) box.keep(reply.bytes);
    else box.setText('');
    return reply;
  } finally {
    setBusy(false);
  }
}

// The save is checked before anything is offered, so that no file is made
// from a text that cannot be written. A long text is bytes already; the
// worker makes the download's copy of them.
async function saveFrom(box, name) {
  if (busy) return;
  if (!box.large) {
    const encoded = encodeWindows1252(box.text);
    if (!encoded.bytes) showMessage('Save', unencodableMessage(box.text, encoded.unencodableAt));
    else offerDownload(new Blob([encoded.bytes], { type: 'application/octet-stream' }), name);
    return;
  }
  const reply = await withBytes(box, { type: 'blob' });
  if (reply.ok) offerDownload(reply.blob, name);
  else showMessage('Save', `The text could not be saved:\n${asSentence(reply.message)}\nNothing was written.`);
}

// ---- The clipboard --------------------------------------------------------

// Where the asynchronous clipboard is missing (a page not served over https
// or from this machine), the copy command of the page itself still works
// while the click that asked for it lasts.
function copyThroughCommand(text) {
  let copied = false;
  const supply = (event) => {
    event.clipboardData.setData('text/plain', text);
    event.preventDefault();
    event.stopImmediatePropagation();
    copied = true;
  };
  document.addEventListener('copy', supply, true);
  try {
    return document.execCommand('copy') && copied;
  } finally {
    document.removeEventListener('copy', supply, true);
  }
}

// The whole text as a string, or null where the worker failed, which is told.
async function wholeText(box) {
  if (!box.large) return box.text;
  const reply = await withBytes(box, { type: 'decode' });
  if (reply.ok) return reply.text;
  showMessage('Copy', `The text could not be put on the clipboard:\n${asSentence(reply.message)}`);
  return null;
}

// The clipboard takes a string, so a long text is decoded whole: the
// worker does it. (Handing the clipboard the worker's UTF-8 as a Blob costs
// the page's thread more: the browser decodes it there.)
// While a command runs, a long text's bytes are the worker's: Ctrl+C, which
// the lock leaves working, is told so.
async function copyToClipboard(box) {
  if (busy) {
    showMessage('Copy', STILL_RUNNING);
    return;
  }
  const text = await wholeText(box);
  if (text === null) return;
  const copied = () => announce(`Copied ${counted(text.length, 'character', 'characters')}.`);
  let refusal = '';
  if (navigator.clipboard && navigator.clipboard.writeText) {
    try {
      await navigator.clipboard.writeText(text);
      copied();
      return;
    } catch (failure) {
      refusal = `${describe(failure)}\n`;
    }
  }
  if (copyThroughCommand(text)) {
    copied();
    return;
  }
  showMessage('Copy', `This browser did not let the page put the text on the clipboard.\n${refusal}` +
    'To copy it by hand: click in the box, press Ctrl+A (Command+A on a Mac) to select all of it, ' +
    'then Ctrl+C (Command+C).');
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
    // A folder comes as a file that cannot be read; what it is is known only now.
    const item = [...event.dataTransfer.items].find((entry) => entry.kind === 'file');
    const entry = item && item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
    const file = event.dataTransfer.files[0];
    if (entry && entry.isDirectory) {
      showMessage('Open', `"${shownName(file.name)}" is a folder. Drop a text file, or open one with the Open commands.`);
    } else {
      readFileInto(box, file);
    }
  });
}
// A file dropped anywhere else would make the browser leave the page, and
// the boxes' texts with it.
for (const type of ['dragover', 'drop']) {
  window.addEventListener(type, (event) => {
    if (event.dataTransfer.types.includes('Files')) event.preventDefault();
  });
}

// ---- Controls -------------------------------------------------------------

for (let count = WORDS.kMinWheelCount; count <= WORDS.kMaxWheelCount; count += WORDS.kWheelCountStep) {
  wheels.add(new Option(twoDigits(count), String(count), false, count === WORDS.kStartWheelCount));
}
// Each wheel takes one password character, so a new count empties the
// password and limits it to the count. The field follows the count and Show
// as they stand, also where the browser put their values back on coming
// back to the page.
function followControls() {
  password.maxLength = Number(wheels.value);
  password.type = $('PassS').checked ? 'text' : 'password';
}
wheels.addEventListener('change', () => {
  followControls();
  password.value = '';
  acceptedPassword = '';
});
$('PassS').addEventListener('change', followControls);
window.addEventListener('pageshow', followControls);
followControls();

const cipherCommands = $('cipher-commands');
for (const direction of ['encrypt', 'decrypt']) {
  const row = document.createElement('div');
  row.className = 'passes';
  cipherCommands.append(row);
  for (const passes of WORDS.kPassCounts) {
    const button = document.createElement('button');
    button.type = 'button';
    button.id = (direction === 'encrypt' ? 'EN' : 'DE') + (passes === 1 ? '' : passes);
    button.textContent = `${direction === 'encrypt' ? 'Encrypt' : 'Decrypt'} ${passes}`;
    button.addEventListener('click', (event) => cipherCommand(event, direction, passes));
    row.append(button);
  }
}

// A key held down on a button repeats; Enter would click at every repeat,
// and a command run again on its own emptied source empties its target. A
// held key is one press, as in the window.
$('machine').addEventListener('keydown', (event) => {
  if (event.repeat && (event.key === 'Enter' || event.key === ' ') && event.target.matches('button')) {
    event.preventDefault();
  }
}, true);

$('Ne').addEventListener('click', () => { input.setText(''); output.setText(''); });
$('Op').addEventListener('click', () => openInto(input));
$('OET').addEventListener('click', () => openInto(output));
$('SAs').addEventListener('click', () => saveFrom(input, 'unencrypted.txt'));
$('SAET').addEventListener('click', () => saveFrom(output, 'encrypted.txt'));
$('CToC').addEventListener('click', () => copyToClipboard(input));
$('CTCET').addEventListener('click', () => copyToClipboard(output));
$('info-title').textContent = WORDS.kInfoTitle;
$('info-text').textContent = [WORDS.kInfoLine1, WORDS.kInfoLine2, WORDS.kInfoLine3].join('\r\n');
$('IF').addEventListener('click', () => $('info').showModal());

// ---- Installed and offline ------------------------------------------------

// From a web host the page installs as an app and opens with no network; a
// page opened as a file has neither, and needs neither.
if (/^https?:$/.test(location.protocol)) {
  const manifest = document.createElement('link');
  manifest.rel = 'manifest';
  manifest.href = 'manifest.webmanifest';
  document.head.append(manifest);
  if ('serviceWorker' in navigator) {
    navigator.serviceWorker.register('service-worker.js').catch((failure) => {
      console.warn(`The page will not open offline: ${describe(failure)}`);
    });
  }
}

input.area.focus();
checkEngine();
