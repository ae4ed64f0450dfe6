#pragma once

#include "mailview/core/SaveAsText.h"

#include <QDialog>

class QListWidget;

namespace fumibako::mailview {

/**
 * @short `frmTextHozon` "テキスト変換": which items of the shown message go into a text file, in
 * which order. Modal; made fresh for every use and deleted when closed.
 */
class SaveAsTextDialog : public QDialog {
    Q_OBJECT
public:
    SaveAsTextDialog(QWidget* parent, platform::UserPrompts& prompts, ReadingDialogs& dialogs, const ShownMail& mail);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseSelected();
    void showChosen();
    void next();

    SaveAsText m_rules;
    QListWidget* m_offered = nullptr;
    QListWidget* m_chosen = nullptr;
};

} // namespace fumibako::mailview
