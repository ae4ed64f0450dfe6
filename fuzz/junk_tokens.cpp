// The junk classifier's reading of a received message: the fields it takes from whatever file
// arrives (mail, broken mail, binary junk), and the tokens and numbers it makes of them. The
// numbers must be the tokens' own, sorted and each once, and no token may be empty.
#include "FuzzSupport.h"
#include "filing/JunkInput.h"
#include "filing/JunkTokens.h"

#include <algorithm>

using namespace fumibako;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString messageFile = fuzz::scratchDir() + QStringLiteral("/message.eml");
    fuzz::writeFile(messageFile, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::optional<filing::JunkInput> input = filing::readJunkInput(messageFile);
    fuzz::require(input.has_value(), "a file that exists is always read");
    const QStringList tokens = filing::junkTokens(*input);
    std::vector<qint64> ids;
    for (const QString& token : tokens) {
        fuzz::require(!token.isEmpty() && !token.endsWith(QLatin1Char(':')), "no token is empty");
        ids.push_back(filing::junkTokenId(token));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    fuzz::require(filing::junkTokenIds(*input) == ids, "the numbers are the tokens' own");
    return 0;
}
