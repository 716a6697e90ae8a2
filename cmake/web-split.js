// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the game's JavaScript after Emscripten's runtime (--post-js, cmake/Web.cmake).
// The program's second part, vusk-sandwich.deferred.wasm: the functions the game does not run
// until the player opens a dialog or a message box, or the game ends. Instantiated beside
// the first part, it puts its functions into the program's table in place of the
// placeholders that stand there for them, so from then on the program runs as one.
//
// Qt's style images (vusk-sandwich-style.rcc: the file dialog's icons) come with it, where
// the package has them (cmake/Web.cmake): only its dialogs show them.
//
// The page asks for both once the game shows (Module.vuskLoadDeferred()), and they arrive while
// the player plays. A placeholder called before then (a dialog opened at once on a slow
// connection) cannot wait for it, since the program cannot be suspended there: the second
// part is then fetched and compiled at once, the style images with it, and the game stands
// still until they have.
(function () {
  var file = wasmBinaryFile.replace(/\.wasm$/, ".deferred.wasm");
  var styleFile = wasmBinaryFile.replace(/\.wasm$/, "-style.rcc");
  var instance = null;
  var loading = null;

  // The style images, handed to the game as a file in its memory, which Qt checks and reads
  // (src/window/style_images_web.cpp). Module.vuskStyleImages says how that went: "added",
  // "refused" (not a resource file of Qt's), "none" (the package has none) or what failed.
  var styleState = null;
  function addStyleImages(bytes) {
    if (styleState) return;
    if (!bytes) { styleState = Module["vuskStyleImages"] = "none"; return; }
    var path = "/tmp/vusk-sandwich-style.rcc";
    FS.writeFile(path, bytes);
    var name = new TextEncoder().encode(path);
    var text = Module["_malloc"](name.length + 1);
    HEAPU8.set(name, text);
    HEAPU8[text + name.length] = 0;
    var added = Module["_vusk_add_style_images"](text);
    Module["_free"](text);
    styleState = Module["vuskStyleImages"] = added ? "added" : "refused";
  }
  function styleFailed(error) {
    if (!styleState) Module["vuskStyleImages"] = String(error);
    console.warn("The dialogs show no icons: " + error);
  }
  // A package without style images answers 404: nothing is missing then.
  function styleBytes(response) {
    if (response.status === 404) return null;
    if (!response.ok) throw new Error(styleFile + ": " + response.status + " " + response.statusText);
    return response.arrayBuffer().then(function (buffer) { return new Uint8Array(buffer); });
  }

  function imports() {
    return { "primary": Module["vuskPrimaryExports"] || Module["asm"] };
  }

  Module["vuskLoadDeferred"] = function () {
    if (!loading) {
      var style = fetch(styleFile, { credentials: "same-origin" }).then(styleBytes);
      loading = fetch(file, { credentials: "same-origin" }).then(function (response) {
        if (!response.ok) throw new Error(file + ": " + response.status + " " + response.statusText);
        return typeof WebAssembly.instantiateStreaming === "function" &&
               /^application\/wasm\b/.test(response.headers.get("Content-Type") || "")
          ? WebAssembly.instantiateStreaming(response, imports())
          : response.arrayBuffer().then(function (bytes) { return WebAssembly.instantiate(bytes, imports()); });
      }).then(function (result) {
        // Loaded at once meanwhile: its functions stand in the table already.
        if (!instance) instance = result.instance;
        // The images without the program's second part would be of no use; a failed fetch
        // of theirs leaves the dialogs without icons but the game whole.
        return style.then(addStyleImages, styleFailed);
      }, function (error) {
        style.catch(function () {});
        loading = null;  // asked for again next time
        throw error;
      });
    }
    return loading;
  };

  // A synchronous request is the only way left to wait on the page's own thread; its text
  // is taken byte for byte. Null for a file the package may lack and does.
  function fetchNow(file, optional) {
    var request = new XMLHttpRequest();
    request.open("GET", file, false);
    request.overrideMimeType("text/plain; charset=x-user-defined");
    request.send(null);
    if (optional && request.status === 404) return null;
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
    instance = new WebAssembly.Instance(new WebAssembly.Module(fetchNow(file)), imports());
    try {
      addStyleImages(fetchNow(styleFile, true));
    } catch (error) {
      styleFailed(error);
    }
  };
})();
