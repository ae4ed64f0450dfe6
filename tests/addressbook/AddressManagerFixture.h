#pragma once

// The fixture of the manager's core tests: a book file in a fresh directory, loaded by a manager
// that answers through recording prompts and starts its mails through the compose window's
// recording launcher.
#include "RecordingComposeLauncher.h"

#include "addressbook/core/AddressManager.h"
#include "compose/core/AddressBookMail.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace fumibako::test {

/** Entries as "path|name|address|comment" text lines, written as the book file. */
inline QByteArray bookFile(const QStringList& entries)
{
    QString text = QStringLiteral("1.1\n");
    for (QString entry : entries)
        text += entry.replace(u'|', u'\t') + u'\n';
    return cp932Lines(text);
}

inline const QStringList kBook{"Root|山田|y@ex.jp|上司", "Root\\A|阿部|abe@ex.jp|", "Root\\A\\S|佐々木|sasaki@ex.jp|",
                               "Root\\AB|安藤|ando@ex.jp|", "Root\\B|馬場|baba@ex.jp|"};

/**
 * kBook as the manager lists it ("path|name"), before any change. Plain text order puts the
 * backslash after the letters: Root\AB comes before Root\A\S.
 */
inline const QStringList kUnchangedPaths{"Root|山田", "Root\\A|阿部", "Root\\AB|安藤", "Root\\A\\S|佐々木",
                                         "Root\\B|馬場"};

class AddressManagerFixture {
protected:
    using AddressManager = addressbook::AddressManager;
    using AddressEntry = addressbook::AddressEntry;
    using ContentRow = addressbook::ContentRow;

    void setUp()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_dir = m_temp->path() + u'/';
        m_prompts = std::make_unique<RecordingPrompts>();
        m_compose = std::make_unique<RecordingComposeLauncher>();
        m_newMail = std::make_unique<compose::AddressBookMail>(*m_compose);
    }

    void tearDown()
    {
        m_manager.reset();
        QVERIFY(!AddressManager::loaded());
    }

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_dir;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<RecordingComposeLauncher> m_compose;
    std::unique_ptr<compose::AddressBookMail> m_newMail;
    std::unique_ptr<AddressManager> m_manager;

    void open(const QStringList& entries)
    {
        writeBytes(m_dir + QStringLiteral("Address.txt"), bookFile(entries));
        m_manager = std::make_unique<AddressManager>(m_dir, *m_prompts, *m_newMail);
        m_manager->load();
    }

    /** The manager's entries as "path|name" lines, in list order. */
    QStringList paths() const
    {
        QStringList lines;
        for (const AddressEntry& e : m_manager->entryList().entries())
            lines << e.path + u'|' + e.name;
        return lines;
    }

    /** The contents list: a folder row as "[label]", an address row as its name. */
    QStringList shown() const
    {
        QStringList lines;
        for (const ContentRow& row : m_manager->contents().rows())
            lines << (row.isFolder() ? u'[' + row.name + u']' : row.name);
        return lines;
    }

    int rowNamed(const QString& text) const
    {
        const QList<ContentRow>& rows = m_manager->contents().rows();
        for (int i = 0; i < rows.size(); ++i) {
            if (rows.at(i).name == text)
                return i;
        }
        return -1;
    }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& m : m_prompts->messages)
            texts << m.text;
        return texts;
    }
};

} // namespace fumibako::test
