#pragma once

#include "platform/LargeMemory.h"
#include "storage/ProfileStore.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>
#include <unordered_map>
#include <vector>

/**
 * The in-memory form of one profile file: its lines, grouped by section, each with the exact
 * bytes it has in the file. Untouched lines are written back byte for byte; a changed or new line
 * is formed as text, encoded and parsed again like a line read from disk, so the model always
 * equals what parsing the written file gives.
 *
 * The file is decoded once, into one text buffer that the lines view (a mail index of 100,000
 * lines is then two large blocks rather than 100,000 small ones); readers that keep lines longer
 * than the document share that buffer (see SectionText).
 */
namespace fumibako::storage::detail {

enum class LineKind : quint8 { Blank, Comment, Header, Key, Text };
enum class LineEnd : quint8 { None, CrLf, Lf, Cr };
enum class FileEncoding : quint8 { Cp932, Utf8 };

struct ProfileLine {
    QByteArray bytes;  // the line as stored, without its line end
    QStringView entry; // Key: "key=value" trimmed; Text: the trimmed line; Header: the section name
    std::shared_ptr<const QString> own; // the text entry views, unless it is the document's text
    qint32 keyLength = 0;
    LineKind kind = LineKind::Blank;
    LineEnd end = LineEnd::CrLf;
    bool dead = false; // deleted: never written, dropped when the section is compacted

    bool isEntry() const { return !dead && (kind == LineKind::Key || kind == LineKind::Text); }
    QStringView key() const { return QStringView(entry).left(keyLength); }
    QStringView value() const { return QStringView(entry).mid(keyLength + 1); }
};

/** Folded form of a section or key name, for comparisons that ignore letter case. */
QString foldName(QStringView name);

using LineVector = platform::LargeVector<ProfileLine>;
/** The decoded text of a whole file, which the lines read from it view. */
using DocumentText = platform::LargeVector<char16_t>;

struct ProfileSection {
    ProfileLine header;
    LineVector body;
    qsizetype lastEntry = -1; // the last live key or text line, -1 when none
    qsizetype deadCount = 0;
    // Built on the first lookup in a large section: hash of the folded key -> every live key line.
    std::unique_ptr<std::unordered_multimap<quint64, qsizetype>> keyIndex;

    QStringView name() const { return header.entry; }
    qsizetype findKey(QStringView key);
    void insertEntry(ProfileLine line);
    void killLine(qsizetype index);
    void resetIndex();

private:
    void buildKeyIndex();
    void compactIfSparse();
};

class ProfileDocument {
public:
    ProfileDocument() = default;
    ProfileDocument(ProfileDocument&&) = default;
    ProfileDocument& operator=(ProfileDocument&&) = default;
    // The lines view the document's own buffers: a copy would view the original's.
    ProfileDocument(const ProfileDocument&) = delete;
    ProfileDocument& operator=(const ProfileDocument&) = delete;

    static ProfileDocument parse(platform::LargeVector<char> bytes);
    static ProfileDocument parse(QByteArrayView bytes);

    QByteArray serialize() const { return serialize(m_encoding); }
    FileEncoding encoding() const { return m_encoding; }

    ProfileSection* findSection(QStringView name);
    const ProfileLine* findKey(QStringView section, QStringView key);
    QStringList sectionLines(QStringView section);
    /** The lines sectionLines() gives, as views that stay valid after the document is gone. */
    SectionText sectionText(QStringView section);
    QStringList sectionNames() const;

    // Each returns whether the document changed.
    bool setString(QStringView section, QStringView key, QStringView value);
    bool deleteKey(QStringView section, QStringView key);
    bool deleteSection(QStringView section);
    bool writeSection(QStringView section, const QStringList& lines);

private:
    QByteArray serialize(FileEncoding target) const;
    ProfileLine makeLine(const QString& text, bool isHeader = false);
    void terminateLastLine();
    ProfileSection& appendSection(QStringView name);
    void addSection(ProfileSection section);
    void rebuildSectionIndex();
    void ensureEncodable(std::initializer_list<QStringView> texts);
    void ensureEncodable(const QStringList& texts);
    void reparseIfNeeded();

    platform::LargeVector<char> m_source;   // the bytes that the parsed lines point into
    std::shared_ptr<const DocumentText> m_text; // the text that the parsed lines view
    FileEncoding m_encoding = FileEncoding::Cp932;
    LineVector m_preamble; // lines before the first section: never reachable
    std::vector<ProfileSection> m_sections;
    QHash<QString, qsizetype> m_sectionIndex; // folded name -> first section of that name
    bool m_needsReparse = false;
};

} // namespace fumibako::storage::detail
