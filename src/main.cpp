#include <QApplication>

#include "window/frmVuskSandwich.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vusk sandwich"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.vusk.VuskSandwich"));
    vusk::frmVuskSandwich window;
    window.show();
    return app.exec();
}
