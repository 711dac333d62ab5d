// SPDX-License-Identifier: MIT
// The cipher's worker: runs the engine off the page's thread, so that a long
// text never freezes the page. Preceded in its source by the two engine
// builds, createVelmorEngineSimd and createVelmorEnginePlain.
'use strict';

// (func (result v128) i32.const 0 i8x16.splat i8x16.popcnt): valid only
// where the browser runs WebAssembly SIMD.
const SIMD_PROBE = new Uint8Array([
  0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11,
]);
const CIPHERED = 0;

let engine = null;
let engineKind = '';

function loadEngine(wanted) {
  const simd = wanted !== 'plain' && WebAssembly.validate(SIMD_PROBE);
  const factory = simd ? createVelmorEngineSimd : createVelmorEnginePlain;
  engineKind = simd ? 'simd' : 'plain';
  engine = factory();
  return engine;
}

// The text goes in as UTF-16 code units, as the boxes hold it; the engine
// changes only the wheel alphabet's characters and leaves every other unit,
// lone surrogates included, as it was.
function cipher(module, request) {
  const { text, password } = request;
  const textBytes = Math.max(2, text.length * 2);
  const keyBytes = Math.max(2, password.length * 2);
  const textAt = module._malloc(textBytes);
  const keyAt = module._malloc(keyBytes);
  try {
    if (!textAt || !keyAt) throw new Error('There is not enough memory for a text of this size.');
    // Views are taken after both allocations: growing the memory replaces them.
    let units = new Uint16Array(module.HEAPU16.buffer, textAt, text.length);
    for (let i = 0; i < text.length; ++i) units[i] = text.charCodeAt(i);
    const key = new Uint16Array(module.HEAPU16.buffer, keyAt, password.length);
    for (let i = 0; i < password.length; ++i) key[i] = password.charCodeAt(i);
    const status = module._velmor_cipher(textAt, text.length, keyAt, password.length, request.wheelCount,
                                         request.passes, request.direction === 'decrypt' ? 1 : 0);
    if (status !== CIPHERED) throw new Error('The engine refused this wheel count or pass count.');
    units = new Uint16Array(module.HEAPU16.buffer, textAt, text.length);
    const parts = [];
    for (let i = 0; i < units.length; i += 8192) parts.push(String.fromCharCode.apply(null, units.subarray(i, i + 8192)));
    return parts.join('');
  } finally {
    if (textAt) module._free(textAt);
    if (keyAt) module._free(keyAt);
  }
}

self.onmessage = async (event) => {
  const request = event.data;
  try {
    const module = await (engine || loadEngine(request.engine));
    const text = cipher(module, request);
    self.postMessage({ id: request.id, ok: true, text, engine: engineKind });
  } catch (failure) {
    // An aborted module is left in an unknown state: the next command starts
    // a fresh one.
    engine = null;
    self.postMessage({ id: request.id, ok: false, message: String(failure && failure.message ? failure.message : failure) });
  }
};
