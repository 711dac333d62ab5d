// SPDX-License-Identifier: MIT
// The page's side of the cipher worker: one request, one promised reply. A
// worker that fails is replaced by a new one at the next request, so one
// failure never leaves the page without a cipher until a reload.
'use strict';

class WorkerClient {
  // `startWorker()` makes a new worker; `explain()` says why one failed
  // without a word, where the page knows.
  constructor(startWorker, explain = () => '') {
    this.startWorker = startWorker;
    this.explain = explain;
    this.worker = null;
    this.nextId = 1;
    this.waiting = new Map();
  }

  // Sends `request`, handing over the buffers in `transfer`; the reply is
  // { ok: true, ... } or { ok: false, message }, never a rejection.
  run(request, transfer = []) {
    return new Promise((resolve) => {
      let worker;
      try {
        worker = this.current();
      } catch (failure) {
        resolve({ ok: false, message: String(failure && failure.message ? failure.message : failure) });
        return;
      }
      const id = this.nextId++;
      this.waiting.set(id, resolve);
      worker.postMessage({ ...request, id }, transfer);
    });
  }

  current() {
    if (this.worker) return this.worker;
    const worker = this.startWorker();
    worker.onmessage = (event) => {
      const settle = this.waiting.get(event.data.id);
      this.waiting.delete(event.data.id);
      if (settle) settle(event.data);
    };
    // An error that escapes the worker's own handling leaves it in an
    // unknown state: whatever it held is answered as failed, and the next
    // request starts afresh.
    worker.onerror = (event) => {
      if (event.preventDefault) event.preventDefault();
      this.fail(event.message || this.explain() || 'The cipher stopped unexpectedly.');
    };
    this.worker = worker;
    return worker;
  }

  fail(message) {
    if (this.worker) this.worker.terminate();
    this.worker = null;
    const waiting = [...this.waiting.values()];
    this.waiting.clear();
    for (const settle of waiting) settle({ ok: false, message });
  }
}
