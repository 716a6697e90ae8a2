#!/usr/bin/env node
// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The web package played in real browsers: Chromium, Firefox and WebKit.
//
//   node tests/web/run.js [--dist DIR] [--engine chromium|firefox|webkit]...
//                         [--scenario NAME]... [--out DIR] [--rewrite PROGRAM] [--jobs N]
//
// Serves DIR (default: the newest dist/vusk-sandwich-*-web) on 127.0.0.1 and runs every
// scenario of scenarios/ (or those named) in every engine (or those named), each scenario in
// a browser of its own with a fresh profile. Prints a PASS or FAIL line for every check,
// prefixed with the engine, then "ENGINE: N passed, N failed" for each engine and
// "N passed, N failed" on the last line; exits 1 when any check failed. Screenshots go to
// OUT/ENGINE/ (OUT defaults to build-web-host/web-test). Firefox and WebKit need a display:
// where DISPLAY names none, Xvfb is started for them. --jobs N runs N engines at once (each
// with a server and a display of its own; default 1). `npm ci` in tests/web first.
//
// Writing a scenario
// ------------------
// A scenario is a file scenarios/NAME.js:
//
//   module.exports = {
//     engines: ["chromium"],        // optional: the engines it runs in (default: all)
//     async run(t) { ... },
//   };
//
// `t`, the scenario's test context:
//   t.engine          "chromium", "firefox" or "webkit"
//   t.url             the package's address, "http://127.0.0.1:PORT/"
//   t.server          the web server: stop() and start() again on the same port (async),
//                     requests (every path it answered, in order), folder
//   t.work            a temporary folder of the scenario's own, removed afterwards
//   t.rewrite         the desktop build's vusk-save-rewrite (reads a save file, writes it
//                     again to stdout as the desktop game would), built in build-web-host/
//   t.check(name, ok, detail)   a PASS or FAIL line; returns ok. detail shows on a FAIL
//   t.log(text)       a line of information, prefixed with the engine
//   t.openTab({ phone })   a new tab in the scenario's browser (async); all tabs share the
//                     profile, so their storage. { phone: true } is Chromium's alone: a
//                     390 x 844 screen at a device pixel ratio of 3, with touch
//   t.browserVersion  the engine's name and version
//
// A tab:
//   goto(url), reload()                 wait for the page's load event
//   evaluate(fn, ...args)               runs fn(...args) in the page; its value, awaited if a
//                                       promise (JSON-like values only: turn a Uint8Array
//                                       into an array in the page)
//   waitFor(fn, seconds = 30, ...args)  polls fn in the page until truthy; its last value
//   press(key, { ctrl, alt, shift })    one key: a character, or "Enter", "Escape", "Tab",
//                                       "Backspace", "ArrowDown", ... (" " for the space bar)
//   type(text)                          its characters as keys
//   click(x, y)                         the mouse at a point of the viewport, in CSS pixels
//   tap(x, y)                           a touch, in a tab opened with { phone: true }
//   upload(selector, file)              a file of the disk given to a file input
//   download(trigger, name, seconds)    the bytes (a Buffer) of the file `name` that the page
//                                       downloads when the async trigger() runs, or null
//   screenshot(name)                    OUT/ENGINE/SCENARIO-NAME.png; its path
//   focus()                             brings the tab to the front
//   In Chromium and Firefox the tabs are tabs of one window: the one in front shows, the
//   others are hidden, as browsers run them (timers slowed, nothing drawn). press, type,
//   click, tap and screenshot bring their tab to the front first, as a player looks at the
//   tab they use. In WebKit each tab after the first is a window of its own, and all show.
//   errors(), consoleLines()            the page's uncaught exceptions and unhandled
//                                       rejections, and what it logged ("warn: text"), so
//                                       far, over all the pages the tab showed
//   close()
// Game helpers (waiting for the game, the file dialog by the keyboard, save files in the
// page) are in lib/game.js.
//
// A scenario fails when it throws, and for every tab with an uncaught exception or an
// unhandled promise rejection in its page: a recorder runs at the top of every page
// (lib/collector.js), the same in every engine, and puppeteer's engines also report what
// they see themselves. It fails too for a tab whose game called a function of its
// program's second part before that had arrived (unless the scenario set
// tab.restNeededEarly).
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const { Server } = require("./lib/server");
const { startXvfb } = require("./lib/xvfb");
const { withTimeout } = require("./lib/tab");

