// SPDX-License-Identifier: MIT
// A text box that gives back exactly what was put in. A textarea turns CR LF
// and a lone CR into LF, so it cannot hold a text exactly: ExactBox keeps the
// exact text itself and maps each edit of the textarea back onto it.
'use strict';

// A box shows at most this many characters and line breaks: a browser lays
// out a textarea's every line and character at once, and on a slow phone
// 200,000 characters, or 2,000 empty lines, hold the page for a fifth of a
// second. A longer text is kept whole as Windows-1252 bytes; the box shows its
// start, read-only, and says so.
const SHOWN_LIMITS = Object.freeze({ characters: 50000, lineBreaks: 1000 });

// What a textarea shows of `text`.
const shownOf = (text) => text.replace(/\r\n?/g, '\n');

// Indices in `text` of the shown indices `shownAt`: a CR LF pair is one shown
// character.
function modelIndices(text, ...shownAt) {
  const wanted = shownAt.map((at, i) => [at, i]).sort((a, b) => a[0] - b[0]);
  const found = new Array(shownAt.length);
  let shown = 0;
  let model = 0;
  for (const [at, i] of wanted) {
    while (shown < at && model < text.length) {
      model += text[model] === '\r' && text[model + 1] === '\n' ? 2 : 1;
      ++shown;
    }
    found[i] = model;
  }
  return found;
}

// The exact text after the textarea went from `before` to `now`. A line
// break the user types is CR LF; `incoming` is the exact text of a paste or
// drop, kept as it came when it is what was inserted. Where the change could
// sit in more than one place (a line break typed beside another), the caret,
// at `caretEnd` afterwards, says where it ends, and `startLimit`, where the
// selection began before it, how early it starts.
function applyEdit(text, before, now, caretEnd, incoming, startLimit = Infinity) {
  const shorter = Math.min(now.length, before.length);
  let suffix = 0;
  while (suffix < shorter && now[now.length - 1 - suffix] === before[before.length - 1 - suffix]) ++suffix;
  suffix = Math.min(suffix, now.length - caretEnd);
  let prefix = 0;
  const prefixLimit = Math.min(shorter - suffix, startLimit);
  while (prefix < prefixLimit && now[prefix] === before[prefix]) ++prefix;
  const inserted = now.slice(prefix, now.length - suffix);
  const [from, to] = modelIndices(text, prefix, before.length - suffix);
  const exact = incoming !== null && shownOf(incoming) === inserted ? incoming : inserted.replace(/\n/g, '\r\n');
  return text.slice(0, from) + exact + text.slice(to);
}

// The exact texts of the states the textarea's own undo can go back to. The
// browser merges edits into undo steps as it likes, so an undo or redo is
// matched by what the box shows, looked for from the current state on. The
// oldest states go once those kept hold more than `budget` characters.
class EditHistory {
  constructor(budget = 4000000) {
    this.budget = budget;
    this.reset('');
  }

  reset(text) {
    this.states = [{ shown: shownOf(text), text }];
    this.at = 0;
    this.held = text.length;
  }

  record(shown, text) {
    for (const dropped of this.states.splice(this.at + 1)) this.held -= dropped.text.length;
    this.states.push({ shown, text });
    this.held += text.length;
    while (this.held > this.budget && this.states.length > 1) this.held -= this.states.shift().text.length;
    this.at = this.states.length - 1;
  }

  // The exact text of the state the box now shows, or null where it is no
  // longer kept.
  travel(shown, step) {
    for (let i = this.at + step; i >= 0 && i < this.states.length; i += step) {
      if (this.states[i].shown === shown) {
        this.at = i;
        return this.states[i].text;
      }
    }
    return null;
  }
}

class ExactBox {
  // `onLongText(text)` takes a paste or drop that makes the text longer than
  // a box shows: it goes the way of an opened file. `onCopyAll()` copies the
  // whole of a long text as the copy commands do, and says whether it could.
  constructor(area, note, onLongText, onCopyAll) {
    this.area = area;
    this.note = note;
    this.onLongText = onLongText;
    this.onCopyAll = onCopyAll;
    this.history = new EditHistory();
    this.bytes = null;  // the whole text, when it is longer than shown
    this.text = '';
    this.shown = '';
    this.incoming = null;
    this.dragging = false;
    // Where the selection began before the edit under way; unknown for an
    // edit that comes without a beforeinput event (execCommand).
    this.selectionBefore = Infinity;
    area.addEventListener('beforeinput', () => { this.selectionBefore = area.selectionStart; });
    area.addEventListener('input', (event) => this.edited(event));
    area.addEventListener('paste', (event) => this.receive(event, event.clipboardData.getData('text/plain')));
    area.addEventListener('drop', (event) => this.receive(event, event.dataTransfer.getData('text/plain')));
    // A long text cannot be edited in the box: a key that would edit it is
    // answered, not ignored.
    area.addEventListener('keydown', (event) => {
      const typing = event.key.length === 1 && !event.ctrlKey && !event.metaKey && !event.altKey;
      if (this.large && (typing || ['Enter', 'Delete', 'Backspace'].includes(event.key))) this.refuseEdit();
    });
    // A text dragged onto a long one is not taken: a read-only box gets no drop to answer.
    area.addEventListener('dragenter', (event) => {
      if (this.large && event.dataTransfer.types.includes('text/plain')) this.refuseEdit();
    });
    area.addEventListener('copy', (event) => this.copySelection(event, false));
    area.addEventListener('cut', (event) => this.copySelection(event, true));
    // A dragged selection carries the exact text too, as a copy does.
    area.addEventListener('dragstart', (event) => {
      this.dragging = true;
      event.dataTransfer.setData('text/plain', this.selectedText());
    });
    area.addEventListener('dragend', () => { this.dragging = false; });
  }

