#include "display/emf_canvas.h"
#include "display/spectrum_export.h"

#include "tests/display_plot/plot_fixture.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace mv {
namespace {

using test::ProfileFixture;

uint32_t u32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}
int32_t i32(const std::string& b, size_t at) { return static_cast<int32_t>(u32(b, at)); }
std::string utf16At(const std::string& b, size_t at, size_t chars) {
    std::string s;
    for (size_t i = 0; i < chars; ++i) s.push_back(static_cast<char>(b[at + 2 * i]));
    return s;
}

struct EmfRecord {
    uint32_t type;
    size_t at;
    uint32_t size;
};

std::vector<EmfRecord> records(const std::string& b) {
    std::vector<EmfRecord> out;
    for (size_t at = 0; at + 8 <= b.size();) {
        const uint32_t size = u32(b, at + 4);
        if (size < 8 || size % 4 || at + size > b.size()) break;
        out.push_back({u32(b, at), at, size});
        at += size;
    }
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Metafile, SizesOnA1920PixelDisplayOf508Millimetres) {
    const MetafileSizes s = metafileSizes(PlotScreen{508, 1920, 286, 1080});
    EXPECT_EQ(s.width, 907);
    EXPECT_EQ(s.height, 605);
    EXPECT_EQ(s.fontHeight, 20);
    EXPECT_EQ(s.tick, 12);
    EXPECT_EQ(s.labelGap, 18);
    EXPECT_EQ(s.penWidth, 2);
}

struct ExportFixture : ::testing::Test {
    ProfileFixture f{{100.0}};
    MarvolenDocument doc;
    test::ScriptedPrompter prompter;
    std::string path = (std::filesystem::temp_directory_path() / ("mv_emf_" + std::to_string(::getpid()) + ".emf")).string();
    PlotTitles titles{"C6H12O6", "", "", ""};
    PlotScreen screen{508, 1920, 286, 1080};

    void SetUp() override {
        doc.dataSet() = f.data;
        doc.spectrumPlotted();
    }
    void TearDown() override { std::remove(path.c_str()); }
};

TEST_F(ExportFixture, TheFileReadsBackWithHeaderFrameDescriptionAndDrawing) {
    prompter.savePaths.push_back(path);
    ASSERT_TRUE(exportSpectrum(doc, prompter, titles, screen));
    const std::string b = readFile(path);
    ASSERT_GE(b.size(), 108u);
    EXPECT_EQ(u32(b, 0), Emr::Header);
    EXPECT_EQ(u32(b, 40), 0x464D4520u);  // " EMF"
    EXPECT_EQ((std::vector<int32_t>{i32(b, 24), i32(b, 28), i32(b, 32), i32(b, 36)}),
              (std::vector<int32_t>{0, 0, 24000, 16000}));  // 240 mm x 160 mm in 0.01 mm
    EXPECT_EQ(u32(b, 48), b.size());
    const uint32_t nDesc = u32(b, 60);
    ASSERT_EQ(nDesc, 40u);
    EXPECT_EQ(utf16At(b, u32(b, 64), nDesc), std::string("Marvolen\0Isotope Cluster Mass Spectrum\0\0", 40));

    const auto recs = records(b);
    EXPECT_EQ(recs.size(), u32(b, 52));
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(recs.back().type, Emr::Eof);
    EXPECT_EQ(recs.back().at + recs.back().size, b.size());

    std::map<uint32_t, int> count;
    std::vector<std::string> texts;
    std::vector<int32_t> fontHeights, escapements, penWidths;
    bool isotropic = false;
    // Only records the picture needs; the graphics mode travels in each text record (a stray
    // record 67 would be read as SelectClipPath and clip everything away in viewers).
    const std::set<uint32_t> known{Emr::Header, Emr::SetWindowExtEx, Emr::SetWindowOrgEx, Emr::SetViewportExtEx,
                                   Emr::SetViewportOrgEx, Emr::Eof, Emr::SetMapMode, Emr::SetTextAlign, Emr::MoveToEx,
                                   Emr::SelectObject, Emr::CreatePen, Emr::DeleteObject, Emr::Rectangle, Emr::LineTo,
                                   Emr::ExtCreateFontIndirectW, Emr::ExtTextOutW};
    for (const auto& r : recs) {
        EXPECT_TRUE(known.count(r.type)) << "record type " << r.type;
        ++count[r.type];
        if (r.type == Emr::ExtTextOutW) {
            EXPECT_EQ(u32(b, r.at + 24), 2u);  // GM_ADVANCED
        }
        if (r.type == Emr::SetMapMode && u32(b, r.at + 8) == 7) isotropic = true;
        if (r.type == Emr::SetWindowExtEx) {
            EXPECT_EQ((std::pair{i32(b, r.at + 8), i32(b, r.at + 12)}), (std::pair{907, 605}));
        }
        if (r.type == Emr::ExtCreateFontIndirectW) {
            fontHeights.push_back(i32(b, r.at + 12));
            escapements.push_back(i32(b, r.at + 20));
            EXPECT_EQ(utf16At(b, r.at + 12 + 28, 5), "Arial");
        }
        if (r.type == Emr::CreatePen) penWidths.push_back(i32(b, r.at + 16));
        if (r.type == Emr::Rectangle) {
            EXPECT_EQ((std::vector<int32_t>{i32(b, r.at + 8), i32(b, r.at + 12), i32(b, r.at + 16), i32(b, r.at + 20)}),
                      (std::vector<int32_t>{90, 30, 861, 484}));
        }
        if (r.type == Emr::ExtTextOutW)
            texts.push_back(utf16At(b, r.at + u32(b, r.at + 48), u32(b, r.at + 44)));
    }
    EXPECT_TRUE(isotropic);
    EXPECT_EQ(count[Emr::Rectangle], 1);
    EXPECT_GE(count[Emr::LineTo], 60 + 6 + 7);  // profile, intensity ticks, m/z ticks
    EXPECT_EQ(fontHeights.front(), 20);
    EXPECT_NE(std::find(escapements.begin(), escapements.end(), 900), escapements.end());
    EXPECT_EQ(penWidths, std::vector<int32_t>{2});
    for (const char* t : {"0", "100", "Relative Intensity", "100.00", "Mass/Charge", "Spectrum of the Isotope Cluster of ",
                          "[C", "12", "]", "+1"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << t;
}

TEST_F(ExportFixture, NumberingAndFailedWrite) {
    prompter.savePaths = {path, path};
    ASSERT_TRUE(exportSpectrum(doc, prompter, titles, screen));
    ASSERT_TRUE(exportSpectrum(doc, prompter, titles, screen));
    doc.spectrumPlotted();  // a new plot takes the next number
    prompter.savePaths = {std::string("/nonexistent-dir/x.emf")};
    EXPECT_FALSE(exportSpectrum(doc, prompter, titles, screen));
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"save dialog: Spectrum1.emf", "save dialog: Spectrum1.emf",
                                                           "save dialog: Spectrum2.emf", kMetafileNotCopied}));
    EXPECT_EQ(doc.dataSet().spectrumName, "Spectrum3");  // the failed export still took its number
    // Cancel leaves the numbering.
    doc.spectrumPlotted();
    EXPECT_FALSE(exportSpectrum(doc, prompter, titles, screen));
    EXPECT_EQ(doc.dataSet().spectrumNumber, 3);
    EXPECT_FALSE(doc.dataSet().spectrumNumberTaken);
}

}  // namespace
}  // namespace mv
