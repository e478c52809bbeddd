// Draws every image of the application at twice display resolution and writes them as PNG files
// into the folder given on the command line. The pictures are our own; nothing is traced.
//
// Geometry follows how the widgets use each file:
//   two-frame strips (normal | pressed, or enabled | disabled), frames side by side;
//   playstop: four frames (play, play pressed, stop, stop pressed);
//   7seg: ten digits 0..9 side by side.
// Monochrome glyphs use a mid-tone with a soft darker rim so they read on light and dark themes.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <QtMath>

#include <cmath>
#include <functional>
#include <initializer_list>

namespace {

const QColor glyph(112, 120, 134);      // mid-tone, legible on white and on #2b2b2b
const QColor glyphRim(52, 58, 68, 150); // soft rim; vanishes on dark backgrounds, helps on light ones
const QColor glyphDisabled(150, 154, 160, 110);
const QColor transmit(222, 128, 44); // warm: data leaving
const QColor receive(58, 142, 210);  // cool: data arriving
const QColor pressedFace(120, 128, 140, 70);

using FrameDraw = std::function<void(QPainter&, const QRectF&, int frame)>;

QImage strip(int frameWidth, int frameHeight, int frames, const FrameDraw& draw)
{
    QImage image(frameWidth * frames, frameHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int f = 0; f < frames; ++f) {
        p.save();
        draw(p, QRectF(f * frameWidth, 0, frameWidth, frameHeight), f);
        p.restore();
    }
    return image;
}

void fillGlyph(QPainter& p, const QPainterPath& path, const QColor& fill, qreal rim = 2.0)
{
    p.setPen(QPen(fill == glyphDisabled ? QColor(0, 0, 0, 0) : glyphRim, rim, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

void strokeGlyph(QPainter& p, const QPainterPath& path, const QColor& colour, qreal width)
{
    if (colour != glyphDisabled) {
        p.setPen(QPen(glyphRim, width + 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// A 64 x 64 frame mapped to a 32-unit design grid (one unit = one display pixel).
void toGrid(QPainter& p, const QRectF& frame)
{
    p.translate(frame.topLeft());
    p.scale(frame.width() / 32.0, frame.height() / 32.0);
}

// Straight lines through the points in order; closed ones are outlines to fill.
QPainterPath polyline(std::initializer_list<QPointF> points, bool closed)
{
    QPainterPath path;
    path.moveTo(*points.begin());
    for (auto it = points.begin() + 1; it != points.end(); ++it)
        path.lineTo(*it);
    if (closed)
        path.closeSubpath();
    return path;
}

// --- tool bar icons: enabled | disabled -------------------------------------------------------

QPainterPath page()
{
    return polyline({{9, 5}, {19, 5}, {24, 10}, {24, 27}, {9, 27}}, true);
}

void drawFile(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    const QColor c = f ? glyphDisabled : glyph;
    p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(f ? QColor(0, 0, 0, 0) : QColor(250, 250, 250, 235));
    p.drawPath(page());
    p.setBrush(Qt::NoBrush);
    p.drawPath(polyline({{19, 5}, {19, 10}, {24, 10}}, false));
    if (!f) {
        p.setPen(QPen(glyph.lighter(125), 1.4, Qt::SolidLine, Qt::RoundCap));
        for (qreal y : {15.0, 18.5, 22.0})
            p.drawLine(QPointF(12.5, y), QPointF(20.5, y));
    }
}

void drawOpen(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    const QColor c = f ? glyphDisabled : glyph;
    fillGlyph(p, polyline({{5, 25}, {5, 8}, {12, 8}, {14, 10}, {24, 10}, {24, 14}}, false),
              c.darker(f ? 100 : 115), 1.0);
    fillGlyph(p, polyline({{5, 25}, {9, 14}, {28, 14}, {24, 25}}, true), c, 1.0);
}

void drawDisk(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    const QColor c = f ? glyphDisabled : glyph;
    fillGlyph(p, polyline({{6, 6}, {23, 6}, {26, 9}, {26, 26}, {6, 26}}, true), c, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(f ? QColor(255, 255, 255, 60) : QColor(245, 246, 248));
    p.drawRoundedRect(QRectF(10, 6.8, 11, 6.5), 0.8, 0.8);
    p.drawRoundedRect(QRectF(9.5, 17, 13, 8.2), 1, 1);
    p.setBrush(c);
    p.drawRect(QRectF(17.5, 7.8, 2.2, 4.4));
}

QPainterPath arrowRight(qreal x, qreal y, qreal length)
{
    return polyline({{x, y - 2.2},
                     {x + length - 6, y - 2.2},
                     {x + length - 6, y - 6},
                     {x + length, y},
                     {x + length - 6, y + 6},
                     {x + length - 6, y + 2.2},
                     {x, y + 2.2}},
                    true);
}

QPainterPath arrowLeft(qreal x, qreal y, qreal length)
{
    QTransform mirror;
    mirror.translate(2 * x + length, 0);
    mirror.scale(-1, 1);
    return mirror.map(arrowRight(x, y, length));
}

// A MIDI port: a small socket the arrows point out of or into.
void drawPort(QPainter& p, const QPointF& centre, const QColor& c)
{
    p.setPen(QPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 5.2, 5.2);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < 3; ++i) {
        const qreal a = (200 + i * 70) * M_PI / 180.0;
        p.drawEllipse(centre + QPointF(3 * std::cos(a), -3 * std::sin(a)), 0.9, 0.9);
    }
}

void drawTx(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    drawPort(p, QPointF(9, 16), f ? glyphDisabled : glyph);
    fillGlyph(p, arrowRight(14, 16, 14), f ? glyphDisabled : transmit, 1.0);
}

void drawRx(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    drawPort(p, QPointF(23, 16), f ? glyphDisabled : glyph);
    fillGlyph(p, arrowRight(3, 16, 14), f ? glyphDisabled : receive, 1.0);
}

void drawTxRx(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    fillGlyph(p, arrowRight(5, 10.5, 22), f ? glyphDisabled : transmit, 1.0);
    fillGlyph(p, arrowLeft(5, 21.5, 22), f ? glyphDisabled : receive, 1.0);
}

void drawFind(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    const QColor c = f ? glyphDisabled : glyph;
    QPainterPath handle;
    handle.moveTo(19.5, 19.5);
    handle.lineTo(26, 26);
    strokeGlyph(p, handle, c, 3.4);
    QPainterPath lens;
    lens.addEllipse(QPointF(14, 14), 7.2, 7.2);
    if (!f) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawPath(lens);
    }
    strokeGlyph(p, lens, c, 2.2);
}

// --- push-button images: normal | pressed -----------------------------------------------------

void pressedBackground(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(pressedFace);
    p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 5, 5);
}

// The design grid of a push-button frame, with the pressed face under the pressed frame.
void pushButtonGrid(QPainter& p, const QRectF& frame, int f)
{
    toGrid(p, frame);
    if (f)
        pressedBackground(p, QRectF(0, 0, 32, 32));
}

void drawClose(QPainter& p, const QRectF& frame, int f)
{
    pushButtonGrid(p, frame, f);
    QPainterPath cross;
    cross.moveTo(11, 11);
    cross.lineTo(21, 21);
    cross.moveTo(21, 11);
    cross.lineTo(11, 21);
    strokeGlyph(p, cross, f ? glyph.darker(130) : glyph, 2.2);
}

void drawChevron(QPainter& p, const QRectF& frame, int f, bool up)
{
    pushButtonGrid(p, frame, f);
    QPainterPath chevron;
    const qreal tip = up ? 12.5 : 19.5;
    const qreal ends = up ? 19.5 : 12.5;
    chevron.moveTo(10, ends);
    chevron.lineTo(16, tip);
    chevron.lineTo(22, ends);
    strokeGlyph(p, chevron, f ? glyph.darker(130) : glyph, 2.4);
}

// Small up/down buttons beside the seven-segment display; they paint the whole button face.
void drawArrowButton(QPainter& p, const QRectF& frame, int f, bool up)
{
    p.translate(frame.topLeft());
    p.scale(frame.width() / 18.0, frame.height() / 24.0);
    const QRectF face(0.5, up ? 0.5 : 0.0, 17, 23.5);
    QLinearGradient g(face.topLeft(), face.bottomLeft());
    if (f) {
        g.setColorAt(0, QColor(92, 98, 108));
        g.setColorAt(1, QColor(120, 127, 138));
    } else {
        g.setColorAt(0, QColor(150, 157, 168));
        g.setColorAt(1, QColor(108, 115, 126));
    }
    p.setPen(QPen(QColor(48, 52, 60), 0.8));
    p.setBrush(g);
    p.drawRoundedRect(face, 2.5, 2.5);
    const qreal cy = f ? 12.6 : 12.0;
    const qreal point = up ? -3.5 : 3.5;
    const qreal base = up ? 3 : -3;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 247, 250));
    p.drawPath(polyline({{9, cy + point}, {13.5, cy + base}, {4.5, cy + base}}, true));
}

// --- transport glyphs (drawn over a standard push button): normal | pressed ---------------------

void transportGrid(QPainter& p, const QRectF& frame, int f)
{
    p.translate(frame.topLeft());
    p.scale(frame.width() / 18.0, frame.height() / 18.0);
    if (f)
        p.translate(0.4, 0.4);
}

QPainterPath playTriangle(qreal x, qreal y, qreal w, qreal h)
{
    return polyline({{x, y}, {x + w, y + h / 2}, {x, y + h}}, true);
}

void drawStart(QPainter& p, const QRectF& frame, int f)
{
    transportGrid(p, frame, f);
    QPainterPath path;
    path.addRect(QRectF(3, 3.5, 2.6, 11));
    path.addPath(playTriangle(6.8, 3.5, 9, 11));
    fillGlyph(p, path, f ? glyph.darker(125) : glyph, 0.8);
}

void drawContinue(QPainter& p, const QRectF& frame, int f)
{
    transportGrid(p, frame, f);
    fillGlyph(p, playTriangle(4.5, 3.5, 10, 11), f ? glyph.darker(125) : glyph, 0.8);
}

void drawStop(QPainter& p, const QRectF& frame, int f)
{
    transportGrid(p, frame, f);
    QPainterPath path;
    path.addRoundedRect(QRectF(4, 4, 10, 10), 1, 1);
    fillGlyph(p, path, f ? glyph.darker(125) : glyph, 0.8);
}

// Play/stop button of the timing clock: play, play pressed, stop, stop pressed.
void drawPlayStop(QPainter& p, const QRectF& frame, int f)
{
    p.translate(frame.topLeft());
    p.scale(frame.width() / 15.0, frame.height() / 15.0);
    const bool pressed = f == 1 || f == 3;
    if (pressed)
        p.translate(0.3, 0.3);
    if (f < 2) {
        fillGlyph(p, playTriangle(3.5, 2, 9.5, 11), pressed ? QColor(46, 140, 72) : QColor(62, 168, 92), 0.7);
    } else {
        QPainterPath square;
        square.addRoundedRect(QRectF(2.5, 2.5, 10, 10), 1, 1);
        fillGlyph(p, square, pressed ? QColor(170, 52, 44) : QColor(208, 70, 58), 0.7);
    }
}

// --- seven-segment digits -----------------------------------------------------------------------

void drawDigit(QPainter& p, const QRectF& frame, int digit)
{
    // Segments a..g lit per digit.
    static const char* const lit[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                        "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
    p.translate(frame.topLeft());
    p.scale(frame.width() / 38.0, frame.height() / 48.0);
    QLinearGradient panel(0, 0, 0, 48);
    panel.setColorAt(0, QColor(30, 12, 12));
    panel.setColorAt(1, QColor(16, 6, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(panel);
    p.drawRect(QRectF(0, 0, 38, 48));

    const qreal left = 8, right = 30, top = 6, middle = 24, bottom = 42, t = 4.2;
    const qreal slant = 1.6; // a slight italic, like a real LED display
    auto sk = [&](qreal x, qreal y) { return QPointF(x + slant * (middle - y) / 18.0, y); };
    auto horizontal = [&](qreal y) {
        return polyline({sk(left + 1.2, y), sk(left + 1.2 + t / 2, y - t / 2),
                         sk(right - 1.2 - t / 2, y - t / 2), sk(right - 1.2, y),
                         sk(right - 1.2 - t / 2, y + t / 2), sk(left + 1.2 + t / 2, y + t / 2)},
                        true);
    };
    auto vertical = [&](qreal x, qreal y0, qreal y1) {
        return polyline({sk(x, y0 + 1.2), sk(x + t / 2, y0 + 1.2 + t / 2), sk(x + t / 2, y1 - 1.2 - t / 2),
                         sk(x, y1 - 1.2), sk(x - t / 2, y1 - 1.2 - t / 2), sk(x - t / 2, y0 + 1.2 + t / 2)},
                        true);
    };
    const QPainterPath segments[7] = {
        horizontal(top),                 // a
        vertical(right, top, middle),    // b
        vertical(right, middle, bottom), // c
        horizontal(bottom),              // d
        vertical(left, middle, bottom),  // e
        vertical(left, top, middle),     // f
        horizontal(middle),              // g
    };
    const QString on = QString::fromLatin1(lit[digit]);
    for (int s = 0; s < 7; ++s) {
        const bool isLit = on.contains(QChar('a' + s));
        if (isLit) {
            // glow first, then the bright core
            p.setPen(QPen(QColor(255, 60, 40, 60), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(segments[s]);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 74, 52));
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(70, 24, 22));
        }
        p.drawPath(segments[s]);
    }
}

// --- sub-window icon and about picture ----------------------------------------------------------

// A five-pin DIN socket, the connector every MIDI instrument carries.
void drawDin(QPainter& p, const QPointF& centre, qreal radius, const QColor& body, const QColor& pins)
{
    p.setPen(QPen(body.darker(160), radius * 0.08));
    QRadialGradient g(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.4);
    g.setColorAt(0, body.lighter(130));
    g.setColorAt(1, body);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(pins);
    p.setPen(Qt::NoPen);
    const qreal pinRadius = radius * 0.12;
    const qreal ring = radius * 0.6;
    for (int angle : {180, 135, 90, 45, 0}) {
        const qreal a = angle * M_PI / 180.0;
        p.drawEllipse(centre + QPointF(ring * std::cos(a), -ring * std::sin(a) + radius * 0.1), pinRadius,
                      pinRadius);
    }
    // the key notch
    p.drawRoundedRect(
        QRectF(centre.x() - radius * 0.14, centre.y() + radius * 0.72, radius * 0.28, radius * 0.22),
        radius * 0.05, radius * 0.05);
}

QImage subWindowIcon()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawDin(p, QPointF(16, 16), 14.5, QColor(88, 98, 116), QColor(236, 240, 246));
    return image;
}

QImage aboutPicture()
{
    const int w = 1002, h = 340; // 501 x 170 on screen
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient back(0, 0, 0, h);
    back.setColorAt(0, QColor(236, 241, 248));
    back.setColorAt(1, QColor(252, 253, 255));
    p.fillRect(image.rect(), back);

    // A strip of piano keys along the top edge.
    const qreal keyTop = 0, keyHeight = 92, whiteWidth = w / 29.0;
    for (int i = 0; i < 29; ++i) {
        p.setPen(QPen(QColor(170, 180, 196), 1.5));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(i * whiteWidth, keyTop - 4, whiteWidth, keyHeight + 4));
    }
    static const bool hasBlack[7] = {true, true, false, true, true, true, false};
    for (int i = 0; i < 28; ++i) {
        if (!hasBlack[i % 7])
            continue;
        QLinearGradient blackKey(0, 0, 0, keyHeight * 0.62);
        blackKey.setColorAt(0, QColor(36, 40, 50));
        blackKey.setColorAt(1, QColor(62, 68, 82));
        p.setPen(Qt::NoPen);
        p.setBrush(blackKey);
        p.drawRoundedRect(QRectF((i + 1) * whiteWidth - whiteWidth * 0.3, keyTop - 4, whiteWidth * 0.6,
                                 keyHeight * 0.62 + 4),
                          3, 3);
    }
    QLinearGradient shade(0, keyHeight, 0, keyHeight + 14);
    shade.setColorAt(0, QColor(0, 0, 60, 40));
    shade.setColorAt(1, QColor(0, 0, 60, 0));
    p.fillRect(QRectF(0, keyHeight, w, 14), shade);

    // Connector and title in the band between the keys and the text lines.
    drawDin(p, QPointF(78, 132), 30, QColor(52, 70, 112), QColor(232, 238, 248));
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 74));
    p.drawText(QRectF(124, 104, 600, 56), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Vantel MIDI"));

    // A thin signal trace running off to the right, like a cable.
    QPainterPath cable;
    cable.moveTo(400, 134);
    for (int x = 400; x <= w - 40; x += 4)
        cable.lineTo(x, 134 + 5 * std::sin((x - 400) / 18.0) * std::exp(-(x - 400) / 260.0));
    p.setPen(QPen(QColor(58, 142, 210, 170), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
    return image;
}

// The program's icon for the desktop's menus: a DIN socket on a rounded blue tile, drawn on a
// 256-unit grid at each size the icon theme asks for.
QImage applicationIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    const QRectF tile(12, 12, 232, 232);
    QLinearGradient back(0, tile.top(), 0, tile.bottom());
    back.setColorAt(0, QColor(64, 112, 186));
    back.setColorAt(1, QColor(28, 52, 104));
    p.setPen(QPen(QColor(20, 36, 74), 6));
    p.setBrush(back);
    p.drawRoundedRect(tile, 44, 44);
    // Sizes of 32 and below show the socket alone; larger ones add a receive and a transmit mark.
    const bool detailed = size > 32;
    const QPointF centre(128, detailed ? 118 : 128);
    drawDin(p, centre, detailed ? 78 : 92, QColor(226, 232, 242), QColor(36, 52, 88));
    if (detailed) {
        p.setPen(Qt::NoPen);
        p.setBrush(receive.lighter(130));
        p.drawRoundedRect(QRectF(64, 212, 56, 14), 7, 7);
        p.setBrush(transmit);
        p.drawRoundedRect(QRectF(136, 212, 56, 14), 7, 7);
    }
    return image;
}

bool save(const QImage& image, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << ' ' << image.width() << 'x' << image.height() << '\n';
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const bool icons = argc == 3 && QLatin1String(argv[1]) == QLatin1String("--app-icons");
    if (argc != 2 && !icons) {
        QTextStream(stderr) << "usage: vantel-imagegen <output folder>\n"
                            << "       vantel-imagegen --app-icons <icon theme folder>\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
    if (!dir.exists()) {
        QTextStream(stderr) << "no such folder: " << argv[argc - 1] << '\n';
        return 2;
    }
    if (icons) {
        // The sizes of the freedesktop icon theme, each in <size>x<size>/apps.
        bool ok = true;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString sub = QStringLiteral("%1x%1/apps").arg(size);
            ok &= dir.mkpath(sub) &&
                  save(applicationIcon(size), QDir(dir.filePath(sub)), QStringLiteral("vantel-midi"));
        }
        return ok ? 0 : 1;
    }

    bool ok = true;
    // Tool bar buttons, 32 x 32 on screen: enabled | disabled.
    ok &= save(strip(64, 64, 2, drawFile), dir, QStringLiteral("file"));
    ok &= save(strip(64, 64, 2, drawOpen), dir, QStringLiteral("open"));
    ok &= save(strip(64, 64, 2, drawDisk), dir, QStringLiteral("disk"));
    ok &= save(strip(64, 64, 2, drawTx), dir, QStringLiteral("tx"));
    ok &= save(strip(64, 64, 2, drawRx), dir, QStringLiteral("rx"));
    ok &= save(strip(64, 64, 2, drawTxRx), dir, QStringLiteral("txrx"));
    ok &= save(strip(64, 64, 2, drawFind), dir, QStringLiteral("find"));
    // Find bar and repeat bar buttons, 32 x 32 on screen: normal | pressed.
    ok &= save(strip(64, 64, 2, drawClose), dir, QStringLiteral("close"));
    ok &= save(strip(64, 64, 2, [](QPainter& p, const QRectF& r, int f) { drawChevron(p, r, f, true); }), dir,
               QStringLiteral("prev"));
    ok &= save(strip(64, 64, 2, [](QPainter& p, const QRectF& r, int f) { drawChevron(p, r, f, false); }),
               dir, QStringLiteral("next"));
    // Seven-segment buttons, 18 x 24 on screen: normal | pressed.
    ok &= save(strip(36, 48, 2, [](QPainter& p, const QRectF& r, int f) { drawArrowButton(p, r, f, true); }),
               dir, QStringLiteral("up_arrow_button"));
    ok &= save(strip(36, 48, 2, [](QPainter& p, const QRectF& r, int f) { drawArrowButton(p, r, f, false); }),
               dir, QStringLiteral("down_arrow_button"));
    // Transport panel, 18 x 18 on screen: normal | pressed.
    ok &= save(strip(36, 36, 2, drawStart), dir, QStringLiteral("fa_play"));
    ok &= save(strip(36, 36, 2, drawContinue), dir, QStringLiteral("fb_continue"));
    ok &= save(strip(36, 36, 2, drawStop), dir, QStringLiteral("fc_stop"));
    // Timing clock play/stop, 15 x 15 on screen, four frames.
    ok &= save(strip(30, 30, 4, drawPlayStop), dir, QStringLiteral("playstop"));
    // Seven-segment digits, 38 x 48 on screen each.
    ok &= save(strip(76, 96, 10, drawDigit), dir, QStringLiteral("7seg"));
    ok &= save(subWindowIcon(), dir, QStringLiteral("subwindow_icon"));
    ok &= save(aboutPicture(), dir, QStringLiteral("about"));
    return ok ? 0 : 1;
}
