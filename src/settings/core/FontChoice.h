#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/** The rules of `frmFont` "フォント": which faces are offered, the eight sizes, what is stored. */
namespace fumibako::settings {

/** The first face entry: leaves the face to the preview (its leading space is part of the text). */
inline const QString kDefaultFaceEntry = QStringLiteral(" IEのデフォルト");

/** What the font chooser needs to know of one installed font family. */
struct FontFamilyInfo {
    QString name;
    bool japanese = false;   ///< supports the Japanese writing system
    bool fixedPitch = false; ///< every half-width letter equally wide
    bool symbol = false;     ///< a symbol font
};

/**
 * The face list: kDefaultFaceEntry, then every family of @p installed that supports Japanese, in
 * the given order, names trimmed; only fixed-pitch ones with @p fixedPitchOnly; symbol fonts
 * dropped with @p noSymbol.
 */
QStringList listedFaces(const QList<FontFamilyInfo>& installed, bool fixedPitchOnly, bool noSymbol);

/** The eight entries of the size list: "IEのデフォルト", "1 (8ポイント)", ... "7 (36ポイント)". */
QStringList sizeEntries();

/** The sample's point size for size index @p index; nothing for index 0 (the sample keeps its size). */
std::optional<int> samplePointSize(int index);

/** The face selected at opening: @p storedName's entry, else the first (" IEのデフォルト"). */
int initialFaceIndex(const QStringList& faces, const QString& storedName);

/** The size selected at opening: the stored "MainSize" as an index 0-7, else 2 ("2 (10ポイント)"). */
int initialSizeIndex(const QString& storedSize);

/** "MainSize" for size index @p index: empty for 0, else the index. */
QString storedSize(int index);

/** Writes "MainName" and then "MainSize" into section "Font" of the registry; failures go unreported. */
void storePreviewFont(const QString& registryFile, const QString& name, const QString& size);

} // namespace fumibako::settings
