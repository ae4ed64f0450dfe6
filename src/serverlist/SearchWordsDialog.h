#pragma once

#include "serverlist/core/SearchWordsModel.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QListView;

namespace fumibako::serverlist {

/**
 * @short `frmListAdd` "検索リスト": the remembered search words, added and deleted.
 *
 * Shows the current row's subject, sender and date for copying from. Closing it in any way
 * reports the edited words (closed()); it deletes itself then.
 */
class SearchWordsDialog : public QDialog {
    Q_OBJECT
public:
    SearchWordsDialog(QWidget* parent, const QStringList& words, const std::array<QString, 3>& rowFields);

    void done(int result) override;

Q_SIGNALS:
    void closed(const SearchWordsModel& words);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addTyped();

    SearchWordsModel m_words;
    QLineEdit* m_typed = nullptr;
    QListView* m_list = nullptr;
    bool m_reported = false;
};

} // namespace fumibako::serverlist
