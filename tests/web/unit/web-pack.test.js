// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The last step of packing the web folder (scripts/web-pack.js) and the server that serves it
// as hosts do (scripts/serve-web.js), under node, on a small folder made here.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const crypto = require("crypto");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const { execFileSync } = require("child_process");
const { serve, accepts } = require("../../../scripts/serve-web.js");

const kRoot = path.resolve(__dirname, "..", "..", "..");
const kPack = path.join(kRoot, "scripts", "web-pack.js");

// A package folder as ./package web leaves it before its last step: the page and the worker
// from web/, a game of repetitive (so compressible) bytes, an icon in a subfolder.
function folder() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "vusk-web-pack-"));
  fs.copyFileSync(path.join(kRoot, "web", "index.html"), path.join(dir, "index.html"));
  fs.copyFileSync(path.join(kRoot, "web", "sw.js"), path.join(dir, "sw.js"));
  fs.writeFileSync(path.join(dir, "vusk-sandwich.wasm"), Buffer.from("\0asm\x01\0\0\0" + "vusk ".repeat(20000)));
  fs.writeFileSync(path.join(dir, "vusk-sandwich.js"), "var game = 1;\n".repeat(500));
  fs.mkdirSync(path.join(dir, "icons", "192x192"), { recursive: true });
  fs.copyFileSync(path.join(kRoot, "resources", "icons", "192x192", "vusk-sandwich.png"),
                  path.join(dir, "icons", "192x192", "vusk-sandwich.png"));
  return dir;
}

const pack = (dir, ...args) => execFileSync(process.execPath, [kPack, dir, ...args], { stdio: "pipe" });
const sha256 = (file) => crypto.createHash("sha256").update(fs.readFileSync(file)).digest("hex");

function workerList(dir) {
  const text = fs.readFileSync(path.join(dir, "sw.js"), "utf8");
  const start = text.indexOf("const kPackage = ") + "const kPackage = ".length;
  return JSON.parse(text.slice(start, text.indexOf(";\n", start)));
}

test("the worker lists every file of the folder but itself and the twins, with its size and hash", () => {
  const dir = folder();
  fs.writeFileSync(path.join(dir, "added-later.txt"), "a file nobody told the worker about\n");
  pack(dir);
  const list = workerList(dir);
  assert.deepEqual(list.files.map((f) => f.path),
                   ["added-later.txt", "icons/192x192/vusk-sandwich.png", "index.html", "vusk-sandwich.js", "vusk-sandwich.wasm"]);
  for (const f of list.files) {
    assert.equal(f.size, fs.statSync(path.join(dir, f.path)).size, f.path);
    assert.equal(f.sha256, sha256(path.join(dir, f.path)), f.path);
  }
  assert.match(list.version, /^[0-9a-f]{16}$/);
});

test("the page is told the sizes of the game's two files", () => {
  const dir = folder();
  pack(dir, "--no-twins");
  const page = fs.readFileSync(path.join(dir, "index.html"), "utf8");
  const line = page.split("\n").find((l) => l.trimStart().startsWith("const kGameFileBytes = "));
  const sizes = JSON.parse(line.trim().slice("const kGameFileBytes = ".length, -1));
  assert.deepEqual(sizes, {
    "vusk-sandwich.wasm": fs.statSync(path.join(dir, "vusk-sandwich.wasm")).size,
    "vusk-sandwich.js": fs.statSync(path.join(dir, "vusk-sandwich.js")).size,
  });
});

test("the version follows the contents: the same files give the same key, one changed byte another", () => {
  const a = folder();
  const b = folder();
  pack(a, "--no-twins");
  pack(b, "--no-twins");
  assert.equal(workerList(a).version, workerList(b).version);
  // Packing again (the page already filled in, twins of before present) changes nothing.
  pack(a);
  assert.equal(workerList(a).version, workerList(b).version);
  const c = folder();
  fs.appendFileSync(path.join(c, "vusk-sandwich.js"), " ");
  pack(c, "--no-twins");
  assert.notEqual(workerList(c).version, workerList(a).version);
});

test("each compressible file gets .br and .gz twins that decode to it; images and the twins get none", () => {
  const dir = folder();
  pack(dir);
  for (const name of ["index.html", "sw.js", "vusk-sandwich.js", "vusk-sandwich.wasm"]) {
    const original = fs.readFileSync(path.join(dir, name));
    assert.deepEqual(zlib.brotliDecompressSync(fs.readFileSync(path.join(dir, name + ".br"))), original, name);
    assert.deepEqual(zlib.gunzipSync(fs.readFileSync(path.join(dir, name + ".gz"))), original, name);
    assert.ok(fs.statSync(path.join(dir, name + ".br")).size < original.length, name);
  }
  assert.ok(!fs.existsSync(path.join(dir, "icons", "192x192", "vusk-sandwich.png.br")));
  assert.ok(!fs.readdirSync(dir).some((n) => /\.(br|gz)\.(br|gz)$/.test(n)));
});

