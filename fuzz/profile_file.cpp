// The profile file reader on a whole file, then a sequence of reads and writes decoded from the
// rest of the input. After the writes, the written file must parse back to what the document holds.
#include "FuzzSupport.h"
#include "storage/ProfileDocument.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace fumibako;
using storage::detail::ProfileDocument;

namespace {

QString name(FuzzedDataProvider& input)
{
    return QString::fromUtf8(input.ConsumeRandomLengthString(24));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string file = input.ConsumeRandomLengthString(size);
    ProfileDocument document = ProfileDocument::parse(QByteArrayView(file.data(), qsizetype(file.size())));
    while (input.remaining_bytes() > 0) {
        const QString section = name(input);
        const QString key = name(input);
        switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0: document.setString(section, key, name(input)); break;
        case 1: document.deleteKey(section, key); break;
        case 2: document.deleteSection(section); break;
        case 3: document.findKey(section, key); break;
        case 4: document.sectionLines(section); break;
        default: document.sectionNames(); break;
        }
    }
    const QByteArray written = document.serialize();
    ProfileDocument reread = ProfileDocument::parse(QByteArrayView(written));
    const QStringList names = document.sectionNames();
    fuzz::require(reread.sectionNames() == names, "the written file has the document's sections");
    for (const QString& section : names)
        fuzz::require(reread.sectionLines(section) == document.sectionLines(section),
                      "the written file has the document's lines");
    return 0;
}
