// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The game in its page, as the scenarios play it: waiting for it, its file dialog and
// message boxes by the keyboard, and its save files as the page holds them.
//
// The game draws everything, dialogs included, into one canvas, so what it shows cannot be
// read from the page. What can be seen is whether it waits in a dialog or a message box:
// such a window runs an event loop of its own, which in the browser waits by suspending the
// program (asyncify). Qt's event dispatcher keeps the function that resumes it in
// Module.qtAsyncifyWakeUp while it waits, and the Module is the object that Qt's loader
// keeps as the page's global moduleConfig (qtloader.js runs as a plain function call, so
// its `self` is the window). The wait for one box to close and the next to open can be too
// short to see: after a key that closes one, a short pause comes before the next wait.
"use strict";

const { sleep } = require("./tab");

// The page has loaded the game, its save folder is mounted and its window is up, and the
// rest of its program has arrived (unless `whole` is false).
async function waitForGame(tab, seconds = 120, { whole = true } = {}) {
  const ready = await tab.waitFor((w) => typeof storageAnswered === "boolean" && running === true &&
                                         (!w || restArrived === true), seconds, whole);
  if (ready) await frames(tab, 3);
  return !!ready;
}

// Resolves after the page has drawn `count` frames: what a key asked for is on the screen.
function frames(tab, count = 2) {
  return tab.evaluate((n) => new Promise((resolve) => {
    const step = () => (n-- > 0 ? requestAnimationFrame(step) : resolve(true));
    // A page that is not drawn (a tab behind another) has no frames: not waited for long.
    setTimeout(() => resolve(false), 2000);
    step();
  }), count);
}

// Whether the game waits in a dialog or a message box.
function inBox(tab) {
  return tab.evaluate(() => typeof moduleConfig === "object" && !!moduleConfig.qtAsyncifyWakeUp);
}

// Waits until a dialog or box waits for the player; then it is drawn.
async function waitForBox(tab, seconds = 15) {
  const open = await tab.waitFor(() => typeof moduleConfig === "object" && !!moduleConfig.qtAsyncifyWakeUp, seconds);
  if (open) await frames(tab);
  return !!open;
}

// Waits until no dialog or box is open: not waiting in one at three looks in a row, since
// each event handled resumes the program for a moment.
async function waitForNoBox(tab, seconds = 15) {
  const deadline = Date.now() + seconds * 1000;
  let clear = 0;
  while (Date.now() < deadline) {
    clear = (await inBox(tab)) ? 0 : clear + 1;
    if (clear >= 3) { await frames(tab); return true; }
    await sleep(50);
  }
  return false;
}

// A key, then a moment for the game to act on it and draw.
async function key(tab, name, modifiers) {
  await tab.press(name, modifiers);
  await sleep(120);
  await frames(tab);
}

// File, Save (shortcut "s") or Load ("l") by its shortcut, and text typed over the
// proposed name. True when the dialog opened.
async function typeIntoDialog(tab, shortcut, text) {
  await tab.press(shortcut, { ctrl: true });
  const open = await waitForBox(tab);
  await tab.press("a", { ctrl: true });
  await tab.type(text);
  await frames(tab);
  return open;
}

// The dialog of the shortcut, the name typed, Enter.
async function throughDialog(tab, shortcut, name) {
  const open = await typeIntoDialog(tab, shortcut, name);
  await key(tab, "Enter");
  return open;
}

const saveThroughDialog = (tab, name) => throughDialog(tab, "s", name);
const loadThroughDialog = (tab, name) => throughDialog(tab, "l", name);

// The names of the save files that the browser's storage holds now, as the page lists them.
function saveNames(tab) {
  return tab.evaluate(async () => (saveFiles ? (await saveFiles.list()).map((f) => f.name) : []));
}

// The bytes of a save file as the browser's storage holds it now (a Buffer), or null.
async function readSave(tab, name) {
  const bytes = await tab.evaluate(async (n) => {
    const data = saveFiles ? await saveFiles.read(n) : null;
    return data ? Array.from(data) : null;
  }, name);
  return bytes === null ? null : Buffer.from(bytes);
}

// Waits until storage holds `name`, with other bytes than `unlike` if given.
async function waitForSave(tab, name, { unlike = null, seconds = 15 } = {}) {
  const ok = await tab.waitFor(async (n, old) => {
    const data = saveFiles ? await saveFiles.read(n) : null;
    return !!data && (old === null || Array.from(data).join() !== old);
  }, seconds, name, unlike ? Array.from(unlike).join() : null);
  return !!ok;
}

// The numbers of a save file, as text.
function fields(save) {
  return save.toString("ascii").split(/\s+/).filter(Boolean);
}

module.exports = {
  waitForGame, frames, inBox, waitForBox, waitForNoBox, key, typeIntoDialog, throughDialog,
  saveThroughDialog, loadThroughDialog, saveNames, readSave, waitForSave, fields,
};