const ROOT = path.resolve(__dirname, "..", "..");
const ENGINES = ["chromium", "firefox", "webkit"];
const NEEDS_DISPLAY = new Set(["firefox", "webkit"]);
const SCENARIO_MINUTES = 15;

function usage(message) {
  if (message) console.error(message);
  console.error("usage: node tests/web/run.js [--dist DIR] [--engine chromium|firefox|webkit]... " +
                "[--scenario NAME]... [--out DIR] [--rewrite PROGRAM] [--jobs N]");
  process.exit(2);
}

function parseArgs(argv) {
  const args = {
    dist: null, engines: [], scenarios: [], jobs: 1,
    out: path.join(ROOT, "build-web-host", "web-test"),
    rewrite: path.join(ROOT, "build-web-host", "vusk-save-rewrite"),
  };
  for (let i = 0; i < argv.length; i++) {
    const [flag, inline] = argv[i].split(/=(.*)/s);
    const value = () => (inline !== undefined ? inline : argv[++i] !== undefined ? argv[i] : usage(flag + " needs a value"));
    switch (flag) {
      case "--dist": args.dist = path.resolve(value()); break;
      case "--engine": args.engines.push(value()); break;
      case "--scenario": args.scenarios.push(value()); break;
      case "--out": args.out = path.resolve(value()); break;
      case "--rewrite": args.rewrite = path.resolve(value()); break;
      case "--jobs": args.jobs = Number(value()); break;
      case "--help": case "-h": usage(); break;
      default: usage("unknown argument " + argv[i]);
    }
  }
  for (const e of args.engines) if (!ENGINES.includes(e)) usage("no engine " + e);
  if (!(Number.isInteger(args.jobs) && args.jobs >= 1)) usage("--jobs takes a number, 1 or more");
  if (args.engines.length === 0) args.engines = ENGINES;
  return args;
}

function newestDist() {
  const dist = path.join(ROOT, "dist");
  if (!fs.existsSync(dist)) return null;
  const found = fs.readdirSync(dist)
    .filter((n) => /^vusk-sandwich-.*-web$/.test(n))
    .map((n) => path.join(dist, n))
    .sort((a, b) => fs.statSync(a).mtimeMs - fs.statSync(b).mtimeMs);
  return found.length ? found[found.length - 1] : null;
}

function loadScenarios(names) {
  const folder = path.join(__dirname, "scenarios");
  const all = fs.readdirSync(folder).filter((f) => f.endsWith(".js")).sort()
    .map((f) => ({ name: path.basename(f, ".js"), ...require(path.join(folder, f)) }));
  for (const n of names) if (!all.some((s) => s.name === n)) usage("no scenario " + n);
  return names.length ? all.filter((s) => names.includes(s.name)) : all;
}

function launcher(engine) {
  return engine === "webkit" ? require("./lib/webkit").WebKitBrowser : require("./lib/puppeteer").PuppeteerBrowser;
}

class Tally {
  constructor() { this.passed = 0; this.failed = 0; }
}

