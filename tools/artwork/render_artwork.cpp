// Draws Pennyvale's pictures: the banner, the navigation buttons, the column and status bar
// backgrounds, the login picture with its two button faces, the host panel's background and the
// skin's drop-down arrow and check mark, and the related-tools page's background.
//
//   render_artwork <output folder> [<icon folder>]
//
// The icon folder receives the program's icon: pennyvale.svg and pennyvale-<size>.png at the
// sizes of the desktop's icon theme.
//
// Everything is painted with QPainter from the code below, in a Song-style CJK typeface, so the
// pictures can be regenerated at any time (tools/artwork/render.sh) and changed by editing code.

#include "LoginLayout.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace {

// ---------------------------------------------------------------------------------------------
// Palette: a lacquer red with gold, as on a traditional account book's cover.

const QColor kLacquer(0x8e, 0x1b, 0x1b);     // the red of the main surfaces
const QColor kLacquerDark(0x5a, 0x0a, 0x0a); // shadowed red
const QColor kLacquerDeep(0x3e, 0x05, 0x05); // outlines on red
const QColor kVermilion(0xb8, 0x2a, 0x22);   // the login's brighter ground
const QColor kGold(0xd9, 0xb2, 0x5f);
const QColor kGoldLight(0xf5, 0xe0, 0xa0);
const QColor kGoldDark(0x8a, 0x66, 0x1e);
const QColor kCream(0xfb, 0xf5, 0xe6);
const QColor kParchment(0xf1, 0xe2, 0xc4);
const QColor kPinkLight(0xfd, 0xea, 0xf0);
const QColor kPink(0xf3, 0xc4, 0xd4);
const QColor kPinkEdge(0xc9, 0x86, 0x9e);
const QColor kPurple(0x5b, 0x1a, 0x7c);

// ---------------------------------------------------------------------------------------------
// Fonts.

QString FirstInstalled(const QStringList& candidates) {
    const QStringList families = QFontDatabase::families();
    for (const QString& candidate : candidates)
        for (const QString& family : families)
            if (family.compare(candidate, Qt::CaseInsensitive) == 0 ||
                family.startsWith(candidate + QLatin1String(" ["), Qt::CaseInsensitive))
                return family;
    return {};
}

QString g_song;  // Song-style CJK face for every Chinese caption
QString g_title; // serif face for the Latin title

QFont Song(int pixelSize, bool hinted = true) {
    QFont font(g_song);
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(hinted ? QFont::PreferFullHinting : QFont::PreferNoHinting);
    return font;
}

