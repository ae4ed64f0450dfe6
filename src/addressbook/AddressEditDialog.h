#pragma once

#include "addressbook/core/AddressManager.h"

#include <QDialog>

#include <functional>

class QLineEdit;

namespace fumibako::addressbook {

/**
 * @short `frmAdNew`: the small modal dialog in which one address is typed ("新規アドレス") or
 * edited ("アドレス編集"). "OK" hands the three boxes to the accept callback and closes only
 * when it agrees; the close box changes nothing.
 */
class AddressEditDialog : public QDialog {
    Q_OBJECT
public:
    using AcceptHandler = std::function<bool(const AddressFields& fields)>;

    AddressEditDialog(AddressDialogMode mode, const AddressFields& fields, AcceptHandler accept,
                      QWidget* parent = nullptr);

    static QString captionOf(AddressDialogMode mode);

private:
    void okClicked();

    AcceptHandler m_accept;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_comment = nullptr;
};

} // namespace fumibako::addressbook
