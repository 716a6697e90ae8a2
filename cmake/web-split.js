// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the game's JavaScript after Emscripten's runtime (--post-js, cmake/Web.cmake).
// The program's second part, vusk-sandwich.deferred.wasm: the functions the game does not run
// until the player opens a dialog or a message box, or the game ends. Instantiated beside
// the first part, it puts its functions into the program's table in place of the
// placeholders that stand there for them, so from then on the program runs as one.
//
// The page asks for it once the game shows (Module.vuskLoadDeferred()), and it arrives while
// the player plays. A placeholder called before then (a dialog opened at once on a slow
// connection) cannot wait for it, since the program cannot be suspended there: the second
// part is then fetched and compiled at once, and the game stands still until it has.
(function () {
  var file = wasmBinaryFile.replace(/\.wasm$/, ".deferred.wasm");
  var instance = null;
  var loading = null;

  function imports() {
    return { "primary": Module["vuskPrimaryExports"] || Module["asm"] };
  }

  Module["vuskLoadDeferred"] = function () {
    if (!loading) {
      loading = fetch(file, { credentials: "same-origin" }).then(function (response) {
        if (!response.ok) throw new Error(file + ": " + response.status + " " + response.statusText);
        return typeof WebAssembly.instantiateStreaming === "function" &&
               /^application\/wasm\b/.test(response.headers.get("Content-Type") || "")
          ? WebAssembly.instantiateStreaming(response, imports())
          : response.arrayBuffer().then(function (bytes) { return WebAssembly.instantiate(bytes, imports()); });
      }).then(function (result) {
        // Loaded at once meanwhile: its functions stand in the table already.
        if (!instance) instance = result.instance;
      }, function (error) {
        loading = null;  // asked for again next time
        throw error;
      });
    }
    return loading;
  };

  // A synchronous request is the only way left to wait on the page's own thread; its text
  // is taken byte for byte.
  function fetchNow() {
    var request = new XMLHttpRequest();
    request.open("GET", file, false);
    request.overrideMimeType("text/plain; charset=x-user-defined");
    request.send(null);
    if (request.status !== 200 && request.status !== 0)
      throw new Error(file + ": " + request.status + " " + request.statusText);
    var text = request.responseText;
    var bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i) & 0xff;
    return bytes;
  }

  // Emscripten's placeholders say so when they are called. JavaScript that took a function
  // of the second part from the table before it arrived (embind keeps those it is handed)
  // still holds the placeholder, which from then on calls the function in its place:
  // nothing to say then.
  var say = err;
  err = function (text) {
    if (instance && /^(placeholder function called: |instantiated deferred module)/.test(String(text))) return;
    return say.apply(null, arguments);
  };

  loadSplitModule = function (deferred, placeholderImports, placeholder) {
    if (instance) return;
    err("vusk-sandwich.deferred.wasm needed before it arrived (placeholder " + placeholder + "): loaded at once");
    instance = new WebAssembly.Instance(new WebAssembly.Module(fetchNow()), imports());
  };
})();
