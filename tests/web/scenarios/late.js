// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The rest of the game's program (vusk-sandwich.deferred.wasm) lost on the way: the page's
// request for it fails, and the player opens the Save dialog before it has come again. The
// game then fetches it at once, Qt's style images with it, and opens the dialog; it goes on
// as one program. Chromium's request interception fails the first request.
"use strict";

const game = require("../lib/game");

async function run(t) {
  const tab = await t.openTab();
  tab.restNeededEarly = true;  // the check after every scenario: this one wants it
  const page = tab.page;
  await page.setRequestInterception(true);
  let failed = 0;
  page.on("request", (request) => {
    if (request.isInterceptResolutionHandled()) return;
    if (request.url().endsWith("/vusk-sandwich.deferred.wasm") && failed++ === 0) request.abort("connectionreset");
    else request.continue();
  });
  // On a connection of 1.5 MB/s, what the page's bar says while the game downloads.
  await page.emulateNetworkConditions({ download: 1.5e6, upload: 1e6, latency: 0 });
  await page.evaluateOnNewDocument(() => {
    window.__vuskShares = [];
    const look = setInterval(() => {
      const bar = document.getElementById("progress");
      if (bar && !bar.hidden) window.__vuskShares.push(document.getElementById("progress-text").textContent);
      if (typeof running !== "undefined" && running) clearInterval(look);
    }, 20);
  });
  await tab.goto(t.url);
  t.check("the game starts without the rest of its program", await game.waitForGame(tab, 120, { whole: false }));
  await page.emulateNetworkConditions(null);
  const shares = (await tab.evaluate(() => window.__vuskShares)).map((text) => parseInt(text, 10));
  // Seen every 20 ms over seconds of download: it moves through many values, never back.
  t.check("the bar shows the share downloaded, growing",
          new Set(shares.filter((n) => n > 0 && n < 100)).size >= 10 &&
          shares.every((n, i) => i === 0 || n >= shares[i - 1]), shares.join(" "));
  const lines = () => tab.consoleLines().then((l) => l.join("\n"));
  t.check("the page says the rest comes when the game needs it",
          !!(await tab.waitFor(() => __vuskTest.console.some((l) => /fetched when the game needs it/.test(l)), 15)),
          await lines());
  await game.key(tab, " ");  // New game
  const open = await game.typeIntoDialog(tab, "s", "late");
  t.check("the Save dialog opens, the rest fetched at once", open && /loaded at once/.test(await lines()), await lines());
  t.check("Qt's style images came at once with it", await tab.evaluate(() => moduleConfig.vuskStyleImages) === "added");
  await game.key(tab, "Enter");
  t.check("the save through it is written", await game.waitForSave(tab, "late.txt"));
  await game.waitForBox(tab);  // "Game saved."
  await game.key(tab, "Enter");
  t.check("the box closes", await game.waitForNoBox(tab));
  await tab.screenshot("1-saved");
}

module.exports = { engines: ["chromium"], run };
