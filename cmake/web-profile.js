// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the game's JavaScript in a build made to record the functions it runs
// (VUSK_WEB_PROFILE, cmake/Web.cmake): Module.vuskProfile() gives the record so far, in
// wasm-split's profile format, as an array of bytes (tools/web-start-functions.sh).
Module["vuskProfile"] = function () {
  var write = Module["asm"]["__write_profile"];
  var size = write(0, 0);
  var at = _malloc(size);
  try {
    write(at, size);
    return Array.from(HEAPU8.subarray(at, at + size));
  } finally {
    _free(at);
  }
};

// The recording program is whole: no second part to fetch.
Module["vuskLoadDeferred"] = function () { return Promise.resolve(); };
