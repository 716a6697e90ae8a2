// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A player's first visit: the start screen, New game by the keyboard, a purchase, a save
// through the game's file dialog, a save over that file declined and then accepted, a
// reload, the load of that file chosen from what the dialog lists, the file downloaded
// through the page and held against what the desktop build writes for the same game, a
// desktop file uploaded and saved again by the browser build, a save that the browser's
// storage refuses, and Quit.
"use strict";

const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");
const game = require("../lib/game");
const { sleep } = require("../lib/tab");

// A game as the desktop build writes it, with nothing owned: nothing changes its amount
// between a load and a save.
const DESKTOP_GAME = " 1234.5678 \r\n 0  1  20  0  1 \r\n 0  20  500  0  1 \r\n 0  400  30000  1  1000 \r\n" +
                     " 0  128000  10000000  1  1000000 \r\n 0  0  5000000000  1  1000000000 \r\n";

async function run(t) {
  const tab = await t.openTab();
  const { fields } = game;

  // The start screen.
  const started = Date.now();
  await tab.goto(t.url);
  t.check("the page is titled Vusk sandwich", await tab.evaluate(() => document.title) === "Vusk sandwich");
  t.check("the game starts", await game.waitForGame(tab), (await tab.consoleLines()).slice(-5).join("; "));
  t.log(`start screen after ${((Date.now() - started) / 1000).toFixed(1)} s (${t.browserVersion})`);
  t.check("the page names a favicon that it serves",
          await tab.evaluate(() => fetch(document.querySelector("link[rel=icon]").href).then((r) => r.ok)));
  t.check("the storage answered", await tab.evaluate(() => storageAnswered) === true);
  t.check("Qt's style images came with the rest of the program",
          await tab.evaluate(() => moduleConfig.vuskStyleImages) === "added");
  await tab.screenshot("1-start");

  // New game by the keyboard (its button has the focus), then a purchase of the first
  // producer (the focus moves to its button).
  await game.key(tab, " ");
  await tab.screenshot("2-new-game");
  await game.key(tab, " ");
  await tab.screenshot("3-purchase");

  // What the browser does with a key the page prevented: nothing (Ctrl+S would save the
  // page, Ctrl+Q quit some browsers).
  await tab.evaluate(() => {
    window.keyLog = [];
    addEventListener("keydown", (e) => keyLog.push((e.ctrlKey ? "Ctrl+" : "") + e.key + (e.defaultPrevented ? " prevented" : "")));
  });
  await game.saveThroughDialog(tab, "web_save");
  const saved = await game.waitForSave(tab, "web_save.txt");
  await game.waitForBox(tab);  // "Game saved."
  await tab.screenshot("4-game-saved");
  t.check("a save through the dialog writes web_save.txt", saved, String(await game.saveNames(tab)));
  const keyLog = await tab.evaluate(() => keyLog);
  t.check("the browser's own Ctrl+S is prevented", keyLog.includes("Ctrl+s prevented"), String(keyLog));
  await game.key(tab, "Enter");
  await game.waitForNoBox(tab);
  let first = await game.readSave(tab, "web_save.txt");
  t.check("the save holds one Vusk on the cob bought from 100 vusk",
          first !== null && fields(first)[1] === "1" && Number(fields(first)[0]) < 100, String(first));
  t.check("the page lists the new file",
          await tab.evaluate(() => !!document.querySelector('button[data-name="web_save.txt"]')));

  // A name already taken: once the dialog has closed, the game asks whether to replace the
  // file (a box over the dialog would hang the page). No, its default, brings the dialog
  // back, and Escape there leaves the file as it was; Yes (Alt+Y) replaces it.
  await game.saveThroughDialog(tab, "web_save");
  await game.waitForBox(tab);
  await tab.screenshot("4-replace");
  await game.key(tab, "Enter");
  await game.waitForBox(tab);
  await game.key(tab, "Escape");
  await game.waitForNoBox(tab);
  t.check("declining to replace a file leaves it as it was",
          first !== null && (await game.readSave(tab, "web_save.txt")).equals(first));
  await game.saveThroughDialog(tab, "web_save");
  await game.waitForBox(tab);
  await game.key(tab, "y", { alt: true });
  const replaced = await game.waitForSave(tab, "web_save.txt", { unlike: first });
  await game.waitForBox(tab);  // "Game saved."
  await game.key(tab, "Enter");
  await game.waitForNoBox(tab);
  const again = await game.readSave(tab, "web_save.txt");
  t.check("Yes replaces the file with the game as it is now",
          replaced && again !== null && fields(again).slice(1).join() === fields(first).slice(1).join(), String(again));
  first = again;

  // The same file survives a reload, and loads.
  await tab.reload();
  t.check("the game starts again after a reload", await game.waitForGame(tab));
  const kept = await game.readSave(tab, "web_save.txt");
  t.check("web_save.txt is still in the save folder", kept !== null && first !== null && kept.equals(first));
  // Chosen from what the dialog lists: the start of the name brings up the dialog's
  // completions, which come from its view of the folder, and Enter opens the first. The
  // list fills from the event loop, and nothing in the page shows when it has.
  await game.typeIntoDialog(tab, "l", "web_s");
  await sleep(1000);
  await game.frames(tab);
  await tab.screenshot("5-load-dialog");
  await game.key(tab, "ArrowDown");
  await game.key(tab, "Enter");
  await game.waitForNoBox(tab);
  await tab.screenshot("5-loaded");
  await game.saveThroughDialog(tab, "after_load");
  t.check("a save after the load is written", await game.waitForSave(tab, "after_load.txt"));
  await game.waitForBox(tab);
  await game.key(tab, "Enter");
  await game.waitForNoBox(tab);
  const afterLoad = await game.readSave(tab, "after_load.txt");
  t.check("the loaded game goes on from the saved one (same producers, at least as much vusk)",
          afterLoad !== null && first !== null && fields(afterLoad).slice(1).join() === fields(first).slice(1).join() &&
          Number(fields(afterLoad)[0]) >= Number(fields(first)[0]),
          `${first} then ${afterLoad}`);

  // The file downloaded through the page, against the desktop build.
  const got = await tab.download(
    () => tab.evaluate(() => document.querySelector('button[data-name="web_save.txt"]').click()), "web_save.txt");
  t.check("the page's download gives the save file byte for byte", got !== null && first !== null && got.equals(first),
          String(got));
  const downloaded = path.join(t.work, "downloaded.txt");
  if (got) fs.writeFileSync(downloaded, got);
  const desktop = got ? execFileSync(t.rewrite, [downloaded]) : Buffer.alloc(0);
  t.check("the desktop build writes the downloaded game byte for byte the same", got !== null && desktop.equals(got),
          `${desktop} against ${got}`);

  // A file the desktop build wrote, uploaded through the page, loaded and saved again by
  // the browser build: the same bytes.
  const desktopFile = path.join(t.work, "from_desktop.txt");
  fs.writeFileSync(desktopFile, DESKTOP_GAME);
  const desktopBytes = execFileSync(t.rewrite, [desktopFile]);
  fs.writeFileSync(desktopFile, desktopBytes);
  await tab.upload("#upload", desktopFile);
  const uploaded = await game.waitForSave(tab, "from_desktop.txt");
  const inFolder = await game.readSave(tab, "from_desktop.txt");
  t.check("an upload puts the desktop file into the save folder",
          uploaded && inFolder !== null && inFolder.equals(desktopBytes), String(inFolder));
  await tab.evaluate(() => document.getElementById("screen").focus());
  await game.loadThroughDialog(tab, "from_desktop.txt");
  await game.waitForNoBox(tab);
  await game.saveThroughDialog(tab, "from_browser");
  await game.waitForSave(tab, "from_browser.txt");
  await game.waitForBox(tab);
  await game.key(tab, "Enter");
  await game.waitForNoBox(tab);
  const fromBrowser = await game.readSave(tab, "from_browser.txt");
  t.check("the browser build writes the desktop's game byte for byte the same",
          fromBrowser !== null && fromBrowser.equals(desktopBytes), `${fromBrowser} against ${desktopBytes}`);

  // Storage that refuses the write: the game must say so.
  await tab.evaluate(() => {
    IDBObjectStore.prototype.put = function () {
      throw new DOMException("The quota has been exceeded.", "QuotaExceededError");
    };
  });
  const logged = (await tab.consoleLines()).length;
  await game.saveThroughDialog(tab, "refused");
  const reported = await tab.waitFor((from) => window.__vuskTest.console.slice(from)
    .some((line) => line.includes("could not be written to storage")), 15, logged);
  await game.waitForBox(tab);  // "Save failed"
  await tab.screenshot("6-save-failed");
  t.check("a refused write is reported by the game", reported, (await tab.consoleLines()).slice(logged).join("; "));
  await game.key(tab, "Enter");
  await game.waitForNoBox(tab);
  await tab.reload();
  await game.waitForGame(tab);
  t.check("the refused file is not in storage after a reload", !(await game.saveNames(tab)).includes("refused.txt"));

  // Quit: the page says the game has ended.
  await game.key(tab, "q", { ctrl: true });
  const ended = await tab.waitFor(() => document.getElementById("notice-title").textContent === "The game has ended" &&
                                        document.getElementById("notice-title").textContent, 10);
  await tab.screenshot("7-ended");
  t.check("after Quit the page says the game has ended", ended === "The game has ended", String(ended));
}

module.exports = { run };
