#include "window/files.h"

#include <QSaveFile>

namespace vusk {

// Unbuffered, so that a short write (a full disk, a file size limit) shows
// in write()'s count: a buffered QSaveFile commits a truncated file when
// the flush inside commit() writes only part of the data.
bool WriteFileAtomically(const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    const qint64 size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace vusk
