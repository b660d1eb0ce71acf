// Draws the wizard's splash bitmap and icons into resources/. Not part of the build; run by hand after
// changing a picture:
//   g++ -std=c++20 -fPIC scripts/draw_images.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/draw_images
//   QT_QPA_PLATFORM=offscreen /tmp/draw_images resources
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

const QColor kMagenta(255, 0, 255);
const QColor kNavy(0, 0, 60);
const QColor kTeal(0, 128, 128);
const QColor kGold(240, 176, 32);

QImage Canvas(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

// A price tag: the program's emblem, also on the splash.
void DrawTag(QPainter& p, QRectF r, const QColor& fill) {
    QPainterPath tag;
    const qreal w = r.width(), h = r.height();
    tag.moveTo(r.left() + w * 0.35, r.top());
    tag.lineTo(r.right(), r.top());
    tag.lineTo(r.right(), r.bottom());
    tag.lineTo(r.left() + w * 0.35, r.bottom());
    tag.lineTo(r.left(), r.top() + h / 2);
    tag.closeSubpath();
    p.setPen(QPen(kNavy, std::max(1.0, w / 24)));
    p.setBrush(fill);
    p.drawPath(tag);
    p.setBrush(Qt::white);
    const qreal hole = h * 0.18;
    p.drawEllipse(QPointF(r.left() + w * 0.3, r.top() + h / 2), hole / 2, hole / 2);
}

QImage Options() {
    QImage img = Canvas(32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath gear;
    const QPointF c(16, 16);
    for (int i = 0; i < 8; ++i) {
        const qreal a = i * M_PI / 4;
        QPainterPath tooth;
        tooth.addRect(QRectF(-3, -15, 6, 8));
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotateRadians(a);
        gear.addPath(t.map(tooth));
    }
    gear.addEllipse(c, 10, 10);
    gear.setFillRule(Qt::WindingFill);
    QPainterPath hole;
    hole.addEllipse(c, 4, 4);
    QLinearGradient g(0, 0, 32, 32);
    g.setColorAt(0, QColor(170, 180, 200));
    g.setColorAt(1, QColor(70, 80, 110));
    p.setPen(QPen(kNavy, 1));
    p.setBrush(g);
    p.drawPath(gear.simplified().subtracted(hole));
    return img;
}

QImage Person(const QColor& shirt) {
    QImage img = Canvas(32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(shirt);
    QPainterPath body;
    body.moveTo(5, 31);
    body.cubicTo(5, 20, 10, 18, 16, 18);
    body.cubicTo(22, 18, 27, 20, 27, 31);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(246, 206, 160));
    p.drawEllipse(QPointF(16, 10), 7, 7.5);
    return img;
}

QImage Account() {
    // A shop front with an awning: the merchant's account.
    QImage img = Canvas(32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(QColor(245, 240, 225));
    p.drawRect(QRectF(4.5, 12.5, 23, 17));
    for (int i = 0; i < 5; ++i) {
        p.setBrush(i % 2 ? Qt::white : QColor(200, 40, 40));
        QPainterPath scallop;
        const qreal x = 2.5 + i * 5.4;
        scallop.moveTo(x, 5.5);
        scallop.lineTo(x + 5.4, 5.5);
        scallop.lineTo(x + 5.4, 11.5);
        scallop.arcTo(QRectF(x, 9, 5.4, 5), 0, -180);
        scallop.closeSubpath();
        p.drawPath(scallop);
    }
    p.setBrush(QColor(120, 170, 220));
    p.drawRect(QRectF(7.5, 16.5, 9, 7));
    p.setBrush(QColor(150, 90, 40));
    p.drawRect(QRectF(19.5, 16.5, 5, 13));
    return img;
}

QImage Articles() {
    QImage img = Canvas(32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 3.5, 19, 25));
    p.setBrush(kTeal);
    p.drawRect(QRectF(9.5, 6.5, 13, 5));
    p.setPen(QPen(QColor(90, 90, 110), 1.5));
    for (int y = 15; y <= 25; y += 3) {
        p.drawLine(QPointF(9.5, y), QPointF(22.5, y));
    }
    return img;
}

QImage About() {
    QImage img = Canvas(32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(12, 10), 18);
    g.setColorAt(0, QColor(90, 160, 240));
    g.setColorAt(1, QColor(20, 60, 150));
    p.setPen(QPen(kNavy, 1));
    p.setBrush(g);
    p.drawEllipse(QPointF(16, 16), 14, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 9), 2.2, 2.2);
    p.drawRoundedRect(QRectF(14, 13, 4, 11), 1, 1);
    return img;
}

// The program's icon, a white Y on a blue disc, at any of the desktop's icon sizes.
QImage Emblem(int size) {
    QImage img = Canvas(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal c = size / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 170));
    p.drawEllipse(QPointF(c, c), size * 0.47, size * 0.47);
    // Three strokes: two arms meeting above the middle, the stem down from there.
    const qreal u = size / 64.0;
    QPainterPath y;
    y.moveTo(18.5 * u, 10 * u);
    y.lineTo(32 * u, 35 * u);
    y.lineTo(45.5 * u, 10 * u);
    y.moveTo(32 * u, 35 * u);
    y.lineTo(32 * u, 51 * u);
    p.setClipRect(QRectF(0, 14 * u, size, size));  // the arms end level at the top
    p.setPen(QPen(Qt::white, 7.8 * u, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(y);
    return img;
}

QImage Splash() {
    const int w = 440, h = 260, radius = 28;
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kMagenta);
    QPainter p(&img);
    // The outline is drawn without smoothing: an edge pixel blended with magenta would not be cut away.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, w, h), radius, radius);
    QLinearGradient bg(0, 0, w, h);
    bg.setColorAt(0, QColor(12, 36, 92));
    bg.setColorAt(0.65, QColor(0, 96, 120));
    bg.setColorAt(1, QColor(0, 140, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawPath(shape);

    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.save();
    p.setClipPath(shape);
    // Soft rows of a feed file running across the background.
    p.setPen(QPen(QColor(255, 255, 255, 28), 6, Qt::SolidLine, Qt::RoundCap));
    for (int row = 0; row < 9; ++row) {
        const int y = 30 + row * 26;
        int x = 190 + (row % 3) * 14;
        for (int col = 0; col < 4; ++col) {
            const int len = 30 + ((row * 7 + col * 13) % 5) * 12;
            p.drawLine(x, y, x + len, y);
            x += len + 18;
        }
    }
    p.restore();

    DrawTag(p, QRectF(36, 62, 120, 76), kGold);
    p.setPen(kNavy);
    QFont tagFont(QStringLiteral("DejaVu Sans"), 20, QFont::Bold);
    p.setFont(tagFont);
    p.drawText(QRectF(72, 62, 84, 76), Qt::AlignCenter, QStringLiteral("$"));

    QFont title(QStringLiteral("DejaVu Sans"), 40, QFont::Bold);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(178, 64, 250, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Yarvelin"));
    p.setPen(Qt::white);
    p.drawText(QRectF(175, 61, 250, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Yarvelin"));

    QFont sub(QStringLiteral("DejaVu Sans"), 12);
    p.setFont(sub);
    p.setPen(QColor(220, 240, 245));
    p.drawText(QRectF(178, 132, 250, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Product data feeds for Quorvin"));
    p.setPen(kGold);
    p.drawText(QRectF(36, 196, 380, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Build \u2022 Check \u2022 Save \u2022 Upload"));
    // No version on the picture: the About box shows it, taken from the build.
    p.end();

    // Whatever smoothing touched near the corners must be either magenta or clearly opaque.
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!shape.contains(QPointF(x + 0.5, y + 0.5))) {
                img.setPixel(x, y, kMagenta.rgb());
            }
        }
    }
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
    bool ok = Splash().save(out + QStringLiteral("/splash.png"));
    ok = Options().save(out + QStringLiteral("/icons/options.png")) && ok;
    ok = Person(QColor(60, 110, 190)).save(out + QStringLiteral("/icons/user.png")) && ok;
    ok = Account().save(out + QStringLiteral("/icons/account.png")) && ok;
    ok = Articles().save(out + QStringLiteral("/icons/articles.png")) && ok;
    ok = About().save(out + QStringLiteral("/icons/about.png")) && ok;
    // The desktop's icon theme (installed under share/icons/hicolor) at its usual sizes.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = out + QStringLiteral("/icons/hicolor/%1x%1/apps").arg(size);
        QDir().mkpath(dir);
        ok = Emblem(size).save(dir + QStringLiteral("/yarvelin.png")) && ok;
    }
    return ok ? 0 : 1;
}
