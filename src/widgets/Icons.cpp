#include "widgets/Icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace fumibako::widgets {

namespace {

constexpr int kSize = 32;

void drawEnvelope(QPainter& p, const QRectF& r, const QColor& fill)
{
    p.setPen(QPen(QColor(60, 70, 90), 1.6));
    p.setBrush(fill);
    p.drawRoundedRect(r, 2, 2);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.55);
    flap.lineTo(r.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void drawFolder(QPainter& p, const QColor& fill)
{
    p.setPen(QPen(fill.darker(160), 1.4));
    p.setBrush(fill);
    QPainterPath path;
    path.moveTo(3, 8);
    path.lineTo(12, 8);
    path.lineTo(15, 11);
    path.lineTo(29, 11);
    path.lineTo(29, 27);
    path.lineTo(3, 27);
    path.closeSubpath();
    p.drawPath(path);
}

void drawTrash(QPainter& p)
{
    p.setPen(QPen(QColor(70, 70, 70), 1.6));
    p.setBrush(QColor(200, 205, 210));
    p.drawRect(QRectF(8, 10, 16, 18));
    p.drawRect(QRectF(6, 7, 20, 3));
    p.drawRect(QRectF(13, 4, 6, 3));
    for (int x : {12, 16, 20})
        p.drawLine(QLineF(x, 13, x, 25));
}

void drawList(QPainter& p)
{
    p.setPen(QPen(QColor(60, 70, 90), 1.4));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 4, 24, 24));
    p.setPen(QPen(QColor(40, 90, 170), 2));
    for (int y : {10, 16, 22})
        p.drawLine(QLineF(8, y, 24, y));
}

void drawBook(QPainter& p)
{
    p.setPen(QPen(QColor(90, 50, 20), 1.4));
    p.setBrush(QColor(200, 120, 60));
    p.drawRoundedRect(QRectF(6, 3, 20, 26), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(11, 8, 11, 6));
    p.setPen(QPen(QColor(90, 50, 20), 2));
    p.drawLine(QLineF(9, 3, 9, 29));
}

void drawArrows(QPainter& p)
{
    p.setPen(QPen(QColor(30, 140, 60), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(24, 3, 24, 12));
    p.drawLine(QLineF(20, 8, 24, 12));
    p.drawLine(QLineF(28, 8, 24, 12));
}

void drawPlus(QPainter& p)
{
    p.setPen(QPen(QColor(30, 140, 60), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(25, 2, 25, 12));
    p.drawLine(QLineF(20, 7, 30, 7));
}

void drawMagnifier(QPainter& p)
{
    p.setPen(QPen(QColor(60, 70, 90), 2.4));
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(QRectF(5, 5, 15, 15));
    p.setPen(QPen(QColor(60, 70, 90), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QLineF(19, 19, 27, 27));
}

// An envelope with a red no-entry mark: junk.
void drawJunk(QPainter& p)
{
    drawEnvelope(p, QRectF(2, 6, 24, 17), QColor(235, 235, 235));
    p.setPen(QPen(QColor(200, 30, 30), 2.6));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(17, 16, 13, 13));
    p.drawLine(QLineF(19.5, 26.5, 27.5, 18.5));
}

void drawKey(QPainter& p, const QString& key)
{
    if (key == QLatin1String("new")) {
        drawEnvelope(p, QRectF(2, 10, 24, 17), Qt::white);
        drawPlus(p);
    } else if (key == QLatin1String("souju")) {
        drawEnvelope(p, QRectF(2, 12, 24, 17), QColor(255, 250, 220));
        drawArrows(p);
    } else if (key == QLatin1String("trush")) {
        drawTrash(p);
    } else if (key == QLatin1String("list")) {
        drawList(p);
    } else if (key == QLatin1String("add")) {
        drawBook(p);
    } else if (key == QLatin1String("mailclose")) {
        drawEnvelope(p, QRectF(3, 8, 26, 18), QColor(255, 240, 170));
    } else if (key == QLatin1String("mailopen")) {
        drawEnvelope(p, QRectF(3, 8, 26, 18), Qt::white);
    } else if (key == QLatin1String("user")) {
        drawFolder(p, QColor(150, 190, 235));
    } else if (key == QLatin1String("junk")) {
        drawJunk(p);
    } else if (key == QLatin1String("search")) {
        drawMagnifier(p);
    } else if (key == QLatin1String("program")) {
        drawFolder(p, QColor(240, 200, 90));
        drawEnvelope(p, QRectF(9, 3, 18, 13), Qt::white);
    } else {
        drawFolder(p, QColor(240, 200, 90));
    }
}

QIcon drawnIcon(const QString& key)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawKey(p, key);
    return QIcon(pixmap);
}

QString themeName(const QString& key)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("new"), QStringLiteral("mail-message-new")},
        {QStringLiteral("souju"), QStringLiteral("mail-send-receive")},
        {QStringLiteral("trush"), QStringLiteral("user-trash")},
        {QStringLiteral("list"), QStringLiteral("view-list-details")},
        {QStringLiteral("add"), QStringLiteral("x-office-address-book")},
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("mailclose"), QStringLiteral("mail-unread")},
        {QStringLiteral("mailopen"), QStringLiteral("mail-read")},
        {QStringLiteral("junk"), QStringLiteral("mail-mark-junk")},
        {QStringLiteral("user"), QStringLiteral("folder-documents")},
        {QStringLiteral("search"), QStringLiteral("edit-find")},
    };
    return names.value(key);
}

} // namespace

QIcon themedIcon(const QString& key)
{
    static QHash<QString, QIcon> cache;
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    const QString name = themeName(key);
    QIcon icon = name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
    if (icon.isNull() || icon.availableSizes().isEmpty())
        icon = drawnIcon(key);
    cache.insert(key, icon);
    return icon;
}

} // namespace fumibako::widgets
