// Arguments that are not what their option needs, through the library entry point and through the
// real program: each is refused with a message and status 2, never a crash, a hang or a wrong
// calculation; values the options do admit reach the calculation exactly.

#include "cli/calc_command.h"
#include "cli/cli.h"
#include "engine/workspace.h"
#include "tests/hardening/process.h"

#include <gtest/gtest.h>

#include <sstream>

namespace mv::cli {
namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result runLibrary(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = run(args, out, err);
    return {status, out.str(), err.str()};
}

// Runs the commands only up to the start of the calculation.
class HostileArguments : public ::testing::Test {
protected:
    void SetUp() override { setStopBeforeCalculation(true); }
    void TearDown() override { setStopBeforeCalculation(false); }
};

const std::string kMillion(1000000, '9');
const std::string kMillionFormula(1000000, 'C');
// The longest single argument the system passes to a program is 128 KiB.
const std::string kLongArgument(100000, '9');
const std::string kLongFormula(100000, 'C');

// Values no numeric option takes.
const std::vector<std::string> kNotANumber = {
    "", " ", "nan", "NaN", "-nan", "inf", "-inf", "infinity", "Infinity", "1e400", "-1e400", "0x10", "0x1p-1",
    "1.5garbage", "1,5", "1 2", "+-1", "1e", "e5", ".", "-", "+", "--", "\xd9\xa1" /* Arabic-Indic 1 */,
    "\xef\xbc\x91" /* fullwidth 1 */, "0.9\xc3\xa9", "1\t2", kMillion, "-" + kMillion, "0." + kMillion + "x",
};

struct OptionCase {
    const char* option;
    std::vector<std::string> refused;   // besides kNotANumber where numeric
    bool numeric;
};

const std::vector<OptionCase> kOptions = {
    {"--charge", {"0", "-0", "+0", "2147483648", "-2147483649", "1.0", "1e3", "1.5", "99999999999"}, true},
    {"--product-charge", {"0", "2147483648", "1.0", "1e0"}, true},
    {"--stop-fa", {"-1", "0", "0.4999999", "1", "1.0000001", "1e-400", "9.99991e-1", "5e-2", "99999"}, true},
    {"--max-ions", {"11", "501", "-12", "1e2", "12.0", "2147483648"}, true},
    {"--max-precursor-peak", {"-1", "35", "1.5", "3e0", "2147483648"}, true},
    {"--components",
     {"", "0", "0:", ":3", "0:3:5", "a:b", "-1:3", "3:1", "0:166", "0:640", "0:-1", "1e0:2", "0:" + kMillion,
      " : ", "\xef\xbc\x90:3"},
     false},
    {"--spectrum", {"0", "99.99", "1000000.5", "1e7", "-1000", "units", "UNIT", "unit mass"}, true},
    {"--export",
     {"", "plot", "plot.", "plot.jpg", "plot.emf/", "/tmp/plot.svg/", "plot.svg\xc3\xa9", "plot.p\xc3\xa9" "f",
      kMillion + ".txt"},
     false},
    {"--product", {"", "c6", "C6H12O6Jx", "C7H12O6Jx", "C6H12O6SJx", "Xx", "C6H12O6\xc3\xa9", "(CH3)2", kMillionFormula, "C0"},
     false},
    {"--user-element",
     {"", "Jx", "Jx=", "Jx=abc", "Jx=12,1", "Jx=12,1:", "Jx=12,:0.1", "Jx=0", "Jx=301", "Jx=nan", "Jx=12,1:nan",
      "Jx=12,1:inf", "Jx=12,1:0.3,1:0.2", "Jx=12,26:0.1", "Jx=12,1:0.6,2:0.5", "Jx=12,1:0", "Jx=12,1:-0.1",
      "Jx=12,1:0.1,2:0.1,3:0.1,4:0.1,5:0.1,6:0.1,7:0.01,8:0.01,9:0.01,10:0.01", "C=12", "jx=12", "Jy=12",
      "Jx=12,1:0.1x", "Jx=" + kMillion},
     false},
};

struct Command {
    std::vector<std::string> base;  // a valid call; its formula uses Jx so that --user-element is needed
    std::vector<std::string> options;
};

const std::vector<Command> kCommands = {
    {{"regular", "C6H12O6Jx", "--user-element", "Jx=12,1:0.3"},
     {"--charge", "--stop-fa", "--components", "--max-ions", "--user-element", "--spectrum", "--export"}},
    {{"precursor", "C6H12O6Jx", "--product", "C6H10O5Jx", "--user-element", "Jx=12,1:0.3"},
     {"--charge", "--product-charge", "--stop-fa", "--product", "--user-element"}},
    {{"neutral-loss", "C6H12O6Jx", "--product", "C6H10O5Jx", "--user-element", "Jx=12,1:0.3"},
     {"--charge", "--product-charge", "--stop-fa", "--components", "--max-ions", "--product", "--user-element",
      "--spectrum", "--export"}},
    {{"product", "C6H12O6Jx", "--product", "C6H10O5Jx", "--user-element", "Jx=12,1:0.3"},
     {"--charge", "--product-charge", "--stop-fa", "--max-precursor-peak", "--product", "--user-element"}},
};

// The call with option set to value: replaces the option where the base call has it.
std::vector<std::string> withOption(const Command& c, const std::string& option, const std::string& value) {
    std::vector<std::string> args = c.base;
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option) {
            args[i + 1] = value;
            return args;
        }
    args.insert(args.end(), {option, value});
    // --max-ions is read only while components are listed, the spectrum is built from them, and
    // the picture is drawn from the spectrum.
    if (option == "--max-ions" || option == "--spectrum") args.insert(args.end(), {"--components", "0:3"});
    if (option == "--export") args.insert(args.end(), {"--components", "0:3", "--spectrum", "unit"});
    return args;
}

