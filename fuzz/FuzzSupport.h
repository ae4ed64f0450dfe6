#pragma once

// Small pieces the fuzz targets share: a scratch folder per process and a message box that
// answers nothing.

#include "platform/UserPrompts.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace fumibako::fuzz {

/** Stops the run with a message when an invariant of the code under test is broken. */
inline void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
        std::abort();
    }
}

/** A private folder that lives as long as the process. */
inline QString scratchDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/fumibako-fuzz-XXXXXX"));
    require(dir.isValid(), "a scratch folder can be made");
    return dir.path();
}

/** Writes @p bytes to @p path, replacing what was there. */
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the scratch file can be written");
    file.write(bytes);
}

/** Answers every message box with its default and forgets the status bar. */
class SilentPrompts final : public platform::UserPrompts {
public:
    platform::Answer message(const QString&, const QString&, platform::Icon, platform::Buttons buttons) override
    {
        return buttons == platform::Buttons::Ok ? platform::Answer::Ok : platform::Answer::No;
    }
    void setStatus(int, const QString&) override {}
};

} // namespace fumibako::fuzz
