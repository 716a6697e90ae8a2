// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one test program built for WebAssembly under node, for ctest (the web build's
// emulator): node scripts/wasm-test.js build-web/tests/tst_game.js [QtTest options]
// Qt links every program as a module factory (MODULARIZE); this calls it with the
// arguments and ends node with the program's exit status.
'use strict';
const fs = require('fs');
const path = require('path');

const [program, ...args] = process.argv.slice(2);
if (!program) {
    console.error('usage: node wasm-test.js PROGRAM.js [arguments]');
    process.exit(2);
}
const create = require(path.resolve(program));
// A program that returns from main without ending the runtime never reports a status: that
// is a failure, not a pass.
let ended = false;
process.on('beforeExit', () => {
    if (!ended) {
        console.error(`${program}: ended without an exit status (linked without -sEXIT_RUNTIME=1?)`);
        process.exit(1);
    }
});
create({
    arguments: args,
    // Read here: node's fetch() does not take a file path, and Emscripten prefers it.
    wasmBinary: fs.readFileSync(path.resolve(program).replace(/\.js$/, '.wasm')),
    print: (text) => console.log(text),
    printErr: (text) => console.error(text),
    onExit: (status) => { ended = true; process.exit(status); },
    onAbort: (what) => { ended = true; console.error(`${program}: aborted: ${what}`); process.exit(1); },
}).catch((error) => {
    console.error(`${program}: ${error}`);
    process.exit(1);
});