std::string shown(const std::string& value) { return value.size() > 40 ? value.substr(0, 40) + "..." : value; }

void expectRefused(const Result& r, const std::string& what) {
    EXPECT_EQ(r.status, kExitRefused) << what << "\n" << r.err.substr(0, 500);
    EXPECT_EQ(r.out, "") << what;
    EXPECT_FALSE(r.err.empty()) << what;
    EXPECT_EQ(r.err.back(), '\n') << what;
    // The message explains; it does not drown the reader in the argument it quotes.
    EXPECT_LT(r.err.size(), 4000u) << what;
}

TEST_F(HostileArguments, TheValidCallsAreAccepted) {
    for (const auto& c : kCommands) {
        const Result r = runLibrary(c.base);
        EXPECT_EQ(r.status, kExitOk) << c.base[0] << ": " << r.err;
    }
}

TEST_F(HostileArguments, EveryUnfitValueIsRefused) {
    for (const auto& c : kCommands) {
        for (const auto& o : kOptions) {
            if (std::find(c.options.begin(), c.options.end(), o.option) == c.options.end()) continue;
            std::vector<std::string> values = o.refused;
            if (o.numeric) values.insert(values.end(), kNotANumber.begin(), kNotANumber.end());
            for (const auto& v : values) {
                const std::string what = c.base[0] + " " + o.option + " '" + shown(v) + "'";
                expectRefused(runLibrary(withOption(c, o.option, v)), what);
                // The same through --option=value.
                auto inlineArgs = c.base;
                if (std::string(o.option) != "--user-element" && std::string(o.option) != "--product") {
                    inlineArgs.push_back(std::string(o.option) + "=" + v);
                    if (std::string(o.option) == "--max-ions" || std::string(o.option) == "--spectrum")
                        inlineArgs.insert(inlineArgs.end(), {"--components", "0:3"});
                    if (std::string(o.option) == "--export")
                        inlineArgs.insert(inlineArgs.end(), {"--components", "0:3", "--spectrum", "unit"});
                    expectRefused(runLibrary(inlineArgs), what + " (inline)");
                }
            }
        }
    }
}

