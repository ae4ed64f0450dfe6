#include "filing/JunkStage.h"

namespace fumibako::filing {

JunkStage::JunkStage(JunkFilter& filter, const JunkSettings& settings, const AddressBookLookup* addressBook)
    : m_filter(filter), m_settings(settings), m_addressBook(addressBook)
{
}

FieldNeeds JunkStage::needs() const
{
    return junkNeeds();
}

bool JunkStage::decide(FilingInput& message, FilingDecision& decision)
{
    const JunkJudgement judgement = m_filter.judge(junkInputOf(message), m_settings, m_addressBook);
    if (judgement.verdict == JunkVerdict::Spam) {
        decision.folder = kJunkFolder;
        decision.markRead = decision.markRead || m_settings.markRead;
        decision.filedBy = kJunkStageName;
    }
    decision.junkUnsure = judgement.verdict == JunkVerdict::Unsure;
    return false;
}

} // namespace fumibako::filing
