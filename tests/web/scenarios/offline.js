// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The game kept in the browser by its service worker (web/sw.js) and installable through
// its manifest: after a first visit the worker holds every file of the package; with the
// server stopped the page still starts the game; the manifest names the game and its icons,
// which are there in the sizes it says; and a package rebuilt as another version is
// announced, replaces every kept file at the next visit (the save files staying), and then
// starts offline too.
"use strict";

const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");
const game = require("../lib/game");

const ROOT = path.resolve(__dirname, "..", "..", "..");

// The list that the packing wrote into the worker: { version, files: [{ path, size, sha256 }] }.
function packageList(folder) {
  const text = fs.readFileSync(path.join(folder, "sw.js"), "utf8");
  const start = text.indexOf("const kPackage = ");
  const end = text.indexOf(";\n", start);
  return JSON.parse(text.slice(start + "const kPackage = ".length, end));
}

// What the page's caches hold for this page's worker: each cache's name, and for each of its
// files the path under the page's folder and its SHA-256.
function keptFiles(tab) {
  return tab.evaluate(async () => {
    const hex = (b) => Array.from(new Uint8Array(b), (x) => x.toString(16).padStart(2, "0")).join("");
    const base = new URL(".", location.href).href;
    const out = {};
    for (const name of await caches.keys()) {
      const cache = await caches.open(name);
      out[name] = {};
      for (const request of await cache.keys()) {
        const bytes = await (await cache.match(request)).arrayBuffer();
        out[name][request.url.slice(base.length)] = hex(await crypto.subtle.digest("SHA-256", bytes));
      }
    }
    return out;
  });
}

// Whether one cache holds exactly the files of the list, with their bytes.
function holdsExactly(cache, list) {
  const paths = Object.keys(cache || {}).sort();
  return paths.length === list.files.length &&
         list.files.every((f) => cache[f.path] === f.sha256);
}

// The package again, as another version: the page and the game's JavaScript changed, the
// rest as it was, packed by the same step as ./package web (without the twins, which the
// test's server does not send).
function rebuild(folder, into) {
  fs.cpSync(folder, into, { recursive: true });
  for (const name of fs.readdirSync(into)) if (/\.(br|gz)$/.test(name)) fs.rmSync(path.join(into, name));
  const page = path.join(into, "index.html");
  fs.writeFileSync(page, fs.readFileSync(page, "utf8").replace("<head>", '<head>\n<meta name="vusk-build" content="2">'));
  fs.appendFileSync(path.join(into, "vusk-sandwich.js"), "\n// build 2\n");
  fs.copyFileSync(path.join(ROOT, "web", "sw.js"), path.join(into, "sw.js"));
  execFileSync(process.execPath, [path.join(ROOT, "scripts", "web-pack.js"), into, "--no-twins"], { stdio: "pipe" });
}

// The visit at which a newer version takes over is two navigations: the worker answers the
// first with a refresh, so that the page comes from the new version's cache (sw.js). A wait
// in the page that the refresh replaced is begun again in the new one.
async function waitForGameAcrossRefresh(tab, seconds) {
  for (let attempt = 0; ; attempt++) {
    try {
      return await game.waitForGame(tab, seconds);
    } catch (error) {
      if (attempt >= 2 || !/destroyed|navigat|context|detached/i.test(String(error))) throw error;
    }
  }
}

