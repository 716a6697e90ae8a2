// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/frmVuskSandwich.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegion>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "savefile/savefile.h"
#include "window/files.h"
#include "window/layout.h"

namespace vusk {

namespace {

QRect ToPixels(Twips t) {
    return QRect(t.left / kTwipsPerPixel, t.top / kTwipsPerPixel, t.width / kTwipsPerPixel,
                 t.height / kTwipsPerPixel);
}

QFont DesignFont(double points, bool bold) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // Glyph widths as drawn, not rounded up to whole pixels one by one: the boxes are
    // laid out for those widths, and full hinting (the default on Windows) makes a
    // caption such as "Vusk field" a few pixels wider, so that its last word wraps away.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

// Every size of the application icon that the executable carries (16 to 64
// pixels, see src/window/CMakeLists.txt), so that the title bar and the task
// bar each take the one drawn for their size.
// The folders are listed without a name filter: a filter is a regular expression, and
// compiling one would bring the whole of PCRE2 into memory for this one look.
QIcon ApplicationIcon() {
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString& size : icons.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        icon.addFile(icons.filePath(size + QStringLiteral("/vusk-sandwich.png")));
    return icon;
}

QString WithoutAccessKey(QString caption) { return caption.remove(u'&'); }

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ObjectName(const ControlDesign& d) {
    QString name = ToQString(d.name);
    if (d.index >= 0) name += QStringLiteral("(%1)").arg(d.index);
    return name;
}

// The maker's web address, at the end of the About prompt.
const QString kWebsite = QStringLiteral("https://vusk.example.org/");

// The window is designed in "MS Sans Serif"; where it is missing, a face with
// the same metrics takes its place. Safe to call more than once.
void InstallFontSubstitutions() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("Helvetica"), QStringLiteral("Arimo")});
}

// The control called `name`, which the design table must have created.
template <typename Control>
Control* DesignedControl(const QObject* window, const QString& name) {
    auto* control = window->findChild<Control*>(name, Qt::FindChildrenRecursively);
    if (!control) qFatal("frmVuskSandwich: the design has no control named %s", qPrintable(name));
    return control;
}

template <typename Control>
void Bind(const QObject* window, Control*& member, const char* name) {
    member = DesignedControl<Control>(window, QLatin1String(name));
}

// A control array: the controls called name(0), name(1), ...
template <typename Control, size_t N>
void Bind(const QObject* window, std::array<Control*, N>& members, const char* name) {
    for (size_t i = 0; i < N; ++i)
        members[i] = DesignedControl<Control>(window, QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
}

}  // namespace

frmVuskSandwich::frmVuskSandwich(QWidget* parent) : QMainWindow(parent), clock_(MonotonicSeconds) {
    InstallFontSubstitutions();
    setObjectName(QStringLiteral("frmVuskSandwich"));
    setWindowTitle(QStringLiteral("Vusk sandwich"));
    setWindowIcon(ApplicationIcon());
    setFont(DesignFont(kDefaultPoints, false));

    CreateLayers();
    CreateDesignedControls();
    BindControls();
    MaskCounter();
    FillStory();
    DescribeControls();
    ConnectControls();
    SetTabOrder();
    CreateMenus();
    CreateTimers();

    // Production is measured from the window's creation on.
    state.lastTick = clock_();
    tmrTick->start();

    Form_Load();
}

frmVuskSandwich::~frmVuskSandwich() = default;

// The client area holds three layers, bottom to top: the game, the start
// screen and the ending.
void frmVuskSandwich::CreateLayers() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ToPixels(kClientArea).size());
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    gameLayer = new QWidget(client);
    gameLayer->setObjectName(QStringLiteral("gameLayer"));
    gameLayer->setGeometry(ToPixels(kClientArea));

    auto makeFrame = [client](const char* name) {
        auto* frame = new QFrame(client);
        frame->setObjectName(QString::fromLatin1(name));
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setAutoFillBackground(true);
        frame->setGeometry(ToPixels(kFrameArea));
        return frame;
    };
    fraNewOrLoad = makeFrame("fraNewOrLoad");
    fraCinematic = makeFrame("fraCinematic");  // created last, so it lies on top
    fraCinematic->hide();
}

