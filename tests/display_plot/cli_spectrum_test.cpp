#include "tests/support/cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mv {
namespace {

using test::runCli;

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
        lines.push_back(text.substr(start, p - start));
    return lines;
}

TEST(CliSpectrum, RegularAtUnitResolutionPrintsTheSpectrumFile) {
    const auto r = runCli({"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = crlfLines(r.out);
    ASSERT_GT(l.size(), 8u) << r.out;
    EXPECT_EQ(l[0], "Isotope Cluster Mass Spectrum");
    // [A+0] m/z 6 x 12 + 12 x 1.0078250319 + 6 x 15.9949146 - 0.000054858 = 180.063333; unit
    // resolution is 180.063333 / 0.5.
    EXPECT_EQ(l[2], "Resolution (halfwidth definition): 360.13");
    // The profile starts 1.5 W before [A+0], where the Gaussian is 2^-9 of its top (0.195 %), and
    // one step of 0.025 later at 2^-(0.725^2 / 0.0625) (0.294 %).
    const auto first = std::find(l.begin(), l.end(), "179.3133,  0.195");
    ASSERT_NE(first, l.end()) << r.out;
    EXPECT_EQ(*(first + 1), "179.3383,  0.294");
    EXPECT_NE(std::find(l.begin(), l.end(), "180.0633,  100.000"), l.end());
}

TEST(CliSpectrum, RefusalsExitWithStatusTwo) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"regular", "C6H12O6", "--components", "0:4", "--spectrum", "50"},
         "Please enter a number between 100 and 1000000.\n(the value of --spectrum: '50')\n"},
        {{"regular", "C6H12O6", "--components", "0:4", "--spectrum=1000001"},
         "Please enter a number between 100 and 1000000.\n(the value of --spectrum: '1000001')\n"},
        {{"regular", "C6H12O6", "--spectrum", "unit"},
         "marvolen-cli regular: --spectrum needs --components FIRST:LAST, since the spectrum is built from the "
         "listed component ions\n"},
        {{"regular", "C6H12O6", "--components", "0:4", "--spectrum"},
         "marvolen-cli regular: --spectrum needs a value unit or a resolution\n"},
        {{"regular", "C6H12O6", "--components", "0:4", "--export", "x.emf"},
         "marvolen-cli regular: --export draws the plotted spectrum and needs --spectrum unit|R\n"},
        // Peaks 30 to 34 of this ion hold no species.
        {{"regular", "C6H12O6", "--components", "30:34", "--spectrum", "unit"},
         "There is nothing to plot: no examined peak holds a listed component ion.\n"},
    };
    for (const auto& c : cases) {
        auto args = c.args;
        args.insert(args.begin() + 1, "--no-progress");
        const auto r = runCli(args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
}

TEST(CliSpectrum, ExportWritesTheMetafileBesideTheSpectrumFile) {
    const std::string path = testing::TempDir() + "cli_plot.emf";
    const auto r = runCli({"neutral-loss", "C6H12O6", "--product", "C6H10O5", "--components", "0:3",
                           "--spectrum", "unit", "--export", path, "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Isotope Cluster Neutral Loss Tandem Mass Spectrum\r\n", 0), 0u) << r.out.substr(0, 200);
    std::ifstream in(path, std::ios::binary);
    const std::string b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GE(b.size(), 108u);
    EXPECT_EQ(b.substr(40, 4), " EMF");
    EXPECT_EQ(b.substr(b.size() - 20, 4), std::string("\x0e\0\0\0", 4));  // the end-of-file record
    std::remove(path.c_str());

    const auto failed = runCli({"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--export",
                                "/nonexistent-dir/x.emf", "--no-progress"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "ERROR - Metafile was not copied to disk! (/nonexistent-dir/x.emf)\n");
}

}  // namespace
}  // namespace mv
