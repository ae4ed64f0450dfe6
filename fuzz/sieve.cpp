// A Sieve script as `fumibako-tool rules ACCOUNT import` reads it: parsed, read into rules; the
// rules written out again must read back the same.
#include "FuzzSupport.h"
#include "filing/SieveExport.h"
#include "filing/SieveImport.h"

using namespace fumibako;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString script = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const filing::SieveImport imported = filing::importSieve(script);
    if (imported.error)
        return 0;
    // What the exporter leaves out (attachments, the address book) an import never makes.
    const QString written = filing::exportSieve(imported.rules, QStringLiteral("fuzz"));
    const filing::SieveImport again = filing::importSieve(written);
    fuzz::require(!again.error, "the exported script reads back");
    fuzz::require(again.rules == imported.rules, "the exported script reads back into the same rules");
    return 0;
}
