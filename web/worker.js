// SPDX-License-Identifier: MIT
// The cipher's worker: converts and ciphers off the page's thread, so that a
// long text never freezes the page. Preceded in its source by the two engine
// builds, createVelmorEngineSimd and createVelmorEnginePlain, and the codec.
'use strict';

// (func (result v128) i32.const 0 i8x16.splat i8x16.popcnt): valid only
// where the browser runs WebAssembly SIMD.
const SIMD_PROBE = new Uint8Array([
  0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11,
]);
const NO_MEMORY = 'There is not enough memory for a text of this size.';

let engine = null;
let engineKind = '';

function loadEngine(wanted) {
  if (typeof WebAssembly === 'undefined') {
    throw new Error('it does not run WebAssembly, the kind of program the machine\'s cipher is (it may be ' +
      'turned off in its settings or by a policy)');
  }
  const simd = wanted !== 'plain' && WebAssembly.validate(SIMD_PROBE);
  const factory = simd ? createVelmorEngineSimd : createVelmorEnginePlain;
  engineKind = simd ? 'simd' : 'plain';
  // Emscripten reports a failed start in its own words, "Aborted(...)", as a
  // rejection; what the browser said is inside.
  engine = factory({ print() {}, printErr() {} }).catch((failure) => {
    engine = null;
    const said = describe(failure).replace(/^Aborted\((.*)\)\.?( Build with -s ASSERTIONS=1 for more info\.)?$/s, '$1');
    const policy = /Refused to compile|Content Security Policy|unsafe-eval/i.test(said);
    throw Object.assign(new Error(policy
      ? 'it may not run WebAssembly on this page, the kind of program the machine\'s cipher is: a security policy ' +
        `of the browser or of the site forbids it (the browser said: ${said})`
      : `it could not start the machine's cipher, a WebAssembly program (the browser said: ${said})`), { policy });
  });
  return engine;
}

// A text goes through the module's memory in pieces of this many bytes, so
// that the memory stays small whatever the text's size.
const PIECE_BYTES = 4 * 1024 * 1024;

// Ciphers `length` units of `unitBytes` bytes each, keyed once: `fill` copies
// units [at, at + size) into the module's memory, `empty` takes them out.
// Every piece needs the memory the first one had; should one fail all the
// same, the text is part ciphered and the failure says so (`damaged`).
function cipherInPieces(module, request, length, unitBytes, fill, empty) {
  const { password } = request;
  const piece = Math.max(1, Math.min(length, PIECE_BYTES / unitBytes));
  const keyAt = module._malloc(Math.max(2, password.length * 2));
  const pieceAt = module._malloc(piece * unitBytes);
  let cipher = 0;
  try {
    if (!keyAt || !pieceAt) throw new Error(NO_MEMORY);
    const key = new Uint16Array(module.HEAPU16.buffer, keyAt, password.length);
    for (let i = 0; i < password.length; ++i) key[i] = password.charCodeAt(i);
    cipher = module._velmor_cipher_begin(keyAt, password.length, request.wheelCount, request.passes,
                                         request.direction === 'decrypt' ? 1 : 0, length);
    if (!cipher) throw new Error('The engine refused this wheel count or pass count.');
    for (let at = 0; at < length; at += piece) {
      const size = Math.min(piece, length - at);
      // Views are taken anew each time: growing the memory replaces them.
      fill(module.HEAPU16.buffer, pieceAt, at, size);
      try {
        module._velmor_cipher_apply(cipher, pieceAt, size, unitBytes, at);
      } catch (failure) {
        const error = failure instanceof Error ? failure : new Error(String(failure));
        error.damaged = at > 0;
        throw error;
      }
      empty(module.HEAPU16.buffer, pieceAt, at, size);
    }
  } finally {
    if (cipher) module._velmor_cipher_end(cipher);
    if (pieceAt) module._free(pieceAt);
    if (keyAt) module._free(keyAt);
  }
}

