// sw.js - the page's service worker: keeps a copy of every file the page
// uses (those page-files.json lists), so that a second visit plays without a
// network. It asks the network first and keeps what comes back, so a
// rebuilt page is seen at once; only when the network fails does the copy
// answer. Registered by page.js once the page has loaded its files.
'use strict';

const kCache = 'quillfen-page';
const kFileList = 'page-files.json';

// The cache's key for a request: the same file whatever the query.
function keyOf(request) {
  const url = new URL(request.url);
  url.search = '';
  return url.href;
}

// The page has just fetched every one of these files, so they are taken from
// the browser's HTTP cache as they are: the first visit downloads each once.
// Whatever that cache no longer holds comes from the network.
async function keepPageFiles() {
  const cache = await caches.open(kCache);
  const listed = await (await fetch(kFileList, { cache: 'force-cache' })).json();
  // One file that will not come (a page without music) must not cost the rest.
  const names = ['./', kFileList, ...Object.keys(listed)];
  await Promise.all(names.map((name) => cache.add(new Request(name, { cache: 'force-cache' }))
    .catch(() => {})));
}

// The copy is stored while the page already reads the response.
async function fromNetworkElseCache(event) {
  const request = event.request;
  const cache = await caches.open(kCache);
  try {
    const response = await fetch(request);
    if (response.ok) event.waitUntil(cache.put(keyOf(request), response.clone()));
    return response;
  } catch (error) {
    const kept = await cache.match(keyOf(request), { ignoreVary: true });
    if (kept) return kept;
    throw error;
  }
}

self.addEventListener('install', (event) => {
  event.waitUntil(keepPageFiles().then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fromNetworkElseCache(event));
});
