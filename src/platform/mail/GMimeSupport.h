#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <gmime/gmime.h>

#include <memory>

/** Small helpers around GMime 3: one-time initialisation, ownership, and byte access. */
namespace fumibako::platform::mail {

/** Calls g_mime_init() once per process, whichever thread gets here first. */
void ensureGMimeInitialized();

struct GObjectUnref {
    void operator()(void* object) const
    {
        if (object)
            g_object_unref(object);
    }
};

struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};

/** Owns one reference of a GObject (what the *_new functions and the parser hand out). */
template<typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

/** Owns a g_malloc'd string. */
using GCharPtr = std::unique_ptr<char, GFree>;

/** The raw value (as in the file, folds included) of the first field @p name of @p object, or a null array. */
QByteArray rawHeader(GMimeObject* object, const char* name);

/** The content of a leaf part with its transfer encoding removed (base64 decoded leniently). */
QByteArray partContent(GMimePart* part);

/** @p object written out with CR LF line ends, as mail is stored and sent. */
QByteArray objectBytes(GMimeObject* object);

/** A new memory stream holding a copy of @p bytes. */
GObjectPtr<GMimeStream> memoryStream(QByteArrayView bytes);

/** Everything @p stream holds, read from its start. */
QByteArray streamBytes(GMimeStream* stream);

} // namespace fumibako::platform::mail
