#pragma once

#include "settings/core/RuleEditor.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace fumibako::settings {

/**
 * @short One condition row of the rule dialog: field, header names, address part, match type,
 * text, comparison and "当てはまらないとき", with what is wrong with it below.
 */
class ConditionRowWidget : public QWidget {
    Q_OBJECT
public:
    ConditionRowWidget(int number, const ConditionRow& row, QWidget* parent);

    ConditionRow row() const;
    /** Shows @p problem below the row ("" hides it). */
    void showProblem(const QString& problem);

Q_SIGNALS:
    void edited();
    void removeRequested();

private:
    void fieldChanged();

    QComboBox* m_field = nullptr;
    QLineEdit* m_names = nullptr;
    QComboBox* m_part = nullptr;
    QComboBox* m_match = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_sizeUnit = nullptr;
    QComboBox* m_comparison = nullptr;
    QCheckBox* m_negated = nullptr;
    QLabel* m_problem = nullptr;
};

/** @short One action row: what, and into which folder. */
class ActionRowWidget : public QWidget {
    Q_OBJECT
public:
    ActionRowWidget(int number, const ActionRow& row, const QStringList& folders, QWidget* parent);

    ActionRow row() const;
    void showProblem(const QString& problem);

Q_SIGNALS:
    void edited();
    void removeRequested();

private:
    void kindChanged();

    QComboBox* m_kind = nullptr;
    QComboBox* m_folder = nullptr;
    QLabel* m_problem = nullptr;
};

} // namespace fumibako::settings
