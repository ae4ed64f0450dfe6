#pragma once

#include <QStringListModel>

#include <array>

namespace fumibako::transfer {
class ServerList;
}

namespace fumibako::serverlist {

/**
 * @short The word list of the search-word editor "検索リスト".
 *
 * Starts with the words the server list's search box holds; on closing, the words replace the
 * search box's list and the account's remembered words.
 */
class SearchWordsModel : public QStringListModel {
    Q_OBJECT
public:
    explicit SearchWordsModel(const QStringList& words, QObject* parent = nullptr);

    /** Appends @p text ("追加", or Enter in the text box); false, adding nothing, when it is empty. */
    bool addWord(const QString& text);
    /** The Delete key: removes the word of @p row. */
    void removeWord(int row);

    /** Closing the editor: the words become @p list's remembered words in @p userFile. */
    bool saveTo(transfer::ServerList& list, const QString& userFile) const;
};

/**
 * The subject, sender and date shown by the editor's three boxes: those of row @p current of
 * @p list's visible list, or empty texts when it has no such row.
 */
std::array<QString, 3> editorRowFields(const transfer::ServerList& list, int current);

} // namespace fumibako::serverlist
