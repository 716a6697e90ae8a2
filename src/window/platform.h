// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's seams to the platform: message boxes, the save/open file
// dialog and the clock. Each has a default that talks to the real platform
// and can be replaced, so tests drive the window without a person.
#pragma once

#include <QDir>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QMessageBox;
class QWidget;

namespace vusk {

// Message box styles: a button set, plus an icon, plus a default button.
namespace mb {
inline constexpr int OKOnly = 0;
inline constexpr int OKCancel = 1;
inline constexpr int AbortRetryIgnore = 2;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int RetryCancel = 5;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
inline constexpr int DefaultButton2 = 256;
inline constexpr int DefaultButton3 = 512;

// The three parts of a style.
inline constexpr int ButtonsMask = 0x0F;
inline constexpr int IconMask = 0x70;
inline constexpr int DefaultButtonMask = 0x300;
}  // namespace mb

// Answers: the button the player chose.
namespace answer {
inline constexpr int OK = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace answer

// A modal message box built from a style. Each button carries its answer in
// the property "answer".
std::unique_ptr<QMessageBox> BuildMessageBox(const QString& prompt, int style,
                                             const QString& title, QWidget* parent);

// The answer of a box that was closed: the clicked button's, or Cancel when
// it was closed without one.
int AnswerOf(const QMessageBox& box);

using MsgBoxFunction = std::function<int(const QString& prompt, int style, const QString& title)>;

// Whether the player can create a file in `folder`: the folder takes a new
// file, which is removed again at once. Asking the file system for the
// folder's permissions is not enough: they do not bind the superuser, and on
// Windows they leave out the access rules that keep a player out of
// Program Files.
bool CanWriteInFolder(const QString& folder);

// The folders the first save or load may propose its file in.
struct SaveFolders {
    QString start;      // the working folder the game was started in
    QString install;    // the game's own folder, the executable's
    QString documents;  // the player's documents folder; may not exist
    QString home;
    std::function<bool(const QString& folder)> writable = CanWriteInFolder;
};

// Those of this process, from the working folder it was started in.
SaveFolders SystemSaveFolders(const QString& start);

// Where the first dialog proposes its file: the start folder when the player
// can write there and it is not the game's own folder (a shortcut may start
// the game there, and Program Files is no place for a save); else the
// documents folder when it exists and the player can write there; else the
// home folder. A missing documents folder is not made: the player may cancel
// the dialog, and the home folder is as good a place.
QString FirstSaveFolder(const SaveFolders& folders);

// The save/open file dialog of the window. It remembers the last file name
// for the life of the window.
class SaveLoadDialog {
public:
    enum class Mode { Open, Save };
    // Returns the chosen path, or nothing when the player cancelled.
    using Chooser = std::function<std::optional<QString>(Mode mode, const QString& proposed)>;

    QString DefaultExt = QStringLiteral("txt");
    // On: a cancelled dialog is reported as a failure by ShowOpen/ShowSave.
    bool CancelError = true;

    const QString& FileName() const { return fileName_; }
    // Sets the proposed name.
    void setFileName(const QString& name) { fileName_ = name; }
    // Proposes `name` in the folder of FileName, where the player last went,
    // or before any file in FirstSaveFolder.
    void proposeName(const QString& name);

    // The folders the first proposal is chosen from, instead of the
    // system's from the working folder at the dialog's creation.
    void setFolders(SaveFolders folders) { folders_ = std::move(folders); }

    // The file the game last used: the path the player confirmed for the
    // last save or load that succeeded. A refused load or a failed save
    // leaves it as it was; empty before the first.
    const QString& UsedFile() const { return usedFile_; }
    // The game has just loaded from or saved to FileName.
    void markUsed() { usedFile_ = fileName_; }
    void forgetUsedFile() { usedFile_.clear(); }

    // Show the modal dialog. True when the player confirmed a file, which is
    // then in FileName (with DefaultExt added to a name without one); false
    // when the dialog was cancelled (with CancelError on) or failed.
    bool ShowOpen(QWidget* parent);
    bool ShowSave(QWidget* parent);

    // Replaces the real file dialog, for tests.
    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

private:
    bool Show(Mode mode, QWidget* parent);

    QString fileName_;
    QString usedFile_;
    Chooser chooser_;
    // Only the working folder is taken at start-up; the others are looked
    // up when a dialog first needs them.
    QString startFolder_ = QDir::currentPath();
    std::optional<SaveFolders> folders_;
};

// Seconds from a monotonic clock.
using ClockFunction = std::function<double()>;
double MonotonicSeconds();

}  // namespace vusk