  get large() { return this.bytes !== null; }
  get length() { return this.large ? this.bytes.length : this.text.length; }

  // A text short enough to show whole, and edit.
  setText(text) {
    this.bytes = null;
    this.text = text;
    this.show(text, false);
    this.history.reset(text);
  }

  // A long text as Windows-1252 bytes, with the characters of its start.
  setBytes(bytes, start) {
    this.bytes = bytes;
    this.text = start;
    this.show(start, true);
  }

  // The bytes of a long text back from the worker, which had them for a while.
  keep(bytes) {
    this.bytes = bytes;
  }

  show(text, large) {
    this.area.value = text;
    this.area.readOnly = large;
    this.shown = this.area.value;
    this.note.hidden = !large;
    this.note.textContent = large ? this.largeNote() : '';
  }

  largeNote() {
    return `Showing the first ${grouped(this.text.length)} of ${grouped(this.length)} characters. ` +
      'The whole text is kept: it is what the commands encrypt, decrypt, save and copy.';
  }

  refuseEdit() {
    this.note.textContent = `${this.largeNote()} A text this long cannot be edited here: to replace it, choose New, ` +
      'then type, paste or open another text.';
  }

  // The whole text as a string; a long one is decoded here, at a cost.
  wholeText() {
    return this.large ? decodeWindows1252(this.bytes) : this.text;
  }

  receive(event, incoming) {
    if (event.defaultPrevented || !incoming) return;
    if (this.large) this.refuseEdit();
    if (this.area.readOnly) return;
    const [from, to] = event.type === 'drop' ? this.dropPoint(event)
      : modelIndices(this.text, this.area.selectionStart, this.area.selectionEnd);
    const result = this.text.slice(0, from) + incoming + this.text.slice(to);
    // Text moved within the box leaves as much as it brings.
    if (!this.dragging && shownEnd(result, SHOWN_LIMITS) < result.length) {
      event.preventDefault();
      this.onLongText(result);
      return;
    }
    this.incoming = incoming;
  }

  // A drop inserts where it lands, whatever is selected; where the browser
  // cannot say where that is, at the end.
  dropPoint(event) {
    const caret = document.caretPositionFromPoint && document.caretPositionFromPoint(event.clientX, event.clientY);
    const [at] = caret && caret.offsetNode === this.area ? modelIndices(this.text, caret.offset) : [this.text.length];
    return [at, at];
  }

  edited(event) {
    const now = this.area.value;
    const travel = { historyUndo: -1, historyRedo: 1 }[event.inputType];
    const restored = travel ? this.history.travel(now, travel) : null;
    if (restored !== null) {
      this.text = restored;
    } else if (travel) {
      // The browser's undo outlives a text set by a command, and would mix
      // the new text with steps taken on the one before. A state the box
      // never held, or no longer keeps, is not taken: the box stays as it was.
      this.area.value = this.shown;
    } else {
      const pasted = /^insertFrom(Paste|Drop)$/.test(event.inputType) ? this.incoming : null;
      // Typing, pasting and deleting start no later than the selection did.
      const atSelection = /^(insert(Text|LineBreak|FromPaste)|delete)/.test(event.inputType);
      this.text = applyEdit(this.text, this.shown, now, this.area.selectionEnd, pasted,
        atSelection ? this.selectionBefore : Infinity);
      this.history.record(now, this.text);
    }
    // Text moved within the box is taken from where it was before it is
    // dropped: what was dropped is still to come.
    if (event.inputType !== 'deleteByDrag') this.incoming = null;
    this.shown = this.area.value;
  }

  selectedText() {
    const { selectionStart: start, selectionEnd: end } = this.area;
    if (this.large && start === 0 && end === this.shown.length) return this.wholeText();
    const [from, to] = modelIndices(this.text, start, end);
    return this.text.slice(from, to);
  }

  copySelection(event, cut) {
    // Nothing selected copies nothing, and leaves the clipboard as it was.
    if (this.area.selectionStart === this.area.selectionEnd) return;
    event.preventDefault();
    // Decoding a long text here would hold the page for seconds on a phone.
    const whole = this.large && this.area.selectionStart === 0 && this.area.selectionEnd === this.shown.length;
    if (!whole || !this.onCopyAll()) event.clipboardData.setData('text/plain', this.selectedText());
    if (cut && this.large) this.refuseEdit();
    if (cut && !this.area.readOnly) {
      this.selectionBefore = this.area.selectionStart;
      document.execCommand('delete');
    }
  }
}
