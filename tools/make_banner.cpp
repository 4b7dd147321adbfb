// Draws the About box banner (banner.jpg, 358 x 82) and the application icon (kelmor.png,
// 256 x 256) into the folder given, normally ui/dialogs. The banner is encoded with libjpeg
// itself, the codec the program decodes it with. The outputs are committed: run this only
// to change the pictures on purpose.
//   make_banner ui/dialogs

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>

#include <jpeglib.h>

namespace {

constexpr int kBannerWidth = 358;
constexpr int kBannerHeight = 82;
constexpr int kIconSide = 256;
constexpr int kJpegQuality = 92;

const QColor kNight(10, 38, 74);
const QColor kTeal(24, 118, 136);
const QColor kOrbit(170, 226, 240);
const QColor kNucleus(214, 48, 49);
const QColor kLamp(80, 220, 90);

QLinearGradient Sky(QPointF from, QPointF to) {
    QLinearGradient gradient(from, to);
    gradient.setColorAt(0.0, kNight);
    gradient.setColorAt(1.0, kTeal);
    return gradient;
}

// The motif shared by the banner and the icon: an atom whose nucleus glows red, the
// instrument's alarm colour, with one green electron for its all-clear lamp.
void PaintAtom(QPainter& painter, QPointF centre, qreal radius) {
    painter.save();
    painter.translate(centre);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kOrbit, radius / 14.0));
    for (int i = 0; i < 3; ++i) {
        painter.save();
        painter.rotate(60.0 * i);
        painter.drawEllipse(QPointF(0, 0), radius, radius * 0.36);
        painter.restore();
    }
    painter.setPen(Qt::NoPen);
    const QPointF electrons[] = {
        {radius, 0}, {-radius * 0.5, -radius * 0.866}, {-radius * 0.5, radius * 0.866}};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(i == 0 ? kLamp : Qt::white);
        painter.drawEllipse(electrons[i], radius / 9.0, radius / 9.0);
    }
    QRadialGradient glow(QPointF(0, 0), radius / 3.0);
    glow.setColorAt(0.0, kNucleus.lighter(150));
    glow.setColorAt(0.55, kNucleus);
    glow.setColorAt(1.0, QColor(kNucleus.red(), kNucleus.green(), kNucleus.blue(), 0));
    painter.setBrush(glow);
    painter.drawEllipse(QPointF(0, 0), radius / 3.0, radius / 3.0);
    painter.restore();
}

// Hourly counts as faint bars under a decay curve: what the program draws from a read-out.
void PaintPulses(QPainter& painter, const QRectF& area) {
    const int bars = 14;
    const qreal width = area.width() / bars;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 40));
    for (int i = 0; i < bars; ++i) {
        const qreal wobble = ((i * 7) % 5) / 10.0;
        const qreal level = (0.35 + 0.55 * qExp(-i / 5.0) + 0.12 * wobble) * area.height();
        painter.drawRect(
            QRectF(area.left() + i * width + 1, area.bottom() - level, width - 2, level));
    }
    QPainterPath curve;
    for (int x = 0; x <= area.width(); ++x) {
        const qreal y = area.bottom() - (0.32 + 0.6 * qExp(-x / (5.0 * width))) * area.height();
        x == 0 ? curve.moveTo(area.left(), y) : curve.lineTo(area.left() + x, y);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 236, 150, 170), 1.5));
    painter.drawPath(curve);
}

QImage PaintBanner() {
    QImage image(kBannerWidth, kBannerHeight, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), Sky(QPointF(0, 0), QPointF(kBannerWidth, kBannerHeight)));
    PaintPulses(painter, QRectF(264, 12, 84, 58));
    PaintAtom(painter, QPointF(44, 41), 31);

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(36);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(0, 0, 0, 90));
    painter.drawText(QPointF(94, 48), QStringLiteral("Kelmor"));
    painter.setPen(Qt::white);
    painter.drawText(QPointF(92, 46), QStringLiteral("Kelmor"));

    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(12);
    painter.setFont(subtitle);
    painter.setPen(kOrbit);
    painter.drawText(QPointF(94, 66), QStringLiteral("Radon monitor  V5 \u00b7 V6 \u00b7 V7"));
    return image;
}

QImage PaintIcon() {
    QImage image(kIconSide, kIconSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(8, 8, kIconSide - 16, kIconSide - 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Sky(tile.topLeft(), tile.bottomRight()));
    painter.drawRoundedRect(tile, 44, 44);
    PaintAtom(painter, tile.center(), 92);
    return image;
}

bool WriteJpeg(const QImage& picture, const QString& path) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (file == nullptr) {
        return false;
    }
    // The default error handler prints the reason and exits, which is all a tool needs.
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_banner <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString banner = folder.filePath(QStringLiteral("banner.jpg"));
    const QString icon = folder.filePath(QStringLiteral("kelmor.png"));
    if (!WriteJpeg(PaintBanner(), banner)) {
        std::fprintf(stderr, "make_banner: cannot write %s\n", qPrintable(banner));
        return 1;
    }
    if (!PaintIcon().save(icon, "PNG")) {
        std::fprintf(stderr, "make_banner: cannot write %s\n", qPrintable(icon));
        return 1;
    }
    return 0;
}
