// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The list of the functions the web program's first part keeps (cmake/web-split-list.js),
// made from a small program built here, byte by byte.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("fs");
const os = require("os");
const path = require("path");
const { execFileSync } = require("child_process");

const kList = path.resolve(__dirname, "..", "..", "..", "cmake", "web-split-list.js");

const leb = (n) => { const out = []; do { let b = n & 0x7f; n >>>= 7; if (n) b |= 0x80; out.push(b); } while (n); return out; };
const str = (s) => { const b = [...Buffer.from(s, "utf8")]; return [...leb(b.length), ...b]; };
const section = (id, body) => [id, ...leb(body.length), ...body];
const vector = (items) => [...leb(items.length), ...items.flat()];

// A program with one imported function and the given ones, each a body of `size` bytes
// (no locals, nops, end), all named in its name section, the import too.
function program(functions) {
  const bodies = functions.map(({ size }) => { const body = [0, ...Array(size - 2).fill(0x01), 0x0b]; return [...leb(body.length), ...body]; });
  const names = [[...leb(0), ...str("an_import")], ...functions.map(({ name }, i) => [...leb(i + 1), ...str(name)])];
  return Buffer.from([
    0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00,
    ...section(1, vector([[0x60, 0x00, 0x00]])),
    ...section(2, vector([[...str("env"), ...str("f"), 0x00, 0x00]])),
    ...section(3, vector(functions.map(() => [0x00]))),
    ...section(10, vector(bodies)),
    ...section(0, [...str("name"), ...section(1, vector(names))]),
  ]);
}

test("the first part keeps what was recorded, the platform's classes and the small functions", () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "vusk-split-list-"));
  fs.writeFileSync(path.join(dir, "whole.wasm"), program([
    { name: "Recorded::big()", size: 200 },
    { name: "Unrecorded::big()", size: 200 },
    { name: "QWasmWindow::requestUpdate()", size: 200 },
    { name: "QPlatformWindow::deliverUpdateRequest()", size: 200 },
    { name: "operator new(unsigned long)", size: 31 },
    { name: "Unrecorded::justLarge()", size: 32 },
  ]));
  // The record spells names as Binaryen does; one of them is no longer in the program.
  fs.writeFileSync(path.join(dir, "recorded.txt"), "Recorded::big\\28\\29\nGone::away\\28\\29\n");
  const said = execFileSync(process.execPath, [kList, path.join(dir, "whole.wasm"), path.join(dir, "recorded.txt"),
                                                path.join(dir, "keep.txt")], { encoding: "utf8" });
  assert.deepEqual(fs.readFileSync(path.join(dir, "keep.txt"), "utf8").split("\n"), [
    "QPlatformWindow::deliverUpdateRequest\\28\\29",
    "QWasmWindow::requestUpdate\\28\\29",
    "Recorded::big\\28\\29",
    "operator\\20new\\28unsigned\\20long\\29",
    "",
  ]);
  assert.match(said, /^4 functions kept in the first part, 1 of them recorded at the start; 1 recorded ones are not in this program/);
});
