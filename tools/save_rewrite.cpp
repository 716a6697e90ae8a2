// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a save file as the game does and writes it again to standard output
// as this build writes that game. A file the game wrote comes out byte for
// byte the same when both builds write the same digits; tests/web/scenarios/play.js
// holds the browser build's save files against it.
//
//   vusk-save-rewrite FILE
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "savefile/savefile.h"
#include "window/layout.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto game = vusk::ReadSaveFile(text, vusk::NewGameFromDesign());
    if (!in.good() && !in.eof()) return 1;
    if (!game) {
        std::fprintf(stderr, "%s: not a save file the game loads\n", argv[1]);
        return 1;
    }
    const std::string out = vusk::WriteSaveFile(*game);
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 1;
}
