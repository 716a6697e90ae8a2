// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A WebAssembly program's own functions (not its imports), in their order, read from the
// program: each one's name from the name section, as Binaryen's tools spell it, and the
// size of its code in bytes. wasm-split's profile has a 32-bit word for each of them in
// that order (tools/web_start_functions.js), and its list of the functions to keep names
// them so (web-split-list.js).
"use strict";

function functions(wasm) {
  let at = 8;
  const u32 = () => {
    let value = 0;
    for (let shift = 0; ; shift += 7) {
      const byte = wasm[at++];
      value += (byte & 0x7f) * 2 ** shift;
      if (byte < 0x80) return value;
    }
  };
  const name = () => { const n = u32(); at += n; return wasm.toString("utf8", at - n, at); };
  let imported = 0;
  let sizes = [];
  let names = null;
  while (at < wasm.length) {
    const id = wasm[at++];
    const size = u32();
    const end = at + size;
    if (id === 2) {                       // imports: a function import has kind 0
      for (let n = u32(); n > 0; n--) {
        name(); name();
        const kind = wasm[at++];
        if (kind === 0) { imported++; u32(); }
        else if (kind === 1) { at++; const flags = u32(); u32(); if (flags & 1) u32(); }
        else if (kind === 2) { const flags = u32(); u32(); if (flags & 1) u32(); }
        else if (kind === 3) at += 2;
        else throw new Error(`import of kind ${kind}`);
      }
    } else if (id === 10) {               // code: each body after its size
      for (let n = u32(); n > 0; n--) { const body = u32(); sizes.push(body); at += body; }
    } else if (id === 0 && name() === "name") {
      while (at < end) {
        const sub = wasm[at++];
        const subEnd = u32() + at;
        if (sub === 1) {
          names = new Map();
          for (let n = u32(); n > 0; n--) { const index = u32(); names.set(index, name()); }
        }
        at = subEnd;
      }
    }
    at = end;
  }
  if (!names) throw new Error("the program has no function names (link it with --profiling-funcs)");
  return sizes.map((size, i) => ({
    name: names.has(imported + i) ? binaryenName(names.get(imported + i)) : null,
    size,
  }));
}

// The names alone, null for a function without one.
function functionNames(wasm) {
  return functions(wasm).map((f) => f.name);
}

// A name as Binaryen's tools spell it: bytes other than those of a WebAssembly text
// identifier as a backslash and two hex digits ("operator new" is "operator\20new").
function binaryenName(name) {
  let out = "";
  for (const byte of Buffer.from(name, "utf8")) {
    const c = String.fromCharCode(byte);
    out += /[0-9A-Za-z!#$%&'*+\-./:<=>?@^_`|~]/.test(c) ? c : "\\" + byte.toString(16).padStart(2, "0");
  }
  return out;
}

module.exports = { functions, functionNames, binaryenName };
