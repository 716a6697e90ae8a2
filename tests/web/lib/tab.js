// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What every engine's tab shares: the page's own report of errors and console lines
// (collector.js), read before the tab leaves a page, and its screenshots' names.
"use strict";

const path = require("path");

function withTimeout(promise, seconds, what) {
  let timer;
  return Promise.race([
    promise.finally(() => clearTimeout(timer)),
    new Promise((_, reject) => { timer = setTimeout(() => reject(new Error(what + ": no answer in " + seconds + " s")), seconds * 1000); }),
  ]);
}

class TabBase {
  constructor(browser, number) {
    this.browser = browser;
    this.number = number;           // 1 for the first tab the scenario opened
    this.reports = new Map();       // origin -> { errors, console } as the page last said
    this.nativeErrors = [];         // what the driver itself heard, where it hears it
    this.closed = false;
  }

  get engine() { return this.browser.engine; }

  // Reads the page's report; kept per origin, since session storage is kept per origin.
  async harvest() {
    if (this.closed) return;
    try {
      const report = await withTimeout(this.evaluate(() => (window.__vuskTest
        ? { origin: location.origin, errors: window.__vuskTest.errors, console: window.__vuskTest.console }
        : null)), 15, "reading the page's report");
      if (report) this.reports.set(report.origin, report);
    } catch (e) {
      this.nativeErrors.push("the page's report could not be read: " + e.message);
    }
  }

  // Every uncaught exception and unhandled rejection in this tab so far.
  async errors() {
    await this.harvest();
    return [...this.reports.values()].flatMap((r) => r.errors).concat(this.nativeErrors);
  }

  // What the pages of this tab logged so far, as "level: text" lines.
  async consoleLines() {
    await this.harvest();
    return [...this.reports.values()].flatMap((r) => r.console);
  }

  async goto(url) {
    await this.harvest();
    await this.navigate(url);
  }

  async reload() {
    await this.harvest();
    await this.refresh();
  }

  // A screenshot of the viewport into the engine's screenshot folder; its path.
  async screenshot(name) {
    const file = path.join(this.browser.shots, `${this.browser.scenario}-${name}.png`);
    await this.capture(file);
    return file;
  }

  async close() {
    if (this.closed) return;
    await this.harvest();
    await this.shut();
    this.closed = true;
  }

  // Polls fn in the page until it returns something truthy, at most `seconds`; its last value.
  async waitFor(fn, seconds = 30, ...args) {
    const deadline = Date.now() + seconds * 1000;
    for (;;) {
      const value = await this.evaluate(fn, ...args);
      if (value || Date.now() > deadline) return value;
      await sleep(100);
    }
  }

  // Types text a key at a time.
  async type(text) {
    for (const ch of text) await this.press(ch);
  }

  tap() { throw new Error(`${this.engine}: tap() needs a tab opened with { phone: true }`); }
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

module.exports = { TabBase, sleep, withTimeout };
