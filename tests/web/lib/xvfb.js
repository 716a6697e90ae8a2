// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A display for the engines that need one: Firefox has WebGL on this kind of machine only
// with a display (headless it has none, and the page then says it cannot draw the game),
// and MiniBrowser always opens a window. Where DISPLAY names none, Xvfb is started on a
// free display number, which it picks itself.
"use strict";

const children = require("./children");

async function startXvfb() {
  const xvfb = children.start("Xvfb", ["-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                     { stdio: ["ignore", "ignore", "pipe", "pipe"] });
  let stderr = "";
  xvfb.stderr.on("data", (d) => { stderr += d; });
  const display = await new Promise((resolve, reject) => {
    let out = "";
    const timer = setTimeout(() => reject(new Error("Xvfb did not start: " + stderr.trim())), 20000);
    xvfb.stdio[3].on("data", (d) => {
      out += d;
      if (out.includes("\n")) { clearTimeout(timer); resolve(":" + out.trim()); }
    });
    xvfb.once("error", (e) => { clearTimeout(timer); reject(e); });
    xvfb.once("exit", (code) => { clearTimeout(timer); reject(new Error(`Xvfb ended (${code}): ${stderr.trim()}`)); });
  });
  return {
    display,
    stop() { return children.stop(xvfb); },
  };
}

module.exports = { startXvfb };
