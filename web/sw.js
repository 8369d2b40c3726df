// Strumwell's service worker.
//
// Offline: the site's files are served from the cache first. Installing it
// caches the app shell; everything else of the site (the samples) is cached
// the first time the page fetches it. After a visit served from the cache,
// the shell is fetched again in the background, so a new build shows on the
// next visit; a changed samples/index.json drops the cached samples.
//
// Isolation: the program's threads need SharedArrayBuffer, which browsers
// give only to cross-origin isolated pages. Every response served from here
// carries the two headers that ask for it, so a static host that does not
// send them still works, after the one reload the page makes once this
// worker controls it.
'use strict';

const CACHE = 'strumwell-1';
const SHELL = [
  './',
  'index.html',
  'strumwell-app.js',
  'strumwell-app.wasm',
  'strumwell-app.worker.js',
  'strumwell-app.data',
  'audio-worklet.js',
  'files.js',
  'manifest.webmanifest',
  'icon.svg',
  'icon-192.png',
  'icon-512.png',
  'samples/index.json',
];
const REFRESH_EVERY_MS = 60 * 1000;
let lastRefresh = 0;

function isolated(response) {
  // Opaque responses cannot be rewritten, and these statuses have no body.
  if (response.status === 0 || [101, 204, 205, 304].includes(response.status)) return response;
  const headers = new Headers(response.headers);
  headers.set('Cross-Origin-Opener-Policy', 'same-origin');
  headers.set('Cross-Origin-Embedder-Policy', 'require-corp');
  headers.set('Cross-Origin-Resource-Policy', 'same-origin');
  return new Response(response.body, {
    status: response.status,
    statusText: response.statusText,
    headers,
  });
}

function cacheable(response) {
  return response.ok && response.status === 200 && response.type === 'basic';
}

// Fetches the shell; a file missing from this build (404) is left out, but
// any network failure leaves the cache as it was.
async function fetchShell(mode) {
  const responses = await Promise.all(SHELL.map((path) => fetch(path, { cache: mode })));
  return SHELL.map((path, i) => [path, responses[i]]).filter(([, response]) => cacheable(response));
}

async function precache() {
  const cache = await caches.open(CACHE);
  try {
    for (const [path, response] of await fetchShell('default')) await cache.put(path, response);
  } catch (error) {
    console.warn('strumwell: the offline copy is incomplete: ' + error);
  }
}

async function refresh() {
  const now = Date.now();
  if (now - lastRefresh < REFRESH_EVERY_MS) return;
  lastRefresh = now;
  let fresh;
  try {
    fresh = await fetchShell('no-cache');
  } catch (error) {
    return; // offline: keep what is cached
  }
  const cache = await caches.open(CACHE);
  const oldIndex = await cache.match('samples/index.json');
  const oldText = oldIndex ? await oldIndex.text() : null;
  for (const [path, response] of fresh) {
    if (path === 'samples/index.json' && oldText !== null) {
      const newText = await response.clone().text();
      if (newText !== oldText) {
        for (const request of await cache.keys()) {
          if (new URL(request.url).pathname.endsWith('.ogg')) await cache.delete(request);
        }
      }
    }
    await cache.put(path, response);
  }
}

async function serve(event) {
  const request = event.request;
  const navigation = request.mode === 'navigate';
  const cache = await caches.open(CACHE);
  let cached = await cache.match(request, { ignoreSearch: navigation });
  if (!cached && navigation) cached = await cache.match('./');
  if (cached) {
    if (navigation) event.waitUntil(refresh());
    return isolated(cached);
  }
  const response = await fetch(request);
  if (cacheable(response) && !request.headers.has('range')) {
    event.waitUntil(cache.put(request, response.clone()));
  }
  return isolated(response);
}

self.addEventListener('install', (event) => {
  event.waitUntil(precache().then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith('strumwell-') && name !== CACHE) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  if (new URL(request.url).origin !== self.location.origin) return;
  // A devtools quirk: such requests fail when answered by a worker.
  if (request.cache === 'only-if-cached' && request.mode !== 'same-origin') return;
  event.respondWith(serve(event));
});
