// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The game's window on the page's canvas (Emscripten). Qt for WebAssembly
// makes the canvas its screen, in CSS pixels; a phone's canvas is narrower
// than the window with its frame. There Qt's own high-DPI scaling draws
// everything smaller by one factor per screen: every caption keeps its box,
// since the text is laid out in the same logical pixels, and a touch is
// mapped back through the same factor.
#include "window/screen_web.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/private/qhighdpiscaling_p.h>

#include <emscripten.h>

#include <algorithm>
#include <string>

namespace {

// The frame Qt for WebAssembly draws around a window with a title bar, in
// CSS pixels: it is drawn at that size whatever the scale of the window.
QMargins PlatformFrame() {
    QWindow probe;
    probe.setFlags(Qt::Window | Qt::WindowTitleHint);
    probe.create();
    const QMargins frame = probe.frameMargins();
    return frame * QHighDpiScaling::factor(probe.screen());
}

QSize Shrunk(QSize size, const QMargins& by) {
    return QSize(size.width() - by.left() - by.right(), size.height() - by.top() - by.bottom());
}

// The factor that fits `content` and its frame into `room`, both in CSS
// pixels: 1 where it fits as designed.
qreal FitFactor(QSize content, const QMargins& frame, QSize room) {
    const QSize inside = Shrunk(room, frame);
    qreal factor = 1;
    if (content.width() > 0) factor = std::min(factor, qreal(inside.width()) / content.width());
    if (content.height() > 0) factor = std::min(factor, qreal(inside.height()) / content.height());
    // Past a quarter nothing could be read or hit any more.
    return std::max(factor, qreal(0.25));
}

// The window's size as designed, without its frame, in logical pixels.
QSize DesignedSize(QWidget& window) {
    window.ensurePolished();
    if (window.layout()) window.layout()->activate();
    return window.sizeHint().expandedTo(window.minimumSize());
}

// Where `logical`, a rectangle in Qt's logical screen coordinates, is drawn on
// the page, in CSS pixels of the canvas's screen.
QRectF OnCanvas(const QRect& logical, const QScreen* screen) {
    const qreal factor = QHighDpiScaling::factor(screen);
    const QPointF origin = QHighDpi::toNativeGlobalPosition(QPointF(logical.topLeft()), screen);
    return QRectF(origin, QSizeF(logical.size()) * factor);
}

QString WithoutAccessKey(QString text) {
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text;
}

// ---- Test hooks: where a control is drawn ----

QString Quoted(QString text) {
    text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\"")).replace(u'\n', QStringLiteral("\\n"));
    return u'"' + text + u'"';
}

// What a control says: a label's or a button's text.
QString TextOf(const QWidget& w) {
    if (auto* label = qobject_cast<const QLabel*>(&w)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(&w)) return WithoutAccessKey(button->text());
    return {};
}

std::string RectJson(const QRect& logical, const QWidget& in, const char* kind, const QString& text = {}) {
    const QRectF r = OnCanvas(logical, in.screen());
    return QStringLiteral(R"({"x":%1,"y":%2,"width":%3,"height":%4,"kind":"%5","window":%6,"text":%7})")
        .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
        .arg(QString::fromLatin1(kind), Quoted(in.window()->windowTitle()), Quoted(text))
        .toStdString();
}

QRect GlobalRect(const QWidget& widget, const QRect& local) {
    return QRect(widget.mapToGlobal(local.topLeft()), local.size());
}

// The visible windows, the one on top first: an open menu, a modal dialog,
// then the others.
QList<QWidget*> WindowsTopFirst() {
    QList<QWidget*> windows;
    if (QWidget* popup = QApplication::activePopupWidget()) windows << popup;
    if (QWidget* modal = QApplication::activeModalWidget()) windows << modal;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !windows.contains(w)) windows << w;
    return windows;
}

// A control by its object name, or by what it says: a button's caption, a
// menu title or item, an entry of a list, a label's text. JSON of where it is
// drawn, or "null".
std::string FindControl(const std::string& what) {
    const QString wanted = QString::fromStdString(what);
    for (QWidget* window : WindowsTopFirst()) {
        QList<QWidget*> widgets{window};
        widgets += window->findChildren<QWidget*>();
        for (QWidget* w : widgets) {
            if (!w->isVisible()) continue;
            if (w->objectName() == wanted) return RectJson(GlobalRect(*w, w->rect()), *w, "widget", TextOf(*w));
            if (auto* button = qobject_cast<QAbstractButton*>(w); button && WithoutAccessKey(button->text()) == wanted)
                return RectJson(GlobalRect(*w, w->rect()), *w, "button");
            if (auto* label = qobject_cast<QLabel*>(w); label && label->text() == wanted)
                return RectJson(GlobalRect(*w, w->rect()), *w, "label");
            if (auto* bar = qobject_cast<QMenuBar*>(w)) {
                for (QAction* a : bar->actions())
                    if (a->isVisible() && WithoutAccessKey(a->text()) == wanted)
                        return RectJson(GlobalRect(*w, bar->actionGeometry(a)), *w, "menu");
            }
            if (auto* menu = qobject_cast<QMenu*>(w)) {
                for (QAction* a : menu->actions())
                    if (a->isVisible() && WithoutAccessKey(a->text()) == wanted)
                        return RectJson(GlobalRect(*w, menu->actionGeometry(a)), *w, "item");
            }
            if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
                const QModelIndex root = view->rootIndex();
                for (int row = 0; row < view->model()->rowCount(root); ++row) {
                    const QModelIndex index = view->model()->index(row, 0, root);
                    if (index.data().toString() != wanted) continue;
                    const QRect item = view->visualRect(index);
                    if (item.isEmpty()) continue;
                    return RectJson(GlobalRect(*view->viewport(), item), *w, "entry");
                }
            }
        }
    }
    return "null";
}

