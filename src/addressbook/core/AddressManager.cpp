// The manager's book, its contents list, the address commands, import, export, save and close.
// The folder commands and the moves are in AddressManagerFolders.cpp.
#include "addressbook/core/AddressManager.h"

#include "addressbook/AddressTable.h"
#include "platform/UserPrompts.h"

namespace fumibako::addressbook {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

AddressManager* g_loaded = nullptr;

AddressEntry entryFrom(const QString& path, const AddressFields& fields)
{
    return {path, entryField(fields.name, false), entryField(fields.address, false), entryField(fields.comment, true)};
}

} // namespace

ListReleaseOutcome listReleased(bool rowWasClicked, int rowCount)
{
    if (rowWasClicked)
        return {true, false};
    return {false, rowCount > 0};
}

AddressManager::AddressManager(const QString& programDir, platform::UserPrompts& prompts,
                               NewMailHost& newMail, QObject* parent)
    : QObject(parent),
      m_programDir(programDir),
      m_prompts(prompts),
      m_newMail(newMail),
      m_folderModel(m_tree)
{
    m_folderModel.setRenameHandler([this](const QString& key, const QString& name) { return renameFolder(key, name); });
    m_folderModel.setDropHandler([this](const QString& target, const AddressDrag& drag) { drop(target, drag); });
}

AddressManager::~AddressManager()
{
    unload();
}

AddressManager* AddressManager::loaded()
{
    return g_loaded;
}

void AddressManager::unload()
{
    if (g_loaded == this)
        g_loaded = nullptr;
    m_loaded = false;
}

void AddressManager::load()
{
    m_henkou = false;
    AddressBook book;
    LoadAddressBook(m_programDir, m_prompts, book);
    m_entries.setEntries(std::move(book.entries));
    m_tree = std::move(book.tree);
    m_loaded = true;
    g_loaded = this;
    reloadTree();
    showFolder(kRootFolder);
}

void AddressManager::reloadTree()
{
    m_folderModel.reload();
}

void AddressManager::showFolder(const QString& key)
{
    if (!m_tree.contains(key))
        return;
    QList<ContentRow> rows;
    for (const QString& child : m_tree.children(key))
        rows.append(ContentRow{m_tree.folder(child)->label, QString(), QString(), child, -1});
    const auto [first, last] = m_entries.folderRows(key);
    rows.reserve(rows.size() + (last - first));
    for (int row = first; row < last; ++row) {
        const AddressEntry& entry = m_entries.at(row);
        rows.append(ContentRow{entry.name, entry.address, entry.comment, QString(), row});
    }
    m_contents.setRows(std::move(rows));
    const QString previous = m_tree.selected();
    m_tree.select(key);
    m_folderModel.refreshFolder(previous);
    m_folderModel.refreshFolder(key);
    Q_EMIT folderShown(key);
}

OpenRequest AddressManager::openRequest(std::optional<int> row) const
{
    if (!row || *row < 0 || *row >= m_contents.count())
        return {};
    const ContentRow& shown = m_contents.at(*row);
    if (shown.isFolder())
        return {OpenRequest::Kind::ShowFolder, shown.folderKey, *row};
    return {OpenRequest::Kind::EditAddress, QString(), *row};
}

AddressFields AddressManager::fieldsOf(int row) const
{
    const ContentRow& shown = m_contents.at(row);
    return {shown.name, shown.address, shown.comment};
}

bool AddressManager::acceptAddress(AddressDialogMode mode, int row, const AddressFields& fields)
{
    if (fields.name.isEmpty() || fields.address.isEmpty())
        return false;
    const AddressEntry entry = entryFrom(currentFolder(), fields);
    if (mode == AddressDialogMode::New) {
        m_entries.add(entry);
    } else {
        // The row names its own entry, so the one edited is the one changed, also among
        // entries with the same address.
        const int entryRow = m_contents.at(row).entryRow;
        if (entryRow < 0)
            return false;
        m_entries.setFields(entryRow, entry.name, entry.address, entry.comment);
    }
    m_henkou = true;
    showFolder(currentFolder());
    return true;
}

