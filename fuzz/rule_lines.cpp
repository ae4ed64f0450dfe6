// The lines of one rule of the rules file, as a hand-edited file may hold them: a rule that reads
// writes back lines that read into the same rule; a broken one keeps its lines.
#include "FuzzSupport.h"
#include "filing/RuleFile.h"

using namespace fumibako;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const filing::Rule rule = filing::parseRuleLines(lines);
    if (rule.isBroken()) {
        fuzz::require(filing::ruleLines(rule) == lines, "a broken rule keeps its lines");
        return 0;
    }
    filing::Rule normalized = rule;
    normalized.actions = filing::normalizedActions(rule.actions);
    fuzz::require(filing::parseRuleLines(filing::ruleLines(rule)) == normalized, "a rule reads back as written");
    return 0;
}
