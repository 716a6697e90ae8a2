#include "window/platform.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <chrono>
#include <vector>

namespace vusk {

std::unique_ptr<QMessageBox> BuildMessageBox(const QString& prompt, int style,
                                             const QString& title, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(prompt);

    struct Button {
        QMessageBox::StandardButton kind;
        int answer;
    };
    std::vector<Button> buttons;
    switch (style & mb::ButtonsMask) {
        case mb::OKCancel: buttons = {{QMessageBox::Ok, answer::OK}, {QMessageBox::Cancel, answer::Cancel}}; break;
        case mb::AbortRetryIgnore:
            buttons = {{QMessageBox::Abort, answer::Abort},
                       {QMessageBox::Retry, answer::Retry},
                       {QMessageBox::Ignore, answer::Ignore}};
            break;
        case mb::YesNoCancel:
            buttons = {{QMessageBox::Yes, answer::Yes},
                       {QMessageBox::No, answer::No},
                       {QMessageBox::Cancel, answer::Cancel}};
            break;
        case mb::YesNo: buttons = {{QMessageBox::Yes, answer::Yes}, {QMessageBox::No, answer::No}}; break;
        case mb::RetryCancel:
            buttons = {{QMessageBox::Retry, answer::Retry}, {QMessageBox::Cancel, answer::Cancel}};
            break;
        default: buttons = {{QMessageBox::Ok, answer::OK}}; break;
    }
    std::vector<QPushButton*> added;
    for (const Button& b : buttons) {
        QPushButton* button = box->addButton(b.kind);
        button->setProperty("answer", b.answer);
        added.push_back(button);
    }
    const auto defaultIndex = static_cast<size_t>((style & mb::DefaultButtonMask) / mb::DefaultButton2);
    box->setDefaultButton(added[defaultIndex < added.size() ? defaultIndex : 0]);

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

void SaveLoadDialog::setFileName(const QString& name) {
    fileName_ = name;
    confirmed_ = false;
}

bool SaveLoadDialog::ShowOpen(QWidget* parent) { return Show(Mode::Open, parent); }
bool SaveLoadDialog::ShowSave(QWidget* parent) { return Show(Mode::Save, parent); }

bool SaveLoadDialog::Show(Mode mode, QWidget* parent) {
    std::optional<QString> chosen;
    if (chooser_) {
        chosen = chooser_(mode, fileName_);
    } else {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(DefaultExt);
        if (!fileName_.isEmpty()) dialog.selectFile(fileName_);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen || chosen->isEmpty()) return !CancelError;

    QString path = *chosen;
    if (!DefaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty() && !path.endsWith(u'.'))
        path += u'.' + DefaultExt;
    fileName_ = QFileInfo(path).absoluteFilePath();
    confirmed_ = true;
    return true;
}

double MonotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace vusk
