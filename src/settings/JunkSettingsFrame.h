#pragma once

#include "settings/core/JunkSettingsForm.h"

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace fumibako::settings {

/** The "迷惑メール" frame of the environment settings: the open account's junk filter. */
class JunkSettingsFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit JunkSettingsFrame(QWidget* parent);

    /** Shows @p form, and what the filter has learnt. */
    void showForm(const JunkForm& form, const filing::TrainingTotals& learnt);
    JunkForm currentForm() const;

private:
    void updateEnabling();

    QCheckBox* m_enabled = nullptr;
    QCheckBox* m_trust = nullptr;
    QLineEdit* m_tags = nullptr;
    QCheckBox* m_markRead = nullptr;
    QCheckBox* m_deleteOld = nullptr;
    QSpinBox* m_days = nullptr;
    QLabel* m_learnt = nullptr;
};

} // namespace fumibako::settings
