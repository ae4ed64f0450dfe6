#include "settings/JunkSettingsFrame.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace fumibako::settings {

namespace {

QCheckBox* check(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

JunkSettingsFrame::JunkSettingsFrame(QWidget* parent) : QGroupBox(QStringLiteral("迷惑メール"), parent)
{
    setObjectName(QStringLiteral("frmJunk"));
    auto* layout = new QVBoxLayout(this);
    m_enabled = check(this, "chkJunk", QStringLiteral("受信したメールを判定し、迷惑メールを「迷惑メール」フォルダへ移す"));
    m_trust = check(this, "chkJunkProvider", QStringLiteral("プロバイダーの判定（X-Spam-Flag、件名の目印）を信用する"));
    auto* tagRow = new QHBoxLayout;
    auto* tagLabel = new QLabel(QStringLiteral("件名の目印:"), this);
    m_tags = new QLineEdit(this);
    m_tags->setObjectName(QStringLiteral("txtJunkTags"));
    m_tags->setToolTip(QStringLiteral("空白で区切って複数書けます（例: [meiwaku] [SPAM]）"));
    tagLabel->setBuddy(m_tags);
    tagRow->addSpacing(20);
    tagRow->addWidget(tagLabel);
    tagRow->addWidget(m_tags, 1);
    m_markRead = check(this, "chkJunkRead", QStringLiteral("迷惑メールを既読にする"));
    auto* daysRow = new QHBoxLayout;
    m_deleteOld = check(this, "chkJunkDelete", QStringLiteral("「迷惑メール」で"));
    m_days = new QSpinBox(this);
    m_days->setObjectName(QStringLiteral("txtJunkDays"));
    m_days->setRange(1, filing::kMaxJunkDays);
    daysRow->addWidget(m_deleteOld);
    daysRow->addWidget(m_days);
    daysRow->addWidget(new QLabel(QStringLiteral("日より古いメールをごみ箱へ移す"), this));
    daysRow->addStretch(1);
    m_learnt = new QLabel(this);
    m_learnt->setObjectName(QStringLiteral("lblJunkLearnt"));
    m_learnt->setWordWrap(true);
    layout->addWidget(m_enabled);
    layout->addWidget(m_trust);
    layout->addLayout(tagRow);
    layout->addWidget(m_markRead);
    layout->addLayout(daysRow);
    layout->addWidget(m_learnt);
    for (QCheckBox* box : {m_enabled, m_trust, m_deleteOld})
        connect(box, &QCheckBox::toggled, this, &JunkSettingsFrame::updateEnabling);
}

void JunkSettingsFrame::showForm(const JunkForm& form, const filing::TrainingTotals& learnt)
{
    m_enabled->setChecked(form.enabled);
    m_trust->setChecked(form.trustProviderMarks);
    m_tags->setText(form.tagsText);
    m_markRead->setChecked(form.markRead);
    m_deleteOld->setChecked(form.deleteOld);
    m_days->setValue(form.deleteAfterDays);
    m_learnt->setText(junkLearningText(learnt));
    updateEnabling();
}

JunkForm JunkSettingsFrame::currentForm() const
{
    return {m_enabled->isChecked(), m_trust->isChecked(), m_tags->text(), m_markRead->isChecked(),
            m_deleteOld->isChecked(), m_days->value()};
}

void JunkSettingsFrame::updateEnabling()
{
    const bool on = m_enabled->isChecked();
    m_trust->setEnabled(on);
    m_tags->setEnabled(on && m_trust->isChecked());
    m_markRead->setEnabled(on);
    m_days->setEnabled(m_deleteOld->isChecked());
}

} // namespace fumibako::settings
