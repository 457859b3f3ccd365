#pragma once

// Export: the plotted spectrum as a picture of 240 mm x 160 mm, laid out in the pixels of the
// display the plot was last shown on. The enhanced metafile is written here; SVG, PNG and PDF are
// drawn by a front end's renderer through the same drawing.

#include "base/prompter.h"
#include "display/plot.h"
#include "document/document.h"

#include <functional>
#include <optional>
#include <string>

namespace mv {

inline constexpr const char* kMetafileNotCopied = "ERROR - Metafile was not copied to disk!";
inline constexpr const char* kPictureNotWritten = "ERROR - The picture was not written to disk!";
inline constexpr const char* kExportFilter =
    "Enhanced Metafile (*.emf)|*.emf|Scalable Vector Graphics (*.svg)|*.svg|"
    "Portable Document Format (*.pdf)|*.pdf|PNG Image (*.png)|*.png|All Files (*.*)|*.*||";

enum class PictureFormat { Emf, Svg, Png, Pdf };
// The format a file name's extension (any case) names, if any.
std::optional<PictureFormat> pictureFormatNamed(const std::string& path);
// The format a file is written in: the one its extension names; any other name gets a metafile.
inline PictureFormat pictureFormatFor(const std::string& path) {
    return pictureFormatNamed(path).value_or(PictureFormat::Emf);
}

// The picture's sizes in display pixels.
struct MetafileSizes {
    int width = 0;
    int height = 0;
    int tick = 0;
    int labelGap = 0;
    int fontHeight = 0;
    int penWidth = 0;
};
// A display that has not reported its size (no plot shown yet, the command line) counts as 96
// pixels per inch.
MetafileSizes metafileSizes(const PlotScreen& screen);

// Draws the exported picture on canvas: MM_ISOTROPIC with one logical unit per display pixel of
// sizes, mapped onto viewportExt device pixels (the picture's own size for the metafile, larger for
// a finer raster), y down.
void drawExportPicture(Canvas& canvas, const MetafileSizes& sizes, Size viewportExt, const DataSet& data,
                       const PlotTitles& titles);

// The metafile's bytes.
std::string renderSpectrumMetafile(const DataSet& data, const PlotTitles& titles, const PlotScreen& screen);

// Draws the picture in a format other than the metafile; answers its bytes, or nothing when it could
// not be drawn.
using PictureRenderer = std::function<std::optional<std::string>(PictureFormat, const DataSet&, const PlotTitles&,
                                                                  const PlotScreen&)>;

// The bytes of the picture in the given format; the other formats need renderer.
std::optional<std::string> renderSpectrumPicture(PictureFormat format, const DataSet& data, const PlotTitles& titles,
                                                 const PlotScreen& screen, const PictureRenderer& renderer);

// The file name the export offers: "Spectrum%d.emf" with the number the present plot took, or will take.
std::string exportFileName(const DataSet& data);

// OnExportSpectrum: asks for the path, writes the picture in the format its extension names (a
// failure is reported with kMetafileNotCopied for a metafile, kPictureNotWritten otherwise) and
// advances the spectrum numbering once per plot. Answers whether a file was written; Cancel changes
// nothing.
bool exportSpectrum(MarvolenDocument& doc, Prompter& prompter, const PlotTitles& titles, const PlotScreen& screen,
                    const PictureRenderer& renderer = {});

}  // namespace mv
