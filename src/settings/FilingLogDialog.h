#pragma once

#include "settings/core/FilingLogModel.h"

#include <QDialog>

namespace fumibako::settings {

/** @short "振り分けログ": which rule filed which message where, and when, newest first. */
class FilingLogDialog : public QDialog {
    Q_OBJECT
public:
    FilingLogDialog(const QString& logFile, QWidget* parent);

private:
    FilingLogModel m_model;
};

} // namespace fumibako::settings
