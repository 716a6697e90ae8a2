// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Chromium over the DevTools protocol and Firefox over WebDriver BiDi, both through
// puppeteer-core and Debian's own browsers: puppeteer-core downloads no browser.
"use strict";

const fs = require("fs");
const path = require("path");
const puppeteer = require("puppeteer-core");
const { TabBase, sleep } = require("./tab");
const { COLLECTOR } = require("./server");

const VIEWPORT = { width: 1000, height: 760 };

// Headless, as root (no sandbox), with nothing going out (the network is closed) and WebGL
// on SwiftShader, since there is no GPU.
const CHROMIUM_ARGS = [
  "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
  "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
  `--window-size=${VIEWPORT.width},${VIEWPORT.height}`,
];

// A phone in Chromium's emulation: a 390 x 844 CSS pixel screen at three device pixels each,
// touch, and a mobile browser's name.
const PHONE = {
  viewport: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
  userAgent: "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) " +
             "Chrome/156.0.0.0 Mobile Safari/537.36",
};

class PuppeteerTab extends TabBase {
  constructor(browser, number, page) {
    super(browser, number);
    this.page = page;
    page.on("pageerror", (error) => this.nativeErrors.push(`${browser.engine} reports: ${error.message || error}`));
    page.on("dialog", (dialog) => {
      this.nativeErrors.push(`the page opened a ${dialog.type()} box: ${dialog.message()}`);
      dialog.dismiss().catch(() => {});
    });
  }

  async navigate(url) { await this.page.goto(url, { waitUntil: "load", timeout: 120000 }); }
  async refresh() { await this.page.reload({ waitUntil: "load", timeout: 120000 }); }
  evaluate(fn, ...args) { return this.page.evaluate(fn, ...args); }
  async focus() {
    await this.page.bringToFront();
    this.browser.front = this;
  }

  // A player looks at the tab they type into: input brings its tab to the front. A tab
  // behind another is hidden, as the browsers run one (slowed timers, nothing drawn).
  async front() {
    if (this.browser.front !== this) await this.focus();
  }

  async press(key, { ctrl = false, alt = false, shift = false } = {}) {
    await this.front();
    const k = this.page.keyboard;
    const held = [ctrl && "Control", alt && "Alt", shift && "Shift"].filter(Boolean);
    for (const m of held) await k.down(m);
    await k.press(key);
    for (const m of held.reverse()) await k.up(m);
  }

  async click(x, y) {
    await this.front();
    await this.page.mouse.click(x, y);
  }

  async upload(selector, file) {
    const input = await this.page.$(selector);
    if (!input) throw new Error("no element " + selector);
    await input.uploadFile(file);
    await input.dispose();
  }

  // The bytes of the file that trigger() makes the page download, or null.
  async download(trigger, name, seconds = 10) {
    const file = path.join(this.browser.downloads, name);
    fs.rmSync(file, { force: true });
    await trigger();
    const deadline = Date.now() + seconds * 1000;
    let size = -1;
    while (Date.now() < deadline) {
      // Chromium writes a .crdownload file and renames it when done; Firefox puts an empty
      // file under the name at once, writes a .part file of another name beside it and
      // then moves it over.
      const busy = fs.readdirSync(this.browser.downloads).some((f) => /\.(part|crdownload)$/.test(f));
      const now = fs.existsSync(file) && !busy ? fs.statSync(file).size : -1;
      if (now >= 0 && now === size) return fs.readFileSync(file);
      size = now;
      await sleep(100);
    }
    return null;
  }

  // What the player sees of the tab, in front.
  async capture(file) {
    await this.front();
    await this.page.screenshot({ path: file });
  }

  async tap(x, y) {
    if (!this.phone) return super.tap();
    await this.front();
    await this.page.touchscreen.tap(x, y);
  }

  async shut() { await this.page.close(); }
}

class PuppeteerBrowser {
  static async launch(engine, { profile, downloads, display, shots, scenario }) {
    const options = {
      userDataDir: profile,
      defaultViewport: VIEWPORT,
      protocolTimeout: 300000,
      env: { ...process.env, ...(display ? { DISPLAY: display } : {}) },
    };
    if (engine === "chromium") {
      Object.assign(options, {
        browser: "chrome",
        executablePath: "/usr/bin/chromium",
        headless: true,
        args: CHROMIUM_ARGS,
        downloadBehavior: { policy: "allow", downloadPath: downloads },
      });
    } else {
      // Not headless: headless Firefox has no WebGL here. Under Xvfb it has, through Mesa.
      Object.assign(options, {
        browser: "firefox",
        executablePath: "/usr/bin/firefox-esr",
        headless: false,
        args: [`--width=${VIEWPORT.width + 40}`, `--height=${VIEWPORT.height + 160}`],
        extraPrefsFirefox: {
          // A download goes straight to the downloads folder, without asking.
          "browser.download.dir": downloads,
          "browser.download.folderList": 2,
          "browser.download.useDownloadDir": true,
          "browser.download.always_ask_before_handling_new_types": false,
          "browser.download.alwaysOpenPanel": false,
          "browser.download.start_downloads_in_tmp_dir": false,
          "browser.helperApps.neverAsk.saveToDisk": "text/plain",
        },
      });
    }
    const browser = await puppeteer.launch(options);
    return new PuppeteerBrowser(engine, browser, { downloads, shots, scenario });
  }

  constructor(engine, browser, { downloads, shots, scenario }) {
    this.engine = engine;
    this.browser = browser;
    this.downloads = downloads;
    this.shots = shots;
    this.scenario = scenario;
    this.tabs = [];
    this.front = null;  // the tab in front
  }

  async version() { return this.browser.version(); }

  async openTab({ phone = false } = {}) {
    if (phone && this.engine !== "chromium") throw new Error(`${this.engine} has no phone emulation here`);
    let page;
    if (this.tabs.length === 0) {
      // The window the browser opened with is the first tab.
      page = (await this.browser.pages())[0] || await this.browser.newPage();
    } else {
      page = await this.browser.newPage();
    }
    await page.evaluateOnNewDocument(COLLECTOR);
    const tab = new PuppeteerTab(this, this.tabs.length + 1, page);
    if (phone) {
      tab.phone = true;
      await page.emulate(PHONE);
    } else {
      // Firefox leaves the window it opened with at the window's size.
      await page.setViewport(VIEWPORT);
    }
    this.tabs.push(tab);
    this.front = tab;  // a new tab opens in front of the others
    return tab;
  }

  async close() {
    try {
      await this.browser.close();
    } catch (e) {
      const child = this.browser.process();
      if (child) child.kill("SIGKILL");
    }
  }
}

module.exports = { PuppeteerBrowser, VIEWPORT };
