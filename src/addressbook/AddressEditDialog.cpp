#include "addressbook/AddressEditDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fumibako::addressbook {

namespace {

QLineEdit* addBox(QFormLayout* form, const QString& objectName, const QString& label, const QString& text)
{
    auto* box = new QLineEdit(text);
    box->setObjectName(objectName);
    box->setMinimumWidth(280);
    auto* caption = new QLabel(label);
    caption->setBuddy(box);
    form->addRow(caption, box);
    return box;
}

} // namespace

QString AddressEditDialog::captionOf(AddressDialogMode mode)
{
    return mode == AddressDialogMode::New ? QStringLiteral("新規アドレス") : QStringLiteral("アドレス編集");
}

AddressEditDialog::AddressEditDialog(AddressDialogMode mode, const AddressFields& fields, AcceptHandler accept,
                                     QWidget* parent)
    : QDialog(parent), m_accept(std::move(accept))
{
    setObjectName(QStringLiteral("frmAdNew"));
    setWindowTitle(captionOf(mode));
    auto* form = new QFormLayout;
    m_name = addBox(form, QStringLiteral("txtAdName"), QStringLiteral("表示名"), fields.name);
    m_address = addBox(form, QStringLiteral("txtAdMail"), QStringLiteral("メールアドレス"), fields.address);
    m_comment = addBox(form, QStringLiteral("txtKoment"), QStringLiteral("コメント"), fields.comment);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AddressEditDialog::okClicked);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
}

void AddressEditDialog::okClicked()
{
    if (m_accept && m_accept(AddressFields{m_name->text(), m_address->text(), m_comment->text()}))
        accept();
}

} // namespace fumibako::addressbook
