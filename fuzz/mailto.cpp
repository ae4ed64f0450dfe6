// The mailto: reader on a command line, as a second start or a desktop link hands it over.
#include "storage/MailtoCommandLine.h"

using namespace fumibako;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    storage::ParseMailtoCommandLine(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
