#include "compose/SignatureFrame.h"

#include "platform/mail/LineEnds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fumibako::compose {

namespace {

QPushButton* frameButton(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

} // namespace

SignatureFrame::SignatureFrame(platform::UserPrompts& prompts, QWidget* parent)
    : QGroupBox(QStringLiteral("署名"), parent), m_settings(prompts)
{
    setObjectName(QStringLiteral("frmSyomei"));
    auto* layout = new QGridLayout(this);
    m_names = new QComboBox(this);
    m_names->setObjectName(QStringLiteral("cmbSyomei"));
    m_names->setEditable(true);
    m_names->setInsertPolicy(QComboBox::NoInsert);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("txtSyomei"));
    m_create = frameButton(QStringLiteral("cmdSyoNew"), QStringLiteral("作成"), this);
    m_edit = frameButton(QStringLiteral("cmdSyoHen"), QStringLiteral("編集"), this);
    m_remove = frameButton(QStringLiteral("cmdSyoDel"), QStringLiteral("削除"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_create);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    layout->addWidget(m_names, 0, 0);
    layout->addWidget(m_text, 1, 0);
    layout->addLayout(buttons, 0, 1, 2, 1);
    layout->setRowStretch(1, 1);
    connect(m_names, &QComboBox::editTextChanged, this, &SignatureFrame::nameTyped);
    connect(m_names, &QComboBox::activated, this, &SignatureFrame::nameChosen);
    connect(m_create, &QPushButton::clicked, this, &SignatureFrame::create);
    connect(m_edit, &QPushButton::clicked, this, &SignatureFrame::edit);
    connect(m_remove, &QPushButton::clicked, this, &SignatureFrame::remove);
    showEnabling();
}

void SignatureFrame::load(const QString& userFile, const QString& userMailDir)
{
    m_settings.load(userFile, userMailDir);
    showNames();
    m_names->setEditText(QString());
    showEnabling();
}

void SignatureFrame::showNames()
{
    const QString text = m_names->currentText();
    m_showing = true;
    m_names->clear();
    m_names->addItems(m_settings.names());
    m_names->setCurrentIndex(m_settings.selectedIndex());
    m_names->setEditText(m_settings.selectedIndex() >= 0 ? m_settings.names().at(m_settings.selectedIndex()) : text);
    m_showing = false;
}

void SignatureFrame::showEnabling()
{
    const SignatureSettings::Enabling enabling = m_settings.enabling();
    m_create->setEnabled(enabling.create);
    m_edit->setEnabled(enabling.edit);
    m_remove->setEnabled(enabling.remove);
}

void SignatureFrame::nameTyped()
{
    if (m_showing)
        return;
    m_settings.nameTyped();
    showEnabling();
}

void SignatureFrame::nameChosen(int index)
{
    if (const std::optional<QString> text = m_settings.nameChosen(index))
        m_text->setPlainText(platform::mail::withLineEnds(*text, u"\n"));
    if (m_settings.selectedIndex() != index)
        showNames(); // the name was dropped from the list
    showEnabling();
}

void SignatureFrame::create()
{
    if (m_settings.create(m_names->currentText(), m_text->toPlainText()))
        showNames();
    showEnabling();
}

void SignatureFrame::edit()
{
    m_settings.edit(m_names->currentText(), m_text->toPlainText());
}

void SignatureFrame::remove()
{
    const SignatureSettings::Removal removal = m_settings.remove();
    if (removal != SignatureSettings::Removal::None) {
        showNames();
        m_names->setEditText(QString());
    }
    if (removal == SignatureSettings::Removal::FileAndName)
        m_text->clear();
    showEnabling();
}

} // namespace fumibako::compose
