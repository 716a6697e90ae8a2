// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the game's JavaScript after Emscripten's runtime (--post-js, cmake/Web.cmake).
//
// main() leaves to the browser with the game still running: Qt starts its event loop and
// Emscripten returns to the browser by throwing the string "unwind", which Emscripten
// catches wherever it called the program itself. When the program was suspended first (the
// save folder is read from the browser's storage before the window opens, and every dialog
// suspends it), it is resumed from a promise or a timer of asyncify, which catches nothing:
// the throw ends there as an uncaught "unwind" in the console. The resumption is given the
// same handling as Emscripten's own calls into the program: "unwind" is the program
// returning to the browser and ends there; anything else goes on as it was thrown.
if (typeof Asyncify === "object" && Asyncify.handleSleep) {
  (function () {
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
