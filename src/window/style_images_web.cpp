// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's style images in a web page: the icons of the file dialog and of the dialogs'
// buttons. They are not built into the program, whose every byte the page downloads before
// the game starts, but kept beside it (vusk-sandwich-style.rcc, cmake/Web.cmake); the page
// hands them over with the program's second part, which holds the dialogs that show them
// (cmake/web-split.js).
#include <QFile>
#include <QResource>
#include <QString>

#include <emscripten.h>

// QApplication registers the images built into Qt by this name as it starts. Here they come
// later, from the page.
int QT_MANGLE_NAMESPACE(qInitResources_qstyle)() { return 1; }
int QT_MANGLE_NAMESPACE(qCleanupResources_qstyle)() { return 1; }

// Registers the resource file at `pathUtf8`, which Qt checks (its header, and its tables
// within its size) and reads in. True once the images are where the style looks for them.
// A plain export: the page calls it whether or not the game waits in a dialog.
extern "C" EMSCRIPTEN_KEEPALIVE int vusk_add_style_images(const char* pathUtf8) {
    return QResource::registerResource(QString::fromUtf8(pathUtf8)) &&
           QFile::exists(QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-16.png"));
}
