#include "picture/picture_writer.h"

#include "picture/qt_canvas.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>
#include <cstdio>

namespace mv {

namespace {

constexpr double kPictureWidthMm = 240.0;
constexpr double kPictureHeightMm = 160.0;
constexpr int kPdfDotsPerInch = 1200;

// Paints the picture on a device of the given pixel size and density.
bool paintPicture(QPaintDevice& device, QSize pixels, int dpi, const MetafileSizes& sizes, const DataSet& data,
                  const PlotTitles& titles, bool raster) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    if (raster) painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    DeviceCaps caps;
    caps.horzRes = pixels.width();
    caps.vertRes = pixels.height();
    caps.horzSize = static_cast<int>(kPictureWidthMm);
    caps.vertSize = static_cast<int>(kPictureHeightMm);
    caps.logPixelsX = caps.logPixelsY = dpi;
    QtCanvas canvas(painter, caps, false);
    drawExportPicture(canvas, sizes, {pixels.width(), pixels.height()}, data, titles);
    return painter.end();
}

QtMessageHandler previousHandler = nullptr;

// Qt's notes about the session (no runtime folder, no display) mean nothing to someone running a
// command; its critical messages still reach standard error.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

std::string bytesOf(const QBuffer& buffer) { return std::string(buffer.data().constData(), static_cast<size_t>(buffer.data().size())); }

}  // namespace

std::optional<std::string> renderQtPicture(PictureFormat format, const DataSet& data, const PlotTitles& titles,
                                           const PlotScreen& screen) {
    const MetafileSizes sizes = metafileSizes(screen);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Svg: {
        // One SVG unit per display pixel; the density makes the picture 240 mm wide.
        const QSize pixels(sizes.width, sizes.height);
        const int dpi = static_cast<int>(std::lround(sizes.width * 25.4 / kPictureWidthMm));
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(pixels);
        svg.setViewBox(QRect(QPoint(0, 0), pixels));
        svg.setResolution(dpi);
        svg.setTitle(QStringLiteral("Isotope Cluster Mass Spectrum"));
        svg.setDescription(QStringLiteral("Marvolen"));
        if (!paintPicture(svg, pixels, dpi, sizes, data, titles, false)) return std::nullopt;
        return bytesOf(buffer);
    }
    case PictureFormat::Png: {
        const QSize pixels(static_cast<int>(std::lround(kPictureWidthMm / 25.4 * kPngDotsPerInch)),
                           static_cast<int>(std::lround(kPictureHeightMm / 25.4 * kPngDotsPerInch)));
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        const int dotsPerMetre = static_cast<int>(std::lround(kPngDotsPerInch / 0.0254));
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        if (!paintPicture(image, pixels, kPngDotsPerInch, sizes, data, titles, true)) return std::nullopt;
        if (!image.save(&buffer, "PNG")) return std::nullopt;
        return bytesOf(buffer);
    }
    case PictureFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QSizeF(kPictureWidthMm, kPictureHeightMm), QPageSize::Millimeter, QString(),
                                  QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(kPdfDotsPerInch);
        pdf.setTitle(QStringLiteral("Isotope Cluster Mass Spectrum"));
        pdf.setCreator(QStringLiteral("Marvolen"));
        if (!paintPicture(pdf, QSize(pdf.width(), pdf.height()), kPdfDotsPerInch, sizes, data, titles, false))
            return std::nullopt;
        return bytesOf(buffer);
    }
    case PictureFormat::Emf:
        break;
    }
    return std::nullopt;
}

void ensureGuiApplication() {
    if (QCoreApplication::instance()) return;
    // Nothing is shown, so no display is needed whatever the environment names.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietMessages);
    static int argc = 1;
    static char name[] = "marvolen-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

}  // namespace mv
