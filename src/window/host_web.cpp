// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program in a web page (Emscripten). Its files live in the page's
// memory and are gone with it, so the save folder is a mount of Emscripten's
// IDBFS, which copies it to and from the browser's IndexedDB when asked. The
// page around the game (web/index.html) is told, through globalThis.vuskPage,
// where the save folder is, when it changed and when the game is over.
#include "window/host.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QScreen>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <emscripten.h>

namespace {

// Both calls into IDBFS wait for its answer a few seconds at most: a refused
// write can abort its IndexedDB transaction without IDBFS ever calling back,
// and an IndexedDB that cannot be opened at all (some private windows) ends in
// an exception inside IDBFS's own handler. Either way the storage did not
// take the folder.
EM_JS(void, vusk_define_folder_sync, (), {
    Module.vuskSyncSaveFolder = function(populate) {
        return new Promise(function(resolve) {
            var timer = setTimeout(function() { resolve("no answer from the browser's storage"); }, 5000);
            try {
                FS.syncfs(populate, function(err) {
                    clearTimeout(timer);
                    resolve(err ? String(err) : "");
                });
            } catch (e) {
                clearTimeout(timer);
                resolve(String(e));
            }
        });
    };
});

// Mounts the save folder, reads it in from storage, and gives the page what it
// needs to list, download and upload the save files. 1 when storage answered.
EM_ASYNC_JS(int, vusk_mount_save_folder, (const char* folderUtf8), {
    var folder = UTF8ToString(folderUtf8);
    FS.mkdirTree(folder);
    FS.mount(IDBFS, {}, folder);
    var error = await Module.vuskSyncSaveFolder(true);
    if (error) console.warn("The save folder could not be read from storage: " + error);
    var files = {
        folder: folder,
        storageError: error,
        // The names of the files in the save folder, sorted.
        list: function() {
            return FS.readdir(folder).filter(function(name) {
                return name != "." && name != ".." && FS.isFile(FS.stat(folder + "/" + name).mode);
            }).sort();
        },
        read: function(name) { return FS.readFile(folder + "/" + name); },
        // Writes a file into the save folder and hands the folder to storage:
        // a promise of "" or of what went wrong.
        put: function(name, bytes) {
            FS.writeFile(folder + "/" + name, bytes);
            return Module.vuskSyncSaveFolder(false);
        },
    };
    Module.vuskSaveFiles = files;
    var page = globalThis.vuskPage;
    if (page && page.hostReady) page.hostReady(files);
    return error ? 0 : 1;
});

EM_ASYNC_JS(int, vusk_persist_save_folder, (), {
    var error = await Module.vuskSyncSaveFolder(false);
    var page = globalThis.vuskPage;
    if (error) {
        console.warn("The save folder could not be written to storage: " + error);
    } else if (page && page.saveFolderChanged) {
        page.saveFolderChanged();
    }
    return error ? 0 : 1;
});

EM_JS(void, vusk_game_ended, (), {
    var page = globalThis.vuskPage;
    if (page && page.gameEnded) page.gameEnded();
});

// Qt for WebAssembly 6.4 leaves no window active when a message box or a
// file dialog closes, and then the keyboard reaches nothing until the player
// clicks the window. When any other window hides, the game's window is made
// active again, unless another modal window has taken over by then.
class Reactivator : public QObject {
public:
    explicit Reactivator(QWidget& window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && watched != &window_ && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            QTimer::singleShot(0, &window_, [w = &window_] {
                if (w->isVisible() && !QApplication::activeModalWidget()) w->activateWindow();
            });
        }
        return false;
    }

private:
    QWidget& window_;
};

// A context menu runs a loop of its own, which cannot wait over a dialog's
// (DialogsCanNest): the right button opens none.
class NoContextMenus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ContextMenu; }
};

}  // namespace

namespace vusk {

void PrepareHost() {
    // The browser has no fonts for the program to use, and the Qt built for it
    // (scripts/package-web.sh) none of its own: the window is measured in
    // Liberation Sans, carried in the program's resources under the name of
    // the cut-down copy, Vusk Sans, and the message boxes and file dialogs take
    // it too.
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/VuskSans-Regular.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/VuskSans-Bold.ttf"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Vusk Sans"));
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Vusk Sans")});
    QApplication::setFont(font);

    vusk_define_folder_sync();
    const QString folder = QDir::homePath() + QStringLiteral("/Saved games");
    vusk_mount_save_folder(folder.toUtf8().constData());
    // The Save and Load dialogs open in the working folder.
    QDir::setCurrent(folder);
}

void ShowMainWindow(QWidget& window) {
    // Qt for WebAssembly shows a main window full screen, over the whole
    // canvas, and a new window in the canvas's top left corner. The window
    // keeps its designed size, with a title bar, and goes to the middle, and
    // back there whenever the canvas changes size with the browser's window.
    window.showNormal();
    auto centre = [&window] {
        const QRect screen = window.screen()->availableGeometry();
        const QRect frame = window.frameGeometry();
        window.move(window.pos() + screen.center() - frame.center());
    };
    centre();
    QObject::connect(window.screen(), &QScreen::availableGeometryChanged, &window, centre);
    qApp->installEventFilter(new Reactivator(window));
    qApp->installEventFilter(new NoContextMenus(&window));
}

bool PersistSaveFolder() { return vusk_persist_save_folder() != 0; }

void GameEnded() { vusk_game_ended(); }

bool DialogsCanNest() { return false; }

}  // namespace vusk