function get(url, headers = {}) {
  return new Promise((resolve, reject) => {
    http.get(url, { headers }, (response) => {
      const chunks = [];
      response.on("data", (c) => chunks.push(c));
      response.on("end", () => resolve({ status: response.statusCode, headers: response.headers, body: Buffer.concat(chunks) }));
    }).on("error", reject);
  });
}

test("Accept-Encoding is read as browsers write it, q=0 refusing a coding", () => {
  assert.ok(accepts("gzip, deflate, br, zstd", "br"));
  assert.ok(accepts("br;q=1.0, gzip;q=0.8", "gzip"));
  assert.ok(!accepts("gzip, deflate", "br"));
  assert.ok(!accepts("br;q=0, gzip", "br"));
  assert.ok(!accepts(undefined, "gzip"));
  assert.ok(!accepts("xbr", "br"));
});

test("the server sends the twins, compresses what has none, types the .wasm, and keeps to its folder", async (t) => {
  const dir = folder();
  pack(dir);
  fs.rmSync(path.join(dir, "vusk-sandwich.js.br"));
  fs.rmSync(path.join(dir, "vusk-sandwich.js.gz"));
  const server = await serve(dir, { port: 0 });
  t.after(() => server.close());
  const wasm = fs.readFileSync(path.join(dir, "vusk-sandwich.wasm"));

  let r = await get(server.url + "vusk-sandwich.wasm", { "Accept-Encoding": "gzip, deflate, br" });
  assert.equal(r.headers["content-type"], "application/wasm");
  assert.equal(r.headers["content-encoding"], "br");
  assert.deepEqual(r.body, fs.readFileSync(path.join(dir, "vusk-sandwich.wasm.br")));

  r = await get(server.url + "vusk-sandwich.wasm", { "Accept-Encoding": "gzip" });
  assert.equal(r.headers["content-encoding"], "gzip");
  assert.deepEqual(zlib.gunzipSync(r.body), wasm);

  r = await get(server.url + "vusk-sandwich.wasm");
  assert.equal(r.headers["content-encoding"], undefined);
  assert.deepEqual(r.body, wasm);

  // No twin: gzipped on the fly, with no length known in advance.
  r = await get(server.url + "vusk-sandwich.js", { "Accept-Encoding": "br, gzip" });
  assert.equal(r.headers["content-encoding"], "gzip");
  assert.equal(r.headers["content-length"], undefined);
  assert.deepEqual(zlib.gunzipSync(r.body), fs.readFileSync(path.join(dir, "vusk-sandwich.js")));

  r = await get(server.url, { "Accept-Encoding": "br" });
  assert.equal(r.headers["content-type"], "text/html; charset=utf-8");
  assert.deepEqual(zlib.brotliDecompressSync(r.body), fs.readFileSync(path.join(dir, "index.html")));

  r = await get(server.url + "icons/192x192/vusk-sandwich.png", { "Accept-Encoding": "br, gzip" });
  assert.equal(r.headers["content-encoding"], undefined);

  r = await get(server.url + "vusk-sandwich.wasm", { "If-None-Match": (await get(server.url + "vusk-sandwich.wasm")).headers.etag });
  assert.equal(r.status, 304);

  // A file beside the folder, asked for past it in the ways a path can be written.
  const beside = dir + "-beside.txt";
  fs.writeFileSync(beside, "not the package's\n");
  t.after(() => fs.rmSync(beside));
  const name = path.basename(beside);
  for (const way of [`../${name}`, `%2e%2e/${name}`, `..%2f${name}`, `a/..%2f..%2f${name}`, `..%5c${name}`]) {
    const answer = await get(server.url + way);
    assert.ok(answer.status === 403 || answer.status === 404, `${way}: ${answer.status}`);
  }
  assert.equal((await get(server.url + "missing.js")).status, 404);
});

test("a plain server sends every file as it is", async (t) => {
  const dir = folder();
  pack(dir);
  const server = await serve(dir, { port: 0, plain: true });
  t.after(() => server.close());
  const r = await get(server.url + "vusk-sandwich.wasm", { "Accept-Encoding": "gzip, br" });
  assert.equal(r.headers["content-encoding"], undefined);
  assert.equal(r.headers["content-type"], "application/wasm");
  assert.equal(r.body.length, fs.statSync(path.join(dir, "vusk-sandwich.wasm")).size);
});
