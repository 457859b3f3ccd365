#pragma once

// The exported plot as SVG, PNG or PDF, drawn by Qt's SVG generator, raster image and PDF writer
// through the same Canvas drawing as the enhanced metafile.

#include "display/spectrum_export.h"

#include <optional>
#include <string>

namespace mv {

// The raster density of an exported PNG (the picture is 240 mm wide).
inline constexpr int kPngDotsPerInch = 300;

// Draws the picture; nothing when the format is the metafile or Qt could not draw it. Needs a
// QGuiApplication.
std::optional<std::string> renderQtPicture(PictureFormat format, const DataSet& data, const PlotTitles& titles,
                                           const PlotScreen& screen);

// For programs without a window: makes the QGuiApplication that fonts need, on the offscreen
// platform, unless the process already has an application object.
void ensureGuiApplication();

}  // namespace mv