// The visible windows with their frames, the one on top first.
std::string ListWindows() {
    std::string json = "[";
    for (QWidget* window : WindowsTopFirst()) {
        if (json.size() > 1) json += ",";
        json += RectJson(window->frameGeometry(), *window, window->metaObject()->className());
    }
    return json + "]";
}

double ScaleFactor() { return QHighDpiScaling::factor(QGuiApplication::primaryScreen()); }

// Plain exports, not embind's: a call from the page that comes while the
// game waits in a dialog (suspended by asyncify) gets its answer at once,
// where embind would hand it a promise of the game's resumption.
extern "C" {
EMSCRIPTEN_KEEPALIVE const char* vusk_find_control(const char* what) {
    static std::string answer;
    answer = FindControl(what);
    return answer.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* vusk_list_windows() {
    static std::string answer;
    answer = ListWindows();
    return answer.c_str();
}
EMSCRIPTEN_KEEPALIVE double vusk_scale_factor() { return ScaleFactor(); }
}

// The page's view of those, in CSS pixels of the page, where the page's
// address asked for them (?testhooks) or the page did before the game
// started: globalThis.vuskGame.find(what), .windows() and .scale().
EM_JS(void, vusk_expose_test_hooks, (), {
    if (!globalThis.vuskTestHooks && !new URLSearchParams(location.search).has("testhooks")) return;
    var canvas = function() {
        var r = document.body.getBoundingClientRect();
        return { left: r.left, top: r.top };
    };
    var onPage = function(r) {
        if (!r) return r;
        var origin = canvas();
        r.x += origin.left;
        r.y += origin.top;
        return r;
    };
    var ask = function(what) {
        var bytes = new TextEncoder().encode(what);
        var text = Module["_malloc"](bytes.length + 1);
        HEAPU8.set(bytes, text);
        HEAPU8[text + bytes.length] = 0;
        var answer = UTF8ToString(Module["_vusk_find_control"](text));
        Module["_free"](text);
        return answer;
    };
    globalThis.vuskGame = {
        find: function(what) { return onPage(JSON.parse(ask(String(what)))); },
        windows: function() { return JSON.parse(UTF8ToString(Module["_vusk_list_windows"]())).map(onPage); },
        scale: function() { return Module["_vusk_scale_factor"](); },
    };
});

// Whether the page's primary pointer is a finger (a phone's or a tablet's
// touch screen), as CSS's pointer media feature tells.
EM_JS(int, vusk_pointer_is_coarse, (), { return matchMedia("(pointer: coarse)").matches ? 1 : 0; });

// Keeps each dialog and message box within the screen: no larger than the
// screen's room for it, and placed on it. A box sizes itself when it is
// shown, so it is fitted once more after that.
class OnScreen : public QObject {
public:
    explicit OnScreen(QWidget& window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched != &window_ && watched->isWidgetType()) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog && dialog->isWindow()) {
                Fit(*dialog);
                QTimer::singleShot(0, dialog, [this, d = QPointer<QDialog>(dialog)] {
                    if (d) Fit(*d);
                });
            }
        }
        return false;
    }

private:
    // Within the screen, and over the middle of the game's window, as Qt puts
    // a dialog over its parent.
    void Fit(QWidget& w) const {
        const QRect room = w.screen()->availableGeometry();
        const QMargins frame = w.windowHandle() ? w.windowHandle()->frameMargins() : QMargins();
        const QSize inside = Shrunk(room.size(), frame);
        if (w.width() > inside.width() || w.height() > inside.height()) {
            w.setMinimumSize(w.minimumSize().boundedTo(inside));
            w.resize(w.size().boundedTo(inside));
        }
        const QRect at = w.frameGeometry();
        const QPoint centred = window_.frameGeometry().center() - QPoint(at.width() / 2, at.height() / 2);
        const int x = std::clamp(centred.x(), room.left(), std::max(room.left(), room.right() + 1 - at.width()));
        const int y = std::clamp(centred.y(), room.top(), std::max(room.top(), room.bottom() + 1 - at.height()));
        if (x != at.x() || y != at.y()) w.move(x, y);
    }

    QWidget& window_;
};

}  // namespace

namespace vusk {

void FitWindowToScreen(QWidget& window) {
    // Only where the player's pointer is a finger: Qt 6.4 for WebAssembly maps
    // a touch through the scale, but not a mouse, whose presses would land
    // beside what they aim at. A desktop keeps the designed size.
    if (!vusk_pointer_is_coarse()) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    const qreal factor = FitFactor(DesignedSize(window), PlatformFrame(), screen->geometry().size());
    if (factor < 1) QHighDpiScaling::setScreenFactor(screen, factor);
}

void KeepWindowsOnScreen(QWidget& window) {
    qApp->installEventFilter(new OnScreen(window));
    vusk_expose_test_hooks();
}

}  // namespace vusk
