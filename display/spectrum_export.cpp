#include "display/spectrum_export.h"

#include "base/textfmt.h"
#include "display/emf_canvas.h"
#include "document/data_set_file.h"

#include <cctype>

namespace mv {

namespace {

PlotScreen knownScreen(const PlotScreen& screen) {
    if (screen.horzSize > 0 && screen.horzRes > 0) return screen;
    return PlotScreen{508, 1920, 286, 1080};  // 96 pixels per inch
}

}  // namespace

MetafileSizes metafileSizes(const PlotScreen& given) {
    const PlotScreen screen = knownScreen(given);
    const float wf = 240.0f / static_cast<float>(screen.horzSize) * static_cast<float>(screen.horzRes);
    const float hf = wf * 2.0f / 3.0f;
    MetafileSizes s;
    s.width = static_cast<int>(wf + 0.5f);
    s.height = static_cast<int>(hf + 0.5f);
    s.tick = s.height / 50;
    s.labelGap = static_cast<int>(1.5f * static_cast<float>(s.tick));
    s.fontHeight = s.height / 30;
    s.penWidth = s.height / 300;
    return s;
}

std::optional<PictureFormat> pictureFormatNamed(const std::string& path) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return std::nullopt;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "svg") return PictureFormat::Svg;
    if (ext == "png") return PictureFormat::Png;
    if (ext == "pdf") return PictureFormat::Pdf;
    if (ext == "emf") return PictureFormat::Emf;
    return std::nullopt;
}

void drawExportPicture(Canvas& canvas, const MetafileSizes& sizes, Size viewportExt, const DataSet& data,
                       const PlotTitles& titles) {
    canvas.setMapMode(MapMode::Isotropic);
    canvas.setGraphicsMode(GraphicsMode::Advanced);
    canvas.setWindowExt({sizes.width, sizes.height});
    canvas.setViewportExt(viewportExt);
    canvas.setWindowOrg({0, 0});
    canvas.setViewportOrg({0, 0});

    PlotFonts fonts;
    fonts.main = plotFont(sizes.fontHeight, 400);
    const FontDesc previousFont = canvas.selectFont(fonts.main);
    const int hA = canvas.textExtent("0123456789").cy;
    const PenDesc previousPen = canvas.selectPen(PenDesc{PenStyle::Solid, sizes.penWidth, kBlack});
    fonts.small = plotFont(hA * 3 / 4, 500);
    canvas.selectFont(fonts.small);
    const int hB = canvas.textExtent("0123456789").cy;
    const int half = static_cast<int>(0.5f * static_cast<float>(hA) + 0.5f);
    fonts.smallFontHeight = hB;
    fonts.superscriptOffset = half - hB;
    fonts.subscriptOffset = hA - half;
    fonts.lineHeight = hA + 2 * (hB - half);
    canvas.selectFont(fonts.main);

    PlotLayout layout;
    layout.width = static_cast<float>(sizes.width);
    layout.height = static_cast<float>(sizes.height);
    layout.yDown = true;
    layout.fontHeight = sizes.fontHeight;
    layout.tick = sizes.tick;
    layout.minorTick = sizes.tick / 2;
    layout.labelGap = sizes.labelGap;
    drawPlotGraph(canvas, layout, fonts, data, titles);

    canvas.setMapMode(MapMode::Text);
    canvas.selectFont(previousFont);
    canvas.selectPen(previousPen);
}

std::string renderSpectrumMetafile(const DataSet& data, const PlotTitles& titles, const PlotScreen& given) {
    const PlotScreen screen = knownScreen(given);
    const MetafileSizes sizes = metafileSizes(screen);
    DeviceCaps caps;
    caps.horzRes = screen.horzRes;
    caps.vertRes = screen.vertRes > 0 ? screen.vertRes : screen.horzRes * 9 / 16;
    caps.horzSize = screen.horzSize;
    caps.vertSize = screen.vertSize > 0 ? screen.vertSize : screen.horzSize * 9 / 16;
    caps.logPixelsX = caps.logPixelsY = 96;
    EmfCanvas canvas(caps, Rect{0, 0, 24000, 16000}, "Marvolen", "Isotope Cluster Mass Spectrum");
    drawExportPicture(canvas, sizes, {sizes.width, sizes.height}, data, titles);
    return canvas.finish();
}

std::optional<std::string> renderSpectrumPicture(PictureFormat format, const DataSet& data, const PlotTitles& titles,
                                                 const PlotScreen& screen, const PictureRenderer& renderer) {
    if (format == PictureFormat::Emf) return renderSpectrumMetafile(data, titles, screen);
    if (!renderer) return std::nullopt;
    return renderer(format, data, titles, screen);
}

std::string exportFileName(const DataSet& data) {
    return formatC("Spectrum%d.emf", data.spectrumNumberTaken ? data.spectrumNumber - 1 : data.spectrumNumber);
}

bool exportSpectrum(MarvolenDocument& doc, Prompter& prompter, const PlotTitles& titles, const PlotScreen& screen,
                    const PictureRenderer& renderer) {
    const auto path = prompter.savePath(exportFileName(doc.dataSet()), kExportFilter, "emf");
    if (!path) return false;
    const PictureFormat format = pictureFormatFor(*path);
    const auto bytes = renderSpectrumPicture(format, doc.dataSet(), titles, screen, renderer);
    const bool written = bytes && !writeTextFile(*path, *bytes);
    if (!written) prompter.message(format == PictureFormat::Emf ? kMetafileNotCopied : kPictureNotWritten);
    doc.takeSpectrumNumber();
    return written;
}

}  // namespace mv
