// The preview renderer on a body: the page the preview shows, and its bytes as written to disk.
#include "FuzzSupport.h"
#include "mailview/PreviewRenderer.h"

using namespace fumibako;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString body = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    mailview::renderPreviewText(body);
    mailview::encodePreviewPage(mailview::renderPreviewPage(body, mailview::PreviewFont{}));
    return 0;
}
