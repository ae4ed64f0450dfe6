#pragma once

#include "storage/Paths.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QComboBox;
class QTreeWidget;

namespace fumibako::platform {
class UserPrompts;
}
namespace fumibako::mainwin {
class FolderTreeModel;
class FolderTreeView;
class MailListView;
class MainWindow;
class PreviewBrowser;
} // namespace fumibako::mainwin

namespace fumibako::test {

/** Builds, loads and shows the main window on @p paths as the program does; fails the test otherwise. */
void openMainWindow(const storage::ProgramPaths& paths, platform::UserPrompts* prompts,
                    std::unique_ptr<mainwin::MainWindow>& window);

/** Shows folder @p key in @p window, as a click on the tree does. */
void selectFolder(mainwin::MainWindow& window, const QString& key);

/** Waits until the send or send walk started in @p window has ended; false after 20 seconds. */
bool waitForSend(mainwin::MainWindow& window);

/** The main window's views, found by their object names. */
mainwin::MailListView* mailList(const mainwin::MainWindow& window);
mainwin::FolderTreeView* folderTree(const mainwin::MainWindow& window);
mainwin::FolderTreeModel* folderTreeModel(const mainwin::MainWindow& window);
mainwin::PreviewBrowser* preview(const mainwin::MainWindow& window);
QComboBox* accountBox(const mainwin::MainWindow& window);
QTreeWidget* addressList(const mainwin::MainWindow& window);
/** The key of the folder the tree shows as selected. */
QString selectedTreeKey(const mainwin::MainWindow& window);

/**
 * A data directory with two accounts, "taro" and "hanako"; taro's mailbox holds three messages
 * in "標準BOX" (two unread), one in "ごみ箱", one draft, one queued and one sent message.
 */
class MainWindowData {
public:
    MainWindowData();

    const storage::ProgramPaths& paths() const { return m_paths; }
    QString receivedIndex() const;
    QString outgoingIndex() const;
    /** The lines of @p section in @p file. */
    static QStringList section(const QString& file, const QString& section);
    QString registryFile() const { return m_paths.registryFile; }

private:
    void writeAccount(const QString& name);
    void addMail(const QString& dir, const QString& indexFile, const QString& section, const QString& line);

    QTemporaryDir m_dir;
    QTemporaryDir m_work;
    storage::ProgramPaths m_paths;
};

} // namespace fumibako::test