QFont Title(int pixelSize, int weight = QFont::Bold) {
    QFont font(g_title);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// ---------------------------------------------------------------------------------------------
// Drawing helpers.

QImage NewImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Begin(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Text drawn character by character with extra space between the characters, centred on the
// point (cx, baseline).
void DrawSpaced(QPainter& p, const QString& text, qreal cx, qreal baseline, qreal spacing) {
    const QFontMetricsF metrics(p.font());
    qreal width = 0;
    for (const QChar c : text)
        width += metrics.horizontalAdvance(c);
    width += spacing * (text.size() - 1);
    qreal x = std::round(cx - width / 2);
    for (const QChar c : text) {
        p.drawText(QPointF(x, baseline), QString(c));
        x += metrics.horizontalAdvance(c) + spacing;
    }
}

// The baseline that centres the font's CJK glyphs vertically in a band [top, top + height).
// CJK glyphs fill roughly the em box, which sits from ascent - em to ascent below the top of
// the line; centring that box looks balanced where centring ascent + descent does not.
qreal CentredBaseline(const QFont& font, qreal top, qreal height) {
    const qreal em = font.pixelSize();
    return std::round(top + (height - em) / 2 + em * 0.88);
}

// An old Chinese coin: a disc with a square hole, used as the book's emblem.
void DrawCoin(QPainter& p, QPointF centre, qreal radius, qreal opacity = 1.0) {
    p.save();
    p.setOpacity(opacity);
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    const qreal hole = radius * 0.36;
    QPainterPath square;
    square.addRect(QRectF(centre.x() - hole, centre.y() - hole, 2 * hole, 2 * hole));
    const QPainterPath coin = disc.subtracted(square);

    QLinearGradient metal(centre.x() - radius, centre.y() - radius, centre.x() + radius,
                          centre.y() + radius);
    metal.setColorAt(0.0, kGoldLight);
    metal.setColorAt(0.45, kGold);
    metal.setColorAt(1.0, kGoldDark);
    p.setPen(QPen(kGoldDark, radius > 12 ? 1.2 : 0.8));
    p.setBrush(metal);
    p.drawPath(coin);

    // The raised rims of the disc and of the hole.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x7a, 0x55, 0x14, 160), radius > 12 ? 1.0 : 0.7));
    const qreal rim = radius * 0.82;
    p.drawEllipse(centre, rim, rim);
    const qreal outer = hole + radius * 0.1;
    p.drawRect(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer));
    p.restore();
}

// A short gold rule from x1 to x2 with a diamond at x2: the ornament beside a section title.
void DrawRule(QPainter& p, qreal x1, qreal x2, qreal y, const QColor& colour) {
    p.save();
    p.setPen(QPen(colour, 1));
    p.drawLine(QPointF(x1, y + 0.5), QPointF(x2, y + 0.5));
    const qreal d = 2.5;
    const qreal tip = x2;
    QPolygonF diamond;
    diamond << QPointF(tip, y + 0.5 - d) << QPointF(tip + d, y + 0.5) << QPointF(tip, y + 0.5 + d)
            << QPointF(tip - d, y + 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(diamond);
    p.restore();
}

bool Save(const QImage& image, const QDir& folder, const QString& name, bool opaque = false) {
    const QString path = folder.filePath(name);
    // An opaque picture is written in 24-bit colour, without an alpha channel.
    const QImage::Format format = opaque ? QImage::Format_RGB888 : QImage::Format_ARGB32;
    if (!image.convertToFormat(format).save(path, "PNG")) {
        std::fprintf(stderr, "render_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(name), image.width(), image.height());
    return true;
}

// ---------------------------------------------------------------------------------------------
// The pictures.

// The main window's banner, 792 x 65: the emblem, the title and the subtitle on lacquer red.
QImage Banner() {
    QImage image = NewImage(792, 65);
    QPainter p(&image);
    Begin(p);
    const QRectF all(0, 0, 792, 65);

    QLinearGradient ground(0, 0, 0, 65);
    ground.setColorAt(0.0, QColor(0xa4, 0x25, 0x22));
    ground.setColorAt(0.55, kLacquer);
    ground.setColorAt(1.0, kLacquerDark);
    p.fillRect(all, ground);

    // A soft light from the upper left and a darker right end.
    QRadialGradient glow(QPointF(150, 0), 360);
    glow.setColorAt(0.0, QColor(255, 210, 150, 46));
    glow.setColorAt(1.0, QColor(255, 210, 150, 0));
    p.fillRect(all, glow);
    QLinearGradient shade(500, 0, 792, 0);
    shade.setColorAt(0.0, QColor(0, 0, 0, 0));
    shade.setColorAt(1.0, QColor(0, 0, 0, 60));
    p.fillRect(all, shade);

    // A row of coins fading out towards the motto at the right.
    for (int i = 0; i < 4; ++i)
        DrawCoin(p, QPointF(462 + i * 50, 32), 19, 0.10 - 0.022 * i);

    // Gold edges.
    p.setPen(QPen(QColor(0xe6, 0xc2, 0x70, 200), 1));
    p.drawLine(QPointF(0, 2.5), QPointF(792, 2.5));
    p.drawLine(QPointF(0, 61.5), QPointF(792, 61.5));
    p.setPen(QPen(QColor(0xe6, 0xc2, 0x70, 90), 1));
    p.drawLine(QPointF(0, 4.5), QPointF(792, 4.5));
    p.drawLine(QPointF(0, 59.5), QPointF(792, 59.5));
    p.fillRect(QRectF(0, 63, 792, 2), kLacquerDeep);

    // The emblem.
    DrawCoin(p, QPointF(40, 32), 21);

    // The title, in gold with a dark drop shadow.
    const QFont title = Title(31);
    const QString name = QStringLiteral("Pennyvale");
    const qreal baseline = 42;
    QPainterPath titlePath;
    titlePath.addText(QPointF(74, baseline), title, name);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x02, 0x02, 150));
    p.drawPath(titlePath.translated(1.5, 1.5));
    QLinearGradient gilt(0, baseline - 24, 0, baseline + 2);
    gilt.setColorAt(0.0, QColor(0xfb, 0xec, 0xbb));
    gilt.setColorAt(0.5, QColor(0xe9, 0xc3, 0x68));
    gilt.setColorAt(1.0, QColor(0xc0, 0x8f, 0x2e));
    p.setBrush(gilt);
    p.drawPath(titlePath);
    const qreal titleEnd = 74 + QFontMetricsF(title).horizontalAdvance(name);

    // A gold bar, then the subtitle in Song type.
    const qreal bar = titleEnd + 14;
    p.fillRect(QRectF(bar, 19, 1.5, 28), QColor(0xe6, 0xc2, 0x70, 210));
    p.setFont(Song(20));
    p.setPen(QColor(0x2a, 0x02, 0x02, 140));
    const QString subtitle = QStringLiteral("家庭理财账本");
    const QFontMetricsF sub(p.font());
    qreal x = bar + 14;
    for (const QChar c : subtitle) {
        p.drawText(QPointF(x + 1, baseline + 1), QString(c));
        x += sub.horizontalAdvance(c) + 4;
    }
    // Filled and lightly stroked, so the fine Song strokes hold up on the red.
    QPainterPath subtitlePath;
    x = bar + 14;
    for (const QChar c : subtitle) {
        subtitlePath.addText(QPointF(x, baseline), p.font(), QString(c));
        x += sub.horizontalAdvance(c) + 4;
    }
    p.setPen(QPen(kCream, 0.45));
    p.setBrush(kCream);
    p.drawPath(subtitlePath);

    // The motto at the right end.
    p.setFont(Song(13));
    p.setPen(QColor(0xf0, 0xd9, 0x9c));
    const QString motto = QStringLiteral("勤俭持家 · 量入为出");
    const qreal mottoWidth = QFontMetricsF(p.font()).horizontalAdvance(motto);
    p.drawText(QPointF(std::round(770 - mottoWidth), 41), motto);
    return image;
}

// A navigation button, 113 x 23. Normal: white characters on dark red; hover: purple on pink.
// The last button's caption "退出" is set with its two characters far apart.
QImage NavButton(const QString& caption, bool hover, bool spread) {
    QImage image = NewImage(113, 23);
    QPainter p(&image);
    Begin(p);
    const QRectF face(0.5, 0.5, 112, 22);

    QLinearGradient ground(0, 0, 0, 23);
    if (hover) {
        ground.setColorAt(0.0, kPinkLight);
        ground.setColorAt(1.0, kPink);
    } else {
        ground.setColorAt(0.0, QColor(0xa8, 0x27, 0x23));
        ground.setColorAt(0.5, kLacquer);
        ground.setColorAt(1.0, QColor(0x6c, 0x0e, 0x0e));
    }
    p.setPen(QPen(hover ? kPinkEdge : kLacquerDeep, 1));
    p.setBrush(ground);
    p.drawRoundedRect(face, 3, 3);

    // A light inner edge along the top and a gold mark at the left.
    p.setPen(QPen(hover ? QColor(255, 255, 255, 200) : QColor(255, 200, 170, 70), 1));
    p.drawLine(QPointF(3, 1.5), QPointF(110, 1.5));
    const QColor mark = hover ? kPurple : kGold;
    QPolygonF diamond;
    diamond << QPointF(9, 8.5) << QPointF(12, 11.5) << QPointF(9, 14.5) << QPointF(6, 11.5);
    p.setPen(Qt::NoPen);
    p.setBrush(mark);
    p.drawPolygon(diamond);

    const QFont font = Song(12);
    p.setFont(font);
    p.setPen(hover ? kPurple : Qt::white);
    p.setRenderHint(QPainter::Antialiasing, false);
    const qreal baseline = CentredBaseline(font, 0, 23);
    if (spread) {
        // 退 and 出 at the left and right thirds of the face.
        DrawSpaced(p, caption.left(1), 113.0 / 3 + 2, baseline, 0);
        DrawSpaced(p, caption.mid(1, 1), 2 * 113.0 / 3 + 2, baseline, 0);
    } else {
        DrawSpaced(p, caption, 60, baseline, 1);
    }
    return image;
}

// The left column, 124 x 479, behind the eight navigation buttons (at left 6, 113 x 23, tops
// 33, 67, 133, 166, 240, 274, 308 and 424). The gaps carry the titles of the three groups.
QImage LeftColumn() {
    QImage image = NewImage(124, 479);
    QPainter p(&image);
    Begin(p);
    QLinearGradient ground(0, 0, 124, 0);
    ground.setColorAt(0.0, QColor(0xf8, 0xee, 0xd8));
    ground.setColorAt(1.0, kParchment);
    p.fillRect(QRect(0, 0, 124, 479), ground);

    // Fine horizontal lines, like the ruling of a ledger page.
    p.setPen(QPen(QColor(0xb0, 0x8a, 0x50, 26), 1));
    for (int y = 6; y < 479; y += 6)
        p.drawLine(QPointF(0, y + 0.5), QPointF(120, y + 0.5));

    // The column's right edge: a red line with a gold line inside it.
    p.fillRect(QRect(122, 0, 2, 479), kLacquer);
    p.fillRect(QRect(121, 0, 1, 479), QColor(0xd9, 0xb2, 0x5f, 180));

    struct Heading {
        const char* text;
        int top;
        int bottom;
    };
    const Heading headings[] = {{"基础资料", 0, 33}, {"日常收支", 90, 133}, {"查询统计", 189, 240}};
    const QFont font = Song(12);
    p.setFont(font);
    for (const Heading& h : headings) {
        const QString text = QString::fromUtf8(h.text);
        const qreal centreY = (h.top + h.bottom) / 2.0;
        const qreal baseline = CentredBaseline(font, centreY - 9, 18);
        const qreal width = 4 * 12 + 3 * 2;
        const qreal left = std::round(62.5 - width / 2);
        p.setRenderHint(QPainter::Antialiasing, true);
        DrawRule(p, 10, left - 7, std::floor(centreY), kGoldDark);
        DrawRule(p, 115, left + width + 7, std::floor(centreY), kGoldDark);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(kLacquer);
        DrawSpaced(p, text, 62.5, baseline, 2);
    }
    p.setRenderHint(QPainter::Antialiasing, true);

    // The emblem, faint, in the space above the exit button.
    DrawCoin(p, QPointF(62, 378), 26, 0.22);
    return image;
}

// The status bar's background, 792 x 29. White bold labels sit on it at left 8 and 208, top 9.
QImage StatusBar() {
    QImage image = NewImage(792, 29);
    QPainter p(&image);
    Begin(p);
    QLinearGradient ground(0, 0, 0, 29);
    ground.setColorAt(0.0, QColor(0x7c, 0x14, 0x14));
    ground.setColorAt(1.0, QColor(0x4a, 0x07, 0x07));
    p.fillRect(QRect(0, 0, 792, 29), ground);
    p.fillRect(QRect(0, 0, 792, 1), QColor(0xd9, 0xb2, 0x5f));
    p.fillRect(QRect(0, 1, 792, 1), QColor(0xff, 0xd8, 0xa0, 50));

    // A thin divider after each label's place.
    p.setPen(QPen(QColor(0xd9, 0xb2, 0x5f, 90), 1));
    p.drawLine(QPointF(196.5, 7), QPointF(196.5, 23));
    p.drawLine(QPointF(596.5, 7), QPointF(596.5, 23));

    p.setFont(Song(12));
    p.setPen(QColor(0xe6, 0xc8, 0x84));
    const QString text = QStringLiteral("Pennyvale · 家庭理财账本");
    const qreal width = QFontMetricsF(p.font()).horizontalAdvance(text);
    p.drawText(QPointF(std::round(782 - width), CentredBaseline(Song(12), 2, 27)), text);
    return image;
}

// A padlock, in gold, with its body's top-left corner at (x, y).
void DrawPadlock(QPainter& p, qreal x, qreal y) {
    p.save();
    // The shackle.
    QPainterPath shackle;
    shackle.moveTo(x + 7, y + 20);
    shackle.lineTo(x + 7, y + 11);
    shackle.arcTo(QRectF(x + 7, y + 1, 20, 20), 180, -180);
    shackle.lineTo(x + 27, y + 20);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kLacquerDeep, 6.5, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle.translated(0.8, 0.8));
    p.setPen(QPen(QColor(0xc9, 0xcd, 0xd3), 4.5, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle.translated(-0.8, -0.6));

    // The body.
    const QRectF body(x, y + 18, 34, 27);
    QLinearGradient metal(body.topLeft(), body.bottomRight());
    metal.setColorAt(0.0, kGoldLight);
    metal.setColorAt(0.5, kGold);
    metal.setColorAt(1.0, kGoldDark);
    p.setPen(QPen(kLacquerDeep, 1));
    p.setBrush(metal);
    p.drawRoundedRect(body, 4, 4);
    p.setPen(QPen(QColor(255, 250, 220, 150), 1));
    p.drawLine(QPointF(body.left() + 4, body.top() + 2.5),
               QPointF(body.right() - 4, body.top() + 2.5));

    // The keyhole.
    p.setPen(Qt::NoPen);
    p.setBrush(kLacquerDeep);
    const QPointF key(body.center().x(), body.top() + 11);
    p.drawEllipse(key, 3.6, 3.6);
    QPolygonF slot;
    slot << QPointF(key.x() - 1.8, key.y() + 1) << QPointF(key.x() + 1.8, key.y() + 1)
         << QPointF(key.x() + 2.6, key.y() + 10) << QPointF(key.x() - 2.6, key.y() + 10);
    p.drawPolygon(slot);
    p.restore();
}

// The login picture, 320 x 200: red ground, padlock, title, the labels 用户名 and 密码 beside
// the white boxes of LoginLayout, and the places of the two buttons.
QImage Login() {
    const QSize size = LoginLayout::FormSize;
    QImage image = NewImage(size.width(), size.height());
    QPainter p(&image);
    Begin(p);
    const QRectF all(QPointF(0, 0), QSizeF(size));

    QLinearGradient ground(0, 0, size.width(), size.height());
    ground.setColorAt(0.0, QColor(0xc4, 0x32, 0x28));
    ground.setColorAt(0.55, kVermilion);
    ground.setColorAt(1.0, QColor(0x7a, 0x10, 0x10));
    p.fillRect(all, ground);
    QRadialGradient glow(QPointF(60, 30), 220);
    glow.setColorAt(0.0, QColor(255, 220, 170, 50));
    glow.setColorAt(1.0, QColor(255, 220, 170, 0));
    p.fillRect(all, glow);

    // A double gold frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xe6, 0xc2, 0x70, 220), 1));
    p.drawRect(QRectF(4.5, 4.5, size.width() - 9, size.height() - 9));
    p.setPen(QPen(QColor(0xe6, 0xc2, 0x70, 90), 1));
    p.drawRect(QRectF(6.5, 6.5, size.width() - 13, size.height() - 13));

    // The heading: padlock, title and subtitle.
    DrawPadlock(p, 24, 15);
    QPainterPath title;
    title.addText(QPointF(72, 36), Title(22), QStringLiteral("Pennyvale"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x03, 0x03, 140));
    p.drawPath(title.translated(1, 1));
    QLinearGradient gilt(0, 18, 0, 38);
    gilt.setColorAt(0.0, QColor(0xfb, 0xec, 0xbb));
    gilt.setColorAt(1.0, QColor(0xd9, 0xa8, 0x48));
    p.setBrush(gilt);
    p.drawPath(title);
    p.setFont(Song(13));
    p.setPen(kCream);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawText(QPointF(73, 56), QStringLiteral("家庭理财账本 · 用户登录"));
    p.setRenderHint(QPainter::Antialiasing, true);
    DrawRule(p, 160, 24, 70, QColor(0xe6, 0xc2, 0x70, 170));
    DrawRule(p, 160, 296, 70, QColor(0xe6, 0xc2, 0x70, 170));

    // The white boxes, each with a dark sunken frame just outside it.
    for (const QRect& box : {LoginLayout::AccountBox, LoginLayout::PasswordBox}) {
        const QRectF r(box);
        p.setPen(Qt::NoPen);
        p.setBrush(kLacquerDeep);
        p.drawRect(r.adjusted(-1, -1, 1, 1));
        p.setBrush(QColor(0xe8, 0xa0, 0x90));
        p.drawRect(r.adjusted(0, 0, 1, 1));
        p.setBrush(Qt::white);
        p.drawRect(r);
    }

    // The labels, right-aligned before the boxes; 密码 spread to the width of 用户名.
    const QFont label = Song(14);
    p.setFont(label);
    p.setPen(Qt::white);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int right = LoginLayout::AccountBox.left() - 10;
    const qreal account = CentredBaseline(label, LoginLayout::AccountBox.top(), 20);
    const qreal password = CentredBaseline(label, LoginLayout::PasswordBox.top(), 20);
    const qreal width = QFontMetricsF(label).horizontalAdvance(QStringLiteral("用户名"));
    p.drawText(QPointF(right - width, account), QStringLiteral("用户名"));
    p.drawText(QPointF(right - width, password), QStringLiteral("密"));
    p.drawText(QPointF(right - 14, password), QStringLiteral("码"));
    p.setRenderHint(QPainter::Antialiasing, true);

    // A soft shadow where each button face will sit.
    for (const QRect& button : {LoginLayout::OkButton, LoginLayout::CancelButton}) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x30, 0x00, 0x00, 70));
        p.drawRoundedRect(QRectF(button).translated(1.5, 1.5), 6, 6);
    }
    return image;
}

