#pragma once

namespace mv {

// The kind of calculation; the numeric values are stored in data sets and decide their layout.
enum class ScanType : int { Regular = 0, Precursor = 1, NeutralLoss = 2, Product = 3, MSn = 4 };

}  // namespace mv
