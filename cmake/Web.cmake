# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The game built for WebAssembly with Qt for WebAssembly and Emscripten (scripts/package-web.sh).
# Included before any target exists, so that every target gets these settings.

# The player downloads every byte: the code is optimised for size, when compiled and once
# more by wasm-opt when linked.
set(CMAKE_CXX_FLAGS_RELEASE "-Oz -DNDEBUG")
add_link_options(-Oz)

# Every message box and file dialog runs a nested event loop (QDialog::exec()), which in a
# browser can only wait by suspending the WebAssembly stack back to the page.
add_link_options("SHELL:-s ASYNCIFY")

# The other programs are tests, run under node (scripts/wasm-test.js): they hand their exit
# status to it and read and write the machine's own files. The game never ends its
# runtime, the page outlives it.
set(vusk_not_game "$<NOT:$<STREQUAL:$<TARGET_PROPERTY:NAME>,vusk-sandwich>>")
add_link_options("$<${vusk_not_game}:-sEXIT_RUNTIME=1>" "$<${vusk_not_game}:-sNODERAWFS=1>")

# Qt links every program with exceptions that cannot be caught (a throw ends the program),
# which is what the game wants. The tests check that the rules throw where they must, so
# they catch exceptions. As a link library the setting comes after Qt's own on the command
# line, and the last one given wins.
function(vusk_web_test name)
  target_compile_options(${name} PRIVATE -fexceptions)
  target_link_libraries(${name} PRIVATE -fexceptions "-sDISABLE_EXCEPTION_CATCHING=0")
endfunction()