// A login button face, 60 x 25, a rectangle with rounded corners; the corners are transparent.
QImage LoginButton(const QString& caption, bool primary) {
    const QSize size = LoginLayout::ButtonSize;
    QImage image = NewImage(size.width(), size.height());
    QPainter p(&image);
    Begin(p);
    const QRectF face(0.5, 0.5, size.width() - 1, size.height() - 1);
    QLinearGradient ground(0, 0, 0, size.height());
    if (primary) {
        ground.setColorAt(0.0, QColor(0xfb, 0xec, 0xbb));
        ground.setColorAt(0.5, QColor(0xec, 0xc8, 0x72));
        ground.setColorAt(1.0, QColor(0xc8, 0x98, 0x3c));
    } else {
        ground.setColorAt(0.0, QColor(0xfd, 0xf8, 0xec));
        ground.setColorAt(0.5, QColor(0xf1, 0xe4, 0xc6));
        ground.setColorAt(1.0, QColor(0xd8, 0xc3, 0x98));
    }
    p.setPen(QPen(QColor(0x5a, 0x2a, 0x0a), 1));
    p.setBrush(ground);
    p.drawRoundedRect(face, 6, 6);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(face.adjusted(1, 1, -1, -1), 5, 5);

    const QFont font = Song(13);
    p.setFont(font);
    p.setPen(kLacquerDark);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawSpaced(p, caption, size.width() / 2.0, CentredBaseline(font, 0, size.height()), 5);
    return image;
}

