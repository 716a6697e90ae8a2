#!/usr/bin/env node
// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// How long a player waits for the start screen of the web package on a phone's connection,
// in headless Chromium with the throttling of Lighthouse's mobile preset really applied
// (its "devtools" throttling: 1.6 Mbit/s down less 10 %, 150 ms round trips as 562.5 ms a
// request, the processor 4 times slower, a 412 x 823 screen at 1.75).
//
//   cd bench && npm ci && node web_load.js [RUNS] [--dist DIR] [--modes br,gzip,plain] [--cpu N]
//
// The package is served by scripts/serve-web.js on 127.0.0.1, in each mode asked for:
//   br     a host that serves the precompressed twins (.br to Chromium);
//   gzip   a host that compresses on the fly (gzip level 6, nginx's default);
//   plain  no compression at all, as `python3 -m http.server`.
// Each run has a fresh profile. In every mode: the first visit, from navigation to the start
// screen drawn (the page's canvas showing what it then stays on), and the bytes the server
// had sent by then. In the first mode, with the same profile: all that the first visit
// sent once the service worker holds every file (the rest of the game, fetched after the
// start screen, and the worker's own fetches), a repeat visit (from the worker), a repeat
// visit that bypasses the worker (the browser's HTTP cache alone, as before there was a
// worker) and a visit with the server stopped. --cpu N slows the processor N times instead of 4 (1: not at all), to tell
// what the processor costs from what the connection does. Prints each run and the medians.
// Not run in CI.
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const puppeteer = require("puppeteer-core");
const { serve } = require("../scripts/serve-web.js");

const kRoot = path.join(__dirname, "..");
const kChromium = process.env.CHROMIUM || "/usr/bin/chromium";

// Lighthouse's mobile preset ("Slow 4G" on a mid-range phone), as its devtools throttling
// sets it: the round trip times 3.75 as each request's latency, the throughput times 0.9.
const kNetwork = {
  offline: false,
  latency: 150 * 3.75,
  downloadThroughput: Math.floor((1.6 * 1024 * 0.9 * 1024) / 8),
  uploadThroughput: Math.floor((750 * 0.9 * 1024) / 8),
};
let cpuSlowdown = 4;
const kScreen = { width: 412, height: 823, deviceScaleFactor: 1.75, mobile: true };

// No sandbox as root, no connections out, WebGL on SwiftShader since there is no GPU.
const kFlags = [
  "--no-sandbox", "--disable-quic", "--no-first-run", "--disable-background-networking",
  "--disable-component-update", "--disable-sync", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
];

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function newestPackage() {
  const dist = path.join(kRoot, "dist");
  const found = fs.existsSync(dist)
    ? fs.readdirSync(dist).filter((n) => /^vusk-sandwich-.*-web$/.test(n)).map((n) => path.join(dist, n))
    : [];
  found.sort((a, b) => fs.statSync(a).mtimeMs - fs.statSync(b).mtimeMs);
  return found.pop();
}

// Navigates and waits for the start screen: the time from navigation to the first look of
// the page that shows what it then stays on for 3 s, once the game's canvas is showing.
async function visit(page, url, sent = () => 0) {
  const started = Date.now();
  const navigation = page.goto(url, { waitUntil: "load", timeout: 0 }).catch(() => {});
  let clip = null;
  let last = null;
  let lastAt = 0;
  let bytes = 0;
  while (Date.now() - started < 180000) {
    if (!clip) {
      await sleep(50);
      try {
        // The canvas within its edges, where the focus ring is not, once the game shows it.
        clip = await page.evaluate(() => {
          if (typeof running === "undefined" || !running) return null;
          const r = document.getElementById("screen").getBoundingClientRect();
          return { x: r.x + 4, y: r.y + 4, width: r.width - 8, height: r.height - 8 };
        });
      } catch {
        // the page is being replaced
      }
      continue;
    }
    // Of the page's viewport as it is: a capture beyond it would resize the page for a moment,
    // and the game would draw anew at another size.
    const look = Buffer.from(await page.screenshot({ type: "png", clip, optimizeForSpeed: true,
                                                     captureBeyondViewport: false }));
    const now = Date.now() - started;
    if (!last || !look.equals(last)) {
      last = look;
      lastAt = now;
      bytes = sent();
    } else if (now - lastAt >= 3000) {
      await navigation;
      return { ms: lastAt, look, bytes };
    }
  }
  throw new Error(`${url}: no start screen after 180 s`);
}

// Waits until the service worker has every file of this version in its cache.
async function workerReady(page) {
  await page.evaluate(async () => {
    await navigator.serviceWorker.ready;
  });
}

