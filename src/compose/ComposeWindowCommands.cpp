// The compose window's commands and the transfer of its fields to and from the rules.
#include "compose/ComposeWindow.h"

#include "addressbook/AddressBook.h"
#include "addressbook/AddressTable.h"
#include "compose/ComposeFields.h"
#include "compose/RecipientPickerDialog.h"
#include "compose/TextFontChooser.h"
#include "compose/core/ComposeRules.h"
#include "platform/mail/LineEnds.h"
#include "transfer/StoredMail.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

namespace fumibako::compose {

namespace {

void setTextIfChanged(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

void setTextIfChanged(QComboBox* box, const QString& text)
{
    if (box->currentText() != text)
        box->setEditText(text);
}

} // namespace

ComposeContent ComposeWindow::content() const
{
    ComposeContent content;
    content.to = m_recipients[0]->currentText();
    content.cc = m_recipients[1]->currentText();
    content.bcc = m_recipients[2]->currentText();
    content.subject = m_subject->text();
    content.attachments = m_attachments->text();
    content.body = platform::mail::withLineEnds(m_body->toPlainText(), u"\r\n");
    content.keep = m_keep->isChecked();
    return content;
}

void ComposeWindow::showContent(const ComposeContent& content)
{
    for (int i = 0; i < 3; ++i)
        setTextIfChanged(m_recipients.at(i), i == 0 ? content.to : i == 1 ? content.cc : content.bcc);
    setTextIfChanged(m_subject, content.subject);
    setTextIfChanged(m_attachments, content.attachments);
    // The body may be megabytes long and keeps its undo history when it did not change.
    const QString body = platform::mail::withLineEnds(content.body, u"\n");
    if (m_body->toPlainText() != body)
        m_body->setPlainText(body);
    m_keep->setChecked(content.keep);
}

void ComposeWindow::showState()
{
    setWindowTitle(m_controller.caption());
    m_body->setEnabled(m_controller.bodyEnabled());
    m_overwriteAction->setEnabled(m_controller.overwriteEnabled());
    m_signatures->setEnabled(m_controller.signaturesEnabled());
    m_signatureButton->setEnabled(m_controller.signaturesEnabled());
}

void ComposeWindow::fillRecentRecipients()
{
    for (int i = 0; i < 3; ++i) {
        QComboBox* box = m_recipients.at(i);
        const QString text = box->currentText();
        box->clear();
        box->addItems(m_controller.recentRecipients(static_cast<RecipientField>(i)));
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

void ComposeWindow::open(ComposeMode mode, const QString& path, const QString& name, const QString& section,
                         const transfer::CurrentMail& stored, const ComposeFields& afterwards)
{
    ComposeContent fields = content();
    m_controller.open(mode, path, name, section, stored, fields);
    m_controller.setFields(fields, afterwards);
    fillRecentRecipients();
    showContent(fields);
    showState();
}

void ComposeWindow::setFields(const ComposeFields& fields)
{
    ComposeContent current = content();
    m_controller.setFields(current, fields);
    showContent(current);
}

void ComposeWindow::presetKeep()
{
    ComposeContent current = content();
    m_controller.presetKeep(current);
    m_keep->setChecked(current.keep);
}

void ComposeWindow::addMailto(const storage::MailtoAddresses& mailto)
{
    ComposeContent current = content();
    m_controller.addMailto(current, mailto);
    showContent(current);
}

void ComposeWindow::finish(ComposeController::Outcome outcome)
{
    if (m_context.storedMailChanged)
        m_context.storedMailChanged();
    if (outcome == ComposeController::Outcome::Close)
        close();
}

void ComposeWindow::sendMail()
{
    if (m_sending)
        return;
    const ComposeContent fields = content();
    // The send goes on while this window handles events; what it sends must stay as it is.
    m_sending = true;
    m_form->setEnabled(false);
    menuBar()->setEnabled(false);
    m_controller.send(fields, [this](ComposeController::Outcome outcome) {
        m_sending = false;
        m_form->setEnabled(true);
        menuBar()->setEnabled(true);
        finish(outcome);
    });
}

void ComposeWindow::storeToOutbox()
{
    finish(m_controller.store(ComposeController::StoreTarget::Outbox, content()));
}

void ComposeWindow::saveDraft()
{
    finish(m_controller.store(ComposeController::StoreTarget::Drafts, content()));
}

void ComposeWindow::overwrite()
{
    finish(m_controller.overwrite(content()));
}

void ComposeWindow::newMail()
{
    open(ComposeMode::New, QString(), QString(), QString(), transfer::CurrentMail(), {});
}

void ComposeWindow::chooseFont()
{
    if (const std::optional<storage::TextFont> font = ChooseTextFont(this, m_body->font(), m_context.registryFile))
        applyTextFontTo(*font, {m_body});
}

void ComposeWindow::easyInput()
{
    const bool bookExists = QFileInfo::exists(addressbook::addressBookFile(m_context.programDir));
    const QList<addressbook::AddressEntry> table =
        bookExists ? addressbook::AddressTable::instance().entries() : QList<addressbook::AddressEntry>();
    ComposeContent fields = content();
    RecipientPickerDialog picker(table, fields, this);
    if (picker.exec() != QDialog::Accepted)
        return;
    picker.writeBack(fields);
    m_controller.clearRecentRecipients();
    fillRecentRecipients();
    showContent(fields);
}

void ComposeWindow::appendSignature()
{
    ComposeContent fields = content();
    if (m_controller.appendSignature(fields))
        showContent(fields);
}

void ComposeWindow::addDroppedFiles(const QStringList& paths)
{
    m_attachments->setText(appendToList(m_attachments->text(), paths));
}

} // namespace fumibako::compose