// The host panel's background, 668 x 479, behind the working forms: quiet parchment.
QImage PanelBackground() {
    QImage image = NewImage(668, 479);
    QPainter p(&image);
    Begin(p);
    const QRectF all(0, 0, 668, 479);
    QLinearGradient ground(0, 0, 0, 479);
    ground.setColorAt(0.0, QColor(0xfd, 0xf9, 0xf0));
    ground.setColorAt(1.0, QColor(0xf3, 0xe9, 0xd4));
    p.fillRect(all, ground);
    QRadialGradient light(QPointF(220, 120), 520);
    light.setColorAt(0.0, QColor(255, 255, 255, 90));
    light.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(all, light);

    // The ruling of a ledger page, barely there, and a watermark of the emblem.
    p.setPen(QPen(QColor(0xb0, 0x8a, 0x50, 16), 1));
    for (int y = 24; y < 479; y += 24)
        p.drawLine(QPointF(0, y + 0.5), QPointF(668, y + 0.5));
    DrawCoin(p, QPointF(572, 392), 118, 0.05);
    p.setPen(QPen(QColor(0xd9, 0xb2, 0x5f, 120), 1));
    p.drawLine(QPointF(0, 0.5), QPointF(668, 0.5));
    return image;
}

// An open account book, seen from above, centred on c: the diary's emblem.
void DrawOpenBook(QPainter& p, QPointF c, qreal w, qreal h) {
    p.save();
    const QRectF left(c.x() - w / 2, c.y() - h / 2, w / 2, h);
    const QRectF right(c.x(), c.y() - h / 2, w / 2, h);
    p.setPen(QPen(kGoldDark, 1.2));
    p.setBrush(kLacquer); // the cover, showing round the pages
    p.drawRoundedRect(QRectF(c.x() - w / 2 - 5, c.y() - h / 2 - 4, w + 10, h + 9), 4, 4);
    p.setBrush(kCream);
    p.drawRect(left);
    p.drawRect(right);
    p.setPen(QPen(QColor(0xb0, 0x8a, 0x50, 120), 1));
    for (qreal y = left.top() + 12; y < left.bottom() - 6; y += 9) {
        p.drawLine(QPointF(left.left() + 8, y), QPointF(left.right() - 6, y));
        p.drawLine(QPointF(right.left() + 6, y), QPointF(right.right() - 8, y));
    }
    p.setPen(QPen(kLacquerDark, 1.4));
    p.drawLine(QPointF(c.x(), left.top()), QPointF(c.x(), left.bottom()));
    p.restore();
}

