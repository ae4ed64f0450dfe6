#include "settings/EnvironmentDialog.h"

#include "compose/SignatureFrame.h"
#include "filing/JunkFilter.h"
#include "settings/JunkSettingsFrame.h"
#include "settings/NumberBox.h"
#include "storage/AccountSession.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace fumibako::settings {

EnvironmentDialog::EnvironmentDialog(storage::AccountSession& session, storage::AccountSwitchHost& mainWindow,
                                     bool gridShown, platform::UserPrompts* scriptedPrompts, QWidget* parent)
    : QDialog(parent), m_prompts(this, scriptedPrompts), m_settings(session, mainWindow, m_prompts)
{
    setObjectName(QStringLiteral("frmKankyou"));
    setWindowTitle(QStringLiteral("環境設定"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* options = new QVBoxLayout;
    options->addWidget(createStartFrame());
    options->addWidget(createReceiveFrame());
    options->addWidget(createSendFrame());
    m_junk = new JunkSettingsFrame(this);
    options->addWidget(m_junk);
    options->addStretch(1);
    columns->addLayout(options);
    m_signatures = new compose::SignatureFrame(m_prompts, this);
    columns->addWidget(m_signatures, 1);
    layout->addLayout(columns);
    layout->addLayout(createButtons());
    m_minutes->resetRule();
    showForm(m_settings.open(gridShown));
    m_signatures->load(session.paths().userFile, session.paths().userMailDir);
    m_userFile = session.paths().userFile;
    filing::JunkFilter filter(session.programPaths().programDir);
    m_junkShown = junkForm(filing::readJunkSettings(m_userFile));
    m_junk->showForm(m_junkShown, filter.totals());
}

void EnvironmentDialog::done(int result)
{
    m_signatures->saveIfChanged();
    QDialog::done(result);
}

QCheckBox* EnvironmentDialog::addCheck(QWidget* parent, const QString& name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QGroupBox* EnvironmentDialog::createStartFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("起動時"), this);
    frame->setObjectName(QStringLiteral("frmKan0"));
    auto* layout = new QVBoxLayout(frame);
    m_receiveAtStart = addCheck(frame, QStringLiteral("chKanKidou"), QStringLiteral("起動時に受信する"));
    m_grid = addCheck(frame, QStringLiteral("chkGrid"), QStringLiteral("リストにグリッド線を入れる"));
    layout->addWidget(m_receiveAtStart);
    layout->addWidget(m_grid);
    return frame;
}

QGroupBox* EnvironmentDialog::createReceiveFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("受信時"), this);
    frame->setObjectName(QStringLiteral("frmKan1"));
    auto* layout = new QVBoxLayout(frame);
    auto* group = new QButtonGroup(frame);
    const QStringList captions{QStringLiteral("メール数を確認するだけ"), QStringLiteral("メールをすべて受信"),
                               QStringLiteral("メールをすべて受信し、削除する")};
    for (int i = 0; i < 3; ++i) {
        m_methods.at(i) = new QRadioButton(captions.at(i), frame);
        m_methods.at(i)->setObjectName(QStringLiteral("opKanJu%1").arg(i));
        group->addButton(m_methods.at(i), i);
        layout->addWidget(m_methods.at(i));
    }
    auto* autoRow = new QHBoxLayout;
    m_auto = addCheck(frame, QStringLiteral("chkanAuto"), QStringLiteral("自動受信を使う　最小1、最大60"));
    m_minutes = new NumberBox(minutesBoxRule(), frame);
    m_minutes->setObjectName(QStringLiteral("txtAuto"));
    m_minutes->setText(QStringLiteral("3"));
    autoRow->addWidget(m_auto);
    autoRow->addWidget(m_minutes);
    autoRow->addWidget(new QLabel(QStringLiteral("分/毎"), frame));
    autoRow->addStretch(1);
    layout->addLayout(autoRow);
    connect(m_auto, &QCheckBox::toggled, m_minutes, &QWidget::setEnabled);

    addSoundRows(frame, layout);
    return frame;
}

