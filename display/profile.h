#pragma once

// Plot Spectrum: the resolution dialog and the Gaussian profile of the listed component ions.
//
// The profile lives in one program-wide store of fixed capacity; the document's data set points at
// its arrays, the plot and the metafile export draw it, the spectrum file writes it out.

#include "base/form.h"
#include "base/prompter.h"
#include "document/data_set.h"
#include "document/document.h"
#include "engine/workspace.h"

#include <cstdint>
#include <optional>

namespace mv {

constexpr int kPlotPointSlots = 8000;
constexpr int kProfileComponentSlots = 2000;  // the most components the parameter entry admits

struct PlotProfile {
    double intensities[kPlotPointSlots] = {};  // FA units
    int32_t pointCount = 0;
    int32_t segmentStarts[kPlotSegmentSlots] = {};  // -1: no segment
    double segmentStartMz[kPlotSegmentSlots] = {};
    double step = 0;
    double maxIntensity = 0;
    double resolution = 1000.0;
    // Scratch: FA and m/z of the listed components in plotting order.
    double compFA[kProfileComponentSlots] = {};
    double compMz[kProfileComponentSlots] = {};
};

// The program's one profile store.
PlotProfile& plotProfile();

// CResolDlg " Instrument Resolution" (resource 139). The radio group is two check boxes, 1074 "Unit
// mass resolution" and 1075 "User selected resolution", of which a front end keeps exactly one
// ticked; the resolution edit 1076 (100 .. 1000000) is enabled only while 1075 is ticked.
namespace ResolDlg {
inline constexpr int kResource = 139;
inline constexpr int kUnitMass = 1074;
inline constexpr int kUserSelected = 1075;
inline constexpr int kResolution = 1076;
}  // namespace ResolDlg

// The dialog as it opens: resolution 1000, unit mass resolution chosen, the edit disabled.
Form resolutionForm();

struct ResolutionChoice {
    bool unitMass = true;
    double resolution = 1000.0;  // the value entered (used only for the user choice)
};

// The choice of an accepted form.
ResolutionChoice readResolution(const Form& form);

// Peak width at half height (m/z) and the resolution the plot reports, for the ion of [A+0] mass M
// and charge z.
struct PeakWidth {
    double width = 0;
    double resolution = 0;
};
PeakWidth peakWidth(const ResolutionChoice& choice, double massA0, int32_t charge);

// The ion whose components were listed: its charge and [A+0] mass; nothing for scans that list none.
struct PlottedIon {
    int32_t charge = 0;
    double massA0 = 0;
};
std::optional<PlottedIon> plottedIon(const DataSet& data);

// Builds the profile of the listed components of data into profile. Answers false, with the
// profile's points unchanged, when no examined peak holds a component with a positive total. The
// profile ends silently at 8000 points or 200 segments.
bool buildProfile(const DataSet& data, const ResolutionChoice& choice, PlotProfile& profile);

// Points the data set's plot fields at the profile.
void attachProfile(DataSet& data, const PlotProfile& profile);

inline constexpr const char* kNothingToPlot =
    "There is nothing to plot: no examined peak holds a listed component ion.";

// The Plot Spectrum command: asks for the resolution, builds the profile, puts the data set into
// spectrum mode and sets the workspace's plotMode. Answers true when a plot was made; on Cancel, or
// when there is nothing to plot (the person is told), nothing changes.
bool plotSpectrum(MarvolenDocument& doc, CalcWorkspace& ws, Prompter& prompter, PlotProfile& profile = plotProfile());

// Display Data: back from the plot to the listing.
void displayData(MarvolenDocument& doc, CalcWorkspace& ws);

}  // namespace mv
