// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A phone player, by touch alone, in Chromium's phone emulation (390 x 844 CSS pixels,
// three device pixels each): the window scaled down to fit the screen, New game,
// purchases tapped with and without the page drawing between them, a menu opened and
// closed again by a tap beside the window, File and Save, the dialog's Save button taken
// with the proposed name, "Game saved." and OK; a reload, Load game, the file chosen from
// the dialog's list, Open, and the game as it was saved.
//
// Every tap goes where the game says the control is drawn (the page's address asks the
// game for that with ?testhooks), so a change of the page's scale moves the taps with it.
"use strict";

const game = require("../lib/game");
const { sleep } = require("../lib/tab");

// Where the game draws a control (by object name, caption, menu title or item, list
// entry or label text), in CSS pixels of the page; null when no window shows it.
function where(tab, what) {
  return tab.evaluate((w) => vuskGame.find(w), what);
}

// A tap in the middle of a control; false when no window shows it.
async function tapOn(tab, what, { draw = true } = {}) {
  const r = await where(tab, what);
  if (!r) return false;
  await tab.tap(r.x + r.width / 2, r.y + r.height / 2);
  if (draw) {
    await sleep(150);
    await game.frames(tab);
  }
  return true;
}

// Whether a rectangle lies within the page's viewport, whole.
function within(r, viewport) {
  return !!r && r.x >= -0.5 && r.y >= -0.5 && r.x + r.width <= viewport.width + 0.5 &&
         r.y + r.height <= viewport.height + 0.5;
}

// The counts of producers as the window's labels show them ("3x"), from the save file
// the game wrote: the second field of each producer's line.
function cobs(save) {
  return save === null ? null : Number(game.fields(save)[1]);
}

