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

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
        // The format comes from the extension; anything else is refused before calculating.
        {{"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--export", "plot.jpg"},
         "marvolen-cli regular: --export: the picture's format comes from the file's extension, .emf, .svg, .png or "
         ".pdf ('plot.jpg')\n"},
        {{"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--export", "/tmp/plot.svg/"},
         "marvolen-cli regular: --export: the picture's format comes from the file's extension, .emf, .svg, .png or "
         ".pdf ('/tmp/plot.svg/')\n"},
        {{"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--export="},
         "marvolen-cli regular: --export needs a file name FILE.emf, .svg, .png or .pdf\n"},
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
    const std::string b = fileBytes(path);
    ASSERT_GE(b.size(), 108u);
    EXPECT_EQ(b.substr(40, 4), " EMF");
    EXPECT_EQ(b.substr(b.size() - 20, 4), std::string("\x0e\0\0\0", 4));  // the end-of-file record
    std::remove(path.c_str());

    const auto failed = runCli({"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--export",
                                "/nonexistent-dir/x.emf", "--no-progress"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "ERROR - Metafile was not copied to disk! (/nonexistent-dir/x.emf)\n");
}

#ifdef MARVOLEN_HAVE_PICTURES
// The same plot as SVG, PNG and PDF: each file of its kind, 240 mm x 160 mm, with the graph's
// texts where the format keeps them as text.
TEST(CliSpectrum, ExportWritesSvgPngAndPdf) {
    struct Case {
        const char* extension;
        std::vector<std::string> expected;  // pieces the file holds
    };
    const Case cases[] = {
        {".svg", {"<?xml", "viewBox=\"0 0 907 605\"", "<title>Isotope Cluster Mass Spectrum</title>", ">Mass/Charge<",
                  ">Relative Intensity<", ">180.00<", ">[C<", ">12<", ">+1<"}},
        // 240 mm at 300 dots per inch is 2835 pixels, 160 mm 1890: the IHDR chunk holds them.
        {".PNG", {"\x89PNG\r\n\x1a\n", std::string("IHDR\0\0\x0b\x13\0\0\x07\x62", 12)}},
        // 240 mm x 160 mm is 680.3 x 453.5 points, which the page box rounds; the title is UTF-16.
        {".pdf", {"%PDF-", std::string("\xfe\xff\0I\0s\0o\0t\0o\0p\0e", 16), "/MediaBox [0 0 680.0", " 454.0"}},
    };
    for (const auto& c : cases) {
        const std::string path = testing::TempDir() + "cli_plot" + c.extension;
        const auto r = runCli({"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--export", path,
                               "--no-progress"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::string b = fileBytes(path);
        EXPECT_EQ(b.compare(0, c.expected[0].size(), c.expected[0]), 0) << c.extension;
        for (const auto& piece : c.expected) EXPECT_NE(b.find(piece), std::string::npos) << c.extension << ": " << piece;
        std::remove(path.c_str());
    }
    const auto failed = runCli({"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit", "--export",
                                "/nonexistent-dir/x.svg", "--no-progress"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "ERROR - The picture was not written to disk! (/nonexistent-dir/x.svg)\n");
}
#endif

}  // namespace
}  // namespace mv
