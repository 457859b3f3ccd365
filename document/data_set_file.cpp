#include "document/data_set_file.h"

#include "base/scan_type.h"
#include "base/textfmt.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace mv {

namespace {

// A table's listing ends once its sum has reached the threshold and the next slot is below this.
constexpr double kNextPeakNegligible = 0.000002;

double absCharge(int32_t charge) { return static_cast<double>(std::abs(static_cast<int64_t>(charge))); }

double mzOf(int index, double massA0, int32_t charge) { return (index + massA0) / absCharge(charge); }

// Relative intensity in percent. A table whose FAs are all zero has no reference peak; its lines
// show 0.000 rather than nan.
double relInt(double fa, double maxFA) { return maxFA == 0.0 ? 0.0 : 100.0 * fa / maxFA; }

void peakLine(std::string& out, int index, double mz, double fa, double maxFA) {
    out += formatC("A+%d, %.2f, %.6E, %.3f\r\n", index, mz, fa, relInt(fa, maxFA));
}

double maxOf(const double* fa, int count) {
    double m = 0.0;
    for (int i = 0; i < count; ++i) m = std::max(m, fa[i]);
    return m;
}

// One peak table of a Regular, Precursor or Neutral Loss file with its total line.
void listedTable(std::string& out, const double* fa, int count, double massA0, int32_t charge, double threshold) {
    const double maxFA = maxOf(fa, count);
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        peakLine(out, i, mzOf(i, massA0, charge), fa[i], maxFA);
        sum += fa[i];
        if (i + 1 < count && sum >= threshold && fa[i + 1] < kNextPeakNegligible) break;
    }
    out += formatC("Total fractional abundance: %.5f\r\n", sum);
}

void formulaLine(std::string& out, const std::string& formula, double massA0, int32_t charge) {
    // Assembled piece by piece, so a formula of any length is written in full.
    out += "Formula: ";
    out += formula;
    out += "; [A+0] Mass: ";
    out += formatC("%.4f", massA0);
    out += "; Charge: ";
    out += formatC("%d\r\n", charge);
}

void regularFile(std::string& out, const DataSet& ds) {
    out += "Data for a simple mass spectrum\r\n";
    out += "Ion Formula: " + ds.ionFormula + "\r\n";
    out += formatC("Mass of A+0: %.4f; Ion charge: %d\r\n\r\n", ds.ionMassA0, ds.ionCharge);
    out += "Ion, m/z, FA, Rel Int\r\n";
    listedTable(out, ds.peakFA, kPeakSlots, ds.ionMassA0, ds.ionCharge, ds.reportedFA);
}

void precursorFile(std::string& out, const DataSet& ds) {
    out += "Data for precursor ion MS/MS spectra\r\n";
    out += "Precursor Ion Formula: " + ds.ionFormula + "; Product Ion Formula: " + ds.product1Formula + "\r\n";
    out += formatC("A+0 Precursor Ion Mass: %.4f; A+0 Product Ion Mass: %.4f\r\n", ds.ionMassA0, ds.product1MassA0);
    out += formatC("Precursor Ion Charge: %d; Product Ion Charge: %d\r\n\r\n", ds.ionCharge, ds.product1Charge);
    out += "Isotope cluster peaks within a spectrum of a single product ion.\r\n";
    out += "The m/z values are those specifically in the spectrum of the A+0 product ion.\r\n";
    out += "P Ion, m/z, FA, Rel Int\r\n";
    listedTable(out, ds.peakFA, kTandemTableSlots, ds.ionMassA0, ds.ionCharge, ds.reportedFA);
    out += "\r\nRelative intensities among spectra of different [A+i] product ions.\r\n";
    out += "The m/z values are those of the product ion selected for the spectrum.\r\n";
    out += "F Ion, m/z, FA, Rel Int\r\n";
    listedTable(out, ds.peakFA + kTandemTableSlots, kTandemTableSlots, ds.product1MassA0, ds.product1Charge,
                ds.reportedFA2);
}

