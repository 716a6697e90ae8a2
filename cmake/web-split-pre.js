// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the game's JavaScript before Emscripten's runtime (--pre-js, cmake/Web.cmake).
// The program's second part (web-split.js) calls the first one's functions directly. The
// runtime keeps them only wrapped for asyncify (Module.asm), so their own are kept here as
// the first part is instantiated (by Qt's loader, through Module.instantiateWasm).
if (typeof Module["instantiateWasm"] === "function") {
  (function () {
    var instantiate = Module["instantiateWasm"];
    Module["instantiateWasm"] = function (imports, receive) {
      return instantiate(imports, function (instance, module) {
        Module["vuskPrimaryExports"] = instance.exports;
        return receive(instance, module);
      });
    };
  })();
}