// Every label and button of the design table, on its layer, named as the
// table names it ("Label1", or "btnPurchase(2)" in a control array).
void frmVuskSandwich::CreateDesignedControls() {
    for (const ControlDesign& d : kDesign) {
        QWidget* layer = d.layer == Layer::Game    ? gameLayer
                         : d.layer == Layer::Start ? static_cast<QWidget*>(fraNewOrLoad)
                                                   : static_cast<QWidget*>(fraCinematic);
        const QString caption = ToQString(d.caption);
        QWidget* widget = nullptr;
        if (d.kind == Kind::Label) {
            auto* label = new QLabel(caption, layer);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignTop | (d.align == Align::Right ? Qt::AlignRight : Qt::AlignLeft));
            widget = label;
        } else {
            auto* button = new QPushButton(caption, layer);
            button->setAccessibleName(WithoutAccessKey(caption));
            widget = button;
        }
        widget->setObjectName(ObjectName(d));
        widget->setGeometry(ToPixels(d.box));
        if (d.points > 0 || d.bold) widget->setFont(DesignFont(d.points > 0 ? d.points : kDefaultPoints, d.bold));
    }
}

void frmVuskSandwich::BindControls() {
    Bind(this, Label1, "Label1");
    Bind(this, lblCounter, "lblCounter");
    Bind(this, lblPerSecond, "lblPerSecond");
    Bind(this, Label2, "Label2");
    Bind(this, lblFarmPrice, "lblFarmPrice");
    Bind(this, lblFunction, "lblFunction");
    Bind(this, lblFarmCount, "lblFarmCount");
    Bind(this, btnPurchase, "btnPurchase");
    Bind(this, Label3, "Label3");
    Bind(this, Label4, "Label4");
    Bind(this, btnNewGame, "btnNewGame");
    Bind(this, Label5, "Label5");
    Bind(this, Label6, "Label6");
    Bind(this, btnLoadGame, "btnLoadGame");
    Bind(this, lblCinematic, "lblCinematic");
    Bind(this, btnErase, "btnErase");
}

// The counter's box overlaps Label1's last column and lblPerSecond's top row
// by a pixel. The counter is redrawn on every tick; leaving those strips to
// its neighbours keeps a tick from repainting them as well.
void frmVuskSandwich::MaskCounter() {
    QRegion counterArea(lblCounter->rect());
    for (const QLabel* neighbour : {Label1, lblPerSecond})
        counterArea -= neighbour->geometry().intersected(lblCounter->geometry()).translated(-lblCounter->pos());
    lblCounter->setMask(counterArea);
}

// The ending's captions, each with its delay in its Tag, and the erase button
// that comes after them.
void frmVuskSandwich::FillStory() {
    for (size_t i = 0; i < lblCinematic.size(); ++i) {
        lblCinematic[i]->setText(ToQString(kCinematic[i].text));
        lblCinematic[i]->setProperty("Tag", ToQString(kCinematic[i].tag));
    }
    btnErase->hide();
}

// What assistive tools say of the controls whose text alone does not tell.
void frmVuskSandwich::DescribeControls() {
    lblCounter->setAccessibleDescription(QStringLiteral("Vusk collected"));
    lblPerSecond->setAccessibleDescription(QStringLiteral("Vusk per second"));
    for (size_t i = 0; i < btnPurchase.size(); ++i)
        btnPurchase[i]->setAccessibleName(QStringLiteral("Purchase ") + Label2[i]->text());
}

void frmVuskSandwich::ConnectControls() {
    for (int16_t i = 0; i < kFarmTypes; ++i)
        connect(btnPurchase[i], &QPushButton::clicked, this, [this, i] { btnPurchase_Click(i); });
    connect(btnNewGame, &QPushButton::clicked, this, &frmVuskSandwich::btnNewGame_Click);
    connect(btnLoadGame, &QPushButton::clicked, this, &frmVuskSandwich::btnLoadGame_Click);
    connect(btnErase, &QPushButton::clicked, this, &frmVuskSandwich::btnErase_Click);
}

void frmVuskSandwich::SetTabOrder() {
    QWidget* previous = btnPurchase[0];
    for (QWidget* next : std::initializer_list<QWidget*>{btnPurchase[1], btnPurchase[2], btnPurchase[3],
                                                         btnPurchase[4], btnNewGame, btnLoadGame, btnErase}) {
        setTabOrder(previous, next);
        previous = next;
    }
}