async function runScenario(scenario, engine, { server, args, display, tally }) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), `vusk-web-${engine}-${scenario.name}-`));
  const profile = path.join(work, "profile");
  const downloads = path.join(work, "downloads");
  fs.mkdirSync(profile);
  fs.mkdirSync(downloads);
  const shots = path.join(args.out, engine);
  const say = (line) => console.log(`${engine}: ${line}`);
  const check = (name, ok, detail = "") => {
    if (ok) { tally.passed++; say(`PASS ${scenario.name}: ${name}`); }
    else { tally.failed++; say(`FAIL ${scenario.name}: ${name}${detail ? " (" + detail + ")" : ""}`); }
    return !!ok;
  };
  let browser = null;
  const started = Date.now();
  try {
    browser = await launcher(engine).launch(engine, { work, profile, downloads, display, shots, scenario: scenario.name });
    const t = {
      engine, url: server.url, server, work, rewrite: args.rewrite, check,
      log: (text) => say(text),
      openTab: (options) => browser.openTab(options),
      browserVersion: await browser.version(),
    };
    await withTimeout(Promise.resolve().then(() => scenario.run(t)), SCENARIO_MINUTES * 60, `${scenario.name} in ${engine}`);
  } catch (error) {
    check("the run went through", false, (error && error.stack) || String(error));
    for (const tab of browser ? browser.tabs.filter((t) => !t.closed) : []) {
      await withTimeout(tab.screenshot(`error-${tab.number}`), 30, "a screenshot").catch(() => {});
    }
  }
  if (browser) {
    for (const tab of browser.tabs) {
      const errors = await withTimeout(tab.errors(), 30, "reading the page's errors").catch((e) => [String(e)]);
      check(`no uncaught exception or unhandled rejection in tab ${tab.number}`, errors.length === 0,
            errors.join("; "));
      // A function of the program's second part called before it arrived: one that the game
      // runs before its first dialog is missing from cmake/web-start-functions.txt.
      if (!tab.restNeededEarly) {
        const early = (await withTimeout(tab.consoleLines(), 30, "reading the console").catch(() => []))
          .filter((l) => /placeholder function called/.test(l));
        check(`tab ${tab.number} needed nothing of the program's second part before it arrived`,
              early.length === 0, early.slice(0, 3).join("; ") + " (run tools/web-start-functions.sh)");
      }
    }
    await withTimeout(browser.close(), 60, "closing the browser").catch((e) => say("closing the browser: " + e.message));
  }
  fs.rmSync(work, { recursive: true, force: true });
  say(`${scenario.name} took ${((Date.now() - started) / 1000).toFixed(1)} s`);
}

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const dist = args.dist || newestDist();
  const refuse = (why) => {
    console.log(why);
    console.log("0 passed, 1 failed");
    process.exit(1);
  };
  if (!dist || !fs.existsSync(path.join(dist, "index.html"))) refuse("No web package: run ./package web first");
  if (!fs.existsSync(args.rewrite)) refuse(`No ${args.rewrite}: build it with cmake --build build-web-host --target vusk-save-rewrite`);
  const scenarios = loadScenarios(args.scenarios);

  const tallies = new Map(args.engines.map((engine) => [engine, new Tally()]));
  // Each engine has a server of its own (a scenario may stop it) and, where it needs a
  // display and none is given, an Xvfb of its own, so that engines can run side by side.
  const runEngine = async (engine) => {
    const tally = tallies.get(engine);
    fs.rmSync(path.join(args.out, engine), { recursive: true, force: true });
    fs.mkdirSync(path.join(args.out, engine), { recursive: true });
    const server = await new Server(dist, { inject: engine === "webkit" }).start();
    let xvfb = null;
    let display = process.env.DISPLAY || null;
    try {
      if (NEEDS_DISPLAY.has(engine) && !display) {
        xvfb = await startXvfb();
        display = xvfb.display;
      }
      const started = Date.now();
      for (const scenario of scenarios) {
        if (scenario.engines && !scenario.engines.includes(engine)) {
          console.log(`${engine}: ${scenario.name} runs in ${scenario.engines.join(", ")} only`);
          continue;
        }
        await server.start();  // the scenario before may have stopped it
        await runScenario(scenario, engine, { server, args, display, tally });
      }
      console.log(`${engine}: ran in ${((Date.now() - started) / 1000).toFixed(1)} s`);
    } finally {
      await server.stop();
      if (xvfb) await xvfb.stop();
    }
  };
  const queue = [...args.engines];
  const worker = async () => { while (queue.length) await runEngine(queue.shift()); };
  await Promise.all(Array.from({ length: Math.min(args.jobs, queue.length) }, worker));
  console.log("screenshots in " + args.out);
  let passed = 0;
  let failed = 0;
  for (const [engine, tally] of tallies) {
    console.log(`${engine}: ${tally.passed} passed, ${tally.failed} failed`);
    passed += tally.passed;
    failed += tally.failed;
  }
  console.log(`${passed} passed, ${failed} failed`);
  return failed ? 1 : 0;
}

main().then((code) => process.exit(code), (error) => {
  console.log(String((error && error.stack) || error));
  console.log("0 passed, 1 failed");
  process.exit(1);
});
