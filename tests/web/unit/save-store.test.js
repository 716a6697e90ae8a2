// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The browser's save-file storage (web/save-store.js) under node, on fake-indexeddb: every
// store opened here on one folder is another tab of the same browser profile.
"use strict";
require("fake-indexeddb/auto");
const test = require("node:test");
const assert = require("node:assert/strict");
const SaveStore = require("../../../web/save-store.js");

const kFolder = "/home/web_user/Saved games";
const bytes = (text) => new TextEncoder().encode(text);
const text = (data) => (data === null ? null : new TextDecoder().decode(data));
let folders = 0;
// A folder of its own for each test, so that none sees another's files.
const newFolder = () => kFolder + " " + ++folders;
const opened = [];
function tab(folder, options) {
  const store = new SaveStore(folder, options);
  opened.push(store);
  return store;
}
test.after(() => opened.forEach((store) => store.close()));

// What Emscripten's IDBFS put into the database for a folder with a subfolder.
function plantIdbfsRecords(folder, records) {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(folder, 21);
    request.onupgradeneeded = () => {
      request.result.createObjectStore("FILE_DATA").createIndex("timestamp", "timestamp", { unique: false });
    };
    request.onsuccess = () => {
      const db = request.result;
      const transaction = db.transaction("FILE_DATA", "readwrite");
      for (const [key, value] of Object.entries(records)) transaction.objectStore("FILE_DATA").put(value, key);
      transaction.oncomplete = () => { db.close(); resolve(); };
      transaction.onabort = () => reject(transaction.error);
    };
    request.onerror = () => reject(request.error);
  });
}

test("files are written, listed, read and deleted one at a time", async () => {
  const store = tab(newFolder());
  assert.deepEqual(await store.list(), []);
  await store.write("vusk_save.txt", bytes(" 100 \r\n"));
  await store.write("a game.txt", bytes("12345"));
  await store.write("vusk_save.txt", bytes(" 98 \r\n"));
  assert.deepEqual((await store.list()).map((f) => [f.name, f.size]), [["a game.txt", 5], ["vusk_save.txt", 6]]);
  assert.equal(text(await store.read("vusk_save.txt")), " 98 \r\n");
  assert.equal(await store.read("missing.txt"), null);
  await store.remove("vusk_save.txt");
  await store.remove("vusk_save.txt");  // gone already: no fault
  assert.deepEqual((await store.list()).map((f) => f.name), ["a game.txt"]);
});

test("names that would leave the save folder are refused", async () => {
  const store = tab(newFolder());
  for (const name of ["", "../x.txt", "a/../../x.txt", "a//b.txt", "./x.txt"])
    await assert.rejects(store.write(name, bytes("x")), /not a name/, name);
});

test("the files that IDBFS kept are read as they are, and a write leaves them alone", async () => {
  const folder = newFolder();
  const when = new Date(2026, 0, 2);
  await plantIdbfsRecords(folder, {
    [folder + "/old.txt"]: { timestamp: when, mode: 33206, contents: bytes("old game") },
    [folder + "/sub"]: { timestamp: when, mode: 16877 },
    [folder + "/sub/deep.txt"]: { timestamp: when, mode: 33188, contents: bytes("deep") },
    [folder + "x/other folder.txt"]: { timestamp: when, mode: 33206, contents: bytes("not ours") },
  });
  const store = tab(folder);
  await store.write("new.txt", bytes("new game"));
  const files = await store.list();
  assert.deepEqual(files.map((f) => f.name), ["new.txt", "old.txt", "sub/deep.txt"]);
  assert.equal(files[1].modified.getTime(), when.getTime());
  assert.equal(text(await store.read("old.txt")), "old game");
  assert.equal(text(await store.read("sub/deep.txt")), "deep");
  assert.equal(await store.read("sub"), null, "a folder is no file");
});

test("two tabs: each one's saves stay, and each hears of the other's", async () => {
  const folder = newFolder();
  const a = tab(folder);
  const b = tab(folder);
  const heard = [];
  const heardTwo = new Promise((resolve) => b.onChange((name) => { heard.push(name); if (heard.length === 2) resolve(); }));
  await a.write("vusk_save.txt", bytes("three cobs"));
  await b.write("other.txt", bytes("a fresh game"));
  await a.remove("gone.txt");
  await Promise.race([heardTwo, new Promise((resolve) => setTimeout(resolve, 2000))]);
  assert.deepEqual(heard, ["vusk_save.txt", "gone.txt"], "b hears a's changes, not its own");
  const fresh = tab(folder);
  assert.deepEqual((await fresh.list()).map((f) => f.name), ["other.txt", "vusk_save.txt"]);
  assert.equal(text(await fresh.read("vusk_save.txt")), "three cobs");
  const elsewhere = tab(newFolder());
  assert.deepEqual(await elsewhere.list(), [], "another folder's database is not touched");
});

test("saves of one name from two tabs at once leave one of them whole", async () => {
  const folder = newFolder();
  const a = tab(folder);
  const b = tab(folder);
  const games = { a: " 1.5 \r\n 3  1  20  0  1 \r\n".repeat(20), b: " 99 \r\n 0  1  20  0  1 \r\n".repeat(25) };
  const writes = [];
  for (let i = 0; i < 40; ++i) writes.push((i % 2 ? a : b).write("vusk_save.txt", bytes(i % 2 ? games.a : games.b)));
  await Promise.all(writes);
  const kept = text(await tab(folder).read("vusk_save.txt"));
  assert.ok(kept === games.a || kept === games.b, "the file is one game whole: " + JSON.stringify(kept.slice(0, 40)));
});

test("a write that storage refuses fails and leaves the file as it was", async (t) => {
  const refusals = {
    "a put that throws": function () { throw new DOMException("The quota has been exceeded.", "QuotaExceededError"); },
    "a transaction that aborts": function () { this.transaction.abort(); return {}; },
  };
  for (const [how, put] of Object.entries(refusals)) {
    await t.test(how, async () => {
      const store = tab(newFolder());
      await store.write("vusk_save.txt", bytes("the earlier game"));
      const realPut = IDBObjectStore.prototype.put;
      IDBObjectStore.prototype.put = put;
      try {
        await assert.rejects(store.write("vusk_save.txt", bytes("the new game")));
        await assert.rejects(store.write("new.txt", bytes("the new game")));
      } finally {
        IDBObjectStore.prototype.put = realPut;
      }
      assert.equal(text(await store.read("vusk_save.txt")), "the earlier game");
      assert.deepEqual((await store.list()).map((f) => f.name), ["vusk_save.txt"]);
    });
  }
});

test("storage that never answers is a refusal, and the next call tries again", async () => {
  const silent = { open: () => ({}) };  // a request whose events never come
  const store = tab(newFolder(), { indexedDB: silent, answerMs: 50 });
  await assert.rejects(store.write("vusk_save.txt", bytes("x")), /no answer/);
  store.indexedDB = indexedDB;
  await store.write("vusk_save.txt", bytes("x"));
  assert.equal(text(await store.read("vusk_save.txt")), "x");
});
