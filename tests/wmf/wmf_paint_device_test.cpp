// Painting primitives into the metafile device and reading the records back.
#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "metafile_reader.h"
#include "wmf/wmf_constants.h"
#include "wmf/wmf_paint_device.h"

namespace kelmor {
namespace {

using test::Metafile;
using test::MetafileRecord;

template <typename Paint>
Metafile Painted(Paint paint, QSize size = QSize(800, 400)) {
    WmfPaintDevice device(size);
    QPainter painter(&device);
    paint(painter);
    painter.end();
    return test::ReadMetafile(device.Bytes());
}

// The points of a polyline or polygon record.
std::vector<QPoint> PointsOf(const MetafileRecord& record) {
    std::vector<QPoint> points;
    for (int i = 0; i < record.Word(0); ++i) {
        points.emplace_back(record.Word(1 + 2 * i), record.Word(2 + 2 * i));
    }
    return points;
}

void ExpectWellFormed(const Metafile& file) {
    EXPECT_EQ(file.problem, QString());
    EXPECT_EQ(test::CheckObjects(file), QString());
}

TEST(WmfPaintDevice, HeadersDescribeThePictureAndItsRecords) {
    const Metafile file = Painted([](QPainter& p) { p.drawLine(0, 0, 100, 100); });
    ExpectWellFormed(file);
    EXPECT_EQ(file.left, 0);
    EXPECT_EQ(file.top, 0);
    EXPECT_EQ(file.right, 800 * 15);
    EXPECT_EQ(file.bottom, 400 * 15);
    EXPECT_EQ(file.unitsPerInch, 1440);
    EXPECT_EQ(file.headerType, 1);
    EXPECT_EQ(file.version, 0x0300);
    ASSERT_EQ(file.Of(wmf::kSetWindowExt).size(), 1u);
    EXPECT_EQ(file.Of(wmf::kSetWindowExt)[0].Word(0), 400 * 15);  // y first
    EXPECT_EQ(file.Of(wmf::kSetWindowExt)[0].Word(1), 800 * 15);
    EXPECT_EQ(file.Of(wmf::kSetBkMode)[0].Word(0), wmf::kTransparent);
}

TEST(WmfPaintDevice, UnpaintedDeviceIsStillAValidFile) {
    WmfPaintDevice device(QSize(10, 10));
    ExpectWellFormed(test::ReadMetafile(device.Bytes()));
}

TEST(WmfPaintDevice, UnitsPerPixelShrinkToKeepCoordinatesSixteenBit) {
    EXPECT_EQ(WmfPaintDevice(QSize(800, 400)).UnitsPerPixel(), 15);
    EXPECT_EQ(WmfPaintDevice(QSize(3000, 200)).UnitsPerPixel(), 10);
    EXPECT_EQ(WmfPaintDevice(QSize(200, 20000)).UnitsPerPixel(), 1);
    WmfPaintDevice fine(QSize(100, 100), 600);
    EXPECT_EQ(fine.UnitsPerPixel(), 15);
    EXPECT_EQ(test::ReadMetafile(fine.Bytes()).unitsPerInch, 9000);

    for (const QSize size : {QSize(0, 10), QSize(10, -1), QSize(40000, 10)}) {
        WmfPaintDevice device(size);
        EXPECT_FALSE(device.IsValid()) << size.width() << "x" << size.height();
        EXPECT_TRUE(device.Bytes().isEmpty());
        QPainter painter;
        EXPECT_FALSE(painter.begin(&device));
    }
    EXPECT_FALSE(WmfPaintDevice(QSize(10, 10), 0).IsValid());
}

TEST(WmfPaintDevice, LongPolylineIsSplitIntoJoinedRecords) {
    QPolygonF line;
    for (int i = 0; i < 20000; ++i) {
        line << QPointF(i * 0.03, 100 + (i % 7));
    }
    const Metafile file = Painted([&](QPainter& p) { p.drawPolyline(line); });
    ExpectWellFormed(file);
    const auto records = file.Of(wmf::kPolyline);
    ASSERT_GE(records.size(), 3u);
    std::vector<QPoint> joined;
    for (const MetafileRecord& record : records) {
        const std::vector<QPoint> points = PointsOf(record);
        ASSERT_LE(points.size(), 8000u);
        if (!joined.empty()) {
            EXPECT_EQ(points.front(), joined.back()) << "pieces must meet";
            joined.pop_back();
        }
        joined.insert(joined.end(), points.begin(), points.end());
    }
    ASSERT_EQ(joined.size(), 20000u);
    EXPECT_EQ(joined[19999], QPoint(qRound(19999 * 0.03 * 15), (100 + 19999 % 7) * 15));
}

TEST(WmfPaintDevice, PainterTransformIsAppliedToPointsAndPenWidths) {
    const Metafile file = Painted([](QPainter& p) {
        p.translate(10, 20);
        p.scale(2, 2);
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(QPointF(0, 0), QPointF(5, 0));
        p.setPen(QPen(Qt::black, 0));  // cosmetic: one pixel whatever the scale
        p.drawLine(QPointF(0, 1), QPointF(5, 1));
    });
    ExpectWellFormed(file);
    const auto lines = file.Of(wmf::kPolyline);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(PointsOf(lines[0]), (std::vector<QPoint>{{150, 300}, {300, 300}}));
    EXPECT_EQ(PointsOf(lines[1]), (std::vector<QPoint>{{150, 330}, {300, 330}}));
    const auto pens = file.Of(wmf::kCreatePenIndirect);
    ASSERT_EQ(pens.size(), 2u);
    EXPECT_EQ(pens[0].Word(1), 45);  // 1.5 px scaled twice, at 15 units a pixel
    EXPECT_EQ(pens[1].Word(1), 15);
}

TEST(WmfPaintDevice, PenAndBrushRecordsCarryStyleAndColour) {
    const Metafile file = Painted([](QPainter& p) {
        p.setPen(QPen(QColor(255, 0, 0), 1, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin));
        p.setBrush(QColor(0, 128, 255));
        p.drawRect(QRectF(10, 20, 30, 40));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 0, 0, 128));  // translucent: mixed with the white page
        p.drawEllipse(QRectF(0, 0, 10, 10));
        p.setPen(QPen(Qt::green, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1, 2, 3, 4));
    });
    ExpectWellFormed(file);
    const auto pens = file.Of(wmf::kCreatePenIndirect);
    ASSERT_EQ(pens.size(), 3u);
    EXPECT_EQ(static_cast<quint16>(pens[0].Word(0)),
              wmf::kPenDash | wmf::kPenEndCapFlat | wmf::kPenJoinMiter);
    EXPECT_EQ(pens[0].Word(3), 0x00FF);  // colour reference: red in the low byte
    EXPECT_EQ(pens[0].Word(4), 0x0000);
    EXPECT_EQ(pens[1].Word(0) & 0x0F, wmf::kPenNull);
    EXPECT_EQ(pens[2].Word(0) & 0x0F, wmf::kPenDot);