// An abacus centred on c: a wooden frame, a beam and rods of beads.
void DrawAbacus(QPainter& p, QPointF c, qreal w, qreal h) {
    p.save();
    const QRectF frame(c.x() - w / 2, c.y() - h / 2, w, h);
    p.setPen(QPen(kLacquerDeep, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame, 3, 3);
    p.drawRoundedRect(frame.adjusted(5, 5, -5, -5), 2, 2);
    const qreal beam = frame.top() + h * 0.34;
    p.setPen(QPen(kLacquerDark, 3));
    p.drawLine(QPointF(frame.left() + 5, beam), QPointF(frame.right() - 5, beam));
    const int rods = 7;
    const qreal step = (w - 10) / (rods + 1);
    for (int i = 1; i <= rods; ++i) {
        const qreal x = frame.left() + 5 + i * step;
        p.setPen(QPen(kGoldDark, 1));
        p.drawLine(QPointF(x, frame.top() + 5), QPointF(x, frame.bottom() - 5));
        p.setPen(QPen(kLacquerDeep, 0.8));
        p.setBrush(kVermilion);
        const qreal bw = step * 0.8, bh = 6;
        // one upper bead and four lower beads, some pushed to the beam
        const bool counted = i % 3 != 0;
        p.drawEllipse(QRectF(x - bw / 2, (counted ? beam - bh - 2 : frame.top() + 6), bw, bh));
        for (int b = 0; b < 4; ++b) {
            const qreal y = (b < i % 4 ? beam + 2 + b * (bh + 1)
                                       : frame.bottom() - 6 - (4 - b) * (bh + 1));
            p.drawEllipse(QRectF(x - bw / 2, y, bw, bh));
        }
    }
    p.restore();
}

// A tax form with a red seal, centred on c.
void DrawTaxForm(QPainter& p, QPointF c, qreal w, qreal h) {
    p.save();
    const QRectF sheet(c.x() - w / 2, c.y() - h / 2, w, h);
    p.setPen(QPen(kGoldDark, 1));
    p.setBrush(QColor(0xff, 0xfd, 0xf6));
    p.drawRect(sheet.translated(4, 4));
    p.drawRect(sheet);
    p.setPen(QPen(QColor(0x8e, 0x1b, 0x1b, 150), 1));
    for (int i = 0; i < 5; ++i) {
        const qreal y = sheet.top() + 16 + i * 12;
        p.drawLine(QPointF(sheet.left() + 8, y), QPointF(sheet.left() + w * 0.42, y));
        p.drawLine(QPointF(sheet.left() + w * 0.5, y), QPointF(sheet.right() - 8, y));
    }
    p.setPen(QPen(kVermilion, 2));
    p.setBrush(Qt::NoBrush);
    const QPointF seal(sheet.right() - 18, sheet.bottom() - 16);
    p.drawEllipse(seal, 11, 11);
    p.setFont(Song(11));
    p.setPen(kVermilion);
    p.drawText(QRectF(seal.x() - 11, seal.y() - 11, 22, 22), Qt::AlignCenter, QStringLiteral("税"));
    p.restore();
}

// The related-tools page's background, 676 x 505, opaque: a light band at the top for the red
// links, the emblems of the diary, the calculator and the tax page beneath them, and a lacquer
// foot with the motto.
QImage RelatedBackground() {
    QImage image = NewImage(676, 505);
    QPainter p(&image);
    Begin(p);
    const QRectF all(0, 0, 676, 505);
    QLinearGradient ground(0, 0, 0, 505);
    ground.setColorAt(0.0, QColor(0xfe, 0xfb, 0xf3));
    ground.setColorAt(0.6, QColor(0xf6, 0xec, 0xd6));
    ground.setColorAt(1.0, QColor(0xee, 0xdf, 0xc0));
    p.fillRect(all, ground);

    // The ruling of a ledger page, and a gold rule under the band of links.
    p.setPen(QPen(QColor(0xb0, 0x8a, 0x50, 18), 1));
    for (int y = 90; y < 440; y += 22)
        p.drawLine(QPointF(0, y + 0.5), QPointF(676, y + 0.5));
    DrawRule(p, 24, 640, 66, kGold);

    // Emblems under the three links (which stand at the left of the row).
    DrawOpenBook(p, QPointF(86, 128), 96, 58);
    DrawAbacus(p, QPointF(212, 128), 100, 62);
    DrawTaxForm(p, QPointF(356, 128), 92, 80);

    // Coins across the right, fading.
    for (int i = 0; i < 5; ++i)
        DrawCoin(p, QPointF(470 + i * 36, 300 - i * 28), 26 - i * 2, 0.22 - 0.03 * i);
    DrawCoin(p, QPointF(560, 330), 120, 0.05);

    // The motto in large faint characters.
    p.setFont(Song(54));
    p.setPen(QColor(0x8e, 0x1b, 0x1b, 30));
    DrawSpaced(p, QStringLiteral("精打细算"), 230, 330, 18);
    p.setFont(Song(18));
    p.setPen(QColor(0x5a, 0x0a, 0x0a, 140));
    DrawSpaced(p, QStringLiteral("勤俭持家  理财有道"), 230, 380, 6);

    // The lacquer foot with gold edges.
    const QRectF foot(0, 455, 676, 50);
    QLinearGradient red(0, foot.top(), 0, foot.bottom());
    red.setColorAt(0.0, kLacquer);
    red.setColorAt(1.0, kLacquerDark);
    p.fillRect(foot, red);
    p.setPen(QPen(kGold, 2));
    p.drawLine(QPointF(0, foot.top() + 1), QPointF(676, foot.top() + 1));
    p.setPen(QPen(kGoldDark, 1));
    p.drawLine(QPointF(0, foot.top() + 5.5), QPointF(676, foot.top() + 5.5));
    for (int i = 0; i < 9; ++i)
        DrawCoin(p, QPointF(38 + i * 75, foot.center().y() + 3), 12, 0.5);
    return image;
}

// The skin's drop-down arrow, 9 x 5: a small red triangle pointing down.
QImage DownArrow() {
    QImage image = NewImage(9, 5);
    QPainter p(&image);
    Begin(p);
    QPolygonF triangle;
    triangle << QPointF(0, 0) << QPointF(9, 0) << QPointF(4.5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kLacquer);
    p.drawPolygon(triangle);
    return image;
}

// The skin's check mark, 13 x 13, drawn inside the check box's frame.
QImage CheckMark() {
    QImage image = NewImage(13, 13);
    QPainter p(&image);
    Begin(p);
    QPainterPath tick;
    tick.moveTo(3, 6.5);
    tick.lineTo(5.5, 9.5);
    tick.lineTo(10, 3.5);
    p.setPen(QPen(kLacquer, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    return image;
}

// ---------------------------------------------------------------------------------------------
// The program's icon: a lacquer-red account book with a gold coin on its cover. It is drawn once
// as a list of shapes in a 256-unit square; the PNG sizes paint the shapes and the SVG writes the
// same shapes as paths, so both always show the same picture.

struct TIconShape {
    QPainterPath Path;
    // A flat colour, or a linear gradient from From to To through Stops.
    QColor Fill;
    QPointF From, To;
    QGradientStops Stops;
    QColor Stroke; // no stroke when invalid
    qreal StrokeWidth = 0;
    int MinSize = 0; // fine detail left out of the smaller sizes
};

QList<TIconShape> IconShapes() {
    QList<TIconShape> shapes;

    // The cover, with its binding down the left side.
    QPainterPath cover;
    cover.addRoundedRect(QRectF(28, 20, 200, 216), 24, 24);
    TIconShape book;
    book.Path = cover;
    book.From = QPointF(28, 20);
    book.To = QPointF(228, 236);
    book.Stops = {{0.0, kVermilion}, {0.55, kLacquer}, {1.0, kLacquerDark}};
    book.Stroke = kLacquerDeep;
    book.StrokeWidth = 4;
    shapes << book;

    QPainterPath band;
    band.addRect(QRectF(28, 20, 42, 216));
    TIconShape binding;
    binding.Path = cover.intersected(band);
    binding.Fill = QColor(0x4a, 0x08, 0x08, 200);
    shapes << binding;

    TIconShape seam;
    seam.Path.addRect(QRectF(70, 20, 5, 216));
    seam.Fill = kGold;
    shapes << seam;

    // The thread stitches of the binding.
    for (int i = 0; i < 4; ++i) {
        TIconShape stitch;
        stitch.Path.addRoundedRect(QRectF(40, 50 + i * 48, 22, 8), 4, 4);
        stitch.Fill = kGoldLight;
        stitch.MinSize = 48;
        shapes << stitch;
    }

    // The coin: a disc with a square hole, its raised rims on larger sizes.
    const QPointF centre(151, 128);
    const qreal radius = 60;
    const qreal hole = 20;
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    QPainterPath square;
    square.addRect(QRectF(centre.x() - hole, centre.y() - hole, 2 * hole, 2 * hole));
    TIconShape coin;
    coin.Path = disc.subtracted(square);
    coin.From = centre - QPointF(radius, radius);
    coin.To = centre + QPointF(radius, radius);
    coin.Stops = {{0.0, kGoldLight}, {0.45, kGold}, {1.0, kGoldDark}};
    coin.Stroke = kGoldDark;
    coin.StrokeWidth = 3;
    shapes << coin;

    TIconShape rim;
    rim.Path.addEllipse(centre, radius * 0.8, radius * 0.8);
    const qreal outer = hole + 7;
    rim.Path.addRect(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer));
    rim.Stroke = QColor(0x7a, 0x55, 0x14, 170);
    rim.StrokeWidth = 3;
    rim.MinSize = 32;
    shapes << rim;
    return shapes;
}

QBrush IconBrush(const TIconShape& shape) {
    if (shape.Stops.isEmpty()) return shape.Fill.isValid() ? QBrush(shape.Fill) : QBrush();
    QLinearGradient gradient(shape.From, shape.To);
    gradient.setStops(shape.Stops);
    return QBrush(gradient);
}

QImage Icon(int size) {
    QImage image = NewImage(size, size);
    QPainter p(&image);
    Begin(p);
    p.scale(size / 256.0, size / 256.0);
    for (const TIconShape& shape : IconShapes()) {
        if (size < shape.MinSize) continue;
        p.setPen(shape.Stroke.isValid() ? QPen(shape.Stroke, shape.StrokeWidth) : QPen(Qt::NoPen));
        p.setBrush(IconBrush(shape));
        p.drawPath(shape.Path);
    }
    return image;
}

QString SvgNumber(qreal value) {
    return QString::number(std::round(value * 100) / 100, 'g', 8);
}

// A colour as SVG attributes: the colour, and its opacity when it is not opaque.
QString SvgColour(const QColor& colour, const QString& attribute, const QString& opacity) {
    QString text = QStringLiteral(" %1=\"%2\"").arg(attribute, colour.name(QColor::HexRgb));
    if (colour.alpha() != 255)
        text += QStringLiteral(" %1=\"%2\"").arg(opacity, SvgNumber(colour.alphaF()));
    return text;
}

// A path's outline as SVG path data: moves, lines and cubic curves, each closed figure closed.
QString SvgPathData(const QPainterPath& path) {
    QStringList parts;
    QPointF start;
    QPointF last;
    auto point = [](const QPointF& pt) { return SvgNumber(pt.x()) + u' ' + SvgNumber(pt.y()); };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (i > 0 && last == start) parts << QStringLiteral("Z");
            start = last = e;
            parts << u'M' + point(e);
            break;
        case QPainterPath::LineToElement:
            last = e;
            parts << u'L' + point(e);
            break;
        case QPainterPath::CurveToElement: {
            const QPointF c2 = path.elementAt(i + 1);
            const QPointF end = path.elementAt(i + 2);
            parts << u'C' + point(e) + u' ' + point(c2) + u' ' + point(end);
            last = end;
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (!parts.isEmpty() && last == start) parts << QStringLiteral("Z");
    return parts.join(u' ');
}

QByteArray IconSvg() {
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
           "viewBox=\"0 0 256 256\">\n";
    const QList<TIconShape> shapes = IconShapes();
    out << "  <defs>\n";
    for (int i = 0; i < shapes.size(); ++i) {
        const TIconShape& shape = shapes[i];
        if (shape.Stops.isEmpty()) continue;
        out << "    <linearGradient id=\"g" << i << "\" gradientUnits=\"userSpaceOnUse\" x1=\""
            << SvgNumber(shape.From.x()) << "\" y1=\"" << SvgNumber(shape.From.y()) << "\" x2=\""
            << SvgNumber(shape.To.x()) << "\" y2=\"" << SvgNumber(shape.To.y()) << "\">\n";
        for (const QGradientStop& stop : shape.Stops)
            out << "      <stop offset=\"" << SvgNumber(stop.first) << "\""
                << SvgColour(stop.second, QStringLiteral("stop-color"),
                             QStringLiteral("stop-opacity"))
                << "/>\n";
        out << "    </linearGradient>\n";
    }
    out << "  </defs>\n";
    for (int i = 0; i < shapes.size(); ++i) {
        const TIconShape& shape = shapes[i];
        out << "  <path d=\"" << SvgPathData(shape.Path) << "\"";
        if (!shape.Stops.isEmpty())
            out << " fill=\"url(#g" << i << ")\"";
        else if (shape.Fill.isValid())
            out << SvgColour(shape.Fill, QStringLiteral("fill"), QStringLiteral("fill-opacity"));
        else
            out << " fill=\"none\"";
        if (shape.Path.fillRule() == Qt::OddEvenFill) out << " fill-rule=\"evenodd\"";
        if (shape.Stroke.isValid())
            out << SvgColour(shape.Stroke, QStringLiteral("stroke"), QStringLiteral("stroke-opacity"))
                << " stroke-width=\""
                << SvgNumber(shape.StrokeWidth) << "\"";
        out << "/>\n";
    }
    out << "</svg>\n";
    out.flush();
    return svg.toUtf8();
}

bool SaveText(const QByteArray& text, const QDir& folder, const QString& name) {
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
        std::fprintf(stderr, "render_artwork: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    std::printf("%s %lld bytes\n", qPrintable(name), static_cast<long long>(text.size()));
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: render_artwork <output folder> [<icon folder>]\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "render_artwork: cannot create %s\n", argv[1]);
        return 1;
    }

    g_song = FirstInstalled({QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                             QStringLiteral("WenQuanYi Zen Hei")});
    g_title = FirstInstalled({QStringLiteral("Noto Serif CJK SC"), QStringLiteral("DejaVu Serif")});
    if (g_song.isEmpty()) {
        std::fprintf(stderr, "render_artwork: no Song-style CJK font is installed "
                             "(fonts-arphic-uming, fonts-noto-cjk or fonts-wqy-zenhei)\n");
        return 1;
    }
    if (g_title.isEmpty()) g_title = g_song;
    std::printf("fonts: %s, %s\n", qPrintable(g_song), qPrintable(g_title));

    const QStringList captions = {QStringLiteral("家庭成员"),     QStringLiteral("收支分类项目"),
                                  QStringLiteral("日常收入管理"), QStringLiteral("日常支出管理"),
                                  QStringLiteral("收支查询分析"), QStringLiteral("财务统计分析"),
                                  QStringLiteral("家庭理财相关"), QStringLiteral("退出")};

    bool ok = Save(Banner(), folder, QStringLiteral("banner.png"));
    for (int i = 0; i < captions.size(); ++i) {
        const bool spread = i == captions.size() - 1;
        ok &= Save(NavButton(captions[i], false, spread), folder,
                   QStringLiteral("fcib%1.png").arg(i + 1, 2, 10, QLatin1Char('0')));
        ok &= Save(NavButton(captions[i], true, spread), folder,
                   QStringLiteral("fcib%1.png").arg(11 + i));
    }
    ok &= Save(LeftColumn(), folder, QStringLiteral("leftcolumn.png"));
    ok &= Save(StatusBar(), folder, QStringLiteral("statusbar.png"));
    ok &= Save(Login(), folder, QStringLiteral("login.png"));
    ok &= Save(LoginButton(QStringLiteral("登陆"), true), folder, QStringLiteral("login_ok.png"));
    ok &= Save(LoginButton(QStringLiteral("取消"), false), folder,
               QStringLiteral("login_cancel.png"));
    ok &= Save(PanelBackground(), folder, QStringLiteral("panel_background.png"));
    ok &= Save(DownArrow(), folder, QStringLiteral("arrow_down.png"));
    ok &= Save(CheckMark(), folder, QStringLiteral("check_mark.png"));
    ok &= Save(RelatedBackground(), folder, QStringLiteral("related_background.png"), true);

    if (argc == 3) {
        QDir icons(QString::fromLocal8Bit(argv[2]));
        if (!icons.mkpath(QStringLiteral("."))) {
            std::fprintf(stderr, "render_artwork: cannot create %s\n", argv[2]);
            return 1;
        }
        for (const int size : {16, 32, 48, 64, 128, 256})
            ok &= Save(Icon(size), icons, QStringLiteral("pennyvale-%1.png").arg(size));
        ok &= SaveText(IconSvg(), icons, QStringLiteral("pennyvale.svg"));
    }
    return ok ? 0 : 1;
}