TEST_F(HostileArguments, UnfitFormulasAndCommandLinesAreRefused) {
    const std::vector<std::string> formulas = {
        "", " ", "c6", "C6 H12", "C6H12O6\xc3\xa9", "\xc3\x89", "(CH3)2", "C-1", "C6H12O6+", "CH3-", "C6.5",
        kMillionFormula, "C65501", "C0", "C0H0", "NaF", "Jx", "Xx", "C6H12O6\x7f", "C\x01",
    };
    for (const auto& command : {"regular", "precursor", "neutral-loss", "product"})
        for (const auto& f : formulas) {
            std::vector<std::string> args{command, f};
            if (std::string(command) != "regular") args.insert(args.end(), {"--product", "CH2"});
            expectRefused(runLibrary(args), std::string(command) + " formula '" + shown(f) + "'");
        }
    for (const auto& f : formulas) expectRefused(runLibrary({"formula", f}), "formula '" + shown(f) + "'");

    const std::vector<std::vector<std::string>> lines = {
        {},
        {""},
        {"regul"},
        {"REGULAR", "C6"},
        {"regular"},
        {"regular", "C6", "C7"},
        {"regular", "C6", "--charge"},
        {"regular", "C6", "--no-progress=1"},
        {"regular", "C6", "--bogus"},
        {"regular", "C6", "-x"},
        {"regular", "C6", "-o"},
        {"regular", "C6", "-o", ""},
        {"regular", "C6", "--output="},
        {"regular", "C6", "--output"},
        {"regular", "C6", "--output=", "--no-progress"},
        {"regular", "--output=", "C6"},
        {"precursor", "C6H12O6"},
        {"product", "C6H12O6", "--product"},
        {"formula"},
        {"formula", "C6", "C7"},
        {"formula", "C6", "--charge", "nan"},
        {"formula", "C6", "--charge", "0"},
        {"formula", "C6", "--scan", "msm"},
        {"formula", "C6", "--scan", ""},
        {"formula", "C6", "-o"},
        {"formula", "C6", "-o", ""},
        {"formula", "C6", "--output="},
        {"formula", "C6", "--charge", "1", "--charge", "2"},
        {"formula", "C6", "--charge", kMillion},
        {"formula", "C6", "--scan", kMillionFormula},
        {"formula", "C6", "--" + kMillionFormula},
        {"formula", "C6", kMillionFormula},
        {"regular", "C6", "--" + kMillionFormula},
        {"regular", "C6", kMillionFormula},
        {"regular", "C6", "--format", kMillionFormula},
        {"regular", "C6Jx", "--user-element", kMillionFormula + "=12"},
        {kMillionFormula},
    };
    for (const auto& line : lines) {
        std::string what;
        for (const auto& a : line) what += "'" + shown(a) + "' ";
        expectRefused(runLibrary(line), what);
    }
}

TEST_F(HostileArguments, EmbeddedNulIsRefused) {
    // argv cannot carry a NUL, but the library entry point can.
    const std::string nul(1, '\0');
    const std::vector<std::vector<std::string>> lines = {
        {"regular", "C6" + nul + "H12O6"},
        {"regular", "C6H12O6" + nul},
        {"regular", "C6H12O6", "--charge", "1" + nul},
        {"regular", "C6H12O6", "--charge", nul + "1"},
        {"regular", "C6H12O6", "--stop-fa", "0.99" + nul + "9"},
        {"regular", "C6H12O6", "--components", "0:3" + nul},
        {"regular", "C6H12O6Jx", "--user-element", "Jx=12" + nul + ",1:0.3"},
        {"regular", "C6H12O6Jx", "--user-element", "Jx" + nul + "=12,1:0.3"},
        {"precursor", "C6H12O6", "--product", "C6H10O5" + nul},
        {"regular" + nul, "C6H12O6"},
        {"regular", "C6H12O6", "--charge" + nul, "1"},
        {"regular", "C6H12O6", "-o", "out" + nul + ".txt"},
        {"formula", "C6" + nul},
        {"formula", "C6", "--scan", "regular" + nul},
        {"formula", "C6", "-o", "out" + nul + ".txt"},
    };
    for (const auto& line : lines) {
        std::string what;
        for (std::string a : line) {
            if (const size_t at = a.find('\0'); at != std::string::npos) a.replace(at, 1, "<NUL>");
            what += "'" + a + "' ";
        }
        expectRefused(runLibrary(line), what);
    }
}

