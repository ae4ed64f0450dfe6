// The address book loader on a whole "Address.txt", and the three importers on the same bytes
// after their encoding detection.
#include "FuzzSupport.h"
#include "addressbook/AddressBook.h"
#include "addressbook/AddressImport.h"
#include "addressbook/TextDecoding.h"

using namespace fumibako;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString bookFile = fuzz::scratchDir() + QStringLiteral("/Address.txt");
    fuzz::writeFile(bookFile, bytes);
    fuzz::SilentPrompts prompts;
    addressbook::AddressBook book;
    addressbook::LoadAddressBookFile(bookFile, prompts, book);

    const addressbook::DecodedText decoded = addressbook::decodeTextBytes(bytes);
    addressbook::parseOutlookExpress(decoded.text);
    addressbook::parseAlMail(decoded.text);
    addressbook::parseBecky(decoded.text);
    addressbook::decodeBookBytes(bytes);
    return 0;
}