async function run(t) {
  const tab = await t.openTab({ phone: true });
  await tab.focus();  // a tab behind another draws nothing and takes no touch
  await tab.goto(t.url + "?testhooks");
  t.check("the game starts on the phone", await game.waitForGame(tab), (await tab.consoleLines()).slice(-5).join("; "));
  const viewport = await tab.evaluate(() => ({ width: innerWidth, height: innerHeight }));
  const canvas = await tab.evaluate(() => {
    const r = document.getElementById("screen").getBoundingClientRect();
    return { width: r.width, height: r.height };
  });
  const scale = await tab.evaluate(() => vuskGame.scale());
  const [main] = await tab.evaluate(() => vuskGame.windows());
  t.log(`viewport ${viewport.width} x ${viewport.height}, canvas ${canvas.width} x ${canvas.height}, ` +
        `scale ${scale.toFixed(3)}, window ${main.width.toFixed(1)} x ${main.height.toFixed(1)}`);
  t.check("the window with its frame is scaled down to fit the phone's width",
          scale < 1 && within(main, canvas) && main.width > canvas.width - 2,
          JSON.stringify({ scale, main, canvas }));
  await tab.screenshot("1-start");

  // New game, then purchases from its 100 vusk (at 20, 23, 26 and 29): two taps with the
  // page drawing between them, two with none (as fast as the browser takes them).
  t.check("New game is tapped", await tapOn(tab, "btnNewGame"));
  t.check("New game starts play: the start screen is gone", await where(tab, "btnNewGame") === null);
  for (let i = 0; i < 2; i++) await tapOn(tab, "btnPurchase(0)");
  t.check("two taps on Purchase buy two Vusk on the cob", (await where(tab, "lblFarmCount(0)")).text.trim() === "2x",
          JSON.stringify(await where(tab, "lblFarmCount(0)")));
  const purchase = await where(tab, "btnPurchase(0)");
  for (let i = 0; i < 2; i++) await tab.tap(purchase.x + purchase.width / 2, purchase.y + purchase.height / 2);
  await game.frames(tab);
  t.check("two taps without a frame between them buy two more", (await where(tab, "lblFarmCount(0)")).text.trim() === "4x",
          JSON.stringify(await where(tab, "lblFarmCount(0)")));
  await tab.screenshot("2-purchased");

  // A menu opened by a tap on its title, closed by a tap beside the window, and opened
  // again: each tap on the title opens it once.
  let opened = 0;
  for (let i = 0; i < 3; i++) {
    await tapOn(tab, "File");
    if (await where(tab, "Quit")) opened++;
    if (i === 0) await tab.screenshot("3-file-menu");
    await tab.tap(viewport.width / 2, Math.max(2, main.y / 2));  // the canvas above the window
    await sleep(150);
    await game.frames(tab);
    if (await where(tab, "Quit")) break;
  }
  t.check("three taps on File open its menu three times, and a tap beside it closes it",
          opened === 3 && !(await where(tab, "Quit")), `opened ${opened} times`);

  // File, Save; the proposed name taken with one tap on the dialog's Save button.
  await tapOn(tab, "File");
  t.check("File, Save is tapped", await tapOn(tab, "Save", { draw: false }));
  t.check("the Save dialog opens", await game.waitForBox(tab));
  const dialog = (await tab.evaluate(() => vuskGame.windows()))[0];
  await tab.screenshot("4-save-dialog");
  t.check("the Save dialog fits the screen", within(dialog, canvas), JSON.stringify({ dialog, canvas }));
  const names = await game.saveNames(tab);
  // A tap on the name field, which has the focus: Qt gives the focus to a text field of
  // the page's own, off the screen, which is what brings up a phone's keyboard.
  const typing = () => tab.evaluate(() => {
    const e = document.activeElement;
    return !!e && e.tagName === "INPUT" && e.type === "text";
  });
  t.check("a tap on the file name field gives the focus to a text field of the page",
          !(await typing()) && await tapOn(tab, "fileNameEdit") && await typing());
  t.check("the dialog's Save button is tapped", await tapOn(tab, "Save", { draw: false }));
  await game.waitForNoBox(tab, 5);
  t.check("\"Game saved.\" shows", await game.waitForBox(tab) && !!(await where(tab, "Game saved.")));
  const box = (await tab.evaluate(() => vuskGame.windows()))[0];
  await tab.screenshot("5-game-saved");
  t.check("the message box fits the screen", within(box, canvas), JSON.stringify(box));
  const added = (await game.saveNames(tab)).filter((n) => !names.includes(n));
  t.check("the proposed name was saved with one tap", added.length === 1, JSON.stringify(added));
  t.check("OK is tapped", await tapOn(tab, "OK"));
  t.check("the box closes", await game.waitForNoBox(tab));
  t.log(`the page's focus after the dialog: ${await tab.evaluate(() => document.activeElement && document.activeElement.tagName + "#" + document.activeElement.id)}`);
  const file = added[0];
  const saved = await game.readSave(tab, file);
  t.check("the saved game owns four Vusk on the cob", cobs(saved) === 4, String(saved));

  // A reload; Load game; the file chosen from the dialog's list; Open.
  await tab.reload();
  t.check("the game starts again after a reload", await game.waitForGame(tab));
  t.check("Load game is tapped", await tapOn(tab, "btnLoadGame", { draw: false }));
  t.check("the Load dialog opens", await game.waitForBox(tab));
  await sleep(500);  // the list is filled from the event loop
  await game.frames(tab);
  t.check("the saved file is tapped in the dialog's list", await tapOn(tab, file), file);
  await tab.screenshot("6-load-dialog");
  t.check("Open is tapped", await tapOn(tab, "Open", { draw: false }));
  t.check("the Load dialog closes", await game.waitForNoBox(tab));
  await tab.screenshot("7-loaded");
  t.check("the loaded game shows its four Vusk on the cob", (await where(tab, "lblFarmCount(0)")).text.trim() === "4x" &&
          (await where(tab, "btnNewGame")) === null);
}

module.exports = { engines: ["chromium"], run };
