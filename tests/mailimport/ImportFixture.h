#pragma once

#include "mailimport/MailImport.h"
#include "storage/Paths.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace fumibako::test {

/** A data directory with accounts to import into, and what their mailboxes hold afterwards. */
class ImportAccounts {
public:
    ImportAccounts();

    QString dataDir() const { return m_dir.path(); }
    /** The paths of account @p name, made on first use. */
    storage::AccountPaths account(const QString& name = QStringLiteral("taro"));

    /** Imports @p paths into @p targetKey of @p name as the tool does (folders first, filed at once). */
    mailimport::ImportReport import(const QStringList& paths, const QString& targetKey = QStringLiteral("標準BOX"),
                                    const QString& name = QStringLiteral("taro"));

    /** "subject flags" of every entry of @p section, sorted. */
    QStringList entries(const QString& section, const QString& name = QStringLiteral("taro"));
    /** The bytes of every message file of the account, sorted. */
    QList<QByteArray> messageFiles(const QString& name = QStringLiteral("taro"));
    /** The user folders of the account's folder list. */
    QStringList folderList(const QString& name = QStringLiteral("taro"));

    /** The path of a sample store under tests/data/mailimport. */
    static QString sample(const QString& name);

private:
    QTemporaryDir m_dir;
};

} // namespace fumibako::test