void AddressManager::deleteRows(const QList<int>& rows)
{
    if (rows.isEmpty())
        return;
    const QString question = QStringLiteral("アドレス帳から削除します") + QStringLiteral("\r\n") + QStringLiteral("よろしいですか？");
    if (m_prompts.message(question, QStringLiteral("アドレス帳から削除"), Icon::Exclamation, Buttons::YesNo) != Answer::Yes)
        return;
    QList<int> entryRows;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const ContentRow& shown = m_contents.at(*it);
        if (shown.isFolder())
            m_prompts.message(QStringLiteral("フォルダは左のツリーから削除してください") + QStringLiteral("\r\n")
                                  + QStringLiteral("いずれ、対策します"),
                              QString(), Icon::None, Buttons::Ok);
        else
            entryRows.append(shown.entryRow);
    }
    m_entries.removeRows(entryRows);
    m_henkou = true;
    showFolder(currentFolder());
}

void AddressManager::mailTo(RecipientBox box, const QList<int>& rows)
{
    if (m_contents.count() == 0) {
        m_newMail.showComposeWindow();
        return;
    }
    QStringList addresses;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        // Folder rows carry no address; an empty one would only leave a stray ", ".
        const ContentRow& shown = m_contents.at(*it);
        if (!shown.isFolder() && !shown.address.isEmpty())
            addresses.append(shown.address);
    }
    m_newMail.startNewMail(box, addresses.join(QStringLiteral(", ")));
}

void AddressManager::importRows(const QList<ImportedAddress>& rows)
{
    QList<AddressEntry> entries;
    entries.reserve(rows.size());
    for (const ImportedAddress& row : rows)
        entries.append(AddressEntry{QString(), row.name, row.address, row.comment});
    m_entries.addToFolder(currentFolder(), entries);
    m_henkou = true;
    showFolder(currentFolder());
}

void AddressManager::exportBook()
{
    QString error;
    if (!ExportAddressBook(m_programDir, m_entries.entries(), &error)) {
        m_prompts.message(QStringLiteral("「Exp_Address.csv」を作成できませんでした。") + QStringLiteral("\r\n") + error,
                          QString(), Icon::Exclamation, Buttons::Ok);
        return;
    }
    m_prompts.message(exportDoneText(m_programDir), QString(), Icon::None, Buttons::Ok);
}

bool AddressManager::writeBook()
{
    QString error;
    if (SaveAddressBook(m_programDir, m_entries.entries(), &error)) {
        m_henkou = false;
        return true;
    }
    m_prompts.message(QStringLiteral("アドレス帳を保存できませんでした。") + QStringLiteral("\r\n") + error, QString(),
                      Icon::Exclamation, Buttons::Ok);
    return false;
}

bool AddressManager::save()
{
    if (!writeBook())
        return false;
    RebuildAddressTable(m_entries.entries());
    Q_EMIT closeRequested();
    return true;
}

bool AddressManager::close()
{
    if (!m_loaded)
        return true;
    if (m_henkou) {
        const Answer answer = m_prompts.message(QStringLiteral("変更点を保存しますか？"), QStringLiteral("アドレス帳の保存"),
                                                Icon::Information, Buttons::YesNo);
        if (answer == Answer::Yes && !writeBook())
            return false;
    }
    // Changes the person chose not to save stay out of the table too: the rest of the program
    // sees the book as it is on disk, and a later quick add cannot write them in unasked.
    if (m_henkou) {
        // A book already read once is read again quietly.
        platform::QuietPrompts quiet;
        RebuildAddressTable(m_programDir, quiet);
    } else {
        RebuildAddressTable(m_entries.entries());
    }
    unload();
    return true;
}

void AddressManager::takeQuickAddedEntry(const AddressEntry& entry, bool written)
{
    m_entries.add(entry);
    if (!written)
        m_henkou = true; // only the list holds it now: closing asks to save
    showFolder(currentFolder());
}

} // namespace fumibako::addressbook