void neutralLossFile(std::string& out, const DataSet& ds) {
    const double fragmentMass = ds.ionMassA0 - ds.product1MassA0;
    out += "Data for neutral loss MS/MS spectra\r\n";
    out += "Precursor Ion Formula: " + ds.ionFormula + "; Product Ion Formula: " + ds.product1Formula + "\r\n";
    out += formatC("A+0 Precursor Ion Mass: %.4f; 'A+0' Neutral Fragment Mass: %.4f\r\n", ds.ionMassA0, fragmentMass);
    out += formatC("Precursor and Product Ion Charge: %d\r\n\r\n", ds.ionCharge);
    out += "Isotope cluster peaks within a spectrum of a single neutral loss.\r\n";
    out += "The m/z values are those specifically in the spectrum of the lightest neutral loss.\r\n";
    out += "P Ion, m/z, FA, Rel Int\r\n";
    listedTable(out, ds.peakFA, kTandemTableSlots, ds.ionMassA0, ds.ionCharge, ds.reportedFA2);
    out += "\r\nRelative intensities among spectra of different [A+i] neutral fragments.\r\n";
    out += "The 'm/z' values are those of the neutral loss selected for the spectrum.\r\n";
    out += "N Frg, 'm/z', FA, Rel Int\r\n";
    listedTable(out, ds.peakFA + kTandemTableSlots, kTandemTableSlots, fragmentMass, ds.ionCharge, ds.reportedFA);
}

void productFile(std::string& out, const DataSet& ds) {
    out += "Data for product ion mass spectra\r\n";
    out += "Precursor Ion Formula: " + ds.ionFormula +
           formatC("; Mass of [A+0]: %.4f; Charge: %d\r\n", ds.ionMassA0, ds.ionCharge);
    out += "Product Ion Formula: " + ds.product1Formula +
           formatC("; Mass of [A+0]: %.4f; Charge: %d\r\n", ds.product1MassA0, ds.product1Charge);
    double grandTotal = 0.0;
    for (int k = 0;; ++k) {
        // The spectrum of precursor peak k occupies k + 1 slots from the triangular number k(k+1)/2.
        const int first = k * (k + 1) / 2;
        if (first + k >= kPeakSlots) break;
        const double* fa = ds.peakFA + first;
        double total = 0.0;
        for (int j = 0; j <= k; ++j) total += fa[j];
        const double maxFA = total == 0.0 ? 1.0 : maxOf(fa, k + 1);
        grandTotal += total;
        out += formatC("\r\nFor the Product Ion(s) of m/z %.2f\r\n", mzOf(k, ds.ionMassA0, ds.ionCharge));
        out += "F Ion, m/z, FA, Rel Int\r\n";
        for (int j = 0; j <= k; ++j)
            peakLine(out, j, mzOf(j, ds.product1MassA0, ds.product1Charge), fa[j], maxFA);
        out += formatC("Sum of the fractional abundances in this spectrum is %.6E.\r\n", total);
        if (!(grandTotal <= ds.reportedFA && k < ds.maxPrecursorPeak)) break;
    }
    out += formatC("The total fractional abundance for this calculation is %.6f\r\n", grandTotal);
}

// One spectrum block of an MSn file: every line of the block is written.
void msnBlock(std::string& out, const DataSet& ds, int firstSlot, int lastIndex, double massA0, int32_t charge) {
    // A block never reaches past the slots; the parameter checks keep real data sets well inside.
    const int count = std::clamp(lastIndex + 1, 0, std::max(0, kPeakSlots - firstSlot));
    const double* fa = ds.peakFA + firstSlot;
    const double maxFA = maxOf(fa, count);
    double total = 0.0;
    out += "F Ion, m/z, FA, Rel Int\r\n";
    for (int j = 0; j < count; ++j) {
        peakLine(out, j, mzOf(j, massA0, charge), fa[j], maxFA);
        total += fa[j];
    }
    out += formatC("Total fractional abundance in this spectrum: %.5E\r\n", total);
}

