#include "app/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace gf {

namespace {

QImage Canvas(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& a, const QColor& b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// A soft shadow under a shape: the shape drawn a little lower in translucent black.
void Shadow(QPainter& p, const QPainterPath& shape) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 38));
    p.drawPath(shape.translated(0.6, 1.4));
    p.restore();
}

void DrawLoad(QPainter& p) {
    QPainterPath back;
    back.moveTo(4, 12);
    back.lineTo(4, 39);
    back.quadTo(4, 41, 6, 41);
    back.lineTo(42, 41);
    back.quadTo(44, 41, 44, 39);
    back.lineTo(44, 16);
    back.quadTo(44, 14, 42, 14);
    back.lineTo(22, 14);
    back.lineTo(19, 10);
    back.lineTo(6, 10);
    back.quadTo(4, 10, 4, 12);
    Shadow(p, back);
    p.setPen(QPen(QColor(176, 118, 20), 1));
    p.setBrush(Vertical(10, 41, QColor(240, 184, 64), QColor(214, 148, 30)));
    p.drawPath(back);

    // A picture slipping out of the folder.
    p.save();
    p.translate(25, 19);
    p.rotate(-8);
    p.setPen(QPen(QColor(120, 130, 145), 1));
    p.setBrush(QColor(252, 252, 250));
    p.drawRect(QRectF(-13, -13, 26, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(-11, 7, QColor(120, 190, 245), QColor(200, 230, 252)));
    p.drawRect(QRectF(-11, -11, 22, 18));
    p.setBrush(QColor(255, 204, 60));
    p.drawEllipse(QPointF(5, -6), 2.6, 2.6);
    QPainterPath hill;
    hill.moveTo(-11, 7);
    hill.lineTo(-11, 1);
    hill.quadTo(-4, -6, 2, 1);
    hill.quadTo(6, -2, 11, 2);
    hill.lineTo(11, 7);
    hill.closeSubpath();
    p.setBrush(QColor(76, 160, 80));
    p.drawPath(hill);
    p.restore();

    QPainterPath front;
    front.moveTo(8, 21);
    front.lineTo(46, 21);
    front.quadTo(47.5, 21, 47, 22.5);
    front.lineTo(43.5, 39.5);
    front.quadTo(43, 41, 41.5, 41);
    front.lineTo(5.5, 41);
    front.quadTo(4, 41, 4.3, 39.5);
    front.lineTo(6.5, 22.5);
    front.quadTo(6.8, 21, 8, 21);
    p.setPen(QPen(QColor(184, 126, 24), 1));
    p.setBrush(Vertical(21, 41, QColor(255, 218, 110), QColor(244, 178, 48)));
    p.drawPath(front);
    p.setPen(QPen(QColor(255, 240, 190, 180), 1));
    p.drawLine(QPointF(8.5, 22.5), QPointF(45, 22.5));
}

void DrawCapture(QPainter& p) {
    QPainterPath monitor;
    monitor.addRoundedRect(QRectF(3, 5, 42, 30), 3, 3);
    Shadow(p, monitor);
    p.setPen(QPen(QColor(40, 50, 62), 1));
    p.setBrush(Vertical(5, 35, QColor(84, 98, 116), QColor(52, 62, 76)));
    p.drawPath(monitor);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(8, 31, QColor(110, 180, 240), QColor(44, 110, 186)));
    p.drawRect(QRectF(6, 8, 36, 24));
    // Stand.
    p.setBrush(Vertical(35, 42, QColor(120, 130, 144), QColor(80, 90, 104)));
    p.drawRect(QRectF(20, 35, 8, 4));
    p.drawRoundedRect(QRectF(13, 39, 22, 3.5), 1.5, 1.5);
    // The area being taken.
    p.setBrush(QColor(255, 255, 255, 60));
    p.setPen(QPen(QColor(255, 255, 255), 1.2, Qt::DashLine));
    p.drawRect(QRectF(11.5, 11.5, 17, 15));
    // Cross-hair.
    const QPointF c(33, 31);
    p.setPen(QPen(QColor(0, 0, 0, 60), 3.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 7.5, 7.5);
    p.setPen(QPen(QColor(229, 57, 53), 2.2));
    p.drawEllipse(c, 7.5, 7.5);
    p.drawLine(QPointF(c.x(), c.y() - 11), QPointF(c.x(), c.y() - 3));
    p.drawLine(QPointF(c.x(), c.y() + 3), QPointF(c.x(), c.y() + 11));
    p.drawLine(QPointF(c.x() - 11, c.y()), QPointF(c.x() - 3, c.y()));
    p.drawLine(QPointF(c.x() + 3, c.y()), QPointF(c.x() + 11, c.y()));
}

void DrawModify(QPainter& p) {
    static const QColor cells[4][4] = {
        {QColor(239, 83, 80), QColor(255, 167, 38), QColor(255, 213, 79), QColor(156, 204, 101)},
        {QColor(255, 167, 38), QColor(255, 213, 79), QColor(102, 187, 106), QColor(38, 166, 154)},
        {QColor(255, 213, 79), QColor(102, 187, 106), QColor(41, 182, 246), QColor(92, 107, 192)},
        {QColor(156, 204, 101), QColor(38, 166, 154), QColor(92, 107, 192), QColor(171, 71, 188)},
    };
    QPainterPath board;
    board.addRoundedRect(QRectF(3, 3, 34, 34), 3, 3);
    Shadow(p, board);
    p.setPen(QPen(QColor(150, 158, 170), 1));
    p.setBrush(QColor(250, 250, 252));
    p.drawPath(board);
    p.setPen(Qt::NoPen);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            p.setBrush(cells[r][c]);
            p.drawRoundedRect(QRectF(6 + 7.5 * c, 6 + 7.5 * r, 6.5, 6.5), 1, 1);
        }

    // Pencil, lying from lower left to upper right.
    p.save();
    p.translate(31, 31);
    p.rotate(-45);
    QPainterPath body;
    body.addRect(QRectF(-6, -3.6, 20, 7.2));
    p.setPen(QPen(QColor(0, 0, 0, 50), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body.translated(0.5, 0.8));
    p.setPen(QPen(QColor(170, 110, 10), 0.8));
    QLinearGradient barrel(0, -3.6, 0, 3.6);
    barrel.setColorAt(0, QColor(255, 214, 90));
    barrel.setColorAt(0.5, QColor(250, 190, 40));
    barrel.setColorAt(1, QColor(214, 146, 20));
    p.setBrush(barrel);
    p.drawPath(body);
    p.setBrush(QColor(236, 120, 140));
    p.drawRect(QRectF(14, -3.6, 4, 7.2));
    p.setBrush(QColor(190, 196, 204));
    p.drawRect(QRectF(12, -3.6, 2.5, 7.2));
    QPainterPath tip;
    tip.moveTo(-6, -3.6);
    tip.lineTo(-13, 0);
    tip.lineTo(-6, 3.6);
    tip.closeSubpath();
    p.setBrush(QColor(245, 218, 170));
    p.drawPath(tip);
    QPainterPath lead;
    lead.moveTo(-10.4, -1.3);
    lead.lineTo(-13, 0);
    lead.lineTo(-10.4, 1.3);
    lead.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 50, 56));
    p.drawPath(lead);
    p.restore();
}

