#pragma once

#include "transfer/Receiving.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::transfer {

class OperationGuard;

/** One row of the server mail list; number is the message's position in the server's LIST. */
struct ServerListRow {
    QString number;
    QString subject;
    QString from;
    QString date;

    bool operator==(const ServerListRow&) const = default;
};

/**
 * Cuts one LIST element ("Subject: " s TAB "From: " f " " TAB "Date: " d) into a row numbered
 * @p position. A malformed element gives empty fields rather than failing.
 */
ServerListRow cutServerListRow(int position, const QString& element);

/**
 * The command arguments for the message numbers of the remaining rows (in row order): runs of
 * consecutive numbers from the last row upwards, "n" or "low-high", highest first, so deleting
 * keeps the lower numbers valid.
 */
QStringList consecutiveRunArguments(const QList<int>& numbers);

/** Which columns a search looks at. */
struct SearchColumns {
    bool subject = true;
    bool from = true;
    bool date = false;
};

/** The selective commands of the server list's menu; the numbers are the menu's elements. */
enum class SelectiveCommand { Receive = 1, ReceiveDelete = 2, Delete = 3 };

/** The two lists of the server list window; the numbers are the window's list indexes. */
enum class ServerListPane { Server = 0, SearchResult = 1 };

/**
 * @short The server mail list: the messages waiting on the server, searched and acted on.
 *
 * The core of the "メールリスト" window: two lists (the server list and a search result) of which
 * one is visible, the window's status text, the remembered search words, and the commands, which
 * run through the Receiver under the operation guard. The window shows what it holds and calls
 * the commands; everything here lives on the user-interface thread.
 */
class ServerList : public QObject, public ServerListSink {
    Q_OBJECT

public:
    ServerList(Receiver& receiver, OperationGuard& guard, platform::UserPrompts& prompts, QObject* parent = nullptr);
    ~ServerList() override;

    const QList<ServerListRow>& rows(ServerListPane list) const { return m_lists[int(list)]; }
    ServerListPane visibleList() const { return m_visible; }
    const QList<ServerListRow>& visibleRows() const { return rows(m_visible); }
    void setVisibleList(ServerListPane list);
    /** Panel 1 of the window's status bar. */
    const QString& status() const { return m_status; }

    /** Reads the remembered search words of @p userFile (section "Search"). */
    QStringList loadSearchWords(const QString& userFile);
    /**
     * The window's load step: shows list 0 and reads the search words. A count that is not a
     * number is reported (ShowUnexpectedError, "処理を中止します") and leaves no words; false then.
     */
    bool loadForWindow(const QString& userFile);
    /** Replaces section "Search" of @p userFile by @p words. */
    bool saveSearchWords(const QString& userFile, const QStringList& words);
    const QStringList& searchWords() const { return m_searchWords; }

    /** Refetches the server list; false when the guard refused. @p done gets how the command ended. */
    bool refetch(std::function<void(ReceiveResult result)> done = {});

    /** Searches the visible list into the search result (lower-cased, substring). */
    void search(const QString& text, const SearchColumns& columns, bool reverse);

    /** The Delete key: removes rows of the visible list only; the server is not touched. */
    void removeRows(QList<int> indexes);

    /**
     * A selective command on the rows @p selected of the visible list. False when it did not
     * start (guard refused); @p done is called when it ended, refetch included.
     */
    bool runSelective(SelectiveCommand command, const QList<int>& selected, std::function<void()> done = {});

    /** Shows the message just received; calls @p closed once the user is done with it. */
    using ShowReceived = std::function<void(std::function<void()> closed)>;

    /**
     * Fetches the message of row @p index of the visible list. @p show is called, with the guard
     * still held, when it was saved and filed (CurrentMail holds it); the guard is released when
     * show's window was closed, then @p done is called.
     */
    bool openMessage(int index, ShowReceived show, std::function<void()> done = {});

    /** Closing the window: asks the guard (refusing while an operation runs). */
    bool mayClose();
    /**
     * The window closed: the receiver no longer fills this list, so that a list made for the
     * next opening may take its place before this one is gone.
     */
    void detachFromReceiver();

    void fillServerList(const QStringList& elements) override;
    void setListStatus(const QString& text) override;

Q_SIGNALS:
    void rowsChanged();
    void statusChanged(const QString& text);

private:
    struct SelectiveRun;
    void runNext(const std::shared_ptr<SelectiveRun>& run);
    void finishSelective(const std::shared_ptr<SelectiveRun>& run);

    Receiver& m_receiver;
    OperationGuard& m_guard;
    platform::UserPrompts& m_prompts;
    QList<ServerListRow>& listOf(ServerListPane list) { return m_lists[int(list)]; }

    std::array<QList<ServerListRow>, 2> m_lists;
    ServerListPane m_visible = ServerListPane::Server;
    QString m_status;
    QStringList m_searchWords;
    bool m_attached = true;
};

/** Refetches and waits (tool and tests): how the command ended, an error also when refused. */
ReceiveResult refetchAndWait(ServerList& list);

/** Runs a selective command and waits; false when it did not start. */
bool runSelectiveAndWait(ServerList& list, SelectiveCommand command, const QList<int>& selected);

} // namespace fumibako::transfer