    const auto brushes = file.Of(wmf::kCreateBrushIndirect);
    ASSERT_EQ(brushes.size(), 3u);
    EXPECT_EQ(brushes[0].Word(0), wmf::kBrushSolid);
    EXPECT_EQ(static_cast<quint16>(brushes[0].Word(1)), 0x8000);  // green 128, red 0
    EXPECT_EQ(brushes[0].Word(2), 0x00FF);                        // blue 255
    EXPECT_EQ(brushes[1].Word(1), 0x7FFF);                        // red 255, green 127
    EXPECT_EQ(brushes[1].Word(2), 0x007F);
    EXPECT_EQ(brushes[2].Word(0), wmf::kBrushNull);

    const auto rects = file.Of(wmf::kRectangle);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].Word(0), 60 * 15);  // bottom, right, top, left
    EXPECT_EQ(rects[0].Word(1), 40 * 15);
    EXPECT_EQ(rects[0].Word(2), 20 * 15);
    EXPECT_EQ(rects[0].Word(3), 10 * 15);
    EXPECT_EQ(file.Of(wmf::kEllipse).size(), 1u);
}

TEST(WmfPaintDevice, HandleSlotsAreReusedAcrossManyObjects) {
    const Metafile file = Painted([](QPainter& p) {
        for (int i = 0; i < 300; ++i) {
            p.setPen(QColor::fromHsv(i, 255, 200));
            p.setBrush(QColor::fromHsv((i * 7) % 360, 200, 255));
            p.setFont(QFont(QStringLiteral("DejaVu Sans"), 6 + i % 9));
            p.drawRect(i, i, 5, 5);
            p.drawText(QPointF(i, 300), QStringLiteral("x"));
        }
    });
    ExpectWellFormed(file);
    EXPECT_GE(file.Of(wmf::kCreatePenIndirect).size(), 300u);
    EXPECT_LE(file.objectCount, 4);
    EXPECT_GE(file.objectCount, 3);
}