async function run(t) {
  const first = packageList(t.server.folder);
  t.check("the package lists its files for the worker", first.files.length > 5 &&
          ["index.html", "vusk-sandwich.wasm", "vusk-sandwich.js", "qtloader.js", "manifest.webmanifest"]
            .every((p) => first.files.some((f) => f.path === p)), first.files.map((f) => f.path).join(" "));

  const tab = await t.openTab();
  await tab.goto(t.url);
  t.check("the game starts on the first visit", await game.waitForGame(tab));
  const ready = await tab.waitFor(async () => {
    const r = await navigator.serviceWorker.getRegistration();
    return !!(r && r.active && r.active.state === "activated");
  }, 60);
  t.check("the service worker is active after the first visit", !!ready);
  let kept = await keptFiles(tab);
  const firstCache = Object.keys(kept).find((n) => n.endsWith(" " + first.version));
  t.check("the worker keeps every file of the package, as it is", holdsExactly(kept[firstCache], first),
          JSON.stringify(Object.keys(kept)));

  // The manifest, as a browser that offers to install the game reads it.
  const manifest = await tab.evaluate(async () => {
    const link = document.querySelector('link[rel="manifest"]');
    if (!link) return { error: "no manifest link" };
    const response = await fetch(link.href);
    let json;
    try {
      json = JSON.parse(await response.text());
    } catch (e) {
      return { error: "not JSON: " + e.message };
    }
    const icons = [];
    for (const icon of json.icons || []) {
      const url = new URL(icon.src, link.href);
      const image = await fetch(url).then((r) => (r.ok ? r.blob() : null)).then((b) => b && createImageBitmap(b)).catch(() => null);
      icons.push({ sizes: icon.sizes, type: icon.type, drawn: image ? `${image.width}x${image.height}` : "" });
    }
    return { json, icons, type: response.headers.get("Content-Type"),
             startInScope: new URL(json.start_url, link.href).href.startsWith(new URL(json.scope || ".", link.href).href) };
  });
  t.check("the manifest is JSON", !manifest.error, manifest.error);
  if (!manifest.error) {
    const { json, icons } = manifest;
    t.check("the manifest names the game", json.name === "Vusk sandwich" && !!json.short_name, json.name);
    t.check("the manifest asks for a window of the game's own", json.display === "standalone", json.display);
    t.check("the manifest's start address is in its scope", manifest.startInScope);
    t.check("the manifest has the page's colours", /^#[0-9a-f]{6}$/i.test(json.background_color) &&
            /^#[0-9a-f]{6}$/i.test(json.theme_color), `${json.background_color} ${json.theme_color}`);
    for (const size of ["192x192", "512x512"]) {
      const icon = icons.find((i) => i.sizes === size);
      t.check(`the manifest's ${size} icon is a PNG of that size`, !!icon && icon.type === "image/png" && icon.drawn === size,
              JSON.stringify(icons));
    }
  }

  // A save, to find again after the update.
  const save = Array.from(Buffer.from(" 777 \r\n 5  1  20  0  1 \r\n"));
  await tab.evaluate((bytes) => saveFiles.write("kept_across_versions.txt", new Uint8Array(bytes)), save);

  // The server gone: the page and the game come from the worker.
  await t.server.stop();
  await tab.goto(t.url);
  t.check("with the server stopped, the game starts", await game.waitForGame(tab, 60));
  await tab.screenshot("1-offline");
  t.check("the page is the worker's", await tab.evaluate(() => !!navigator.serviceWorker.controller));

  // Another version on the server: the visit that finds it still plays the kept version
  // and says that a newer one is ready; the next visit is the new version, whole.
  const second = path.join(t.work, "build-2");
  rebuild(t.server.folder, second);
  const next = packageList(second);
  t.check("the rebuilt package has another version", next.version !== first.version, next.version);
  const folder = t.server.folder;
  t.server.folder = second;
  try {
    await t.server.start();
    await tab.goto(t.url);
    t.check("the visit that finds the new version starts the kept one", await game.waitForGame(tab) &&
            await tab.evaluate(() => !document.querySelector('meta[name="vusk-build"]')));
    const told = await tab.waitFor(() => !document.getElementById("update").hidden, 60);
    t.check("the page says that a newer version is ready", !!told);
    await tab.screenshot("2-newer-version-ready");

    await tab.reload();
    t.check("the next visit starts the new version", await waitForGameAcrossRefresh(tab) &&
            await tab.evaluate(() => !!document.querySelector('meta[name="vusk-build"]')));
    kept = await keptFiles(tab);
    const names = Object.keys(kept);
    const nextCache = names.find((n) => n.endsWith(" " + next.version));
    t.check("the new version's files replace the old ones, every one", names.length === 1 && holdsExactly(kept[nextCache], next),
            JSON.stringify(names));
    t.check("the new page got the new game's JavaScript",
            await tab.evaluate(async () => (await (await fetch("vusk-sandwich.js")).text()).endsWith("// build 2\n")));
    const after = await game.readSave(tab, "kept_across_versions.txt");
    t.check("the save files stay across versions", after !== null && after.equals(Buffer.from(save)), String(after));

    await t.server.stop();
    await tab.reload();
    t.check("the new version starts with the server stopped", await game.waitForGame(tab, 60) &&
            await tab.evaluate(() => !!document.querySelector('meta[name="vusk-build"]')));
    await tab.screenshot("3-new-version-offline");
  } finally {
    t.server.folder = folder;
  }
}

module.exports = { run };
