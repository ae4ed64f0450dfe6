#pragma once

#include <QFileDialog>
#include <QString>

/**
 * The file dialogs of every window. Qt's own dialog (used where the desktop offers none) writes
 * sizes and dates in the system's locale, which on most machines is not Japanese ("3 bytes",
 * "9 Dec 2026"): its list shows them in the program's locale instead. A desktop's dialog is left
 * as it is.
 */
namespace fumibako::widgets {

/** Sizes and dates of @p dialog's list in the program's locale; call before showing it. */
void showFileListInProgramLocale(QFileDialog& dialog);

/** QFileDialog::getOpenFileName with the list as above; "" when cancelled. */
QString chooseOpenFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                       QFileDialog::Options options = {});

/** QFileDialog::getExistingDirectory with the list as above; "" when cancelled. */
QString chooseExistingFolder(QWidget* parent, const QString& title, const QString& folder);

} // namespace fumibako::widgets
