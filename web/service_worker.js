// SPDX-License-Identifier: MIT
// Keeps the page, its manifest and icons, so that the page installed as an
// app opens with no network. The network comes first, so that a new page is
// seen as soon as there is one; the kept copy answers when there is none.
'use strict';

const CACHE = 'velmor-@VERSION@';
const FILES = ['./', 'index.html', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

// Fetched past the browser's HTTP cache: a host that dates its files but
// says nothing of caching would have the new worker keep the old page.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' }))))
    .then(() => self.skipWaiting()));
});

// A new page replaces the copies of the old one, and takes over open tabs.
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('velmor-') && name !== CACHE)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const { request } = event;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetch(request).catch(() => caches.open(CACHE)
    .then((cache) => cache.match(request, { ignoreSearch: true }))
    .then((kept) => kept || Response.error())));
});