void frmVuskSandwich::CreateTimers() {
    tmrTick = new QTimer(this);
    tmrTick->setObjectName(QStringLiteral("tmrTick"));
    tmrTick->setInterval(20);
    // Qt's default, coarse timer: a tick adds what the time since the last
    // one earned, so a tick a millisecond early or late changes nothing, and
    // Qt wakes a coarse timer on a whole, even millisecond, where its other
    // timers may be due too.
    connect(tmrTick, &QTimer::timeout, this, &frmVuskSandwich::tmrTick_Timer);

    tmrCinematic = new QTimer(fraCinematic);
    tmrCinematic->setObjectName(QStringLiteral("tmrCinematic"));
    tmrCinematic->setInterval(kCinematicFirstInterval);
    // Precise: a coarse timer may fire up to 5% early or late, which over
    // the ending's long delays puts a caption half a second off.
    tmrCinematic->setTimerType(Qt::PreciseTimer);
    connect(tmrCinematic, &QTimer::timeout, this, &frmVuskSandwich::tmrCinematic_Elapsed);
}

void frmVuskSandwich::CreateMenus() {
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu* parentMenu, const char* name, const QString& caption,
                       const QKeySequence& shortcut, void (frmVuskSandwich::*slot)()) {
        QAction* a = parentMenu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(shortcut);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    mnuFile = menu("mnuFile", QStringLiteral("&File"));
    mnuLoad = item(mnuFile, "mnuLoad", QStringLiteral("&Load"), QKeySequence(Qt::CTRL | Qt::Key_L), &frmVuskSandwich::mnuLoad_Click);
    mnuSave = item(mnuFile, "mnuSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), &frmVuskSandwich::mnuSave_Click);
    mnuQuit = item(mnuFile, "mnuQuit", QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &frmVuskSandwich::mnuQuit_Click);

    mnuPurchase = menu("mnuPurchase", QStringLiteral("&Purchase"));
    mnuCob = item(mnuPurchase, "mnuCob", QStringLiteral("Vusk on the &cob"), {}, &frmVuskSandwich::mnuCob_Click);
    mnuField = item(mnuPurchase, "mnuField", QStringLiteral("Vusk &field"), {}, &frmVuskSandwich::mnuField_Click);
    mnuMaze = item(mnuPurchase, "mnuMaze", QStringLiteral("Vusk &maze"), {}, &frmVuskSandwich::mnuMaze_Click);
    mnuHarvester = item(mnuPurchase, "mnuHarvester", QStringLiteral("Vuskbine &harvester"), {}, &frmVuskSandwich::mnuHarvester_Click);
    mnuUfo = item(mnuPurchase, "mnuUfo", QStringLiteral("Vusk &UFO"), {}, &frmVuskSandwich::mnuUfo_Click);

    mnuHelp = menu("mnuHelp", QStringLiteral("&Help"));
    mnuSeekHelp = item(mnuHelp, "mnuSeekHelp", QStringLiteral("&Seek help"), {}, &frmVuskSandwich::mnuSeekHelp_Click);
    mnuAbout = item(mnuHelp, "mnuAbout", QStringLiteral("&About vusk sandwich"), {}, &frmVuskSandwich::mnuAbout_Click);
}

void frmVuskSandwich::setClock(ClockFunction fn) {
    clock_ = std::move(fn);
    state.lastTick = clock_();
}

int frmVuskSandwich::MsgBox(const QString& prompt, int style, const QString& title) {
    if (msgBox_) return msgBox_(prompt, style, title);
    auto box = BuildMessageBox(prompt, style, title, this);
    box->exec();
    return AnswerOf(*box);
}

void frmVuskSandwich::keyPressEvent(QKeyEvent* event) {
    // A command button outside a dialog leaves Enter to its window.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && button &&
        button->isEnabled() && button->isVisible()) {
        button->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool frmVuskSandwich::EndingStarted() const { return !fraCinematic->isHidden(); }

void frmVuskSandwich::UpdateCoveredControls() {
    fraNewOrLoad->setEnabled(!EndingStarted());
    gameLayer->setEnabled(fraNewOrLoad->isHidden() && !EndingStarted());
}

// ---- Start-up, the fresh game and the tick ----

void frmVuskSandwich::Form_Load() {
    fraNewOrLoad->show();
    NewGame();
    UpdateCoveredControls();
    btnNewGame->setFocus();
}

void frmVuskSandwich::NewGame() {
    PerFarm<std::string> prices, rates;
    for (size_t i = 0; i < prices.size(); ++i) {
        prices[i] = lblFarmPrice[i]->text().toStdString();
        rates[i] = lblFunction[i]->text().toStdString();
    }
    vusk::NewGame(state, prices, rates);
    lblPerSecond_Update();
    lblCounter_Update();
}

void frmVuskSandwich::tmrTick_Timer() {
    AddProduction(state, clock_() - state.lastTick);
    lblCounter_Update();
    state.lastTick = clock_();
}

void frmVuskSandwich::lblCounter_Update() {
    lblCounter->setText(QString::fromStdString(CounterCaption(state.collected)));
}

void frmVuskSandwich::lblPerSecond_Update() {
    lblPerSecond->setText(QString::fromStdString(PerSecondCaption(CalculatePerSecond(state))));
}

// ---- Purchasing ----

void frmVuskSandwich::btnPurchase_Click(int16_t Index) {
    if (EndingStarted()) return;  // the ending is final
    switch (Purchase(state, Index)) {
        case PurchaseResult::NotEnough:
            MsgBox(QStringLiteral("You don't have enough vusk to buy that."), mb::OKOnly,
                   QStringLiteral("Not enough vusk"));
            break;
        case PurchaseResult::TooMany:
            MsgBox(QStringLiteral("You can't own any more of those."), mb::OKOnly,
                   QStringLiteral("Too many"));
            break;
        case PurchaseResult::Ending:
            StartEnding();
            break;
        case PurchaseResult::Bought:
            lblFarmCount_UpdateCaption(Index);
            lblFarmPrice_UpdateCaption(Index);
            break;
    }
    lblPerSecond_Update();
}

void frmVuskSandwich::lblFarmCount_UpdateCaption(int16_t Index) {
    const auto i = static_cast<size_t>(Index);
    lblFarmCount.at(i)->setText(QString::fromStdString(FarmCountCaption(state.farmCount.at(i))));
}

void frmVuskSandwich::lblFarmPrice_UpdateCaption(int16_t Index) {
    const auto i = static_cast<size_t>(Index);
    QLabel* label = lblFarmPrice.at(i);
    label->setText(QString::fromStdString(FarmPriceCaption(state.farmPrice.at(i), state.priceUnit.at(i),
                                                           state.priceSuffixLen.at(i),
                                                           label->text().toStdString())));
}

// ---- Start screen and commands ----

void frmVuskSandwich::btnNewGame_Click() {
    fraNewOrLoad->hide();
    UpdateCoveredControls();
    btnPurchase[0]->setFocus();
}

void frmVuskSandwich::btnLoadGame_Click() { mnuLoad_Click(); }

void frmVuskSandwich::mnuLoad_Click() {
    if (EndingStarted()) return;
    if (LoadGame() && !fraNewOrLoad->isHidden()) btnNewGame_Click();
}

void frmVuskSandwich::mnuQuit_Click() {
    if (EndingStarted()) return;
    close();
}

// ---- Save files ----

void frmVuskSandwich::mnuSave_Click() {
    if (EndingStarted()) return;
    dlgSaveLoad.proposeName(QStringLiteral("vusk_save.txt"));
    if (!dlgSaveLoad.ShowSave(this)) {
        // The name is back at the proposed one, which the player never
        // chose: the erase button deletes nothing now.
        dlgSaveLoad.forgetUsedFile();
        return;
    }
    if (WriteFileAtomically(dlgSaveLoad.FileName(), WriteSaveFile(state))) {
        dlgSaveLoad.markUsed();
        MsgBox(QStringLiteral("Game saved."), mb::OKOnly + mb::Information, QStringLiteral("Game saved"));
    } else {
        MsgBox(QStringLiteral("The game could not be saved."), mb::OKOnly + mb::Critical,
               QStringLiteral("Save failed"));
    }
}

bool frmVuskSandwich::LoadGame() {
    if (dlgSaveLoad.FileName().isEmpty()) dlgSaveLoad.proposeName(QStringLiteral("vusk_save.txt"));
    if (!dlgSaveLoad.ShowOpen(this)) return false;

    std::optional<GameState> loaded;
    if (const auto bytes = ReadSaveFileBytes(dlgSaveLoad.FileName()))
        loaded = ReadSaveFile(std::string_view(bytes->constData(), static_cast<size_t>(bytes->size())), state);
    if (!loaded) {
        MsgBox(QStringLiteral("The game could not be loaded from that file."), mb::OKOnly + mb::Critical,
               QStringLiteral("Load failed"));
        return false;
    }

    dlgSaveLoad.markUsed();
    state = *loaded;
    RefreshStateLabels();
    return true;
}

void frmVuskSandwich::RefreshStateLabels() {
    for (int16_t i = 0; i < state.farmTypes; ++i) {
        lblFarmPrice_UpdateCaption(i);
        lblFarmCount_UpdateCaption(i);
    }
    lblPerSecond_Update();
    lblCounter_Update();
}

// ---- Help ----

void frmVuskSandwich::mnuAbout_Click() {
    MsgBox(QStringLiteral("Vusk sandwich is a production by vusk. To learn more, visit our website: ") + kWebsite,
           mb::OKOnly, QStringLiteral("About vusk sandwich"));
}

void frmVuskSandwich::mnuSeekHelp_Click() {
    int16_t count = -1;
    int chosen = 0;
    do {
        ++count;
        if (count < 5)
            chosen = MsgBox(QStringLiteral("Seriously, seek help."),
                            mb::AbortRetryIgnore + mb::Critical + mb::DefaultButton2, QStringLiteral("?"));
        else
            chosen = MsgBox(QStringLiteral("There's no escape."), mb::OKCancel + mb::Critical + mb::DefaultButton2,
                            QStringLiteral("..."));
    } while (chosen == answer::Retry);
}

// ---- The ending ----

void frmVuskSandwich::StartEnding() {
    tmrTick->stop();
    // The menus go dark, and with them every shortcut of their items.
    for (QMenu* menu : {mnuFile, mnuPurchase, mnuHelp}) {
        menu->menuAction()->setEnabled(false);
        for (QAction* action : menu->actions()) action->setEnabled(false);
    }
    for (QLabel* caption : lblCinematic) caption->hide();
    fraCinematic->show();
    fraCinematic->raise();
    UpdateCoveredControls();
    cinematicDue_ = clock_() + tmrCinematic->interval() / 1000.0;
    tmrCinematic->start();
}

void frmVuskSandwich::tmrCinematic_Timer() {
    const CinematicEvent event = NextCinematicEvent(state.cinematicStep, static_cast<int>(lblCinematic.size()));
    if (event.finished) {
        btnErase->show();
        tmrCinematic->stop();
        btnErase->setFocus();
        return;
    }
    QLabel* caption = lblCinematic.at(static_cast<size_t>(event.show));
    caption->show();
    if (const auto interval = TagToInterval(caption->property("Tag").toString().toStdString())) {
        // The next event is due that long after this one was due, so a late
        // event shortens the next wait rather than delaying every event
        // after it. An event that comes early (called directly) counts
        // from now.
        const double now = clock_();
        const double from = now < cinematicDue_ - 0.001 ? now : cinematicDue_;
        cinematicDue_ = from + *interval / 1000.0;
        // Linux lets a long wait run over by up to a thousandth of it (the
        // slack it gives poll timeouts), 11 ms on the longest delay: the
        // timer wakes that much early, plus a millisecond, and
        // tmrCinematic_Elapsed waits out the rest.
        const int wait = std::max(0, static_cast<int>(std::lround((cinematicDue_ - now) * 1000)));
        tmrCinematic->setInterval(wait - std::min(wait, wait / 1000 + 1));  // restarts the countdown
    }
}

void frmVuskSandwich::tmrCinematic_Elapsed() {
    const double early = cinematicDue_ - clock_();
    if (early > 0.0005) {
        tmrCinematic->setInterval(static_cast<int>(std::ceil(early * 1000)));
        return;
    }
    tmrCinematic_Timer();
}

void frmVuskSandwich::btnErase_Click() {
    // Only a save file the player chose and the game used is deleted; a
    // failed deletion changes nothing and the window closes all the same.
    if (!dlgSaveLoad.UsedFile().isEmpty()) RemoveSaveFile(dlgSaveLoad.UsedFile());
    close();
}

}  // namespace vusk