TEST(WmfPaintDevice, RotatedTextCarriesEscapementAndHeight) {
    const Metafile file = Painted([](QPainter& p) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        font.setBold(true);
        font.setItalic(true);
        p.setFont(font);
        p.setPen(Qt::red);
        p.drawText(QPointF(50, 60), QStringLiteral("Time"));
        p.translate(20, 300);
        p.rotate(-90);
        p.drawText(QPointF(0, 0), QStringLiteral("Bq/m3"));
    });
    ExpectWellFormed(file);
    const auto fonts = file.Of(wmf::kCreateFontIndirect);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0].Word(0), -13 * 15);
    EXPECT_EQ(fonts[0].Word(2), 0);
    EXPECT_EQ(fonts[1].Word(2), 900);  // escapement
    EXPECT_EQ(fonts[1].Word(3), 900);  // orientation
    EXPECT_EQ(fonts[1].Word(4), 700);
    EXPECT_EQ(fonts[1].Word(5) & 0xFF, 1);
    EXPECT_TRUE(fonts[1].params.mid(18).startsWith("DejaVu Sans"));

    const auto texts = file.Of(wmf::kExtTextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(test::Texts(file), (std::vector<QByteArray>{"Time", "Bq/m3"}));
    EXPECT_EQ(texts[0].Word(0), 60 * 15);  // y, x of the baseline's start
    EXPECT_EQ(texts[0].Word(1), 50 * 15);
    EXPECT_EQ(texts[1].Word(0), 300 * 15);
    EXPECT_EQ(texts[1].Word(1), 20 * 15);
    // The advances follow Qt's layout: they add up to the width Qt gave the text. Rotated
    // text has none (the record ends after the padded bytes).
    ASSERT_EQ(texts[0].params.size(), 8 + 4 + 4 * 2);
    int advanceSum = 0;
    for (int i = 0; i < 4; ++i) {
        const int advance = texts[0].Word(4 + 2 + i);
        EXPECT_GT(advance, 0);
        advanceSum += advance;
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    font.setItalic(true);
    EXPECT_NEAR(advanceSum, QFontMetricsF(font).horizontalAdvance("Time") * 15, 15);
    EXPECT_EQ(texts[1].params.size(), 8 + 6);
    EXPECT_EQ(file.Of(wmf::kSetTextColor)[0].Word(0), 0x00FF);
}

TEST(WmfPaintDevice, TextIsWrittenInWindows1252) {
    const Metafile file =
        Painted([](QPainter& p) { p.drawText(QPointF(10, 20), QString::fromUtf8("60±6 € ü 中")); });
    ExpectWellFormed(file);
    QByteArray all;
    for (const QByteArray& text : test::Texts(file)) {
        all += text;
    }
    EXPECT_EQ(all, QByteArray("60\xB1"
                              "6 \x80 \xFC ?"));
}

TEST(WmfPaintDevice, ClipRectangleIsIntersectedAfterReturningToTheSavedState) {
    const Metafile file = Painted([](QPainter& p) {
        p.setPen(Qt::blue);
        p.drawLine(0, 0, 10, 10);
        p.setClipRect(QRectF(10, 10, 100, 50));
        p.drawLine(0, 0, 10, 10);
        p.setClipping(false);
        p.drawLine(0, 0, 10, 10);
    });
    ExpectWellFormed(file);  // also proves that the pen is selected again after each restore
    const auto clips = file.Of(wmf::kIntersectClipRect);
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0].Word(0), 60 * 15);
    EXPECT_EQ(clips[0].Word(1), 110 * 15);
    EXPECT_EQ(clips[0].Word(2), 10 * 15);
    EXPECT_EQ(clips[0].Word(3), 10 * 15);
    EXPECT_EQ(file.Of(wmf::kRestoreDc).size(), file.Of(wmf::kSaveDc).size());
    EXPECT_EQ(file.Of(wmf::kPolyline).size(), 3u);
}

