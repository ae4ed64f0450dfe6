#include "settings/core/JunkSettingsForm.h"

#include "filing/JunkFilter.h"

#include <algorithm>

namespace fumibako::settings {

JunkForm junkForm(const filing::JunkSettings& settings)
{
    JunkForm form;
    form.enabled = settings.enabled;
    form.trustProviderMarks = settings.trustProviderMarks;
    form.tagsText = settings.providerTags.join(QLatin1Char(' '));
    form.markRead = settings.markRead;
    form.deleteOld = settings.deleteAfterDays > 0;
    if (form.deleteOld)
        form.deleteAfterDays = settings.deleteAfterDays;
    return form;
}

filing::JunkSettings junkSettingsOf(const JunkForm& form)
{
    filing::JunkSettings settings;
    settings.enabled = form.enabled;
    settings.trustProviderMarks = form.trustProviderMarks;
    // A tag holds no space: full-width spaces separate tags as well.
    settings.providerTags = QString(form.tagsText).replace(QChar(0x3000), QLatin1Char(' ')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    settings.markRead = form.markRead;
    settings.deleteAfterDays = form.deleteOld ? std::clamp(form.deleteAfterDays, 1, filing::kMaxJunkDays) : 0;
    return settings;
}

QString junkLearningText(const filing::TrainingTotals& learnt)
{
    QString text = QStringLiteral("学習済み: 迷惑メール %1 通、通常のメール %2 通").arg(learnt.spam).arg(learnt.ham);
    if (learnt.spam < filing::kMinimumLearnt || learnt.ham < filing::kMinimumLearnt) {
        text += QStringLiteral("\nそれぞれ %1 通以上学習するまでは、受信したメールを振り分けません。\n"
                               "迷惑メールを選んで「迷惑メールにする」(J)、通常のメールを選んで「迷惑メールではない」"
                               "(Shift+J) で学習させてください。")
                    .arg(filing::kMinimumLearnt);
    }
    return text;
}

} // namespace fumibako::settings
