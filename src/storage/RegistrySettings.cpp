#include "storage/RegistrySettings.h"

#include "storage/ProfileStore.h"
#include "storage/SettingValues.h"

#include <QFileInfo>

namespace fumibako::storage {

namespace {

const QString kColumnSection = QStringLiteral("LsvMailWidth");
const QStringList kColumnKeys{QStringLiteral("LsvFlg"), QStringLiteral("LsvRead"), QStringLiteral("LsvAttach"),
                              QStringLiteral("LsvFrom"), QStringLiteral("LsvSub"), QStringLiteral("LsvDate")};
const QString kWindow = QStringLiteral("Window");
const QString kFont = QStringLiteral("Font");
constexpr qint16 kMinimumWindowSize = 3000;

QString readValue(const QString& section, const QString& key, int buffer, const QString& file)
{
    return IniGetString(section, key, buffer, file);
}

bool readDecimal(double& target, const QString& section, const QString& key, int buffer, const QString& file)
{
    const std::optional<double> value = parseDecimal(readValue(section, key, buffer, file));
    if (value)
        target = *value;
    return value.has_value();
}

void readInt16Into(qint16& target, const QString& key, const QString& file)
{
    if (const std::optional<qint16> value = parseInt16(readValue(kWindow, key, 10, file)))
        target = *value;
}

void readPosition(std::optional<qint16>& target, const QString& key, const QString& file)
{
    if (const std::optional<qint16> value = parseInt16(readValue(kWindow, key, 10, file)))
        target = value;
}

// A size that is missing keeps its default; one below the minimum gets the replacement size.
void readSize(qint16& target, const QString& key, const QString& file, qint16 replacement)
{
    const std::optional<qint16> value = parseInt16(readValue(kWindow, key, 10, file));
    if (!value)
        return;
    target = *value < kMinimumWindowSize ? replacement : *value;
}

void readGeometry(WindowGeometry& geometry, const QString& prefix, const QString& file, qint16 minWidth,
                  qint16 minHeight)
{
    readSize(geometry.width, prefix + QStringLiteral("Width"), file, minWidth);
    readSize(geometry.height, prefix + QStringLiteral("Height"), file, minHeight);
    readPosition(geometry.top, prefix + QStringLiteral("Top"), file);
    readPosition(geometry.left, prefix + QStringLiteral("Left"), file);
}

void readListSettings(DisplaySettings& s, const QString& file)
{
    for (int i = 0; i < 6; ++i) {
        if (readDecimal(s.columnWidths[i], kColumnSection, kColumnKeys.at(i), 50, file))
            s.columnWidthsStored = true;
    }
    const std::optional<qint16> key = parseInt16(readValue(QStringLiteral("Sort"), QStringLiteral("SortKey"), 50, file));
    if (key && *key >= 0 && *key <= 5)
        s.sortKey = *key;
    const std::optional<qint16> order = parseInt16(readValue(QStringLiteral("Sort"), QStringLiteral("SortOrder"), 50, file));
    if (order && (*order == 0 || *order == 1))
        s.sortOrder = *order;
    const QString pane = QStringLiteral("LsvAdd");
    if (const std::optional<bool> shown = parseTruth(readValue(pane, QStringLiteral("Hyouji"), 10, file)))
        s.addressPaneShown = *shown;
    readDecimal(s.addressColumnWidths[0], pane, QStringLiteral("LsvAdd1"), 10, file);
    readDecimal(s.addressColumnWidths[1], pane, QStringLiteral("LsvAdd2"), 10, file);
    s.previewFontName = readValue(kFont, QStringLiteral("MainName"), 100, file);
    s.previewFontSize = readValue(kFont, QStringLiteral("MainSize"), 100, file);
}

QString number(double value)
{
    return QString::number(value, 'g', 9);
}

QString position(const std::optional<qint16>& value)
{
    return value ? QString::number(*value) : QString();
}

} // namespace

QStringList LoadAccountList(const QString& programDir)
{
    const QString registry = programDir + QStringLiteral("AName.ini");
    QStringList names;
    bool ok = false;
    const int count = IniGetString(QStringLiteral("AName"), QStringLiteral("Count"), 50, registry).trimmed().toInt(&ok);
    for (int i = 0; ok && i < count; ++i) {
        const QString name = IniGetString(QStringLiteral("AName"), QString::number(i), 50, registry);
        if (!name.isEmpty() && QFileInfo::exists(programDir + name + QStringLiteral(".ini")))
            names.append(name);
    }
    if (names.isEmpty()) {
        IniWriteString(QStringLiteral("AName"), QStringLiteral("Count"), QStringLiteral("0"), registry);
        IniWriteSection(QStringLiteral("Sort"), registry, {QStringLiteral("SortKey=5"), QStringLiteral("SortOrder=1")});
    }
    return names;
}

DisplaySettings loadDisplaySettings(const QString& registryFile, const DisplaySettings& builtIn)
{
    DisplaySettings s = builtIn;
    readListSettings(s, registryFile);
    readGeometry(s.mainWindow, QString(), registryFile, 11200, 7500);
    readGeometry(s.composeWindow, QStringLiteral("Send"), registryFile, 6000, 7000);
    readGeometry(s.readWindow, QStringLiteral("Read"), registryFile, 6000, 7000);
    for (int i = 0; i < 4; ++i)
        readInt16Into(s.splitters[i], QStringLiteral("Splitter") + QString::number(i), registryFile);
    readInt16Into(s.mainState, QStringLiteral("MainState"), registryFile);
    return s;
}

void writeExitDisplaySettings(const QString& registryFile, const DisplaySettings& s, bool sortChanged)
{
    ProfileWriteBatch batch;
    if (sortChanged) {
        QStringList columns;
        for (int i = 0; i < 6; ++i)
            columns.append(kColumnKeys.at(i) + QLatin1Char('=') + number(s.columnWidths[i]));
        IniWriteSection(kColumnSection, registryFile, columns);
        IniWriteSection(QStringLiteral("Sort"), registryFile,
                        {QStringLiteral("SortKey=") + QString::number(s.sortKey),
                         QStringLiteral("SortOrder=") + QString::number(s.sortOrder)});
    }
    QStringList window;
    auto addGeometry = [&window](const QString& prefix, const WindowGeometry& g) {
        window << prefix + QStringLiteral("Width=") + QString::number(g.width)
               << prefix + QStringLiteral("Height=") + QString::number(g.height)
               << prefix + QStringLiteral("Top=") + position(g.top)
               << prefix + QStringLiteral("Left=") + position(g.left);
    };
    addGeometry(QString(), s.mainWindow);
    addGeometry(QStringLiteral("Send"), s.composeWindow);
    addGeometry(QStringLiteral("Read"), s.readWindow);
    for (int i = 0; i < 4; ++i)
        window << QStringLiteral("Splitter%1=%2").arg(i).arg(s.splitters[i]);
    window << QStringLiteral("MainState=") + QString::number(s.mainState);
    IniWriteSection(kWindow, registryFile, window);
    IniWriteSection(QStringLiteral("LsvAdd"), registryFile,
                    {QStringLiteral("Hyouji=") + truthWord(s.addressPaneShown),
                     QStringLiteral("LsvAdd1=") + number(s.addressColumnWidths[0]),
                     QStringLiteral("LsvAdd2=") + number(s.addressColumnWidths[1])});
    batch.commit();
}

TextFont readTextFont(const QString& registryFile)
{
    TextFont font;
    font.bold = parseTruth(readValue(kFont, QStringLiteral("ReadBold"), 10, registryFile)).value_or(false);
    font.italic = parseTruth(readValue(kFont, QStringLiteral("ReadItalic"), 10, registryFile)).value_or(false);
    const QString name = readValue(kFont, QStringLiteral("ReadName"), 20, registryFile);
    if (!name.isEmpty())
        font.name = name;
    if (const std::optional<double> size = parseDecimal(readValue(kFont, QStringLiteral("ReadSize"), 10, registryFile)))
        font.size = QString::number(*size, 'g', 6);
    return font;
}

void saveTextFontChanges(const QString& registryFile, TextFont& kept, const TextFont& chosen)
{
    if (chosen.bold != kept.bold)
        IniWriteString(kFont, QStringLiteral("ReadBold"), truthWord(chosen.bold), registryFile);
    if (chosen.italic != kept.italic)
        IniWriteString(kFont, QStringLiteral("ReadItalic"), truthWord(chosen.italic), registryFile);
    if (chosen.name != kept.name)
        IniWriteString(kFont, QStringLiteral("ReadName"), chosen.name, registryFile);
    if (chosen.size != kept.size)
        IniWriteString(kFont, QStringLiteral("ReadSize"), chosen.size, registryFile);
    kept = chosen;
}

} // namespace fumibako::storage

