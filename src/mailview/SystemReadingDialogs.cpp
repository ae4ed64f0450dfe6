#include "mailview/SystemReadingDialogs.h"

#include "widgets/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>

namespace fumibako::mailview {

std::optional<QString> SystemReadingDialogs::askText(const QString& prompt, const QString& title)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_owner, title, prompt, QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> SystemReadingDialogs::chooseFolder()
{
    const QString folder = widgets::chooseExistingFolder(m_owner, QStringLiteral("フォルダの選択"), QDir::homePath());
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QString> SystemReadingDialogs::chooseSaveFile(const QString& title, const QString& filter,
                                                            const QString& suffix)
{
    QFileDialog dialog(m_owner, title, QDir::homePath(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    widgets::showFileListInProgramLocale(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace fumibako::mailview
