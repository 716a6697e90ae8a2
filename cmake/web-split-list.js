#!/usr/bin/env node
// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The list of the functions that the first part of the web program keeps (cmake/Web.cmake):
// those recorded at the game's start (web-start-functions.txt.gz), and with them the ones
// a start may well call that a record can miss, since whether they run depends on timing:
//  - every function of the platform's own classes, through which the browser's events,
//    frames and screen changes come (Qt's QWasm* and the platform bases they derive from);
//  - every small function (under kSmall bytes of code), a getter or a forwarder of a few
//    instructions, which together weigh little.
// A function of the second part called before that part has arrived makes the page fetch
// all of it at once, and the game stands still meanwhile (web-split.js).
//
//   node web-split-list.js WHOLE.wasm RECORDED.txt OUT.txt
"use strict";

const fs = require("fs");
const { functions } = require("./wasm-functions.js");

const kSmall = 32;
const kPlatform = /^(QWasm|QPlatformWindow::|QPlatformScreen::|QPlatformBackingStore::|QWindowSystemInterface)/;

function main() {
  const [whole, recorded, out] = process.argv.slice(2);
  if (!whole || !recorded || !out) {
    console.error("usage: web-split-list.js WHOLE.wasm RECORDED.txt OUT.txt");
    process.exit(2);
  }
  const record = new Set(fs.readFileSync(recorded, "utf8").split("\n").filter(Boolean));
  const keep = [];
  let found = 0;
  for (const { name, size } of functions(fs.readFileSync(whole))) {
    if (!name) continue;
    if (record.has(name)) found++;
    if (record.has(name) || size < kSmall || kPlatform.test(name)) keep.push(name);
  }
  fs.writeFileSync(out, keep.sort().join("\n") + "\n");
  console.log(`${keep.length} functions kept in the first part, ${found} of them recorded at the start` +
              (found < record.size ? `; ${record.size - found} recorded ones are not in this program` +
                                     " (tools/web-start-functions.sh records them anew)" : ""));
}

main();
