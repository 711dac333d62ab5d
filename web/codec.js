// SPDX-License-Identifier: MIT
// Windows-1252 both ways, from the table the window and the command-line tool
// use (CODEC_HIGH_RANGE, written in at build), and the words that describe a
// character it cannot hold. Shared by the page and its worker.
'use strict';

// Every byte stands for one character; the five bytes the code page leaves
// unassigned stand for the control character of the same code.
const WINDOWS_1252 = Uint16Array.from({ length: 256 },
  (_, byte) => (byte >= 0x80 && byte <= 0x9f ? CODEC_HIGH_RANGE[byte - 0x80] : byte));
// Indexed by UTF-16 unit: the byte, or -1 where Windows-1252 has none.
const BYTE_OF_UNIT = (() => {
  const bytes = new Int16Array(0x10000).fill(-1);
  for (let byte = 0; byte < 256; ++byte) bytes[WINDOWS_1252[byte]] = byte;
  return bytes;
})();

// The characters of bytes[0..limit).
function decodeWindows1252(bytes, limit = bytes.length) {
  const end = Math.min(limit, bytes.length);
  const parts = [];
  const units = new Uint16Array(Math.min(end, 16384));
  for (let at = 0; at < end; at += units.length) {
    const size = Math.min(units.length, end - at);
    for (let i = 0; i < size; ++i) units[i] = WINDOWS_1252[bytes[at + i]];
    parts.push(String.fromCharCode.apply(null, size === units.length ? units : units.subarray(0, size)));
  }
  return parts.join('');
}

// A control character other than a tab or a line break costs a box's layout
// as much as this many letters: the browser draws each as a picture of its code.
const CONTROL_WEIGHT = 8;
const isControl = (code) => (code < 32 && code !== 9 && code !== 10 && code !== 13) || (code >= 0x7f && code <= 0x9f);

// Where the part of a text (a string or Windows-1252 bytes) that a box shows
// ends: at most `limits.characters` characters, a control counting as
// CONTROL_WEIGHT, and `limits.lineBreaks` line breaks, as the browser's
// layout of a box takes time with each of both.
function shownEnd(text, limits) {
  const codeAt = typeof text === 'string' ? (i) => text.charCodeAt(i) : (i) => WINDOWS_1252[text[i]];
  let [breaks, weight] = [0, 0];
  for (let i = 0; i < text.length; ++i) {
    const code = codeAt(i);
    weight += isControl(code) ? CONTROL_WEIGHT : 1;
    if (weight > limits.characters) return i;
    // CR LF is one break, as a lone CR and a lone LF each are.
    if (code === 10 ? codeAt(i - 1) !== 13 : code === 13) {
      if (breaks === limits.lineBreaks) return i;
      ++breaks;
    }
  }
  return text.length;
}

// The bytes of `text`, or the index of its first character without a byte.
function encodeWindows1252(text) {
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) {
    const byte = BYTE_OF_UNIT[text.charCodeAt(i)];
    if (byte < 0) return { bytes: null, unencodableAt: i };
    bytes[i] = byte;
  }
  return { bytes, unencodableAt: -1 };
}

// Lines as the window counts them: CR LF, a lone CR and a lone LF each end one.
function lineNumberAt(text, index) {
  let line = 1;
  for (let i = 0; i < index; ++i) {
    const c = text.charCodeAt(i);
    if (c === 10 || (c === 13 && text.charCodeAt(i + 1) !== 10)) ++line;
  }
  return line;
}

// '"Ā" (U+0100)', or only the code where the character cannot be seen.
function describeCharacterAt(text, index) {
  const codePoint = text.codePointAt(index);
  const character = String.fromCodePoint(codePoint);
  const code = `U+${codePoint.toString(16).toUpperCase().padStart(4, '0')}`;
  const lone = codePoint >= 0xd800 && codePoint <= 0xdfff;
  const printable = !lone && !/[\p{C}\p{Z}\s]/u.test(character);
  return printable ? `"${character}" (${code})` : code;
}

// A number as English writes it, digits in threes: "20,971,520", "64.00".
// Written out here because the browser's own formatter takes a fifth of a
// second to start on a slow phone, and would start as the first long text shows.
function grouped(number, digits = 0) {
  const [whole, fraction] = number.toFixed(digits).split('.');
  return whole.replace(/\B(?=(\d{3})+$)/g, ',') + (fraction ? `.${fraction}` : '');
}

// A shared text with its %1, %2 ... filled in.
const fillWords = (words, ...values) => words.replace(/%([1-9])/g, (_, n) => String(values[n - 1]));

function unencodableMessage(text, index) {
  return fillWords(WORDS.kCannotSave, describeCharacterAt(text, index), lineNumberAt(text, index));
}
