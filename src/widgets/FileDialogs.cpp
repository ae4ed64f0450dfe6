#include "widgets/FileDialogs.h"

#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>

namespace fumibako::widgets {

namespace {

// The columns of Qt's file list: name, size, type, date modified.
constexpr int kSizeColumn = 1;
constexpr int kDateColumn = 3;

class ProgramLocaleFileList : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        const int column = index.column();
        if (role != Qt::DisplayRole || !files || (column != kSizeColumn && column != kDateColumn))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        if (column == kDateColumn)
            return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        return files->isDir(source) ? QString() : QLocale().formattedDataSize(files->size(source));
    }
};

} // namespace

void showFileListInProgramLocale(QFileDialog& dialog)
{
    // Ignored by a desktop's own dialog, which speaks the desktop's language.
    dialog.setProxyModel(new ProgramLocaleFileList(&dialog));
}

QString chooseOpenFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                       QFileDialog::Options options)
{
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setOptions(options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    showFileListInProgramLocale(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString chooseExistingFolder(QWidget* parent, const QString& title, const QString& folder)
{
    QFileDialog dialog(parent, title, folder);
    dialog.setOptions(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    showFileListInProgramLocale(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace fumibako::widgets
