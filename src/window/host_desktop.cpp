// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop system has the fonts, keeps every file written and closes the
// program itself: nothing to do.
#include "window/host.h"

#include <QString>
#include <QWidget>

namespace vusk {

void PrepareHost() {}

void ShowMainWindow(QWidget& window) { window.show(); }

void RefreshSaveFolder() {}

void RefreshSaveFile(const QString&) {}

bool StoreSaveFile(const QString&, const std::string&) { return true; }

bool UnstoreSaveFile(const QString&) { return true; }

void GameEnded() {}

bool DialogsCanNest() { return true; }

}  // namespace vusk
