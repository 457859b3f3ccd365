#pragma once

// Export: the plotted spectrum as an enhanced metafile of 240 mm x 160 mm, laid out in the pixels of
// the display the plot was last shown on.

#include "base/prompter.h"
#include "display/plot.h"
#include "document/document.h"

#include <string>

namespace mv {

inline constexpr const char* kMetafileNotCopied = "ERROR - Metafile was not copied to disk!";
inline constexpr const char* kMetafileFilter = "Enhanced Metafile (*.emf)|*.emf|All Files (*.*)|*.*||";

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

// The metafile's bytes.
std::string renderSpectrumMetafile(const DataSet& data, const PlotTitles& titles, const PlotScreen& screen);

// The file name the export offers: "Spectrum%d.emf" with the number the present plot took, or will take.
std::string exportFileName(const DataSet& data);

// OnExportSpectrum: asks for the path, writes the file (a failure is reported with
// kMetafileNotCopied) and advances the spectrum numbering once per plot. Answers whether a file was
// written; Cancel changes nothing.
bool exportSpectrum(MarvolenDocument& doc, Prompter& prompter, const PlotTitles& titles, const PlotScreen& screen);

}  // namespace mv
