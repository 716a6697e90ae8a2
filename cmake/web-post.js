// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the game's JavaScript after Emscripten's runtime (--post-js, cmake/Web.cmake),
// and run before main(): two places where the runtime and Qt leave a promise or a throw
// that nothing catches, which the console shows as an error at every start; and the WebGL
// context made without enabling every extension the browser has.

// main() leaves to the browser with the game still running: Qt starts its event loop and
// Emscripten returns to the browser by throwing the string "unwind", which Emscripten
// catches wherever it called the program itself. When the program was suspended first (the
// save files are read from the browser's storage before the window opens, and every dialog
// suspends it), it is resumed from a promise or a timer of asyncify, which catches nothing:
// the throw ends there as an uncaught "unwind". And a call into the program that comes while
// it is suspended (Firefox tells Qt that the window has the focus while the save files are
// being read) is taken by embind for one that suspended, and handed a promise that ends with
// the resumed program, which the browser's event drops: "unwind" then rejects it. Both are
// given the same handling as Emscripten's own calls into the program: "unwind" is the
// program returning to the browser and ends there; anything else goes on as it was thrown.
if (typeof Asyncify === "object" && Asyncify.handleSleep && Asyncify.whenDone) {
  (function () {
    var whenDone = Asyncify.whenDone;
    Asyncify.whenDone = function () {
      return whenDone.apply(this, arguments).catch(function (e) {
        if (e !== "unwind") throw e;
      });
    };
    var handleSleep = Asyncify.handleSleep;
    Asyncify.handleSleep = function (startAsync) {
      return handleSleep(function (wakeUp) {
        return startAsync(function (value) {
          try {
            wakeUp(value);
          } catch (e) {
            if (e !== "unwind") throw e;
          }
        });
      });
    };
  })();
}

// Qt's clipboard asks the browser about the clipboard permissions when the program starts
// and drops the answers (qwasmclipboard.cpp). A browser that knows no such permission
// (WebKit) answers with a refusal, which, with nobody waiting for it, shows as an unhandled
// rejection. Those two answers, and only those, are taken here; whoever else asks gets the
// browser's answer as it is.
if (typeof navigator === "object" && navigator.permissions && navigator.permissions.query) {
  (function () {
    var permissions = navigator.permissions;
    var query = permissions.query;
    permissions.query = function (descriptor) {
      var answer = query.apply(this, arguments);
      if (descriptor && (descriptor.name === "clipboard-read" || descriptor.name === "clipboard-write") &&
          answer && typeof answer.catch === "function") {
        answer.catch(function () {});
      }
      return answer;
    };
  })();
}

// Qt makes its WebGL context with Emscripten's "enable every extension by default", which
// asks the browser for each extension it supports, one call each: on a phone's slowed
// processor that was 0.28 s of the start (two dozen extensions under SwiftShader), and the
// game draws with none of them. Emscripten's own setup of the context still enables what its
// GL layer relies on (instancing and vertex arrays on WebGL 1, its timer queries, multi-draw);
// only the loop over the rest is left out, by an empty list of supported extensions while it
// runs.
if (typeof GL === "object" && typeof GL.initExtensions === "function") {
  (function () {
    var initExtensions = GL.initExtensions;
    GL.initExtensions = function (context) {
      var gl = (context || GL.currentContext || {}).GLctx;
      if (!gl) return initExtensions.apply(this, arguments);
      gl.getSupportedExtensions = function () { return []; };
      try {
        return initExtensions.apply(this, arguments);
      } finally {
        delete gl.getSupportedExtensions;  // the context's own again
      }
    };
  })();
}