void msnFile(std::string& out, const DataSet& ds) {
    const int p = ds.precursorPeakIndex;
    const int g1 = ds.product1PeakIndex;
    const int g2 = ds.product2PeakIndex;
    out += "Data for MSn product ion mass spectra\r\n";
    out += "\r\nData for the precursor ion:\r\n";
    formulaLine(out, ds.ionFormula, ds.ionMassA0, ds.ionCharge);
    out += "Data for the first generation product ion:\r\n";
    formulaLine(out, ds.product1Formula, ds.product1MassA0, ds.product1Charge);
    if (ds.msSteps > 2) {
        out += "Data for the second generation product ion:\r\n";
        formulaLine(out, ds.product2Formula, ds.product2MassA0, ds.product2Charge);
    }
    if (ds.msSteps > 3) {
        out += "Data for the third generation product ion:\r\n";
        formulaLine(out, ds.product3Formula, ds.product3MassA0, ds.product3Charge);
    }
    out += formatC("\r\nFirst generation product ion(s) of [P+%d]; m/z %.2f\r\n", p, mzOf(p, ds.ionMassA0, ds.ionCharge));
    msnBlock(out, ds, 0, p, ds.product1MassA0, ds.product1Charge);
    if (ds.msSteps > 2) {
        out += formatC("\r\nSecond generation product ion(s) of [1G+%d]; m/z %.2f\r\n", g1,
                       mzOf(g1, ds.product1MassA0, ds.product1Charge));
        msnBlock(out, ds, p + 1, g1, ds.product2MassA0, ds.product2Charge);
    }
    if (ds.msSteps > 3) {
        out += formatC("\r\nThird generation product ion(s) of [2G+%d]; m/z %.2f\r\n", g2,
                       mzOf(g2, ds.product2MassA0, ds.product2Charge));
        msnBlock(out, ds, p + g1 + 2, g2, ds.product3MassA0, ds.product3Charge);
    }
}

void componentSection(std::string& out, const DataSet& ds) {
    switch (static_cast<ScanType>(ds.scanType)) {
    case ScanType::Regular:
        out += "\r\nIndividual peak components:\r\n";
        break;
    case ScanType::NeutralLoss:
        out += "\r\nIndividual components for peaks within a spectrum:\r\n";
        break;
    case ScanType::MSn:
        out += formatC("%s[P+%d] precursor ion:\r\n", "\r\nIndividual peak components for product ions of the ",
                       ds.precursorPeakIndex);
        break;
    default:
        return;  // these scans never list components
    }
    out += "\r\nIon Formula, Mass, FA, Rel. Int.";
    if (!ds.compFormulas || !ds.compMasses || !ds.compFAs || !ds.peakCompTotalFA || !ds.peakCompMaxFA ||
        !ds.peakCompCount)
        return;
    for (int p = 0; p <= ds.lastListedPeak - ds.firstListedPeak; ++p) {
        const int count = ds.peakCompCount[p];
        if (count <= 0) continue;
        out += formatC("\r\n[A+%d] Peak\r\n", ds.firstListedPeak + p);
        for (int c = 0; c < count; ++c) {
            const int64_t e = static_cast<int64_t>(p) * ds.maxIonsPerPeak + c;
            const char* formula = ds.compFormulas[e];
            out.append(formula, strnlen(formula, kComponentFormulaChars));
            out += formatC(", %.4f", ds.compMasses[e]);
            out += formatC(", %.5E", ds.compFAs[e]);
            out += formatC(", %.3f\r\n", relInt(ds.compFAs[e], ds.peakCompMaxFA[p]));
        }
        out += formatC("Total FA for the components in the peak listed above: %.5E\r\n", ds.peakCompTotalFA[p]);
    }
}

}  // namespace

