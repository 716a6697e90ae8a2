#!/usr/bin/env node
// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Serves the web package as web hosts serve it: with the right types (the .wasm as
// application/wasm, which the browser needs to compile it while it downloads), gzip at
// level 6 on the fly for text and WebAssembly (nginx's "gzip on" with its default level), and
// the package's precompressed twins (NAME.br, NAME.gz) instead when the browser accepts them
// (nginx's gzip_static and brotli_static). ETag and Last-Modified, no Cache-Control, as a
// host that is not told otherwise. Only 127.0.0.1 unless told.
//
//   node scripts/serve-web.js [FOLDER] [--port N] [--host ADDRESS] [--plain] [--no-twins]
//
// FOLDER defaults to the newest dist/vusk-sandwich-*-web; --port to 8000 (0: any free port);
// --plain sends every file as it is, as `python3 -m http.server` does; --no-twins compresses
// on the fly only. As a module: serve(folder, options) -> Promise of { url, close(), stats }.
"use strict";

const fs = require("fs");
const http = require("http");
const path = require("path");
const zlib = require("zlib");

const kTypes = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".json": "application/json",
  ".webmanifest": "application/manifest+json",
  ".txt": "text/plain; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".png": "image/png",
  ".ico": "image/vnd.microsoft.icon",
  ".svg": "image/svg+xml",
};

// What nginx's gzip_types and a host's defaults compress; images are compressed already.
const kCompressible = new Set([".html", ".js", ".wasm", ".json", ".webmanifest", ".txt", ".css", ".svg"]);

// Which of the client's encodings the file is sent in: a twin on disk first (br before
// gzip), else gzip made now, else none.
function accepts(header, coding) {
  return String(header || "").split(",").some((part) => {
    const [name, ...params] = part.trim().split(";").map((s) => s.trim());
    const q = params.find((p) => p.startsWith("q="));
    return name === coding && !(q && Number(q.slice(2)) === 0);
  });
}

function serve(folder, { port = 8000, host = "127.0.0.1", plain = false, twins = true } = {}) {
  const root = path.resolve(folder);
  const stats = { requests: 0, bytes: 0, byPath: {} };

  const server = http.createServer((request, response) => {
    stats.requests++;
    const send = (status, headers, body) => {
      response.writeHead(status, headers);
      response.end(body);
    };
    if (request.method !== "GET" && request.method !== "HEAD") {
      send(405, { Allow: "GET, HEAD" });
      return;
    }
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, "http://host").pathname);
    } catch {
      send(400, {});
      return;
    }
    if (name.endsWith("/")) name += "index.html";
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(root + path.sep)) {
      send(403, {});
      return;
    }
    let info;
    try {
      info = fs.statSync(file);
    } catch {
      send(404, { "Content-Type": "text/plain" }, "Not found\n");
      return;
    }
    if (info.isDirectory()) {
      send(301, { Location: name + "/" });
      return;
    }
    const ext = path.extname(file);
    const etag = '"' + info.size.toString(16) + "-" + Math.floor(info.mtimeMs).toString(16) + '"';
    const headers = {
      "Content-Type": kTypes[ext] || "application/octet-stream",
      "Last-Modified": info.mtime.toUTCString(),
      ETag: etag,
    };
    const compressible = !plain && kCompressible.has(ext);
    if (compressible) headers.Vary = "Accept-Encoding";
    if (request.headers["if-none-match"] === etag) {
      send(304, headers);
      return;
    }
    const wanted = request.headers["accept-encoding"];
    let body = null;
    let stream = null;
    if (compressible && twins) {
      for (const [coding, suffix] of [["br", ".br"], ["gzip", ".gz"]]) {
        if (accepts(wanted, coding) && fs.existsSync(file + suffix)) {
          body = fs.readFileSync(file + suffix);
          headers["Content-Encoding"] = coding;
          break;
        }
      }
    }
    if (!body && compressible && accepts(wanted, "gzip")) {
      // Chunked, as an on-the-fly compressor sends it: no length known in advance.
      headers["Content-Encoding"] = "gzip";
      stream = fs.createReadStream(file).pipe(zlib.createGzip({ level: 6 }));
    }
    if (!body && !stream) body = fs.readFileSync(file);
    if (body) headers["Content-Length"] = body.length;
    response.writeHead(200, headers);
    if (request.method === "HEAD") {
      response.end();
      return;
    }
    const count = (n) => {
      stats.bytes += n;
      stats.byPath[name] = (stats.byPath[name] || 0) + n;
    };
    if (body) {
      count(body.length);
      response.end(body);
    } else {
      stream.on("data", (chunk) => count(chunk.length));
      stream.pipe(response);
    }
  });

  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port, host, () => {
      const address = server.address();
      const sockets = new Set();
      server.on("connection", (socket) => {
        sockets.add(socket);
        socket.on("close", () => sockets.delete(socket));
      });
      resolve({
        url: `http://${host}:${address.port}/`,
        port: address.port,
        stats,
        // Stops listening and drops the open connections, as a host that went away.
        close() {
          for (const socket of sockets) socket.destroy();
          return new Promise((done) => server.close(() => done()));
        },
      });
    });
  });
}

function newestPackage() {
  const dist = path.join(__dirname, "..", "dist");
  const folders = fs.existsSync(dist)
    ? fs.readdirSync(dist).filter((n) => /^vusk-sandwich-.*-web$/.test(n)).map((n) => path.join(dist, n))
    : [];
  folders.sort((a, b) => fs.statSync(a).mtimeMs - fs.statSync(b).mtimeMs);
  return folders.pop();
}

if (require.main === module) {
  const args = process.argv.slice(2);
  const options = {};
  let folder;
  for (let i = 0; i < args.length; i++) {
    const a = args[i];
    if (a === "--port") options.port = Number(args[++i]);
    else if (a === "--host") options.host = args[++i];
    else if (a === "--plain") options.plain = true;
    else if (a === "--no-twins") options.twins = false;
    else if (a.startsWith("-")) {
      console.error("usage: serve-web.js [FOLDER] [--port N] [--host ADDRESS] [--plain] [--no-twins]");
      process.exit(2);
    } else folder = a;
  }
  folder = folder || newestPackage();
  if (!folder || !fs.existsSync(path.join(folder, "index.html"))) {
    console.error("No web package to serve: run ./package web first, or name its folder.");
    process.exit(1);
  }
  serve(folder, options).then(
    (s) => console.log(`Serving ${folder} at ${s.url} (Ctrl+C stops)`),
    (e) => {
      console.error(String(e));
      process.exit(1);
    });
}

module.exports = { serve, accepts };
