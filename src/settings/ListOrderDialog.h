#pragma once

#include "settings/core/ListOrder.h"

#include <QDialog>

#include <array>

class QListView;
class QStringListModel;

namespace fumibako::settings {

/**
 * @short `frmSort` "順番変更": the order of the accounts, and of one account's signatures and
 * search words. Its rules are ListOrder's; this class shows them.
 */
class ListOrderDialog : public QDialog {
    Q_OBJECT
public:
    ListOrderDialog(const QString& programDir, QWidget* parent);

private:
    QWidget* createColumn(int which, const QString& caption);
    void showList(int which, int selectedRow);
    int selectedRow(int which) const;
    void moveSelected(int which, int delta);

    ListOrder m_order;
    std::array<QListView*, 3> m_views{};
    std::array<QStringListModel*, 3> m_models{};
    bool m_showing = false; ///< a list is being refilled by the dialog itself
};

} // namespace fumibako::settings
