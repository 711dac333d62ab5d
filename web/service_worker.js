// SPDX-License-Identifier: MIT
// Keeps the page, its manifest and icons, so that the page installed as an
// app opens with no network. The network comes first, so that a new page is
// seen as soon as there is one; the kept copy answers when it fails.
'use strict';

// Named with the scope: copies installed from two folders of one host each
// keep, and replace, only their own.
const SCOPE = self.registration.scope;
const CACHE = `velmor-@VERSION@ ${SCOPE}`;
const FILES = ['./', 'index.html', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

// A copy of an answer that took a redirect on the host (as from / to
// /index.html), which a browser would refuse as the answer to a navigation.
const unredirected = (body, { status, statusText, headers }) => new Response(body, { status, statusText, headers });

// Fetched past the browser's HTTP cache: a host that dates its files but
// says nothing of caching would have the new worker keep the old page.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => Promise.all(FILES.map(async (file) => {
      const response = await fetch(file, { cache: 'reload' });
      if (!response.ok) throw new Error(`${file}: status ${response.status}`);
      await cache.put(file, unredirected(await response.arrayBuffer(), response));
    })))
    .then(() => self.skipWaiting()));
});

// A new page replaces the copies of the old one, and takes over open tabs.
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('velmor-') && name.endsWith(` ${SCOPE}`) && name !== CACHE)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The host's answer, unless it is not the page (an error, a captive
// portal's page, here or elsewhere) or it is slow to come whole: then the
// kept copy, where there is one, rather than an error page or a blank window.
const PATIENCE_MS = 3000;
// Every version of the page has it, however a host rewrites its HTML; a
// portal's page has not.
const PAGE_MARK = /<meta\b(?=[^>]*\bname=["']?application-name\b)(?=[^>]*\bcontent=["']?The Velmor Machine\b)/i;

// The host's whole answer, and whether it is the file asked for: a redirect
// within the host is followed, as to /index.html. Asked past the browser's
// HTTP cache, which on a host that dates its files but says nothing of
// caching would answer with an old page for hours.
async function fromHost(request) {
  const response = await fetch(request.url, { cache: 'no-cache', credentials: request.credentials });
  if (!response.ok || new URL(response.url).origin !== self.location.origin) return { response, usable: false };
  const body = await response.arrayBuffer();
  const usable = request.mode !== 'navigate' || PAGE_MARK.test(new TextDecoder().decode(body));
  return { response: unredirected(body, response), usable };
}

async function answer(request) {
  const host = fromHost(request);
  const first = await Promise.race([host.catch(() => null), new Promise((late) => { setTimeout(late, PATIENCE_MS, null); })]);
  if (first && first.usable) return first.response;
  const kept = await caches.open(CACHE).then((cache) => cache.match(request, { ignoreSearch: true }));
  // Without a kept copy the host's answer stands; a navigation it sent
  // elsewhere goes there, as it would have without this worker.
  return kept || host.then(({ response }) => (response.redirected && request.mode === 'navigate'
    ? Response.redirect(response.url) : response));
}

self.addEventListener('fetch', (event) => {
  const { request } = event;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(answer(request));
});
