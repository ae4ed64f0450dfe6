#pragma once

#include <QString>
#include <QStringList>

namespace fumibako::filing {

/** The junk filter's settings of one account: section "Junk" of its settings file. */
struct JunkSettings {
    bool enabled = true;             ///< "Enabled": judge received mail (1) or not (0)
    bool trustProviderMarks = false; ///< "TrustProvider": X-Spam-Flag, X-Spam-Status and the subject tags mean junk
    QStringList providerTags = defaultProviderTags(); ///< "ProviderTags": the tags, separated by spaces
    bool markRead = false;           ///< "MarkRead": junk is filed as read
    int deleteAfterDays = 0;         ///< "DeleteDays": junk older than this goes into ごみ箱; 0 keeps it

    static QStringList defaultProviderTags() { return {QStringLiteral("[meiwaku]"), QStringLiteral("[SPAM]")}; }

    friend bool operator==(const JunkSettings&, const JunkSettings&) = default;
};

/** The most days deleteAfterDays may hold. */
constexpr int kMaxJunkDays = 3650;

/** Section "Junk" of @p userFile; missing or invalid values give the defaults. */
JunkSettings readJunkSettings(const QString& userFile);

/** Rewrites section "Junk" of @p userFile with its five lines. */
bool writeJunkSettings(const QString& userFile, const JunkSettings& settings);

} // namespace fumibako::filing
