// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the program asks of the place it runs in. On the desktop the system
// keeps files and ends the program, and there is nothing to do. In a web
// page, files live in the page's memory unless the program hands them to the
// browser's storage, and the page must be told when the game is over.
#pragma once

#include <string>

class QString;
class QWidget;

namespace vusk {

// Before the window is created: the fonts the window is measured in, where
// the system has none; the save folder brought back from storage and made the
// working folder, where the dialogs open.
void PrepareHost();

// Shows the game's window where the player can find it: on the desktop where
// the window manager puts it, in a page in the middle of the page's canvas,
// which is larger than the window so that the file dialog and the message
// boxes fit beside it.
void ShowMainWindow(QWidget& window);

// Where lasting storage keeps the save files apart from the file system (a
// web page's), storage is the truth and the save folder only a copy of it:
// other pages of the game, open at the same time, save and delete files in
// it. These bring the copy up to what storage holds now and hand storage one
// file at a time, so that a page never undoes what another one did. Files
// outside the save folder are not kept. On the desktop the file system is the
// storage, and they do nothing.

// The whole save folder brought up to storage, before a dialog shows it.
void RefreshSaveFolder();

// One file brought up to storage (gone when storage holds none), before it
// is read or asked for.
void RefreshSaveFile(const QString& path);

// Hands storage the file just written at `path`, whose bytes are `bytes`,
// and waits for its answer. False when storage refused it (full, or not
// allowed): then storage keeps what it had.
bool StoreSaveFile(const QString& path, const std::string& bytes);

// Deletes the file at `path` from storage. True once storage holds no file
// of that name.
bool UnstoreSaveFile(const QString& path);

// The window has closed and the game is over.
void GameEnded();

// Whether a dialog may open a box over itself. In a web page a dialog waits
// for the player by suspending the program back to the browser, and a box
// opened from that dialog's events cannot suspend it a second time: the page
// would hang. There the file dialog asks nothing itself, and the game asks
// once the dialog has closed; and no context menu (a loop of its own) opens.
bool DialogsCanNest();

}  // namespace vusk