std::string renderDataSetFile(const DataSet& ds) {
    std::string out;
    switch (static_cast<ScanType>(ds.scanType)) {
    case ScanType::Regular:
        regularFile(out, ds);
        break;
    case ScanType::Precursor:
        precursorFile(out, ds);
        break;
    case ScanType::NeutralLoss:
        neutralLossFile(out, ds);
        break;
    case ScanType::Product:
        productFile(out, ds);
        break;
    case ScanType::MSn:
        msnFile(out, ds);
        break;
    }
    if (ds.listComponentsOption) componentSection(out, ds);
    return out;
}

std::string renderSpectrumFile(const DataSet& ds) {
    std::string out;
    switch (static_cast<ScanType>(ds.scanType)) {
    case ScanType::Regular:
        out += "Isotope Cluster Mass Spectrum\r\n";
        out += "Ion Formula: " + ds.ionFormula + "; [A+0] Mass: " + formatC("%.4f", ds.ionMassA0) + "; Charge: " +
               formatC("%d\r\n", ds.ionCharge);
        break;
    case ScanType::NeutralLoss:
        out += "Isotope Cluster Neutral Loss Tandem Mass Spectrum\r\n";
        out += "Precursor ion data:\r\n";
        formulaLine(out, ds.ionFormula, ds.ionMassA0, ds.ionCharge);
        out += "Product ion data:\r\n";
        formulaLine(out, ds.product1Formula, ds.product1MassA0, ds.product1Charge);
        out += "Mass of the '[A+0]' neutral fragment: " + formatC("%.4f\r\n", ds.ionMassA0 - ds.product1MassA0);
        out += "The m/z values are for the product ion, not the precursor ion.\r\n";
        break;
    default:
        out += "Isotope Cluster Product Ion Tandem Mass Spectrum\r\n";
        out += "Precursor ion data:\r\n";
        formulaLine(out, ds.ionFormula, ds.ionMassA0, ds.ionCharge);
        out += "Product ion data:\r\n";
        formulaLine(out, ds.product1Formula, ds.product1MassA0, ds.product1Charge);
        out += formatC("[A+%d] precursor ion selected for CID.\r\n", ds.precursorPeakIndex);
        break;
    }
    out += "Resolution (halfwidth definition): " + formatC("%.2f\r\n", ds.plotResolution);
    out += "\r\nm/z, Rel. Int.\r\n";
    if (!ds.plotIntensities || !ds.plotSegmentStarts || !ds.plotSegmentStartMz) return out;
    int segment = 0;
    double x = 0.0;
    for (int n = 0; n < ds.plotPointCount; ++n) {
        if (segment < kPlotSegmentSlots && n == ds.plotSegmentStarts[segment]) {
            x = ds.plotSegmentStartMz[segment];
            ++segment;
        }
        out += formatC("%.4f,  %.3f\r\n", x, relInt(ds.plotIntensities[n], ds.plotMaxIntensity));
        x += ds.plotStep;
    }
    return out;
}

std::string renderSaveFile(const DataSet& ds) { return ds.spectrumMode ? renderSpectrumFile(ds) : renderDataSetFile(ds); }

namespace {

std::string failureMessage(const std::string& path, int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return "Access to " + path + " was denied.";
    case ENOSPC:
    case EDQUOT:
        return "Disk full while accessing " + path + ".";
    default:
        return "Could not write " + path + ": " + std::error_code(error, std::generic_category()).message() + ".";
    }
}

}  // namespace

std::optional<std::string> writeTextFile(const std::string& path, std::string_view bytes) {
    // The system would take the name only up to a NUL and write another file.
    if (const size_t nul = path.find('\0'); nul != std::string::npos) return failureMessage(path.substr(0, nul), EINVAL);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return failureMessage(path, errno);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            return failureMessage(path, error);
        }
        if (n == 0) {  // no progress and no error: never spin on it
            ::close(fd);
            return failureMessage(path, EIO);
        }
        done += static_cast<size_t>(n);
    }
    // Delayed write errors (network and quota-limited file systems) surface only here.
    if (::close(fd) != 0 && errno != EINTR) return failureMessage(path, errno);
    return std::nullopt;
}

}  // namespace mv