async function runOnce(folder, mode, run, full, out) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "vusk-web-load-"));
  const server = await serve(folder, { port: 0, plain: mode === "plain", twins: mode === "br" });
  const browser = await puppeteer.launch({
    executablePath: kChromium, headless: true, userDataDir: profile, args: kFlags,
  });
  const result = { mode, run };
  try {
    const page = await browser.newPage();
    // The game needed the rest of its program before it had arrived: it waited for it.
    result.early = 0;
    page.on("console", (m) => { if (/needed before it arrived/.test(m.text())) result.early++; });
    const cdp = await page.createCDPSession();
    await cdp.send("Network.enable");
    await cdp.send("Network.emulateNetworkConditions", kNetwork);
    await cdp.send("Emulation.setCPUThrottlingRate", { rate: cpuSlowdown });
    await page.setViewport({ ...kScreen, hasTouch: true, isMobile: true });

    const sent = () => server.stats.bytes;
    let before = sent();
    const first = await visit(page, server.url, sent);
    result.first = { ms: first.ms, bytes: first.bytes - before };
    fs.writeFileSync(path.join(out, `first-${mode}-${run}.png`), first.look);
    if (!full) return result;

    await workerReady(page);
    await sleep(1000);
    // Everything the first visit took: the start, the rest of the game, the worker's.
    result.worker = { bytes: sent() - before };

    before = sent();
    const repeat = await visit(page, server.url);
    result.repeat = { ms: repeat.ms, bytes: sent() - before };

    await cdp.send("Network.setBypassServiceWorker", { bypass: true });
    before = sent();
    const http = await visit(page, server.url);
    result.httpCache = { ms: http.ms, bytes: sent() - before };
    await cdp.send("Network.setBypassServiceWorker", { bypass: false });

    await server.close();
    const offline = await visit(page, server.url);
    result.offline = { ms: offline.ms, bytes: 0 };
    fs.writeFileSync(path.join(out, `offline-${run}.png`), offline.look);
    return result;
  } finally {
    await browser.close();
    await server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

const s = (ms) => (ms / 1000).toFixed(2) + " s";
const mb = (bytes) => (bytes / 1e6).toFixed(2) + " MB";
const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};

async function main() {
  const args = process.argv.slice(2);
  let runs = 3;
  let folder = null;
  let modes = ["br", "gzip", "plain"];
  for (let i = 0; i < args.length; i++) {
    if (args[i] === "--dist") folder = args[++i];
    else if (args[i] === "--modes") modes = args[++i].split(",");
    else if (args[i] === "--cpu") cpuSlowdown = Number(args[++i]);
    else if (/^\d+$/.test(args[i])) runs = Number(args[i]);
    else {
      console.error("usage: web_load.js [RUNS] [--dist DIR] [--modes br,gzip,plain] [--cpu N]");
      process.exit(2);
    }
  }
  folder = folder || newestPackage();
  if (!folder || !fs.existsSync(path.join(folder, "index.html"))) {
    console.error("No web package: run ./package web first, or name its folder with --dist.");
    process.exit(1);
  }
  const out = path.join(kRoot, "build-web-host", "web-load");
  fs.mkdirSync(out, { recursive: true });
  console.log(`${folder}, ${runs} runs a mode, the processor ${cpuSlowdown} times slower; screenshots in ${out}`);
  const results = [];
  for (const [index, mode] of modes.entries()) {
    for (let run = 1; run <= runs; run++) {
      const r = await runOnce(folder, mode, run, index === 0, out);
      results.push(r);
      let line = `${mode} run ${run}: first visit ${s(r.first.ms)}, ${mb(r.first.bytes)} sent` +
        (r.early ? ` (the rest of the program needed early ${r.early} times)` : "");
      if (r.repeat) {
        line += `; ${mb(r.worker.bytes)} in all once the worker held the game; repeat ${s(r.repeat.ms)} (${mb(r.repeat.bytes)})` +
          `, HTTP cache only ${s(r.httpCache.ms)} (${mb(r.httpCache.bytes)}), server stopped ${s(r.offline.ms)}`;
      }
      console.log(line);
    }
  }
  for (const mode of modes) {
    const mine = results.filter((r) => r.mode === mode);
    let line = `median, ${mode}: first visit ${s(median(mine.map((r) => r.first.ms)))}` +
      ` (${s(Math.min(...mine.map((r) => r.first.ms)))} to ${s(Math.max(...mine.map((r) => r.first.ms)))})` +
      `, ${mb(median(mine.map((r) => r.first.bytes)))}`;
    if (mine[0].repeat) {
      line += `; repeat ${s(median(mine.map((r) => r.repeat.ms)))}, HTTP cache only ${s(median(mine.map((r) => r.httpCache.ms)))}` +
        `, server stopped ${s(median(mine.map((r) => r.offline.ms)))}`;
    }
    console.log(line);
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
