// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program in a web page (Emscripten). Its files live in the page's
// memory and are gone with it. The save files are kept in the browser's
// IndexedDB storage by the page's save store (web/save-store.js), one record
// a file; the save folder in memory is a copy of it, which the dialogs list
// and the game reads and writes, brought up to storage before each of those
// and handed to it one file at a time. Other pages of the game open at the
// same time do the same, so none undoes another's saves. The page around the
// game (web/index.html) is told, through globalThis.vuskPage, when the game
// is ready, when it changed a save file and when the game is over.
#include "window/host.h"
#include "window/screen_web.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QScreen>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <emscripten.h>

#include <optional>

namespace {

// The store and the copy: Module.vuskSaves, whose calls each answer "" when
// storage answered, or what went wrong. Names are the files' paths within the
// save folder.
EM_JS(void, vusk_define_save_folder, (const char* folderUtf8), {
    var folder = UTF8ToString(folderUtf8);
    FS.mkdirTree(folder);
    var Store = globalThis.VuskSaveStore;
    var store = Store ? new Store(folder) : null;
    function copyPath(name) { return folder + "/" + name; }
    function exists(path) { return !!FS.analyzePath(path).exists; }
    function writeCopy(name, bytes, modified) {
        var path = copyPath(name);
        FS.mkdirTree(path.slice(0, path.lastIndexOf("/")));
        FS.writeFile(path, bytes);
        if (modified) FS.utime(path, modified.getTime(), modified.getTime());
    }
    // The files of the copy, as names within the folder.
    function copiedFiles(prefix) {
        var names = [];
        FS.readdir(copyPath(prefix || ".")).forEach(function(entry) {
            if (entry == "." || entry == "..") return;
            var name = prefix ? prefix + "/" + entry : entry;
            var mode = FS.stat(copyPath(name)).mode;
            if (FS.isDir(mode)) names = names.concat(copiedFiles(name));
            else if (FS.isFile(mode)) names.push(name);
        });
        return names;
    }
    function changed(how) {
        var page = globalThis.vuskPage;
        if (page && page.saveFolderChanged) page.saveFolderChanged(how);
    }
    // Runs work(store): a promise of "" once it is done, or of what went wrong.
    function withStore(work) {
        return (async function() {
            if (!store) throw new Error("the page has no save store");
            await work(store);
            return "";
        })().catch(function(error) { return String((error && error.message) || error); });
    }
    Module.vuskSaves = {
        refreshFolder: function() {
            return withStore(async function(store) {
                var files = await store.list();
                var kept = {};
                for (var i = 0; i < files.length; ++i) {
                    var bytes = await store.read(files[i].name);
                    if (!bytes) continue;
                    kept[files[i].name] = true;
                    writeCopy(files[i].name, bytes, files[i].modified);
                }
                copiedFiles("").forEach(function(name) { if (!kept[name]) FS.unlink(copyPath(name)); });
            });
        },
        refreshFile: function(name) {
            return withStore(async function(store) {
                var bytes = await store.read(name);
                if (bytes) writeCopy(name, bytes, new Date());
                else if (exists(copyPath(name)) && FS.isFile(FS.stat(copyPath(name)).mode)) FS.unlink(copyPath(name));
            });
        },
        store: function(name, bytes) {
            return withStore(async function(store) {
                await store.write(name, bytes);
                changed("saved");
            });
        },
        unstore: function(name) {
            return withStore(async function(store) {
                await store.remove(name);
                changed("deleted");
            });
        },
    };
});

// Each waits for storage's answer (the store gives up on one that does not
// come) and says what went wrong in the console: 1 when storage answered.
EM_ASYNC_JS(int, vusk_refresh_save_folder, (), {
    var error = await Module.vuskSaves.refreshFolder();
    if (error) console.warn("The save files could not be read from storage: " + error);
    return error ? 0 : 1;
});

EM_ASYNC_JS(int, vusk_refresh_save_file, (const char* nameUtf8), {
    var name = UTF8ToString(nameUtf8);
    var error = await Module.vuskSaves.refreshFile(name);
    if (error) console.warn(name + " could not be read from storage: " + error);
    return error ? 0 : 1;
});

EM_ASYNC_JS(int, vusk_store_save_file, (const char* nameUtf8, const char* bytes, int size), {
    var name = UTF8ToString(nameUtf8);
    var error = await Module.vuskSaves.store(name, HEAPU8.slice(bytes, bytes + size));
    if (error) console.warn(name + " could not be written to storage: " + error);
    return error ? 0 : 1;
});

EM_ASYNC_JS(int, vusk_unstore_save_file, (const char* nameUtf8), {
    var name = UTF8ToString(nameUtf8);
    var error = await Module.vuskSaves.unstore(name);
    if (error) console.warn(name + " could not be deleted from storage: " + error);
    return error ? 0 : 1;
});

EM_JS(void, vusk_host_ready, (int storageAnswered), {
    var page = globalThis.vuskPage;
    if (page && page.hostReady) page.hostReady({ storageAnswered: !!storageAnswered });
});

// While the game waits for storage's answer, the program is suspended back to
// the browser, which hands it the player's input all the same, each event in a
// call of its own. An event that opened a box then (a key on a Purchase button
// with too little vusk, say) would suspend the program a second time over the
// first, and the page would hang. So input that comes while storage is being
// waited for is dropped: a wait is a few milliseconds, or a few hundred on a
// slow disk.
bool& WaitingForStorage() {
    static bool waiting = false;
    return waiting;
}

class NoInputWhileWaiting : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!WaitingForStorage()) return false;
        switch (event->type()) {
            case QEvent::ShortcutOverride:
                event->accept();  // no shortcut either
                return true;
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::ContextMenu:
                return true;
            default:
                return false;
        }
    }
};

