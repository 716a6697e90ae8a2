#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Cuts a TrueType font down to the characters of European languages in the Latin,
Greek and Cyrillic scripts, keeping its metrics and kerning, and names the result
anew: a font that is changed may not keep a Reserved Font Name of the SIL Open Font
Licence (Liberation's). Used by the browser build, where every byte is downloaded.

Usage: subset_font.py IN.ttf OUT.ttf FAMILY
"""
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

# Basic Latin to Latin Extended-B, Greek, Cyrillic, general punctuation, the euro sign
# and the replacement character.
UNICODES = ([*range(0x20, 0x7F)] + [*range(0xA0, 0x250)] + [*range(0x370, 0x400)]
            + [*range(0x400, 0x530)] + [*range(0x2010, 0x2060)] + [0x20AC, 0x2122, 0xFFFD])


def main(source, target, family):
    options = subset.Options()
    options.layout_features = ["*"]
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    # Without its hinting instructions, which are half of Liberation Sans' bytes: the game
    # in a page draws the same pixels with and without them.
    options.hinting = False
    options.notdef_outline = True
    font = TTFont(source)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=UNICODES)
    subsetter.subset(font)

    names = font["name"]
    style = names.getDebugName(2) or "Regular"
    new = {1: family, 3: "%s %s" % (family, style), 4: "%s %s" % (family, style),
           6: "%s-%s" % (family.replace(" ", ""), style.replace(" ", "")), 16: family}
    for record in names.names:
        if record.nameID in new:
            record.string = new[record.nameID]
    font.save(target)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    main(*sys.argv[1:])
