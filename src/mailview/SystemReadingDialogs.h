#pragma once

#include "mailview/core/ReadingDialogs.h"

class QWidget;

namespace fumibako::mailview {

/** @short ReadingDialogs with the system's input box, folder browser and save-file dialog. */
class SystemReadingDialogs : public ReadingDialogs {
public:
    explicit SystemReadingDialogs(QWidget* owner) : m_owner(owner) {}

    std::optional<QString> askText(const QString& prompt, const QString& title) override;
    std::optional<QString> chooseFolder() override;
    std::optional<QString> chooseSaveFile(const QString& title, const QString& filter, const QString& suffix) override;

private:
    QWidget* m_owner;
};

} // namespace fumibako::mailview