// A text short enough to show whole comes as a string and goes back as one.
function cipherText(module, request) {
  const { text } = request;
  const parts = [];
  cipherInPieces(module, request, text.length, 2, (heap, pieceAt, at, size) => {
    const units = new Uint16Array(heap, pieceAt, size);
    for (let i = 0; i < size; ++i) units[i] = text.charCodeAt(at + i);
  }, (heap, pieceAt, at, size) => {
    const units = new Uint16Array(heap, pieceAt, size);
    for (let i = 0; i < size; i += 8192) parts.push(String.fromCharCode.apply(null, units.subarray(i, Math.min(size, i + 8192))));
  });
  const result = parts.join('');
  // A result too long to show whole goes the way of a long text where it can:
  // one with a character Windows-1252 lacks is shown whole, as its text was.
  const end = shownEnd(result, request.shownLimits);
  const bytes = end < result.length ? encodeWindows1252(result).bytes : null;
  return bytes ? { bytes, start: result.slice(0, end) } : { text: result };
}

// A long text as the page keeps it: its bytes, and the start a box shows.
const longText = (bytes, limits) => ({ bytes, start: decodeWindows1252(bytes, shownEnd(bytes, limits)) });

// A long text comes as Windows-1252 bytes; the result is written over them,
// so a command needs no second buffer of the text's size.
function cipherBytes(module, request) {
  const { bytes } = request;
  cipherInPieces(module, request, bytes.length, 1,
    (heap, pieceAt, at, size) => new Uint8Array(heap, pieceAt, size).set(bytes.subarray(at, at + size)),
    (heap, pieceAt, at, size) => bytes.set(new Uint8Array(heap, pieceAt, size), at));
  return longText(bytes, request.shownLimits);
}

const describe = (failure) => String(failure && failure.message ? failure.message : failure);
// Out of memory in a script is a RangeError; the user is told in words.
const plainFailure = (failure) => (failure instanceof RangeError ? NO_MEMORY : describe(failure));

const handlers = {
  async check(request) {
    await (engine || loadEngine(request.engine));
    return { engine: engineKind };
  },
  async cipher(request) {
    const module = await (engine || loadEngine(request.engine));
    const result = request.bytes ? cipherBytes(module, request) : cipherText(module, request);
    return { ...result, engine: engineKind };
  },
  // A pasted or dropped text too long to show goes the way of a file.
  async encode(request) {
    const { bytes, unencodableAt } = encodeWindows1252(request.text);
    if (!bytes) return { unencodableAt, character: describeCharacterAt(request.text, unencodableAt),
      line: lineNumberAt(request.text, unencodableAt) };
    return longText(bytes, request.shownLimits);
  },
  async decode(request) {
    return { text: decodeWindows1252(request.bytes), bytes: request.bytes };
  },
  // A file is read here: its bytes come to the page by transfer, not copy.
  async read(request) {
    const bytes = new Uint8Array(await request.file.arrayBuffer());
    if (shownEnd(bytes, request.shownLimits) === bytes.length) return { text: decodeWindows1252(bytes) };
    return longText(bytes, request.shownLimits);
  },
  // The copy a download needs is made here too.
  async blob(request) {
    return { blob: new Blob([request.bytes], { type: 'application/octet-stream' }), bytes: request.bytes };
  },
};

self.onmessage = async (event) => {
  const request = event.data;
  try {
    const reply = await handlers[request.type](request);
    self.postMessage({ ...reply, id: request.id, ok: true }, reply.bytes ? [reply.bytes.buffer] : []);
  } catch (failure) {
    // An aborted module is left in an unknown state: the next command starts
    // a fresh one. Bytes that came in go back as they were.
    if (!(failure instanceof RangeError) && describe(failure) !== NO_MEMORY) engine = null;
    const back = request.bytes && request.bytes.buffer.byteLength > 0 && !(failure && failure.damaged) ? request.bytes : null;
    self.postMessage({ id: request.id, ok: false, message: plainFailure(failure), policy: Boolean(failure && failure.policy),
      bytes: back }, back ? [back.buffer] : []);
  }
};
