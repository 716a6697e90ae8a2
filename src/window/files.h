// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The save file on disk: reading it so that no kind of file can freeze the
// window, and writing it so that a failed save leaves the old file whole.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace vusk {

// The largest save file read: bigger than any save file this game writes,
// with room for hand-made ones.
inline constexpr qint64 kMaxSaveFileBytes = 1 << 20;

// How long the window waits for a save file's bytes before it gives up.
inline constexpr int kReadWaitMs = 1000;

// The bytes of the save file at `path`: a regular file of at most
// kMaxSaveFileBytes, read within kReadWaitMs. Nothing for anything else: no
// such file, a folder, a pipe, a device, a larger file, a read error, or a
// file that does not answer in time.
std::optional<QByteArray> ReadSaveFileBytes(const QString& path);

// The bytes of the file at `path` if, once opened, it is a regular file of
// at most `maxBytes`. The file is opened and read on a thread of its own,
// which the caller waits for `waitMs` at most: opening a pipe that no one
// writes to, or reading from a drive that does not answer, can block for
// good, and that thread is then left to it.
std::optional<QByteArray> ReadFileWithin(const QString& path, qint64 maxBytes, int waitMs);

// Writes the whole file or leaves whatever was there before untouched, and
// sees the new file through to the disk, its name in the folder included,
// and to the storage that keeps the save files where there is one
// (StoreSaveFile in host.h). False when any of that failed.
bool WriteFileAtomically(const QString& path, const std::string& text);

// Deletes the file at `path`, and from the storage that keeps the save files
// where there is one. True when the file is gone from both.
bool RemoveSaveFile(const QString& path);

}  // namespace vusk
