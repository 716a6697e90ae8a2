#!/usr/bin/env node
// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The game's page in headless Chromium against a floor page.
//
//   cd bench && npm ci && node web_cpu.js [RUNS] [SECONDS] [--dist=DIR]
//
// For each run, in a fresh profile: the time from navigation to the start screen drawn (the
// middle of the canvas changes from the blank it starts as), then New game, four Vusk on the
// cob bought, and the CPU time (user + system) that all of the browser's processes spend in
// SECONDS of play. The floor page (bench/web_floor.html) writes one number every 20 ms and
// nothing else; it runs in a fresh browser of its own after each game run. Both are served
// plainly (scripts/serve-web.js --plain), as `python3 -m http.server` serves them. Prints
// every run and the means. Reads /proc: Linux only.
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const puppeteer = require("puppeteer-core");
const { serve } = require("../scripts/serve-web.js");

const kRoot = path.join(__dirname, "..");
const kChromium = process.env.CHROMIUM || "/usr/bin/chromium";
// The browser tests' flags (tests/web/lib/puppeteer.js): no sandbox as root, nothing going
// out, WebGL on SwiftShader since there is no GPU.
const kArgs = [
  "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
  "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--window-size=1000,760",
];
const kTicks = 100;  // USER_HZ, what /proc/PID/stat counts in on Linux

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function newestDist() {
  const dist = path.join(kRoot, "dist");
  const found = fs.existsSync(dist) ? fs.readdirSync(dist).filter((n) => /^vusk-sandwich-.*-web$/.test(n))
    .map((n) => path.join(dist, n)).sort((a, b) => fs.statSync(a).mtimeMs - fs.statSync(b).mtimeMs) : [];
  return found.length ? found[found.length - 1] : null;
}

// The fields of /proc/PID/stat after the command's name, or null for a process gone.
function stat(pid) {
  try {
    return fs.readFileSync(`/proc/${pid}/stat`, "utf8").split(")").pop().trim().split(/\s+/);
  } catch (e) {
    return null;
  }
}

// The process and all its descendants.
function tree(pid) {
  const children = new Map();
  for (const entry of fs.readdirSync("/proc")) {
    if (!/^\d+$/.test(entry)) continue;
    const fields = stat(entry);
    if (!fields) continue;
    const parent = Number(fields[1]);
    if (!children.has(parent)) children.set(parent, []);
    children.get(parent).push(Number(entry));
  }
  const found = [];
  const todo = [pid];
  while (todo.length) {
    const p = todo.pop();
    found.push(p);
    todo.push(...(children.get(p) || []));
  }
  return found;
}

// CPU time (user + system) of each living process, by pid.
function cpuSeconds(pids) {
  const times = new Map();
  for (const p of pids) {
    const fields = stat(p);
    if (fields) times.set(p, (Number(fields[11]) + Number(fields[12])) / kTicks);
  }
  return times;
}

function kind(pid) {
  let args;
  try {
    // Chromium rewrites its processes' titles into one string with blanks.
    args = fs.readFileSync(`/proc/${pid}/cmdline`, "utf8").replace(/\0/g, " ").split(/\s+/);
  } catch (e) {
    return "gone";
  }
  const type = args.find((a) => a.startsWith("--type="));
  return type ? type.slice("--type=".length) : "browser";
}

// CPU seconds of all the browser's processes in `seconds`, in all and by kind.
async function spend(pid, seconds) {
  const before = cpuSeconds(tree(pid));
  await sleep(seconds * 1000);
  const after = cpuSeconds(tree(pid));
  const byKind = {};
  for (const [p, t] of after) byKind[kind(p)] = (byKind[kind(p)] || 0) + t - (before.get(p) || 0);
  return { total: Object.values(byKind).reduce((a, b) => a + b, 0), byKind };
}

// From navigation to the middle of the canvas drawn as it then stays. The canvas may already
// show the start screen by the first look, so the time is that of the first look that shows
// what the canvas settles on (unchanged for two seconds).
async function startScreenMs(page, url) {
  const clip = { x: 450, y: 250, width: 100, height: 60, scale: 1 };
  const started = Date.now();
  await page.goto(url, { waitUntil: "domcontentloaded" });
  const looks = [];  // [ms since navigation, screenshot], while the game runs
  while (Date.now() - started < 120000) {
    if (await page.evaluate(() => typeof running !== "undefined" && running)) {
      const shot = Buffer.from(await page.screenshot({ clip })).toString("base64");
      const now = Date.now() - started;
      if (!looks.length || shot !== looks[looks.length - 1][1]) looks.push([now, shot]);
      else if ((now - looks[looks.length - 1][0] >= 2000 && looks.length > 1) || now - looks[0][0] >= 10000)
        return looks[looks.length - 1][0];
    }
    await sleep(20);
  }
  throw new Error("the start screen did not appear");
}

async function run(url, seconds, game) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "vusk-web-bench-"));
  const browser = await puppeteer.launch({
    executablePath: kChromium, headless: true, userDataDir: profile, args: kArgs, defaultViewport: null,
  });
  try {
    const page = (await browser.pages())[0];
    let ms = null;
    if (game) {
      ms = await startScreenMs(page, url);
      await sleep(1000);
      for (let i = 0; i < 5; i++) {  // New game, then the four Vusk on the cob that 100 vusk buy
        await page.keyboard.press(" ");
        await sleep(150);
      }
      await sleep(1000);
    } else {
      await page.goto(url);
      await page.waitForFunction(() => typeof running !== "undefined" && running);
      await sleep(2000);
    }
    return { ms, ...await spend(browser.process().pid, seconds) };
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

async function main() {
  const args = process.argv.slice(2).filter((a) => !a.startsWith("--dist"));
  const distArg = process.argv.slice(2).find((a) => a.startsWith("--dist="));
  const dist = distArg ? distArg.split("=")[1] : newestDist();
  if (!dist) throw new Error("No web package: run ./package web first");
  const runs = args[0] ? Number(args[0]) : 3;
  const seconds = args[1] ? Number(args[1]) : 10;
  const gameServer = await serve(dist, { port: 0, plain: true });
  const floorServer = await serve(__dirname, { port: 0, plain: true });
  const results = { game: [], floor: [] };
  const starts = [];
  try {
    for (let i = 0; i < runs; i++) {
      for (const [name, url] of [["game", gameServer.url], ["floor", floorServer.url + "web_floor.html"]]) {
        const { ms, total, byKind } = await run(url, seconds, name === "game");
        results[name].push(total);
        if (ms !== null) starts.push(ms);
        const kinds = Object.entries(byKind).sort().map(([k, v]) => `${k} ${v.toFixed(3)}`).join(", ");
        console.log(`${name.padEnd(5)} run ${i + 1}: CPU ${total.toFixed(3)} s in ${seconds} s (${kinds})` +
                    (ms !== null ? `, start screen after ${ms.toFixed(0)} ms` : ""));
      }
    }
  } finally {
    await gameServer.close();
    await floorServer.close();
  }
  const mean = (xs) => xs.reduce((a, b) => a + b, 0) / xs.length;
  const game = mean(results.game);
  const floor = mean(results.floor);
  console.log(`mean of ${runs} runs: game ${game.toFixed(3)} s, floor ${floor.toFixed(3)} s, ` +
              `game/floor ${(game / floor).toFixed(2)}; start screen ${mean(starts).toFixed(0)} ms ` +
              `(${Math.min(...starts).toFixed(0)} to ${Math.max(...starts).toFixed(0)})`);
}

main().catch((error) => {
  console.error(String((error && error.stack) || error));
  process.exit(1);
});
