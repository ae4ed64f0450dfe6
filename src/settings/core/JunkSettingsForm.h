#pragma once

#include "filing/JunkClassifier.h"
#include "filing/JunkSettings.h"

#include <QString>

namespace fumibako::settings {

/** What the "迷惑メール" frame of the environment settings holds. */
struct JunkForm {
    bool enabled = true;
    bool trustProviderMarks = false;
    QString tagsText;      ///< the subject tags, separated by spaces
    bool markRead = false;
    bool deleteOld = false;
    int deleteAfterDays = 30;

    friend bool operator==(const JunkForm&, const JunkForm&) = default;
};

JunkForm junkForm(const filing::JunkSettings& settings);
filing::JunkSettings junkSettingsOf(const JunkForm& form);

/**
 * What the frame says of the filter's learning: how much of each kind it has learnt, and until
 * when it moves nothing.
 */
QString junkLearningText(const filing::TrainingTotals& learnt);

} // namespace fumibako::settings
