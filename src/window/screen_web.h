// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The game's window on the page's canvas (Emscripten): scaled to fit a small
// screen, its dialogs kept on the screen, and for the browser tests, where
// each control is drawn.
#pragma once

class QWidget;

namespace vusk {

// Before the window is first shown: where the canvas is narrower or lower
// than the window with its frame, everything Qt draws is scaled down by one
// factor so that the window fits. A larger canvas keeps the designed size.
void FitWindowToScreen(QWidget& window);

// From then on, each dialog and message box is made to fit the screen and
// placed on it; and where the page's address asks for it (?testhooks), the
// page can ask where a control is drawn.
void KeepWindowsOnScreen(QWidget& window);

}  // namespace vusk
