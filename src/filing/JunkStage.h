#pragma once

#include "filing/FilingEngine.h"
#include "filing/JunkFilter.h"

namespace fumibako::filing {

/** The name FilingDecision::filedBy gives when the junk classifier filed a message. */
inline const QString kJunkStageName = QStringLiteral("迷惑メールの判定");

/**
 * @short The junk classifier as the first filing stage of an account.
 *
 * Junk goes into 迷惑メール (read, when the account asks for it); a message the classifier is
 * unsure of is marked and stays where it goes. The stage never settles a message: the rules
 * after it can still take mail out of 迷惑メール.
 */
class JunkStage : public FilingStage {
public:
    /** All three must outlive the stage; @p addressBook may be null. */
    JunkStage(JunkFilter& filter, const JunkSettings& settings, const AddressBookLookup* addressBook);

    FieldNeeds needs() const override;
    bool decide(FilingInput& message, FilingDecision& decision) override;

private:
    JunkFilter& m_filter;
    const JunkSettings& m_settings;
    const AddressBookLookup* m_addressBook;
};

} // namespace fumibako::filing