// Calls one of the waits above with input held off.
template <typename Wait>
int WaitForStorage(Wait wait) {
    const bool outer = !WaitingForStorage();
    WaitingForStorage() = true;
    const int answered = wait();
    if (outer) WaitingForStorage() = false;
    return answered;
}

QString& SaveFolder() {
    static QString folder;
    return folder;
}

// The name of the file at `path` within the save folder, where storage keeps
// it; nothing for a file elsewhere, which lives in memory alone.
std::optional<QByteArray> NameInSaveFolder(const QString& path) {
    const QString name = QDir(SaveFolder()).relativeFilePath(QFileInfo(path).absoluteFilePath());
    if (name.isEmpty() || name == u"." || name == u".." || name.startsWith(QStringLiteral("../")) ||
        QDir::isAbsolutePath(name))
        return std::nullopt;
    return name.toUtf8();
}

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

    SaveFolder() = QDir::homePath() + QStringLiteral("/Saved games");
    vusk_define_save_folder(SaveFolder().toUtf8().constData());
    qApp->installEventFilter(new NoInputWhileWaiting(qApp));
    vusk_host_ready(WaitForStorage(vusk_refresh_save_folder));
    // The Save and Load dialogs open in the working folder.
    QDir::setCurrent(SaveFolder());
}

void ShowMainWindow(QWidget& window) {
    // Qt for WebAssembly shows a main window full screen, over the whole
    // canvas, and a new window in the canvas's top left corner. The window
    // keeps its designed size (scaled down to fit a phone's screen first:
    // screen_web.h), with a title bar, and goes to the middle, and
    // back there whenever the canvas changes size with the browser's window.
    FitWindowToScreen(window);
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
    KeepWindowsOnScreen(window);
}

void RefreshSaveFolder() { WaitForStorage(vusk_refresh_save_folder); }

void RefreshSaveFile(const QString& path) {
    if (const auto name = NameInSaveFolder(path))
        WaitForStorage([&] { return vusk_refresh_save_file(name->constData()); });
}

bool StoreSaveFile(const QString& path, const std::string& bytes) {
    const auto name = NameInSaveFolder(path);
    return !name || WaitForStorage([&] {
               return vusk_store_save_file(name->constData(), bytes.data(), static_cast<int>(bytes.size()));
           }) != 0;
}

bool UnstoreSaveFile(const QString& path) {
    const auto name = NameInSaveFolder(path);
    return !name || WaitForStorage([&] { return vusk_unstore_save_file(name->constData()); }) != 0;
}

void GameEnded() { vusk_game_ended(); }

bool DialogsCanNest() { return false; }

}  // namespace vusk
