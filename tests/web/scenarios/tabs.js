// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Several tabs of the game open at once in one browser, as players keep them: each tab's
// saves stay whatever the others save or delete, a name another tab saved meanwhile gets the
// replace question, a file another tab deleted meanwhile fails to load and changes nothing,
// a burst of saves of one name from two tabs leaves one of them whole, and the erase button
// at the end of one tab's game deletes its own file alone. The ending takes 51 s, so it runs
// in its tab while the others play.
"use strict";

const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");
const game = require("../lib/game");
const { sleep } = require("../lib/tab");

// A game as the desktop build writes it, rich enough for the UFO, with nothing owned.
const UFO_GAME = " 6000000000 \r\n 0  1  20  0  1 \r\n 0  20  500  0  1 \r\n 0  400  30000  1  1000 \r\n" +
                 " 0  128000  10000000  1  1000000 \r\n 0  0  5000000000  1  1000000000 \r\n";
const ENDING_MS = 50800;

// The page's own list of save files, as its bar shows them.
const barNames = (tab) => tab.evaluate(() => Array.from(document.querySelectorAll("#files button"), (b) => b.dataset.name));

async function run(t) {
  const { fields } = game;
  const ufoFile = path.join(t.work, "ufo_game.txt");
  fs.writeFileSync(ufoFile, UFO_GAME);
  fs.writeFileSync(ufoFile, execFileSync(t.rewrite, [ufoFile]));

  // The tab whose game ends: the rich game uploaded, loaded and the UFO bought.
  const ender = await t.openTab();
  await ender.goto(t.url);
  t.check("the game starts in the first tab", await game.waitForGame(ender));
  await ender.upload("#upload", ufoFile);
  t.check("the rich game is uploaded", await game.waitForSave(ender, "ufo_game.txt"));
  await game.loadThroughDialog(ender, "ufo_game.txt");
  await game.waitForNoBox(ender);
  await game.key(ender, "p", { alt: true });
  await game.key(ender, "u");
  const endingStarted = Date.now();

  // Two tabs open at once; A saves a game with a cob under the proposed name, then B, open
  // since before, saves a new game of its own.
  const a = await t.openTab();
  const b = await t.openTab();
  for (const [name, tab] of [["A", a], ["B", b]]) {
    await tab.goto(t.url);
    t.check(`the game starts in tab ${name}`, await game.waitForGame(tab));
  }
  await a.focus();
  await game.key(a, " ");  // New game
  await game.key(a, " ");  // a Vusk on the cob
  await a.press("s", { ctrl: true });
  await game.waitForBox(a);
  await game.key(a, "Enter");  // the proposed vusk_save.txt
  t.check("A's save is in storage", await game.waitForSave(a, "vusk_save.txt"));
  await game.waitForBox(a);  // "Game saved."
  await game.key(a, "Enter");
  const aGame = await game.readSave(a, "vusk_save.txt");
  t.check("A's save holds its cob", aGame !== null && fields(aGame)[1] === "1", String(aGame));

  await b.focus();
  await game.key(b, " ");  // New game
  await game.saveThroughDialog(b, "other");
  t.check("B's save is in storage", await game.waitForSave(b, "other.txt"));
  await game.waitForBox(b);
  await game.key(b, "Enter");
  const bGame = await game.readSave(b, "other.txt");

  const fresh = await t.openTab();
  await fresh.goto(t.url);
  await fresh.waitFor(() => document.querySelectorAll("#files button").length >= 3, 15);
  const names = await barNames(fresh);
  t.check("a fresh tab finds both tabs' saves",
          names.includes("vusk_save.txt") && names.includes("other.txt"), String(names));
  t.check("A's save is A's game still", Buffer.compare(await game.readSave(fresh, "vusk_save.txt"), aGame) === 0);
  t.check("tab A's bar lists the file that B saved",
          await a.waitFor(() => !!document.querySelector('#files button[data-name="other.txt"]'), 10));

  // B saves again under the proposed name, which A's game holds: the replace question,
  // whose default, No, replaces nothing and brings the dialog back.
  await b.press("s", { ctrl: true });
  await game.waitForBox(b);
  await game.key(b, "Enter");
  await game.waitForBox(b);
  await b.screenshot("1-replace-question");
  await game.key(b, "Enter");  // No
  await game.waitForBox(b);
  await b.screenshot("2-dialog-again");
  await game.key(b, "Escape");
  await game.waitForNoBox(b);
  t.check("declining the replace question keeps the other tab's game",
          Buffer.compare(await game.readSave(fresh, "vusk_save.txt"), aGame) === 0);

  // A file that another tab deletes while B's Load dialog is open: "Load failed", and B's
  // game goes on as it was.
  await fresh.evaluate((bytes) => saveFiles.write("gone.txt", new Uint8Array(bytes)),
                       Array.from(Buffer.from(" 777 \r\n 5  1  20  0  1 \r\n 0  20  500  0  1 \r\n 0  400  30000  1  1000 \r\n" +
                                              " 0  128000  10000000  1  1000000 \r\n 0  0  5000000000  1  1000000000 \r\n")));
  await b.focus();
  await game.typeIntoDialog(b, "l", "gone.txt");
  await fresh.evaluate(() => saveFiles.remove("gone.txt"));
  await game.key(b, "Enter");
  await game.waitForBox(b);
  await b.screenshot("3-load-failed");
  await game.key(b, "Enter");
  await game.waitForNoBox(b);
  await game.saveThroughDialog(b, "after_gone");
  const afterGone = await game.waitForSave(b, "after_gone.txt") ? await game.readSave(b, "after_gone.txt") : null;
  await game.waitForBox(b);
  await game.key(b, "Enter");
  t.check("a load of a file deleted meanwhile changes nothing",
          afterGone !== null && fields(afterGone).join() === fields(bGame).join(), `${afterGone} against ${bGame}`);

  // A burst: two tabs writing one name by turns, all at once.
  const writes = (tab, text) => tab.evaluate(async (bytes) => {
    const all = [];
    for (let i = 0; i < 20; ++i) all.push(saveFiles.write("burst.txt", new Uint8Array(bytes)));
    await Promise.all(all);
    return true;
  }, Array.from(Buffer.from(text)));
  const games = [aGame.toString("latin1").repeat(10), bGame.toString("latin1").repeat(12)];
  await Promise.all([writes(a, games[0]), writes(b, games[1])]);
  const burst = await game.readSave(fresh, "burst.txt");
  t.check("a burst of saves of one name from two tabs leaves one of them whole",
          burst !== null && games.includes(burst.toString("latin1")), String(burst && burst.length));

  // Keys that come while the game waits for storage's answer: Ctrl+L waits for the save
  // files to be read, made slow here, and a Ctrl+S pressed meanwhile would open a second
  // dialog over that wait and hang the page. The game drops such keys, and plays on.
  await a.focus();
  await a.evaluate(() => {
    const read = VuskSaveStore.prototype.read;
    VuskSaveStore.prototype.read = async function (...args) {
      await new Promise((resolve) => setTimeout(resolve, 400));
      return read.apply(this, args);
    };
    window.restoreRead = () => { VuskSaveStore.prototype.read = read; };
  });
  await a.press("l", { ctrl: true });
  await a.press("s", { ctrl: true });
  await a.press("Enter");
  const answering = async () => (await Promise.race([a.evaluate(() => true), sleep(10000).then(() => false)]));
  await game.waitForBox(a);
  await a.screenshot("4-keys-while-waiting");
  t.check("keys pressed while storage answers do not hang the page", await answering());
  await a.evaluate(() => restoreRead());
  await game.key(a, "Escape");
  await game.waitForNoBox(a);
  await game.saveThroughDialog(a, "after_wait");
  t.check("the game saves after keys pressed while storage answered", await game.waitForSave(a, "after_wait.txt"));
  await game.waitForBox(a);
  await game.key(a, "Enter");

  // The end of the first tab's game: its erase button deletes its own file, and every
  // other tab's save stays.
  await ender.focus();
  await sleep(Math.max(0, ENDING_MS + 1500 - (Date.now() - endingStarted)));
  await ender.screenshot("5-ending");
  await game.key(ender, " ");  // the erase button has the focus
  const ended = await ender.waitFor(() => document.getElementById("notice-title").textContent === "The game has ended", 15);
  t.check("the erase button ends the game", !!ended);
  const left = await game.saveNames(fresh);
  t.check("the erase button deletes its own file alone",
          !left.includes("ufo_game.txt") && ["vusk_save.txt", "other.txt", "after_gone.txt", "burst.txt", "after_wait.txt"].every((n) => left.includes(n)),
          String(left));

  // What the browser said about keeping the files, after the saves asked it.
  const keeping = await a.evaluate(async () => [document.getElementById("keeping").textContent,
    navigator.storage && navigator.storage.persisted ? String(await navigator.storage.persisted()) : "no storage manager"]);
  t.check("the bar says whether the browser keeps the files", keeping[0].length > 0);
  t.log(`persisted: ${keeping[1]}; the bar: ${keeping[0]}`);
}

module.exports = { run };
