// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "window/host.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#endif

namespace vusk {

namespace {

// A write past the process's file size limit (ulimit -f) ends the process
// with SIGXFSZ unless the signal is ignored; then the write fails as on a
// full disk. The signal and the limit are POSIX; elsewhere there is neither.
void LetFileSizeLimitFailWrites() {
#ifdef Q_OS_UNIX
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

// A file renamed into a folder keeps its new name through a power cut
// only once the folder itself has reached the disk. POSIX syncs a folder
// opened like a file; Windows has no call for that, and there the rename
// stays as QSaveFile leaves it. A folder that cannot be synced does not
// undo the save: the file is in place and its data on the disk already.
void SyncFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#else
    Q_UNUSED(folder);
#endif
}

// What a reading thread hands back. Shared, so that a thread that outlives
// the wait still has somewhere to put its result.
struct Reading {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<QByteArray> bytes;
};

// The file's bytes if, once opened, it is a regular file of at most `maxBytes`.
// The path may name something else by now than when it was chosen, so what
// was opened is checked again: a pipe or a device is sequential, a regular
// file is not.
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential()) return std::nullopt;
    QByteArray read = file.read(maxBytes + 1);  // one byte more tells a larger file
    if (file.error() != QFileDevice::NoError || read.size() > maxBytes) return std::nullopt;
    return read;
}

}  // namespace

std::optional<QByteArray> ReadSaveFileBytes(const QString& path) {
    // The file as storage holds it now, which another page of the game may
    // have written or deleted since this one last looked.
    RefreshSaveFile(path);
    // Only a regular file is opened at all: opening a pipe waits for a writer.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxSaveFileBytes) return std::nullopt;
    return ReadFileWithin(path, kMaxSaveFileBytes, kReadWaitMs);
}

std::optional<QByteArray> ReadFileWithin(const QString& path, qint64 maxBytes, int waitMs) {
#if defined(Q_OS_WASM) && !QT_CONFIG(thread)
    // In the browser the files live in memory (the save folder is mirrored from the
    // browser's storage): there are no pipes or drives that stop answering, and a build
    // without threads cannot start one (std::thread aborts there). The file is read here.
    Q_UNUSED(waitMs);
    return ReadRegularFile(path, maxBytes);
#else
    auto reading = std::make_shared<Reading>();
    std::thread([reading, path, maxBytes] {
        std::optional<QByteArray> bytes = ReadRegularFile(path, maxBytes);
        const std::lock_guard lock(reading->mutex);
        reading->bytes = std::move(bytes);
        reading->done = true;
        reading->finished.notify_one();
    }).detach();

    std::unique_lock lock(reading->mutex);
    if (!reading->finished.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return reading->done; }))
        return std::nullopt;
    return std::move(reading->bytes);
#endif
}

// Unbuffered, so that a short write (a full disk, a file size limit) shows
// in write()'s count: a buffered QSaveFile commits a truncated file when
// the flush inside commit() writes only part of the data.
bool WriteFileAtomically(const QString& path, const std::string& text) {
    LetFileSizeLimitFailWrites();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    const qint64 size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size) {
        file.cancelWriting();
        return false;
    }
    // commit() syncs the file's data to the disk, then renames it over the old one.
    if (!file.commit()) return false;
    SyncFolder(QFileInfo(path).absolutePath());
    return StoreSaveFile(path, text);
}

bool RemoveSaveFile(const QString& path) {
    // Where storage keeps the file apart, it may hold one that this copy of
    // the folder has not seen yet.
    RefreshSaveFile(path);
    const bool removed = QFile::remove(path);
    return UnstoreSaveFile(path) && removed;
}

}  // namespace vusk