void DrawSave(QPainter& p) {
    QPainterPath disk;
    disk.moveTo(6, 5);
    disk.lineTo(37, 5);
    disk.lineTo(43, 11);
    disk.lineTo(43, 41);
    disk.quadTo(43, 43, 41, 43);
    disk.lineTo(7, 43);
    disk.quadTo(5, 43, 5, 41);
    disk.lineTo(5, 7);
    disk.quadTo(5, 5, 6, 5);
    Shadow(p, disk);
    p.setPen(QPen(QColor(24, 70, 130), 1));
    p.setBrush(Vertical(5, 43, QColor(72, 140, 222), QColor(34, 92, 170)));
    p.drawPath(disk);
    // Shutter.
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(5, 18, QColor(226, 230, 236), QColor(176, 184, 196)));
    p.drawRoundedRect(QRectF(13, 5, 21, 13), 1.5, 1.5);
    p.setBrush(QColor(54, 72, 98));
    p.drawRect(QRectF(27, 7.5, 4, 8));
    // Label with a small picture on it.
    p.setBrush(QColor(250, 250, 248));
    p.drawRoundedRect(QRectF(10, 23, 28, 17), 1.5, 1.5);
    p.setBrush(QColor(225, 80, 70));
    p.drawRect(QRectF(14, 27, 4, 4));
    p.setBrush(QColor(250, 190, 50));
    p.drawRect(QRectF(18, 27, 4, 4));
    p.setBrush(QColor(80, 170, 90));
    p.drawRect(QRectF(14, 31, 4, 4));
    p.setBrush(QColor(60, 140, 220));
    p.drawRect(QRectF(18, 31, 4, 4));
    p.setPen(QPen(QColor(170, 178, 190), 1.2));
    p.drawLine(QPointF(25, 29), QPointF(34, 29));
    p.drawLine(QPointF(25, 33), QPointF(32, 33));
}

void DrawBadge(QPainter& p, const QColor& light, const QColor& dark, const QString& mark) {
    QPainterPath circle;
    circle.addEllipse(QRectF(4, 4, 40, 40));
    Shadow(p, circle);
    QRadialGradient g(QPointF(18, 14), 34);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(125), 1));
    p.setBrush(g);
    p.drawPath(circle);
    // Gloss.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 46));
    p.drawEllipse(QRectF(10, 6.5, 28, 16));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(28);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 60));
    p.drawText(QRectF(4, 5.5, 40, 40), Qt::AlignCenter, mark);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 4, 40, 40), Qt::AlignCenter, mark);
}

