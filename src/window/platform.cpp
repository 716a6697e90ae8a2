// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/platform.h"

#include "window/host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <chrono>
#include <vector>

namespace vusk {

std::unique_ptr<QMessageBox> BuildMessageBox(const QString& prompt, int style,
                                             const QString& title, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(prompt);

    // The buttons read left to right in the order listed. Qt would sort
    // standard buttons by the platform's button-box layout (Retry, Ignore,
    // Abort on every platform), so each is added as a plain button with the
    // action role, whose buttons every layout keeps in the order added.
    struct Button {
        const char* text;
        int answer;
    };
    std::vector<Button> buttons;
    switch (style & mb::ButtonsMask) {
        case mb::OKCancel: buttons = {{"OK", answer::OK}, {"Cancel", answer::Cancel}}; break;
        case mb::AbortRetryIgnore:
            buttons = {{"&Abort", answer::Abort}, {"&Retry", answer::Retry}, {"&Ignore", answer::Ignore}};
            break;
        case mb::YesNoCancel:
            buttons = {{"&Yes", answer::Yes}, {"&No", answer::No}, {"Cancel", answer::Cancel}};
            break;
        case mb::YesNo: buttons = {{"&Yes", answer::Yes}, {"&No", answer::No}}; break;
        case mb::RetryCancel: buttons = {{"&Retry", answer::Retry}, {"Cancel", answer::Cancel}}; break;
        default: buttons = {{"OK", answer::OK}}; break;
    }
    std::vector<QPushButton*> added;
    for (const Button& b : buttons) {
        QPushButton* button = box->addButton(QString::fromLatin1(b.text), QMessageBox::ActionRole);
        button->setProperty("answer", b.answer);
        added.push_back(button);
    }
    const auto defaultIndex = static_cast<size_t>((style & mb::DefaultButtonMask) / mb::DefaultButton2);
    box->setDefaultButton(added[defaultIndex < added.size() ? defaultIndex : 0]);
    // Escape and the close box answer as they would with the standard
    // buttons: Cancel where there is one, else No or Abort, else the only
    // button of an OK box.
    auto answering = [&added](int a) -> QPushButton* {
        for (QPushButton* button : added)
            if (button->property("answer").toInt() == a) return button;
        return nullptr;
    };
    QPushButton* escape = answering(answer::Cancel);
    if (!escape) escape = answering(answer::No);
    if (!escape) escape = answering(answer::Abort);
    if (!escape && added.size() == 1) escape = added.front();
    if (escape) box->setEscapeButton(escape);

    switch (style & mb::IconMask) {
        case mb::Critical: box->setIcon(QMessageBox::Critical); break;
        case mb::Question: box->setIcon(QMessageBox::Question); break;
        case mb::Exclamation: box->setIcon(QMessageBox::Warning); break;
        case mb::Information: box->setIcon(QMessageBox::Information); break;
        default: box->setIcon(QMessageBox::NoIcon); break;
    }
    return box;
}

int AnswerOf(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    return clicked ? clicked->property("answer").toInt() : answer::Cancel;
}

bool CanWriteInFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vusk-sandwich-XXXXXX")));
    return probe.open();
}

SaveFolders SystemSaveFolders(const QString& start) {
    SaveFolders folders;
    folders.start = start;
    // Empty before a QCoreApplication exists; FirstSaveFolder compares no
    // empty folder.
    if (QCoreApplication::instance()) folders.install = QCoreApplication::applicationDirPath();
    folders.documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    folders.home = QDir::homePath();
    return folders;
}

QString FirstSaveFolder(const SaveFolders& folders) {
    // The same folder by any spelling: QFileInfo compares the paths with
    // links resolved, and without case where the file system ignores it.
    const QFileInfo start(folders.start);
    const bool installFolder =
        !folders.install.isEmpty() && start.exists() && start == QFileInfo(folders.install);
    if (!folders.start.isEmpty() && !installFolder && folders.writable(folders.start)) return folders.start;
    if (!folders.documents.isEmpty() && QFileInfo(folders.documents).isDir() && folders.writable(folders.documents))
        return folders.documents;
    return folders.home;
}

void SaveLoadDialog::proposeName(const QString& name) {
    const QString folder = !fileName_.isEmpty() ? QFileInfo(fileName_).absolutePath()
                           : folders_           ? FirstSaveFolder(*folders_)
                                                : FirstSaveFolder(SystemSaveFolders(startFolder_));
    fileName_ = QDir(folder).filePath(name);
}

bool SaveLoadDialog::ShowOpen(QWidget* parent) { return Show(Mode::Open, parent); }
bool SaveLoadDialog::ShowSave(QWidget* parent) { return Show(Mode::Save, parent); }

bool SaveLoadDialog::Show(Mode mode, QWidget* parent) {
    std::optional<QString> chosen;
    if (chooser_) {
        chosen = chooser_(mode, fileName_);
    } else {
        // Where a dialog may not open a box over itself (DialogsCanNest), the
        // dialog takes any name: a name that is taken is confirmed here once
        // the dialog has closed, and a missing file is the load's to report.
        const bool nest = DialogsCanNest();
        QString proposedName = fileName_;
        while (true) {
            RefreshSaveFolder();
            QFileDialog dialog(parent);
            dialog.setAcceptMode(mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            dialog.setFileMode(mode == Mode::Save || !nest ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !nest);
            dialog.setDefaultSuffix(DefaultExt);
            if (!proposedName.isEmpty()) {
                // The platform's own dialogs (Windows') take only the name from
                // selectFile and open in the folder set here.
                const QFileInfo proposed(proposedName);
                if (proposed.isAbsolute()) dialog.setDirectory(proposed.absolutePath());
                dialog.selectFile(proposedName);
            }
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) break;
            chosen = dialog.selectedFiles().constFirst();
            RefreshSaveFile(*chosen);
            if (nest || mode != Mode::Save || !QFileInfo::exists(*chosen)) break;
            // The question the dialog would have asked, in its words.
            const QString question = QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                         .arg(QFileInfo(*chosen).fileName());
            if (QMessageBox::warning(parent, dialog.windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes)
                break;
            proposedName = *chosen;
            chosen.reset();
        }
    }
    if (!chosen || chosen->isEmpty()) return !CancelError;

    QString path = *chosen;
    if (!DefaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty() && !path.endsWith(u'.'))
        path += u'.' + DefaultExt;
    fileName_ = QFileInfo(path).absoluteFilePath();
    return true;
}

double MonotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace vusk
