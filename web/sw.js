// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The page's service worker: keeps every file of the package in the browser once the game
// has started, so that later visits start from them, with or without the network.
//
// Each version of the package has a cache of its own, named by a key made of the files'
// contents, and a page is served from one cache only: a new version is fetched whole and
// checked file by file while the old one goes on serving, and takes over at the next visit
// (a reload of the only open page included). The save files are not here: they live in the
// page's IndexedDB storage, which this worker never touches.
"use strict";

// Filled in when the package is made (scripts/web-pack.js): the version key, and each file
// of the package with its size and SHA-256, as paths under the worker's folder.
const kPackage = { version: "unpacked", files: [] };

const kCachePrefix = "vusk-sandwich ";
const kCacheName = kCachePrefix + self.registration.scope + " " + kPackage.version;
const kFiles = new Map(kPackage.files.map((f) => [new URL(f.path, self.registration.scope).href, f]));
const kIndex = new URL("index.html", self.registration.scope).href;

// The types the files are stored with, whatever the server said: the page compiles the
// .wasm while it arrives only when it is application/wasm.
const kTypes = {
  html: "text/html; charset=utf-8", js: "text/javascript; charset=utf-8", wasm: "application/wasm",
  webmanifest: "application/manifest+json", json: "application/json", txt: "text/plain; charset=utf-8",
  png: "image/png", css: "text/css; charset=utf-8", svg: "image/svg+xml",
};

function hex(buffer) {
  return Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, "0")).join("");
}

// One file, as the package lists it: from the browser's HTTP cache when it holds these very
// bytes (the first visit has just downloaded them), else from the server. A file whose
// bytes are not the listed ones (a server halfway through an update, or an older copy) is
// refused, so a version's cache never mixes in another version's files.
async function fetchChecked(url, file) {
  for (const mode of ["default", "reload"]) {
    const response = await fetch(url, { cache: mode, credentials: "same-origin" });
    if (!response.ok) throw new Error(`${file.path}: ${response.status} ${response.statusText}`);
    const bytes = await response.arrayBuffer();
    if (bytes.byteLength === file.size && hex(await crypto.subtle.digest("SHA-256", bytes)) === file.sha256) {
      const ext = file.path.replace(/^.*\./, "");
      return new Response(bytes, {
        headers: { "Content-Type": kTypes[ext] || "application/octet-stream", "Content-Length": String(bytes.byteLength) },
      });
    }
  }
  throw new Error(`${file.path}: the server sends other bytes than this version's`);
}

self.addEventListener("install", (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(kCacheName);
    try {
      await Promise.all(Array.from(kFiles, async ([url, file]) => {
        if (await cache.match(url)) return;  // an earlier try of this version got it
        await cache.put(url, await fetchChecked(url, file));
      }));
    } catch (error) {
      // Nothing of a version is served until all of it is here; the next visit tries again.
      await caches.delete(kCacheName);
      throw error;
    }
  })());
});

self.addEventListener("activate", (event) => {
  event.waitUntil((async () => {
    // The versions before this one, in this worker's folder only: another copy of the game
    // elsewhere on the same site keeps its own.
    const mine = kCachePrefix + self.registration.scope + " ";
    for (const name of await caches.keys()) {
      if (name.startsWith(mine) && name !== kCacheName) await caches.delete(name);
    }
  })());
});

// A page that asks for the waiting version (its "Reload now") gets it at once.
self.addEventListener("message", (event) => {
  if (event.data === "take-over") self.skipWaiting();
});

// The waiting version asked once to take over: if it still waits at the next navigation,
// the page is served as it is rather than asked for again and again.
let askedToTakeOver = null;

async function respond(event, url) {
  const request = event.request;
  const waiting = self.registration.waiting;
  if (request.mode === "navigate" && waiting && waiting !== askedToTakeOver) {
    // A newer version is ready and no other page of the game is open: it takes over, and
    // the page is asked for again, from the new version's cache.
    const open = await self.clients.matchAll({ type: "window" });
    if (open.length <= 1) {
      askedToTakeOver = waiting;
      waiting.postMessage("take-over");
      return new Response("", { headers: { Refresh: "0", "Content-Type": "text/html" } });
    }
  }
  const cache = await caches.open(kCacheName);
  const cached = await cache.match(url);
  // A cache the browser has cleared: the network, as without a worker.
  return cached || fetch(request);
}

self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET") return;
  const url = new URL(request.url);
  url.hash = "";
  // The page is the same page whatever its query, and the worker's folder itself is it too.
  if (request.mode === "navigate") url.search = "";
  const scoped = url.href === self.registration.scope ? kIndex : url.href;
  if (!kFiles.has(scoped)) return;
  event.respondWith(respond(event, scoped));
});
