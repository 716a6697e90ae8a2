#!/usr/bin/env node
// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Plays the start of a game in the web build made to record the functions it runs
// (VUSK_WEB_PROFILE), in Chromium, on desktops (mouse and keyboard) and phones (touch) of
// several sizes, and writes the names of the functions that any run called,
// one a line, sorted, gzipped. What a player does before a dialog or a message box: the start screen,
// New game, purchases by the buttons, the keyboard and the Purchase menu, the menus opened
// and closed, the window resized and turned, seconds of production.
// tools/web-start-functions.sh runs it.
//
//   node tools/web_start_functions.js FOLDER WHOLE.wasm OUT.gz
//
// FOLDER is the page with the recording build, WHOLE.wasm that build's program before it
// was instrumented (vusk-sandwich.wasm.orig), whose name section names the functions.
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const puppeteer = require("puppeteer-core");
const { Server } = require("../tests/web/lib/server");
const { functionNames } = require("../cmake/wasm-functions.js");

const kFlags = [
  "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
  "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
];
const kDesktop = { width: 1000, height: 760 };
// The phone as the browser test has it: Qt for WebAssembly does more for an Android browser.
const kPhone = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const kPhoneAgent = "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) " +
                    "Chrome/156.0.0.0 Mobile Safari/537.36";
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function frames(page, count = 3) {
  await page.evaluate((n) => new Promise((resolve) => {
    const step = () => (n-- > 0 ? requestAnimationFrame(step) : resolve());
    step();
  }), count);
}

// The screens played on: what the game draws depends on the window's size and the pixel
// ratio, and on whether the browser is Android's. A desktop, the browser test's phone, and
// the phone of Lighthouse's mobile preset as the load benchmark opens it (bench/web_load.js:
// its processor 4 times slower, and the start screen left alone for 10 s, as a player reads
// it).
const kScreens = [
  ["desktop", kDesktop, null],
  ["phone", kPhone, kPhoneAgent],
  ["Lighthouse's phone", { width: 412, height: 823, deviceScaleFactor: 1.75, isMobile: true, hasTouch: true }, null,
   { cpu: 4, idle: 10000 }],
  ["a laptop", { width: 1366, height: 768, deviceScaleFactor: 1.25 }, null],
];

async function play(browser, url, screen, agent, { cpu = 1, idle = 1500 } = {}) {
  const phone = !!screen.hasTouch;
  const page = await browser.newPage();
  if (cpu !== 1) {
    const cdp = await page.createCDPSession();
    await cdp.send("Emulation.setCPUThrottlingRate", { rate: cpu });
  }
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e.message || e)));
  page.on("console", (m) => { if (/placeholder|deferred/.test(m.text())) errors.push(m.text()); });
  if (agent) await page.setUserAgent(agent);
  await page.setViewport(screen);
  await page.goto(url + "?testhooks", { waitUntil: "load", timeout: 120000 });
  await page.waitForFunction(() => typeof storageAnswered === "boolean" && running === true &&
                             typeof vuskGame === "object", { timeout: 120000, polling: 100 });
  await frames(page);
  await sleep(idle);

  const where = (what) => page.evaluate((w) => vuskGame.find(w), what);
  const at = async (what) => {
    const r = await where(what);
    if (!r) throw new Error(`the game shows no ${what}`);
    return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
  };
  const press = async (what) => {
    const p = await at(what);
    if (phone) await page.touchscreen.tap(p.x, p.y);
    else await page.mouse.click(p.x, p.y);
    await sleep(200);
    await frames(page);
  };
  const hover = async (what) => {
    if (phone) return;
    const p = await at(what);
    await page.mouse.move(p.x, p.y, { steps: 4 });
    await sleep(100);
  };
  const key = async (name, modifier) => {
    if (modifier) await page.keyboard.down(modifier);
    await page.keyboard.press(name);
    if (modifier) await page.keyboard.up(modifier);
    await sleep(200);
    await frames(page);
  };
  const inBox = () => page.evaluate(() => !!moduleConfig.qtAsyncifyWakeUp);

  // The start screen, then New game.
  await hover("btnLoadGame");
  await hover("btnNewGame");
  await press("btnNewGame");
  // Purchases by the buttons, and by the keyboard on the focused one; production.
  for (let i = 0; i < 3; i++) await press("btnPurchase(0)");
  await hover("btnPurchase(1)");
  await key("Tab");
  await key("Tab", "Shift");
  await key(" ");
  await sleep(3500);
  // The menus: opened, gone through, closed; a purchase from the menu.
  await press("File");
  await hover("Save");
  await key("Escape");
  await press("Help");
  if (phone) {
    const p = await at("btnPurchase(4)");
    await page.touchscreen.tap(p.x, p.y + 80);  // beside the menu: it closes
    await sleep(300);
  } else {
    await key("Escape");
  }
  await press("Purchase");
  await press("Vusk on the cob");
  await key("p", "Alt");
  await key("ArrowDown");
  await key("Escape");
  await key("Escape");
  // The window resized, the screen turned, and the page hidden and shown again: the game
  // draws at another scale on a screen of another size.
  for (const size of [{ width: screen.width - 60, height: screen.height - 100 },
                      { width: screen.height, height: screen.width },
                      { width: Math.round(screen.width * 0.6), height: Math.round(screen.height * 0.6) }]) {
    await page.setViewport({ ...screen, ...size });
    await sleep(500);
    await frames(page);
  }
  await page.setViewport(screen);
  await sleep(500);
  await page.evaluate(() => document.dispatchEvent(new Event("visibilitychange")));
  await sleep(2500);
  await frames(page);

  if (await inBox()) errors.push("a dialog or a message box is open: its functions would be kept");
  const profile = Buffer.from(await page.evaluate(() => moduleConfig.vuskProfile()));
  await page.close();
  if (errors.length) throw new Error(errors.join("\n"));
  return profile;
}

async function main() {
  const [folder, whole, out] = process.argv.slice(2);
  if (!folder || !whole || !out) {
    console.error("usage: web_start_functions.js FOLDER WHOLE.wasm OUT.gz");
    process.exit(2);
  }
  const names = functionNames(fs.readFileSync(whole));
  const called = new Set();
  const server = new Server(folder);
  await server.start();
  const profileDir = fs.mkdtempSync(path.join(os.tmpdir(), "vusk-start-functions-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium", headless: true,
    userDataDir: profileDir, args: kFlags,
  });
  try {
    for (const [name, screen, agent, options] of kScreens) {
      const profile = await play(browser, server.url, screen, agent, options);
      if (profile.length !== 8 + 4 * names.length)
        throw new Error(`a record of ${profile.length} bytes for ${names.length} functions`);
      let count = 0;
      names.forEach((n, i) => {
        if (n !== null && profile.readUInt32LE(8 + 4 * i) !== 0) { called.add(n); count++; }
      });
      console.log(`${name}: ${count} functions called`);
    }
    fs.writeFileSync(out, zlib.gzipSync([...called].sort().join("\n") + "\n", { level: 9 }));
    console.log(`${called.size} of ${names.length} functions written to ${out}`);
  } finally {
    await browser.close();
    await server.stop();
    fs.rmSync(profileDir, { recursive: true, force: true });
  }
}

main().catch((e) => { console.error(e); process.exit(1); });