void DrawHome(QPainter& p) {
    QPainterPath house;
    house.addRect(QRectF(10, 22, 28, 21));
    Shadow(p, house);
    p.setPen(QPen(QColor(170, 140, 100), 1));
    p.setBrush(Vertical(22, 43, QColor(255, 248, 230), QColor(238, 222, 190)));
    p.drawPath(house);
    // Chimney.
    p.setPen(QPen(QColor(120, 50, 30), 1));
    p.setBrush(QColor(176, 84, 54));
    p.drawRect(QRectF(31, 8, 5, 10));
    QPainterPath roof;
    roof.moveTo(24, 5);
    roof.lineTo(45, 24);
    roof.lineTo(41, 26);
    roof.lineTo(24, 11);
    roof.lineTo(7, 26);
    roof.lineTo(3, 24);
    roof.closeSubpath();
    Shadow(p, roof);
    p.setPen(QPen(QColor(160, 50, 30), 1));
    p.setBrush(Vertical(5, 26, QColor(240, 110, 70), QColor(206, 70, 40)));
    p.drawPath(roof);
    // Door and window.
    p.setPen(QPen(QColor(100, 60, 30), 1));
    p.setBrush(Vertical(30, 43, QColor(160, 100, 56), QColor(120, 70, 36)));
    p.drawRoundedRect(QRectF(14, 30, 8, 13), 1.2, 1.2);
    p.setPen(QPen(QColor(70, 110, 160), 1));
    p.setBrush(Vertical(27, 37, QColor(170, 215, 250), QColor(90, 160, 225)));
    p.drawRect(QRectF(26, 28, 8, 8));
    p.drawLine(QPointF(30, 28), QPointF(30, 36));
    p.drawLine(QPointF(26, 32), QPointF(34, 32));
}

}  // namespace

QImage DrawGlyph(Glyph glyph) {
    QImage image = Canvas(48);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    switch (glyph) {
        case Glyph::Load:
            DrawLoad(p);
            break;
        case Glyph::Capture:
            DrawCapture(p);
            break;
        case Glyph::Modify:
            DrawModify(p);
            break;
        case Glyph::Save:
            DrawSave(p);
            break;
        case Glyph::Help:
            DrawBadge(p, QColor(110, 180, 250), QColor(26, 104, 200), QStringLiteral("?"));
            break;
        case Glyph::About:
            DrawBadge(p, QColor(96, 214, 170), QColor(16, 136, 104), QStringLiteral("i"));
            break;
        case Glyph::HomePage:
            DrawHome(p);
            break;
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

Bitmap MakeBackdrop() {
    constexpr int side = 400;
    Bitmap backdrop(side, side, PixelFormat::Bits24);
    // From a pale blue grey at the top to a deeper one at the bottom.
    constexpr int top[3] = {246, 241, 236};  // blue, green, red
    constexpr int bottom[3] = {214, 199, 184};
    for (int y = 0; y < side; ++y) {
        std::uint8_t bgr[3];
        for (int c = 0; c < 3; ++c)
            bgr[c] = static_cast<std::uint8_t>(top[c] + (bottom[c] - top[c]) * y / (side - 1));
        std::uint8_t* row = backdrop.Row(y);
        for (int x = 0; x < side; ++x) {
            row[3 * x] = bgr[0];
            row[3 * x + 1] = bgr[1];
            row[3 * x + 2] = bgr[2];
        }
    }
    return backdrop;
}

QImage DrawProgramIcon(int size) {
    QImage image = Canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 44, 44), 10, 10);
    QLinearGradient g(0, 2, 0, 46);
    g.setColorAt(0, QColor(84, 120, 240));
    g.setColorAt(1, QColor(108, 64, 214));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(tile);
    p.setBrush(QColor(255, 255, 255, 34));
    p.drawRoundedRect(QRectF(2, 2, 44, 20), 10, 10);

    // A small mosaic: the picture becoming an icon.
    static const QColor cells[3][3] = {
        {QColor(255, 112, 97), QColor(255, 190, 70), QColor(255, 232, 110)},
        {QColor(255, 190, 70), QColor(110, 214, 140), QColor(80, 200, 230)},
        {QColor(255, 232, 110), QColor(80, 200, 230), QColor(255, 255, 255)},
    };
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(QRectF(10.5, 11.5, 27, 27), 4, 4);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(QRectF(10, 10, 27, 27), 4, 4);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            if (r == 2 && c == 2)
                continue;
            p.setBrush(cells[r][c]);
            p.drawRoundedRect(QRectF(13 + 7.5 * c, 13 + 7.5 * r, 6.5, 6.5), 1.5, 1.5);
        }
    // A spark in the free corner.
    QPainterPath spark;
    const QPointF s(31.5, 31.5);
    spark.moveTo(s.x(), s.y() - 4.5);
    spark.quadTo(s, QPointF(s.x() + 4.5, s.y()));
    spark.quadTo(s, QPointF(s.x(), s.y() + 4.5));
    spark.quadTo(s, QPointF(s.x() - 4.5, s.y()));
    spark.quadTo(s, QPointF(s.x(), s.y() - 4.5));
    p.setBrush(QColor(108, 64, 214));
    p.drawPath(spark);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace gf
