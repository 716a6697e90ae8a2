// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs in the page before any of the page's own scripts: puppeteer adds it to every new
// document of a tab, and for WebKit, whose WebDriver cannot, the test server puts it at the
// top of the page it serves (server.js). It records what the page logs and every uncaught
// exception and unhandled promise rejection, in window.__vuskTest, and keeps them in the
// tab's session storage so that they survive a reload the page does itself. WebKit's
// WebDriver has no way to hear the console either, so all three engines are heard the same
// way. An error or rejection that a handler of the page cancels (preventDefault) is
// handled: Chromium and WebKit then report nothing, and Firefox's own report of it is
// heard through puppeteer.
(function () {
  "use strict";
  if (window.__vuskTest) return;
  var key = "vusk-test-report";
  var report = { loads: 0, errors: [], console: [] };
  try {
    var kept = JSON.parse(sessionStorage.getItem(key) || "null");
    if (kept && Array.isArray(kept.errors) && Array.isArray(kept.console)) report = kept;
  } catch (e) { /* no session storage: this page's report only */ }
  report.loads += 1;
  var pending = false;
  function keep() {
    // One write per turn of the event loop, however much is logged in it.
    if (pending) return;
    pending = true;
    setTimeout(function () {
      pending = false;
      try { sessionStorage.setItem(key, JSON.stringify(report)); } catch (e) { /* see above */ }
    }, 0);
  }
  keep();
  // What the last turn logged, before the page goes.
  window.addEventListener("pagehide", function () {
    try { sessionStorage.setItem(key, JSON.stringify(report)); } catch (e) { /* see above */ }
  });
  function text(value) {
    if (value instanceof Error) {
      // Chromium's stack starts with the message, Firefox's and WebKit's do not.
      var stack = (value.stack || "").split("\n").filter(function (l) { return l && l !== String(value); });
      return [String(value)].concat(stack.slice(0, 3)).join("\n  ");
    }
    if (typeof value === "string") return value;
    try { return JSON.stringify(value); } catch (e) { return String(value); }
  }
  Object.defineProperty(window, "__vuskTest", { value: report });
  var levels = ["log", "info", "warn", "error", "debug"];
  levels.forEach(function (level) {
    var original = console[level];
    console[level] = function () {
      var line = Array.prototype.map.call(arguments, text).join(" ");
      if (report.console.length < 2000) report.console.push(level + ": " + line);
      keep();
      return original.apply(console, arguments);
    };
  });
  // Other listeners run after this one: whether the event was cancelled is known once it
  // has gone to all of them.
  window.addEventListener("error", function (event) {
    setTimeout(function () {
      if (event.defaultPrevented) return;
      var where = event.filename ? " at " + event.filename + ":" + event.lineno : "";
      report.errors.push("uncaught exception: " + text(event.error !== undefined && event.error !== null ? event.error : event.message) + where);
      keep();
    }, 0);
  });
  window.addEventListener("unhandledrejection", function (event) {
    setTimeout(function () {
      if (event.defaultPrevented) return;
      report.errors.push("unhandled rejection: " + text(event.reason));
      keep();
    }, 0);
  });
})();