void EnvironmentDialog::addSoundRows(QWidget* frame, QVBoxLayout* layout)
{
    m_sound = addCheck(frame, QStringLiteral("chKanSound"), QStringLiteral("新着メールがあった場合、音を鳴らす"));
    layout->addWidget(m_sound);
    auto* soundRow = new QHBoxLayout;
    m_soundFile = new QLineEdit(frame);
    m_soundFile->setObjectName(QStringLiteral("txtSound"));
    m_soundFile->setMinimumWidth(280);
    m_soundButton = new QPushButton(QStringLiteral("..."), frame);
    m_soundButton->setObjectName(QStringLiteral("cmdSound"));
    m_soundButton->setAutoDefault(false);
    soundRow->addWidget(m_soundFile, 1);
    soundRow->addWidget(m_soundButton);
    layout->addLayout(soundRow);
    connect(m_sound, &QCheckBox::toggled, m_soundFile, &QWidget::setEnabled);
    connect(m_sound, &QCheckBox::toggled, m_soundButton, &QWidget::setEnabled);
    connect(m_soundButton, &QPushButton::clicked, this, &EnvironmentDialog::chooseSoundFile);
}

QGroupBox* EnvironmentDialog::createSendFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("送信時"), this);
    frame->setObjectName(QStringLiteral("frmKan2"));
    auto* layout = new QVBoxLayout(frame);
    m_signature = addCheck(frame, QStringLiteral("chkSyomei"), QStringLiteral("デフォルトで、署名をつける"));
    m_save = addCheck(frame, QStringLiteral("chKanSou"), QStringLiteral("デフォルトで、メールを保存する"));
    layout->addWidget(m_signature);
    layout->addWidget(m_save);
    return frame;
}

QLayout* EnvironmentDialog::createButtons()
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* save = new QPushButton(QStringLiteral("保存"), this);
    save->setObjectName(QStringLiteral("cmdOk"));
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cmdCan"));
    cancel->setAutoDefault(false);
    row->addWidget(save);
    row->addWidget(cancel);
    connect(save, &QPushButton::clicked, this, &EnvironmentDialog::saveClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return row;
}

void EnvironmentDialog::showForm(const EnvironmentForm& form)
{
    m_receiveAtStart->setChecked(form.receiveAtStart);
    m_grid->setChecked(form.gridLines);
    m_save->setChecked(form.saveByDefault);
    m_methods.at(form.receiveMethod)->setChecked(true);
    m_auto->setChecked(form.autoReceive);
    m_minutes->setText(form.minutesText);
    m_sound->setChecked(form.newMailSound);
    m_soundFile->setText(form.soundFile);
    m_signature->setChecked(form.signatureByDefault);
    m_minutes->setEnabled(form.autoReceive);
    m_soundFile->setEnabled(form.newMailSound);
    m_soundButton->setEnabled(form.newMailSound);
}

EnvironmentForm EnvironmentDialog::currentForm() const
{
    EnvironmentForm form;
    form.receiveAtStart = m_receiveAtStart->isChecked();
    form.gridLines = m_grid->isChecked();
    for (int i = 0; i < 3; ++i) {
        if (m_methods.at(i)->isChecked())
            form.receiveMethod = i;
    }
    form.autoReceive = m_auto->isChecked();
    form.minutesText = m_minutes->text();
    form.newMailSound = m_sound->isChecked();
    form.soundFile = m_soundFile->text();
    form.signatureByDefault = m_signature->isChecked();
    form.saveByDefault = m_save->isChecked();
    return form;
}

void EnvironmentDialog::chooseSoundFile()
{
    const QString start = m_soundFile->text().isEmpty() ? QString() : QFileInfo(m_soundFile->text()).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("サウンド選択"), start,
                                                        QStringLiteral("WAVE形式(*.wav)"));
    if (!chosen.isEmpty())
        m_soundFile->setText(chosen);
}

void EnvironmentDialog::saveClicked()
{
    if (!m_settings.save(currentForm()))
        return;
    const JunkForm junk = m_junk->currentForm();
    if (!(junk == m_junkShown) && !filing::writeJunkSettings(m_userFile, junkSettingsOf(junk))) {
        m_prompts.message(QStringLiteral("保存失敗に失敗しました"), QString(), platform::Icon::None, platform::Buttons::Ok);
        return;
    }
    accept();
}

} // namespace fumibako::settings
