// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// WebKit (Safari's engine): Debian's WebKitWebDriver starts MiniBrowser in automation mode
// and speaks W3C WebDriver, which selenium-webdriver drives. Selenium is always given the
// running driver's address, so its own driver manager never runs and downloads nothing.
"use strict";

const fs = require("fs");
const net = require("net");
const path = require("path");
const { Builder, By, Key, Origin } = require("selenium-webdriver");
const { TabBase, sleep, withTimeout } = require("./tab");
const children = require("./children");
const { VIEWPORT } = require("./puppeteer");
const { COLLECTOR } = require("./server");

const DRIVER = "/usr/bin/WebKitWebDriver";
const MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";

const KEYS = {
  Enter: Key.ENTER, Escape: Key.ESCAPE, Tab: Key.TAB, Backspace: Key.BACK_SPACE,
  ArrowDown: Key.ARROW_DOWN, ArrowUp: Key.ARROW_UP, ArrowLeft: Key.ARROW_LEFT,
  ArrowRight: Key.ARROW_RIGHT, Home: Key.HOME, End: Key.END, Delete: Key.DELETE,
};

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.once("error", reject);
    probe.listen(0, "127.0.0.1", () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

async function waitForDriver(url, child, seconds) {
  const deadline = Date.now() + seconds * 1000;
  while (Date.now() < deadline) {
    if (child.exitCode !== null) throw new Error(`WebKitWebDriver ended (${child.exitCode})`);
    try {
      const answer = await fetch(url + "/status");
      if (answer.ok) return;
    } catch (e) { /* not listening yet */ }
    await sleep(100);
  }
  throw new Error("WebKitWebDriver did not answer");
}

class WebKitTab extends TabBase {
  constructor(browser, number, handle) {
    super(browser, number);
    this.handle = handle;
  }

  get driver() { return this.browser.driver; }

  // WebDriver talks to one window at a time: every call first makes this tab the current one.
  async ensure() {
    if (this.browser.current !== this.handle) {
      await this.driver.switchTo().window(this.handle);
      this.browser.current = this.handle;
    }
  }

  async navigate(url) { await this.ensure(); await this.driver.get(url); await this.record(); }
  async refresh() { await this.ensure(); await this.driver.navigate().refresh(); await this.record(); }

  // A page that did not come from the test server (a service worker's copy) gets the
  // recorder once it has loaded: what it did before is not heard.
  async record() { await this.driver.executeScript(COLLECTOR); }
  async focus() { await this.ensure(); }

  async evaluate(fn, ...args) {
    await this.ensure();
    return this.driver.executeScript(fn, ...args);
  }

  keyActions(keys, { ctrl = false, alt = false, shift = false } = {}) {
    const held = [ctrl && Key.CONTROL, alt && Key.ALT, shift && Key.SHIFT].filter(Boolean);
    let actions = this.driver.actions({ async: true });
    for (const m of held) actions = actions.keyDown(m);
    for (const key of keys) actions = actions.keyDown(KEYS[key] || key).keyUp(KEYS[key] || key);
    for (const m of held.reverse()) actions = actions.keyUp(m);
    return actions;
  }

  async press(key, modifiers = {}) {
    await this.ensure();
    await this.keyActions([key], modifiers).perform();
  }

  // One round trip for the whole text: each of WebKit's is slow.
  async type(text) {
    await this.ensure();
    await this.keyActions([...text]).perform();
  }

  async click(x, y) {
    await this.ensure();
    await this.driver.actions({ async: true })
      .move({ x: Math.round(x), y: Math.round(y), origin: Origin.VIEWPORT }).press().release().perform();
  }

  // A file input takes the file's path as keys (WebDriver's file upload; the input may be
  // hidden, as a label stands for it on the page).
  async upload(selector, file) {
    await this.ensure();
    await this.driver.findElement(By.css(selector)).sendKeys(file);
  }

  // MiniBrowser saves no download where a test can find it, so the link the page makes is
  // caught in the page as it is clicked, and the file it names is read from its blob: the
  // same bytes, the same name, only not written to disk by the browser.
  async download(trigger, name, seconds = 10) {
    await this.evaluate(() => {
      window.__vuskDownloads = [];
      if (HTMLAnchorElement.prototype.__vuskClick) return;
      const click = HTMLAnchorElement.prototype.click;
      HTMLAnchorElement.prototype.__vuskClick = click;
      HTMLAnchorElement.prototype.click = function () {
        if (!this.hasAttribute("download")) return click.call(this);
        window.__vuskDownloads.push(fetch(this.href).then((r) => r.arrayBuffer())
          .then((b) => ({ name: this.download, bytes: Array.from(new Uint8Array(b)) })));
      };
    });
    await trigger();
    const found = await this.waitFor(async (wanted) => {
      const all = await Promise.all(window.__vuskDownloads || []);
      const hit = all.find((d) => d.name === wanted);
      return hit ? hit.bytes : null;
    }, seconds, name);
    return found ? Buffer.from(found) : null;
  }

  async capture(file) {
    await this.ensure();
    fs.writeFileSync(file, Buffer.from(await this.driver.takeScreenshot(), "base64"));
  }

  async shut() {
    const open = this.browser.tabs.filter((t) => !t.closed && t !== this);
    if (open.length === 0) return;  // the session's last window closes with the session
    await this.ensure();
    await this.driver.close();
    this.browser.current = null;
  }
}

class WebKitBrowser {
  static async launch(engine, { work, display, downloads, shots, scenario }) {
    const port = await freePort();
    const log = fs.openSync(path.join(work, "webkitwebdriver.log"), "w");
    const child = children.start(DRIVER, [`--port=${port}`, "--host=127.0.0.1"], {
      stdio: ["ignore", log, log],
      env: { ...process.env, DISPLAY: display },
    });
    fs.closeSync(log);
    const url = `http://127.0.0.1:${port}`;
    try {
      await waitForDriver(url, child, 20);
      const driver = await new Builder()
        .usingServer(url)
        .withCapabilities({
          browserName: "MiniBrowser",
          "webkitgtk:browserOptions": { binary: MINIBROWSER, args: ["--automation"] },
        })
        .build();
      await driver.manage().setTimeouts({ script: 120000, pageLoad: 120000 });
      const browser = new WebKitBrowser(engine, driver, child, { downloads, shots, scenario });
      await browser.fitViewport();
      return browser;
    } catch (e) {
      await children.stop(child);
      throw e;
    }
  }

  constructor(engine, driver, child, { downloads, shots, scenario }) {
    this.engine = engine;
    this.driver = driver;
    this.child = child;
    this.downloads = downloads;
    this.shots = shots;
    this.scenario = scenario;
    this.tabs = [];
    this.current = null;
  }

  // The current window sized so that its page is as large as the other engines' viewport.
  async fitViewport() {
    const inner = () => this.driver.executeScript(() => [innerWidth, innerHeight]);
    const window = this.driver.manage().window();
    await window.setRect({ width: VIEWPORT.width, height: VIEWPORT.height });
    const [w, h] = await inner();
    await window.setRect({ width: 2 * VIEWPORT.width - w, height: 2 * VIEWPORT.height - h });
  }

  async version() {
    const caps = await this.driver.getCapabilities();
    return `${caps.get("browserName")} ${caps.get("browserVersion")}`;
  }

  async openTab({ phone = false } = {}) {
    if (phone) throw new Error(`${this.engine} has no phone emulation here`);
    let handle;
    if (this.tabs.length === 0) {
      handle = await this.driver.getWindowHandle();
    } else {
      // A window of its own: MiniBrowser opens a new tab behind the one it shows, where the
      // page is hidden (its timers slowed, nothing drawn), and WebDriver has no way to bring
      // a tab to the front. Windows under Xvfb all show.
      await this.driver.switchTo().newWindow("window");
      handle = await this.driver.getWindowHandle();
      await this.fitViewport();
    }
    this.current = handle;
    const tab = new WebKitTab(this, this.tabs.length + 1, handle);
    this.tabs.push(tab);
    return tab;
  }

  // The session ends, and then the driver with MiniBrowser and its processes, whatever
  // state the session was in.
  async close() {
    await withTimeout(this.driver.quit(), 20, "ending the WebDriver session").catch(() => {});
    await children.stop(this.child);
  }
}

module.exports = { WebKitBrowser };
