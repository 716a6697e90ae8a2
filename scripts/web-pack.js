#!/usr/bin/env node
// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Finishes the web package's folder once every file is in it (scripts/package-web.sh):
//  - the page learns the sizes of the game's two large files, for its progress bar;
//  - the service worker (sw.js) gets the list of every other file of the folder with its
//    size and SHA-256, and a version key made of them, so that whatever the folder holds is
//    kept for offline visits and a changed file makes a new version;
//  - each compressible file gets its precompressed twins, NAME.br (Brotli, quality 11) and
//    NAME.gz (gzip -9), for hosts that serve them instead of compressing on the fly.
//
//   node scripts/web-pack.js FOLDER [--no-twins]
"use strict";

const crypto = require("crypto");
const fs = require("fs");
const path = require("path");
const zlib = require("zlib");

// The files that Qt's loader fetches and the page's progress bar counts.
const kGameFiles = ["vusk-sandwich.wasm", "vusk-sandwich.js"];
const kCompressible = new Set([".html", ".js", ".wasm", ".json", ".webmanifest", ".txt", ".css", ".svg"]);

function filesUnder(root, folder = "") {
  const found = [];
  for (const entry of fs.readdirSync(path.join(root, folder), { withFileTypes: true })) {
    const name = folder ? folder + "/" + entry.name : entry.name;
    if (entry.isDirectory()) found.push(...filesUnder(root, name));
    else if (entry.isFile()) found.push(name);
  }
  return found.sort();
}

// NAME.br and NAME.gz beside a NAME that the folder has: a twin, not a file of its own.
function isTwin(root, name) {
  const m = /^(.*)\.(br|gz)$/.exec(name);
  return m !== null && fs.existsSync(path.join(root, m[1]));
}

// Replaces the one line that starts with `start` (after blanks) by `start + value + ";"`.
function fillIn(file, start, value) {
  const text = fs.readFileSync(file, "utf8");
  const lines = text.split("\n");
  const at = lines.findIndex((l) => l.trimStart().startsWith(start));
  if (at < 0) throw new Error(`${file} has no line starting with "${start}"`);
  const indent = lines[at].slice(0, lines[at].length - lines[at].trimStart().length);
  lines[at] = indent + start + value + ";";
  fs.writeFileSync(file, lines.join("\n"));
}

function main() {
  const args = process.argv.slice(2);
  const root = args.find((a) => !a.startsWith("-"));
  const twins = !args.includes("--no-twins");
  if (!root || !fs.existsSync(path.join(root, "index.html"))) {
    console.error("usage: web-pack.js FOLDER [--no-twins]   (FOLDER holds index.html)");
    process.exit(2);
  }
  // Twins of an earlier run are made anew.
  for (const name of filesUnder(root)) if (isTwin(root, name)) fs.unlinkSync(path.join(root, name));

  const sizes = Object.fromEntries(kGameFiles.map((n) => [n, fs.statSync(path.join(root, n)).size]));
  fillIn(path.join(root, "index.html"), "const kGameFileBytes = ", JSON.stringify(sizes));

  const files = filesUnder(root).filter((n) => n !== "sw.js").map((name) => {
    const bytes = fs.readFileSync(path.join(root, name));
    return { path: name, size: bytes.length, sha256: crypto.createHash("sha256").update(bytes).digest("hex") };
  });
  const version = crypto.createHash("sha256")
    .update(files.map((f) => `${f.sha256} ${f.path}\n`).join("")).digest("hex").slice(0, 16);
  fillIn(path.join(root, "sw.js"), "const kPackage = ", JSON.stringify({ version, files }, null, 1));
  console.log(`== Service worker: version ${version}, ${files.length} files kept for offline visits`);

  if (!twins) return;
  const started = Date.now();
  for (const name of filesUnder(root)) {
    if (!kCompressible.has(path.extname(name))) continue;
    const file = path.join(root, name);
    const bytes = fs.readFileSync(file);
    const br = zlib.brotliCompressSync(bytes, {
      params: {
        [zlib.constants.BROTLI_PARAM_QUALITY]: 11,
        [zlib.constants.BROTLI_PARAM_LGWIN]: 24,
        [zlib.constants.BROTLI_PARAM_SIZE_HINT]: bytes.length,
      },
    });
    const gz = zlib.gzipSync(bytes, { level: 9 });
    // A twin no smaller than the file would only cost the host its disk.
    if (br.length < bytes.length) fs.writeFileSync(file + ".br", br);
    if (gz.length < bytes.length) fs.writeFileSync(file + ".gz", gz);
  }
  console.log(`== Precompressed twins (.br, .gz) made in ${((Date.now() - started) / 1000).toFixed(1)} s`);
}

main();
