// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A static web server for one folder on 127.0.0.1, as a player's web host would serve the
// package: each file with its type (.wasm as application/wasm, which the browsers' streaming
// compiler asks for), revalidated on every load. It can stop and start again on the same
// port, for a page that must go on without its server.
//
// With `inject` set, a page that the browser navigates to gets the error and console
// recorder (collector.js) as its first script. Only navigations: a service worker that
// fetches the page to keep it checks its bytes, and gets them as they are. The engines with
// a way to run a script before a page's own (puppeteer's) need no injection; WebKit's
// WebDriver has none.
"use strict";

const fs = require("fs");
const http = require("http");
const path = require("path");

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".json": "application/json",
  ".webmanifest": "application/manifest+json",
  ".css": "text/css; charset=utf-8",
  ".png": "image/png",
  ".svg": "image/svg+xml",
  ".ico": "image/x-icon",
  ".txt": "text/plain; charset=utf-8",
  ".zip": "application/zip",
};

const COLLECTOR = fs.readFileSync(path.join(__dirname, "collector.js"), "utf8");

class Server {
  constructor(folder, { inject = false } = {}) {
    this.folder = path.resolve(folder);
    this.inject = inject;
    this.port = 0;
    this.requests = [];  // the path of every request answered, in order
    this.server = null;
  }

  get url() { return `http://127.0.0.1:${this.port}/`; }

  // Listens, on the port it had before if it had one.
  async start() {
    if (this.server) return this;
    const server = http.createServer((request, response) => this.answer(request, response));
    await new Promise((resolve, reject) => {
      server.once("error", reject);
      server.listen(this.port, "127.0.0.1", () => { server.off("error", reject); resolve(); });
    });
    this.server = server;
    this.port = server.address().port;
    return this;
  }

  // Stops listening and drops every open connection, as a host gone off the network does.
  async stop() {
    const server = this.server;
    if (!server) return;
    this.server = null;
    const closed = new Promise((resolve) => server.close(() => resolve()));
    server.closeAllConnections();
    await closed;
  }

  answer(request, response) {
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, "http://x").pathname);
    } catch (e) {
      response.writeHead(400).end();
      return;
    }
    this.requests.push(name);
    if (request.method !== "GET" && request.method !== "HEAD") {
      response.writeHead(405, { Allow: "GET, HEAD" }).end();
      return;
    }
    let file = path.join(this.folder, path.normalize(name));
    if (file !== this.folder && !file.startsWith(this.folder + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    fs.stat(file, (error, stat) => {
      if (!error && stat.isDirectory()) {
        if (!name.endsWith("/")) {
          response.writeHead(301, { Location: name + "/" }).end();
          return;
        }
        file = path.join(file, "index.html");
      }
      fs.readFile(file, (readError, body) => {
        if (readError) {
          response.writeHead(404, { "Content-Type": "text/plain" }).end("Not found\n");
          return;
        }
        const type = TYPES[path.extname(file).toLowerCase()] || "application/octet-stream";
        const headers = { "Content-Type": type, "Cache-Control": "no-cache" };
        if (type.startsWith("text/html")) {
          headers.Vary = "Sec-Fetch-Dest";
          if (this.inject && request.headers["sec-fetch-dest"] === "document") body = withCollector(body);
        }
        headers["Content-Length"] = body.length;
        response.writeHead(200, headers);
        response.end(request.method === "HEAD" ? undefined : body);
      });
    });
  }
}

// The page with the recorder as the first thing in its head.
function withCollector(body) {
  const html = body.toString("utf8");
  const script = `<script>${COLLECTOR}</script>`;
  const head = /<head(\s[^>]*)?>/i.exec(html);
  const at = head ? head.index + head[0].length : 0;
  return Buffer.from(html.slice(0, at) + script + html.slice(at), "utf8");
}

module.exports = { Server, COLLECTOR };