TEST(WmfPaintDevice, FarCoordinatesAreCutOffInsteadOfWrapping) {
    const Metafile file = Painted([](QPainter& p) {
        p.drawLine(QPointF(10, 10), QPointF(100000, 10));
        p.drawLine(QPointF(10, 20), QPointF(-5005, 5035));  // slope -1: cut along it
        p.drawPolyline(QPolygonF(
            {QPointF(1, 1), QPointF(2, 2), QPointF(qQNaN(), 3), QPointF(4, 4), QPointF(5, 5)}));
        p.setBrush(Qt::black);
        p.drawRect(QRectF(-1e7, 5, 2e7, 10));
    });
    ExpectWellFormed(file);
    const auto lines = file.Of(wmf::kPolyline);
    ASSERT_EQ(lines.size(), 4u);
    const auto first = PointsOf(lines[0]);
    EXPECT_EQ(first[0], QPoint(150, 150));
    EXPECT_EQ(first[1].y(), 150);
    EXPECT_GT(first[1].x(), 31000);
    const auto second = PointsOf(lines[1]);
    EXPECT_LT(second[1].x(), -31000);
    EXPECT_NEAR(second[1].x() - 150, -(second[1].y() - 300), 2);
    EXPECT_EQ(PointsOf(lines[2]).size(), 2u);  // the NaN point splits the line
    EXPECT_EQ(PointsOf(lines[3]).size(), 2u);
    const auto polygons = file.Of(wmf::kPolygon);
    ASSERT_EQ(polygons.size(), 1u);
    for (const QPoint& point : PointsOf(polygons[0])) {
        EXPECT_LE(std::abs(point.x()), 32767);
        EXPECT_TRUE(point.y() == 75 || point.y() == 225) << point.y();
    }
}

TEST(WmfPaintDevice, FillTooLargeForOneRecordIsSplitAndOutlined) {
    QPolygonF ring;
    for (int i = 0; i < 20000; ++i) {
        const double angle = 2 * M_PI * i / 20000;
        ring << QPointF(400 + 150 * std::cos(angle), 200 + 150 * std::sin(angle));
    }
    const Metafile file = Painted([&](QPainter& p) {
        p.setPen(Qt::black);
        p.setBrush(Qt::yellow);
        p.drawPolygon(ring);
    });
    ExpectWellFormed(file);
    const auto fills = file.Of(wmf::kPolygon);
    ASSERT_GE(fills.size(), 3u);
    size_t filledPoints = 0;
    for (const auto& fill : fills) {
        filledPoints += PointsOf(fill).size();
    }
    EXPECT_GE(filledPoints, 20000u);
    size_t outlinePoints = 0;
    for (const auto& line : file.Of(wmf::kPolyline)) {
        outlinePoints += PointsOf(line).size();
    }
    EXPECT_GE(outlinePoints, 20001u);  // closed
}

TEST(WmfPaintDevice, PathsWithHolesBecomeOnePolyPolygon) {
    const Metafile file = Painted([](QPainter& p) {
        QPainterPath path;
        path.addRect(0, 0, 100, 100);
        path.addRect(25, 25, 50, 50);
        p.setBrush(Qt::blue);
        p.drawPath(path);
        p.rotate(30);
        p.drawRect(10, 10, 20, 20);  // no longer axis-aligned: a polygon
    });
    ExpectWellFormed(file);
    const auto polypolygons = file.Of(wmf::kPolyPolygon);
    ASSERT_EQ(polypolygons.size(), 1u);
    EXPECT_EQ(polypolygons[0].Word(0), 2);
    EXPECT_TRUE(file.Of(wmf::kRectangle).empty());
    EXPECT_EQ(file.Of(wmf::kPolygon).size(), 1u);
}

TEST(WmfPaintDevice, PicturesAreLeftOutAndPaintingCanResume) {
    WmfPaintDevice device(QSize(100, 100));
    QPainter painter(&device);
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    painter.drawImage(QPointF(0, 0), image);
    painter.drawLine(0, 0, 5, 5);
    painter.end();
    painter.begin(&device);
    painter.setPen(Qt::red);
    painter.drawLine(0, 0, 5, 5);
    painter.end();
    const Metafile file = test::ReadMetafile(device.Bytes());
    ExpectWellFormed(file);
    EXPECT_EQ(file.Of(wmf::kPolyline).size(), 2u);
    for (const auto& record : file.records) {
        EXPECT_NE(record.function, 0x0F43);  // stretch DIB
        EXPECT_NE(record.function, 0x0B41);  // DIB stretch blit
        EXPECT_NE(record.function, 0x0940);  // DIB blit
    }
}

}  // namespace
}  // namespace kelmor
