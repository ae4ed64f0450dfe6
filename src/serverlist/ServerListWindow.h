#pragma once

#include "transfer/ServerList.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QRadioButton;

namespace fumibako::platform {
class UserPrompts;
}
namespace fumibako::transfer {
class OperationGuard;
class Receiver;
} // namespace fumibako::transfer

namespace fumibako::serverlist {

class ServerListModel;
class ServerListView;

/** What the server mail list window works with; the receiver is set to the open account. */
struct ServerListContext {
    transfer::Receiver& receiver;
    transfer::OperationGuard& guard;
    platform::UserPrompts& prompts;
    QString userFile; ///< the account's settings file: the remembered search words
    /** Opens the read window on the message just received (CurrentMail) and reports its closing. */
    transfer::ServerList::ShowReceived showReceived;
};

/**
 * @short `frmList` "メールリスト": the messages waiting on the server, searched, received and
 * deleted by choice.
 *
 * The rules live in transfer::ServerList; the window shows its two lists and status and calls
 * its commands. Modal; closing is refused while an operation runs.
 */
class ServerListWindow : public QMainWindow {
    Q_OBJECT
public:
    /**
     * Loads the window, fetches the server's list and shows it modally; @p closed is called when
     * the window has closed (it deletes itself then).
     */
    static ServerListWindow* open(QWidget* owner, const ServerListContext& context, std::function<void()> closed);

    ServerListWindow(QWidget* owner, const ServerListContext& context);
    ~ServerListWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* createSearchRow();
    QWidget* createChoiceRow();
    void createLists();
    void createMenu();
    void showVisibleList();
    void search();
    void refetch();
    void deleteRows();
    void openCurrent();
    void runSelective(transfer::SelectiveCommand command);
    void showPopup(const QPoint& globalPos);
    void editSearchWords();
    void fillSearchBox();
    ServerListView* visibleView() const;

    ServerListContext m_context;
    std::unique_ptr<transfer::ServerList> m_list;
    std::function<void()> m_closed;
    std::array<ServerListView*, 2> m_views{};
    std::array<ServerListModel*, 2> m_models{};
    std::array<QRadioButton*, 2> m_choice{};
    std::array<QCheckBox*, 3> m_columns{};
    QCheckBox* m_reverse = nullptr;
    QComboBox* m_searchBox = nullptr;
    QLabel* m_status = nullptr;
    QMenu* m_toolMenu = nullptr;
};

} // namespace fumibako::serverlist