TEST_F(HostileArguments, AdmittedSpellingsReachTheCalculationExactly) {
    // Blanks around a number, a plus sign and exponent forms are numbers the dialogs take too.
    struct Case {
        std::vector<std::string> args;
        double stopFA;
        int charge;
        int polyAtoms;
    };
    const Case cases[] = {
        {{"regular", "C6H12O6", "--stop-fa", "9.999e-1"}, 0.9999, 1, 24},
        {{"regular", "C6H12O6", "--stop-fa", " 0.5 "}, 0.5, 1, 24},
        {{"regular", "C6H12O6", "--stop-fa", "+99999E-5"}, 0.99999, 1, 24},
        {{"regular", "C6H12O6", "--stop-fa=0.99999", "--charge=+3"}, 0.99999, 3, 24},
        {{"regular", "C6H12O6", "--charge", "-2147483648"}, 0.9999, -2147483647 - 1, 24},
        {{"regular", "C6H12O6", "--charge", "2147483647"}, 0.9999, 2147483647, 24},
        {{"regular", "C000006H0012O6"}, 0.9999, 1, 24},
        {{"regular", "CH3CH2OH"}, 0.9999, 1, 9},
        {{"regular", "C65500"}, 0.9999, 1, 65500},
    };
    for (const auto& c : cases) {
        const Result r = runLibrary(c.args);
        ASSERT_EQ(r.status, kExitOk) << c.args.back() << ": " << r.err;
        const CalcWorkspace& ws = workspace();
        EXPECT_EQ(ws.stopFA, c.stopFA) << c.args.back();
        EXPECT_EQ(ws.ion.polyAtomTotal, c.polyAtoms) << c.args.back();
        // Nothing monoisotopic: the mono part is the charge's electrons alone.
        EXPECT_DOUBLE_EQ(ws.ion.monoMass, static_cast<double>(-static_cast<long double>(c.charge) * kElectronMass))
            << c.args.back();
    }
}

TEST(HostileArgumentsProcess, TheProgramRefusesWithoutCrashing) {
    // Through the real argv: a sample of the above that reaches every command's parser.
    const std::vector<std::vector<std::string>> lines = {
        {"regular", "C6H12O6", "--charge", "nan"},
        {"regular", "C6H12O6", "--stop-fa", "inf"},
        {"regular", "C6H12O6", "--stop-fa", "1e400"},
        {"regular", "C6H12O6", "--stop-fa", "0.99x"},
        {"regular", "C6H12O6", "--components", "0:" + kLongArgument},
        {"regular", kLongFormula},
        {"regular", "C6H12O6\xc3\xa9"},
        {"regular", "C6H12O6", "--max-ions", "-1", "--components", "0:3"},
        {"precursor", "C6H12O6", "--product", "C6H12O6"},
        {"neutral-loss", "C6H12O6", "--product", "C6H10O5", "--product-charge", "2"},
        {"product", "C6H12O6", "--product", "C6H10O5", "--max-precursor-peak", "35"},
        {"product", "C6H12O6", "--product", ""},
        {"formula", kLongFormula},
        {"formula", "C6", "--charge", "99999999999999999999"},
        {"formula", "C6", "--charge", kLongArgument},
        {"formula", "\xff\xfe"},
        {"formula", "C6", "-o", ""},
        {"nonsense"},
        {},
    };
    for (const auto& line : lines) {
        const test::ProcessResult r = test::runCli(line);
        std::string what;
        for (const auto& a : line) what += "'" + shown(a) + "' ";
        EXPECT_FALSE(r.signalled) << what << r.err.substr(0, 500);
        EXPECT_FALSE(r.timedOut) << what;
        EXPECT_EQ(r.status, kExitRefused) << what << r.err.substr(0, 500);
        EXPECT_EQ(r.out, "") << what;
        EXPECT_FALSE(r.err.empty()) << what;
        EXPECT_LT(r.err.size(), 4000u) << what;
    }
}

}  // namespace
}  // namespace mv::cli
