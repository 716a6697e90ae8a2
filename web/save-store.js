// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The save files this browser keeps for the game: one IndexedDB record a file, written,
// read, listed and deleted one at a time, each in a transaction of its own. Storage is the
// truth for every page of the game that is open: a write touches its one file and nothing
// else, so two tabs never undo each other's saves, and a file written by two tabs at once is
// one of the two writes, whole. Every change is announced to the other open pages of the
// game (BroadcastChannel).
//
// The records are those that earlier versions of the game wrote through Emscripten's IDBFS,
// so their save files are read as they are: the database is named by the save folder's
// path, its store is "FILE_DATA" with a "timestamp" index, a record's key is the file's full
// path and its value { timestamp, mode, contents }.
//
// The page (index.html) and the game (src/window/host_web.cpp) use it as
// globalThis.VuskSaveStore; node's tests require() it.
"use strict";
(function (root, define) {
  if (typeof module === "object" && module.exports) module.exports = define();
  else root.VuskSaveStore = define();
})(globalThis, function () {
  const kDatabaseVersion = 21;
  const kStoreName = "FILE_DATA";
  const kFileType = 0o170000;
  const kRegularFile = 0o100000;
  const kFileMode = kRegularFile | 0o666;
  // A refused write can abort its transaction without IndexedDB ever answering, and some
  // private windows never answer an open: what gets no answer within this was refused.
  const kAnswerMs = 5000;

  function withinTime(promise, ms, what) {
    let timer;
    const late = new Promise((resolve, reject) => {
      timer = setTimeout(() => reject(new Error("no answer from the browser's storage to " + what)), ms);
    });
    return Promise.race([promise, late]).finally(() => clearTimeout(timer));
  }

  // A save file's name within the folder: no folder above it, nothing empty.
  function checkedName(name) {
    const parts = String(name).split("/");
    if (parts.some((part) => part === "" || part === "." || part === ".."))
      throw new Error("not a name of a file in the save folder: " + name);
    return parts.join("/");
  }

  class SaveStore {
    // folder: the save folder's path, which names the database.
    constructor(folder, { indexedDB = globalThis.indexedDB, channelName = "vusk-save-files",
                          answerMs = kAnswerMs } = {}) {
      this.folder = folder.replace(/\/+$/, "");
      this.indexedDB = indexedDB;
      this.answerMs = answerMs;
      this.listeners = [];
      this.channel = typeof BroadcastChannel === "function" ? new BroadcastChannel(channelName) : null;
      if (this.channel) {
        this.channel.onmessage = (event) => {
          const message = event.data || {};
          if (message.folder !== this.folder) return;
          for (const listener of this.listeners) listener(message.name);
        };
      }
      this.database = null;
    }

    key(name) { return this.folder + "/" + checkedName(name); }

    open() {
      if (this.database) return this.database;
      this.database = withinTime(new Promise((resolve, reject) => {
        if (!this.indexedDB) throw new Error("this browser has no IndexedDB");
        const request = this.indexedDB.open(this.folder, kDatabaseVersion);
        request.onupgradeneeded = () => {
          const db = request.result;
          const store = db.objectStoreNames.contains(kStoreName)
            ? request.transaction.objectStore(kStoreName) : db.createObjectStore(kStoreName);
          if (!store.indexNames.contains("timestamp"))
            store.createIndex("timestamp", "timestamp", { unique: false });
        };
        request.onsuccess = () => {
          const db = request.result;
          // A newer version of the game opening the database asks this one to let go.
          db.onversionchange = () => { db.close(); this.database = null; };
          resolve(db);
        };
        request.onerror = () => reject(request.error);
        request.onblocked = () => reject(new Error("the save files are held by an older page of the game"));
      }), this.answerMs, "opening the save files");
      // An open that failed is tried again next time.
      this.database.catch(() => { this.database = null; });
      return this.database;
    }

    // One transaction on the store: resolves with what `work` returned once the
    // transaction has completed (for a write: once storage holds it), rejects when it
    // failed or was aborted.
    async transact(mode, what, work) {
      const db = await this.open();
      return withinTime(new Promise((resolve, reject) => {
        // Strict durability: complete only once the data is on the disk, where the
        // browser tells the two apart.
        const transaction = db.transaction(kStoreName, mode, { durability: "strict" });
        let result;
        transaction.oncomplete = () => resolve(result);
        transaction.onabort = () => reject(transaction.error || new Error("the browser's storage refused " + what));
        try {
          result = work(transaction.objectStore(kStoreName));
        } catch (error) {
          try { transaction.abort(); } catch (_) { /* already over */ }
          reject(error);
        }
      }), this.answerMs, what);
    }

    // The files kept, sorted by name: [{ name, size, modified }].
    async list() {
      const prefix = this.folder + "/";
      const range = IDBKeyRange.bound(prefix, prefix + "\uffff");
      const files = [];
      await this.transact("readonly", "listing the save files", (store) => {
        store.openCursor(range).onsuccess = (event) => {
          const cursor = event.target.result;
          if (!cursor) return;
          const value = cursor.value || {};
          if ((value.mode & kFileType) === kRegularFile && value.contents) {
            files.push({ name: String(cursor.key).slice(prefix.length), size: value.contents.byteLength,
                         modified: new Date(value.timestamp) });
          }
          cursor.continue();
        };
      });
      return files.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
    }

    // The bytes of one file, or null when storage holds no such file.
    async read(name) {
      const key = this.key(name);
      let value;
      await this.transact("readonly", "reading " + name, (store) => {
        store.get(key).onsuccess = (event) => { value = event.target.result; };
      });
      if (!value || (value.mode & kFileType) !== kRegularFile || !value.contents) return null;
      return new Uint8Array(value.contents);
    }

    // Writes one file whole, replacing any of that name; resolves once storage holds it.
    // When storage refuses (full, or a private window), what it held stays as it was.
    async write(name, bytes) {
      const key = this.key(name);
      const record = { timestamp: new Date(), mode: kFileMode, contents: new Uint8Array(bytes) };
      await this.transact("readwrite", "keeping " + name, (store) => { store.put(record, key); });
      this.announce(name);
    }

    // Deletes one file; resolves once storage no longer holds it (a file that is not
    // there is no fault).
    async remove(name) {
      const key = this.key(name);
      await this.transact("readwrite", "deleting " + name, (store) => { store.delete(key); });
      this.announce(name);
    }

    // Calls listener(name) when another page of the game has written or deleted a file.
    onChange(listener) { this.listeners.push(listener); }

    announce(name) {
      if (this.channel) this.channel.postMessage({ folder: this.folder, name });
    }

    close() {
      if (this.channel) this.channel.close();
      if (this.database) this.database.then((db) => db.close(), () => {});
      this.database = null;
    }
  }

  return SaveStore;
});
