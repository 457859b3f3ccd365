// The QPainter canvas: font heights with GDI's sign rule on the metric-compatible faces, text
// placement by alignment and mapping mode, background modes, escapement, lines and rectangles.

#include "app_test_support.h"

#include "picture/qt_canvas.h"
#include "display/listing.h"

#include <QImage>
#include <QPainter>

using namespace mv;

namespace {

const DeviceCaps kScreen{.horzRes = 800, .vertRes = 600, .logPixelsX = 96, .logPixelsY = 96, .horzSize = 211,
                         .vertSize = 158};

FontDesc courier(int height) { return listingFont(height, 400); }

// Bounding box of the pixels darker than mid-grey, or a null rectangle.
QRect inkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    return box;
}

struct Surface {
    QImage image{800, 600, QImage::Format_RGB32};
    QPainter painter;
    std::unique_ptr<QtCanvas> canvas;
    explicit Surface(QColor fill = Qt::white) {
        image.fill(fill);
        painter.begin(&image);
        canvas = std::make_unique<QtCanvas>(painter, kScreen, false);
    }
    QImage finish() {
        painter.end();
        return image;
    }
};

}  // namespace

class CanvasTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { mv::test::initAppTests(); }

    // Courier New (Liberation Mono) advances 1229/2048 of the em for every character.
    void fontHeightsFollowTheSignRule() {
        Surface s;
        QtCanvas& c = *s.canvas;
        c.selectFont(courier(40));
        QVERIFY(std::abs(c.textExtent("0123456789").cy - 40) <= 1);
        QVERIFY(std::abs(c.textMetrics().height - 40) <= 1);

        c.selectFont(courier(-40));
        const TextMetrics m = c.textMetrics();
        QVERIFY(m.height > 40);
        QVERIFY(std::abs(m.height - m.internalLeading - 40) <= 1);
        QCOMPARE(c.textExtent("iiiii").cx, c.textExtent("MMMMM").cx);
        const double advance = 40 * 1229.0 / 2048.0;
        QVERIFY(std::abs(c.textExtent(kMeasuringLine).cx - 82 * advance) <= 82 * 0.5 + 1);

        // In MM_LOENGLISH at 96 dpi a logical unit is 0.96 pixels.
        c.setMapMode(MapMode::LoEnglish);
        c.selectFont(courier(-100));
        QVERIFY(std::abs(c.textExtent("M").cx - 100 * 1229.0 / 2048.0) <= 2);
    }

    void textIsPlacedAsItsAlignmentSays_data() {
        QTest::addColumn<unsigned>("align");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("left top") << (TextAlign::Left | TextAlign::Top) << 100 << 100;
        QTest::newRow("right top") << (TextAlign::Right | TextAlign::Top) << 400 << 100;
        QTest::newRow("centre baseline") << (TextAlign::Center | TextAlign::Baseline) << 400 << 300;
        QTest::newRow("left bottom") << (TextAlign::Left | TextAlign::Bottom) << 100 << 300;
    }

    void textIsPlacedAsItsAlignmentSays() {
        QFETCH(unsigned, align);
        QFETCH(int, x);
        QFETCH(int, y);
        Surface s;
        QtCanvas& c = *s.canvas;
        c.selectFont(courier(-60));
        c.setTextAlign(align);
        c.textOut(x, y, "HH");
        const int width = c.textExtent("HH").cx;
        const int cell = c.textMetrics().height;
        const int ascent = c.textMetrics().ascent;
        const QRect ink = inkBox(s.finish());
        QVERIFY(!ink.isNull());
        // Capital letters sit between the baseline and the top of the cell, within the advance.
        int left = x;
        if ((align & TextAlign::HorizontalMask) == TextAlign::Right) left = x - width;
        if ((align & TextAlign::HorizontalMask) == TextAlign::Center) left = x - width / 2;
        int top = y;
        if ((align & TextAlign::VerticalMask) == TextAlign::Bottom) top = y - cell;
        if ((align & TextAlign::VerticalMask) == TextAlign::Baseline) top = y - ascent;
        QVERIFY2(ink.left() >= left && ink.right() <= left + width, qPrintable(QStringLiteral("%1..%2 not in %3..%4")
                                                                                   .arg(ink.left())
                                                                                   .arg(ink.right())
                                                                                   .arg(left)
                                                                                   .arg(left + width)));
        QVERIFY(ink.top() >= top && ink.bottom() <= top + ascent + 1);
        QVERIFY(ink.bottom() >= top + ascent - 2);  // capitals reach the baseline
    }

    // The listing's mapping mode: 0.01 inch, y up, the origin at the top left.
    void loEnglishPutsTheListingDownTheDevice() {
        Surface s;
        QtCanvas& c = *s.canvas;
        c.setMapMode(MapMode::LoEnglish);
        c.selectFont(courier(22));
        c.textOut(50, -100, "A+0");
        const QRect ink = inkBox(s.finish());
        QVERIFY(ink.left() >= 48 && ink.left() <= 52);
        QVERIFY(ink.top() >= 96 && ink.top() < 96 + 21);
    }

    void backgroundModesAndEscapement() {
        Surface opaque(Qt::black);
        opaque.canvas->selectFont(courier(-40));
        opaque.canvas->textOut(10, 10, "MM");
        QImage image = opaque.finish();
        QCOMPARE(image.pixelColor(12, 12), QColor(Qt::white));  // the cell is filled

        Surface transparent(Qt::black);
        transparent.canvas->selectFont(courier(-40));
        transparent.canvas->setBackgroundMode(BackgroundMode::Transparent);
        transparent.canvas->setTextColor(kWhite);
        transparent.canvas->textOut(10, 10, "MM");
        image = transparent.finish();
        QCOMPARE(image.pixelColor(11, 11), QColor(Qt::black));

        Surface turned;
        FontDesc font = courier(-30);
        font.escapement = 900;  // reads upwards
        turned.canvas->selectFont(font);
        turned.canvas->textOut(300, 400, "HHHHHH");
        const QRect ink = inkBox(turned.finish());
        QVERIFY(ink.height() > 2 * ink.width());
        QVERIFY(ink.bottom() <= 401 && ink.right() <= 300 + 30);
    }

    void linesAndRectangles() {
        Surface s(Qt::black);
        QtCanvas& c = *s.canvas;
        c.rectangle(100, 100, 200, 150);
        c.selectPen({PenStyle::Solid, 0, kWhite});
        c.moveTo(300, 300);
        c.lineTo(400, 300);
        const QImage image = s.finish();
        QCOMPARE(image.pixelColor(150, 125), QColor(Qt::white));  // white interior
        QCOMPARE(image.pixelColor(100, 125), QColor(Qt::black));  // black outline
        QCOMPARE(image.pixelColor(350, 300), QColor(Qt::white));
        QCOMPARE(image.pixelColor(350, 302), QColor(Qt::black));
    }
};

QTEST_MAIN(CanvasTest)
#include "test_canvas.moc"
