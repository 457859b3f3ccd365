#pragma once

#include "document/data_set.h"

#include <optional>
#include <string>
#include <string_view>

namespace mv {

// The text files a data set is saved as. Rendering and writing are kept apart: marvolen-cli prints
// the rendered bytes on stdout, File Save writes the same bytes to a file.
//
// Lines end with CR LF; numbers are formatted in the "C" locale with three-digit exponents.

// The data-set file: the peak tables in the layout of scanType, followed by the component section
// when listComponentsOption is set (Regular, Neutral Loss and MSn only).
std::string renderDataSetFile(const DataSet& ds);

// The spectrum file: a heading by scanType, the resolution and the points of the plotted profile.
std::string renderSpectrumFile(const DataSet& ds);

// What a save writes: the spectrum file while spectrumMode is set, else the data-set file.
std::string renderSaveFile(const DataSet& ds);

// Creates (or truncates) the file at path and writes bytes to it, checking every write and the
// close. Returns nothing on success, else the message to show, which names the file. Whatever was
// written before a failure stays in the file.
std::optional<std::string> writeTextFile(const std::string& path, std::string_view bytes);

}  // namespace mv
