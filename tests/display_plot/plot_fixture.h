#pragma once

#include "base/scan_type.h"
#include "document/data_set.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace mv::test {

// A profile of hand-set segments of 61 points 0.025 apart, flat at 0.05 but for a top of 0.5 in
// the middle of each.
struct ProfileFixture {
    std::vector<double> intensities;
    int32_t starts[kPlotSegmentSlots];
    double startMz[kPlotSegmentSlots] = {};
    DataSet data;

    explicit ProfileFixture(const std::vector<double>& segmentMz) {
        std::fill(std::begin(starts), std::end(starts), -1);
        for (size_t g = 0; g < segmentMz.size(); ++g) {
            starts[g] = static_cast<int32_t>(intensities.size());
            startMz[g] = segmentMz[g];
            for (int i = 0; i < 61; ++i) intensities.push_back(i == 30 ? 0.5 : 0.05);
        }
        data.readyForCalculation = false;
        data.listComponentsOption = true;
        data.scanType = static_cast<int>(ScanType::Regular);
        data.ionCharge = 1;
        data.plotIntensities = intensities.data();
        data.plotSegmentStarts = starts;
        data.plotSegmentStartMz = startMz;
        data.plotPointCount = static_cast<int32_t>(intensities.size());
        data.plotMaxIntensity = 0.5;
        data.plotStep = 0.025;
    }
};

}  // namespace mv::test
