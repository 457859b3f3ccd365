// Writes that cannot succeed, through the real program: the failure is reported with the file's
// name and a non-zero status, and a write that fails part way is never reported as a success.

#include "tests/hardening/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

constexpr int kExitFailure = 1;

// One quick run of each command that writes a result.
const std::vector<std::vector<std::string>> kCommands = {
    {"formula", "C6H12O6"},
    {"regular", "C6H12O6", "--no-progress"},
    {"precursor", "C6H12O6", "--product", "C6H10O5", "--no-progress"},
    {"neutral-loss", "C6H12O6", "--product", "C6H10O5", "--no-progress"},
    {"product", "C6H12O6", "--product", "C6H10O5", "--no-progress"},
};

std::string commandName(const std::vector<std::string>& args) { return args.front(); }

class OutputFailure : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "marvolen-hardening-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, ignored);
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_F(OutputFailure, UnwritablePathsAreReportedWithTheirName) {
    const fs::path folder = dir_ / "a-folder";
    fs::create_directory(folder);
    std::vector<std::string> paths = {
        folder.string(),                            // a directory
        (dir_ / "missing" / "out.txt").string(),    // a folder that does not exist
        "/proc/version",                            // opens even for root, but takes no write
        "/dev/full",                                // every write fails: no space
    };
    if (fs::exists("/sys/kernel/uevent_seqnum")) paths.push_back("/sys/kernel/uevent_seqnum");  // read-only for root
    // A read-only file stops everyone but root, who may write it anyway.
    const fs::path readOnly = dir_ / "read-only.txt";
    std::ofstream(readOnly) << "keep\n";
    fs::permissions(readOnly, fs::perms::owner_read);
    if (::geteuid() != 0) paths.push_back(readOnly.string());

    for (const auto& command : kCommands) {
        for (const auto& path : paths) {
            for (const bool longForm : {false, true}) {
                auto args = command;
                if (longForm) {
                    args.push_back("--output=" + path);
                } else {
                    args.insert(args.end(), {"-o", path});
                }
                const ProcessResult r = runCli(args);
                SCOPED_TRACE(commandName(command) + " -> " + path);
                EXPECT_FALSE(r.signalled) << r.err;
                EXPECT_EQ(r.status, kExitFailure) << r.err;
                EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
                EXPECT_EQ(r.out, "");
            }
        }
    }
    if (::geteuid() != 0) {
        std::ifstream in(readOnly);
        std::string kept;
        std::getline(in, kept);
        EXPECT_EQ(kept, "keep");
    }
}

TEST_F(OutputFailure, FailedStandardOutputIsNoSuccess) {
    auto commands = kCommands;
    commands.push_back({"regular", "--help"});
    commands.push_back({"--help"});
    for (const auto& command : commands) {
        SCOPED_TRACE(commandName(command));
        ProcessOptions toFull;
        toFull.stdoutPath = "/dev/full";
        const ProcessResult r = runCli(command, toFull);
        EXPECT_FALSE(r.signalled) << r.err;
        EXPECT_EQ(r.status, kExitFailure) << r.err;
        EXPECT_NE(r.err.find("could not write to standard output"), std::string::npos) << r.err;
    }
}

TEST_F(OutputFailure, AWriteThatStopsPartWayIsReported) {
    // The file size limit lets the first bytes through and then fails every write (EFBIG).
    constexpr long long kLimit = 300;
    const std::vector<std::vector<std::string>> commands = {
        {"regular", "C6H12O6", "--components", "0:5", "--no-progress"},
        {"neutral-loss", "C6H12O6", "--product", "C6H10O5", "--no-progress"},
        {"formula", "C60H120O60SiSSeClBrNaKCaFeZnCuNiMoW"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(commandName(command));
        // The whole result, to know that it is longer than the limit.
        const ProcessResult full = runCli(command);
        ASSERT_EQ(full.status, 0) << full.err;
        const long long limit = commandName(command) == "formula" ? 60 : kLimit;
        ASSERT_GT(static_cast<long long>(full.out.size()), limit);

        const fs::path file = dir_ / "partial.txt";
        auto args = command;
        args.insert(args.end(), {"-o", file.string()});
        ProcessOptions limited;
        limited.fileSizeLimit = limit;
        const ProcessResult r = runCli(args, limited);
        EXPECT_FALSE(r.signalled) << r.err;
        EXPECT_EQ(r.status, kExitFailure) << r.err;
        EXPECT_NE(r.err.find(file.string()), std::string::npos) << r.err;
        EXPECT_LE(static_cast<long long>(fs::file_size(file)), limit);

        const fs::path redirected = dir_ / "stdout.txt";
        ProcessOptions toFile = limited;
        toFile.stdoutPath = redirected.string();
        const ProcessResult s = runCli(command, toFile);
        EXPECT_FALSE(s.signalled) << s.err;
        EXPECT_EQ(s.status, kExitFailure) << s.err;
        EXPECT_NE(s.err.find("could not write to standard output"), std::string::npos) << s.err;
    }
}

TEST_F(OutputFailure, AWrittenFileHoldsExactlyWhatStandardOutputShows) {
    for (const auto& command : kCommands) {
        SCOPED_TRACE(commandName(command));
        const ProcessResult shown = runCli(command);
        ASSERT_EQ(shown.status, 0) << shown.err;
        const fs::path file = dir_ / (commandName(command) + ".txt");
        auto args = command;
        args.insert(args.end(), {"--output", file.string()});
        const ProcessResult written = runCli(args);
        ASSERT_EQ(written.status, 0) << written.err;
        EXPECT_EQ(written.out, "");
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes, shown.out);
    }
}

// The plot picture: every format's write failures, also part way, are reported with the file's
// name, and the spectrum is then not printed as if all had gone well.
TEST_F(OutputFailure, PictureWritesThatFailAreReported) {
    std::vector<std::string> extensions = {".emf"};
#ifdef MARVOLEN_HAVE_PICTURES
    extensions.insert(extensions.end(), {".svg", ".png", ".pdf"});
#endif
    for (const auto& ext : extensions) {
        const fs::path folder = dir_ / ("a-folder" + ext);
        fs::create_directory(folder);
        struct Case {
            std::string path;
            long long sizeLimit;  // -1: none
        };
        const Case cases[] = {
            {folder.string(), -1},
            {(dir_ / "missing" / ("plot" + ext)).string(), -1},
            {(dir_ / ("partial" + ext)).string(), 1000},  // every picture is larger
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.path);
            ProcessOptions options;
            options.fileSizeLimit = c.sizeLimit;
            const ProcessResult r = runCli({"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit",
                                            "--export", c.path, "--no-progress"},
                                           options);
            EXPECT_FALSE(r.signalled) << r.err;
            EXPECT_EQ(r.status, kExitFailure) << r.err;
            EXPECT_NE(r.err.find(c.path), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
}

}  // namespace
}  // namespace mv::test
