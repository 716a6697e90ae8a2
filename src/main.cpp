// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "window/frmVuskSandwich.h"
#include "window/host.h"

int main(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    // Qt's FreeType engine instead of GDI, which rounds every glyph's width up to whole
    // pixels: with it the captions keep the widths their boxes were drawn for, as on Linux.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vusk sandwich"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.vusk.VuskSandwich"));
    vusk::PrepareHost();
    // Closing the window ends the game. On the desktop the program ends with it; a web
    // page stays, and says so.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &vusk::GameEnded);
    vusk::frmVuskSandwich window;
    vusk::ShowMainWindow(window);
    return app.exec();
}
