#include "cli/cli.h"
#include "cli/cli_prompter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace mv::cli {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome formula(std::vector<std::string> args) {
    args.insert(args.begin(), "formula");
    std::ostringstream out, err;
    const int status = run(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(FormulaCommand, PrintsCompositionAndMass) {
    // 2 x 1.007825 + 15.99491 - 0.000054858 = 18.010505142
    Outcome r = formula({"H2O", "--charge", "1"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out,
              "Formula: H2O\n"
              "Polyisotopic: H 2, O 1\n"
              "Monoisotopic: none\n"
              "Polyisotopic atoms: 3\n"
              "[A+0] mass: 18.010505\n");
    EXPECT_EQ(r.err, "");

    // Negative charge adds electrons: 2 x 1.007825 + 15.99491 + 2 x 0.000054858 = 18.010669716
    r = formula({"OH2", "--charge=-2", "--scan", "product"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_NE(r.out.find("[A+0] mass: 18.010670\n"), std::string::npos) << r.out;

    // Monoisotopic elements are listed, and count in the mass, whatever the scan.
    // 6 x 12 + 11 x 1.007825 + 22.98977 + 6 x 15.99491 + 2 x 126.90447 - 0.000054858 = 455.854190142
    for (const char* scan : {"regular", "precursor", "neutral-loss", "product", "msn"}) {
        SCOPED_TRACE(scan);
        r = formula({"I2C6H11NaO6", "--scan", scan});
        EXPECT_EQ(r.status, kExitOk);
        EXPECT_EQ(r.out,
                  "Formula: C6H11I2NaO6\n"
                  "Polyisotopic: C 6, H 11, O 6\n"
                  "Monoisotopic: I 2, Na 1\n"
                  "Polyisotopic atoms: 23\n"
                  "[A+0] mass: 455.854190\n");
    }
}

TEST(FormulaCommand, RefusedFormulasExitWithTheMessage) {
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"NaF"}, "The ion must contain at least one polyisotopic element.\n"},
        {{"C65501"}, "Maximum number of atoms of an element (65500) exceeded.\n"},
        {{"C18446744073709551617"}, "Maximum number of atoms of an element (65500) exceeded.\n"},
        {{"C6H12O6 "}, "Formula Entry Error\n"},
        {{""}, "Formula Entry Error\n"},
        {{"C65500H65500N"}, "Total number of polyisotopic atoms cannot exceed 131000.\n"},
        {{"H2O", "--charge", "0"}, "Precursor ion charge cannot be zero!\n"},
        {{"Jx2Cl"},
         "Jx needs isotope data: give it with --user-element Jx=LIGHT[,HEAVY:FA]... (calculation commands)\n"},
        {{"CJxQz"},
         "Jx, Qz need isotope data: give it with --user-element SYMBOL=LIGHT[,HEAVY:FA]... (calculation "
         "commands)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const Outcome r = formula(c.args);
        EXPECT_EQ(r.status, kExitRefused);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
}

TEST(FormulaCommand, BadArgumentsAreExplained) {
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{}, "no formula given"},
        {{"H2O", "--charge", "one"}, "--charge must be an integer, not 'one'"},
        {{"H2O", "--charge", "99999999999"}, "--charge must be an integer"},
        {{"H2O", "--charge", "1.5"}, "--charge must be an integer"},
        {{"H2O", "--charge"}, "--charge needs a value"},
        {{"H2O", "--charge", "1", "--charge", "2"}, "--charge is given more than once"},
        {{"H2O", "--scan", "MSn3"}, "--scan must be regular, precursor, neutral-loss, product or msn, not 'MSn3'"},
        {{"H2O", "--resolution", "5000"}, "unknown option '--resolution'"},
        {{"H2O", "C6"}, "one formula only"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const Outcome r = formula(c.args);
        EXPECT_EQ(r.status, kExitRefused);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(FormulaCommand, HelpDescribesTheOptions) {
    const Outcome r = formula({"--help"});
    EXPECT_EQ(r.status, kExitOk);
    for (const char* word : {"--charge", "--scan", "neutral-loss", "65500", "--user-element"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST(FormulaCommand, RunsAsAProgram) {
    FILE* p = popen(MARVOLEN_CLI " formula C6H12O6 2>&1", "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int status = pclose(p);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // 6 x 12 + 12 x 1.007825 + 6 x 15.99491 - 0.000054858 = 180.063305142
    EXPECT_NE(out.find("[A+0] mass: 180.063305\n"), std::string::npos) << out;

    p = popen(MARVOLEN_CLI " formula NaF 2>&1 >/dev/null", "r");
    ASSERT_NE(p, nullptr);
    out.clear();
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int refused = pclose(p);
    ASSERT_TRUE(WIFEXITED(refused));
    EXPECT_EQ(WEXITSTATUS(refused), 2);
    EXPECT_EQ(out, "The ion must contain at least one polyisotopic element.\n");
}

TEST(CliPrompter, AnswersForNobody) {
    std::ostringstream err;
    CliPrompter prompter(err);
    prompter.message("one");
    EXPECT_FALSE(prompter.retryCancel("two"));
    EXPECT_FALSE(prompter.yesNo("three"));
    EXPECT_FALSE(prompter.savePath("MVSet1.txt", "*.txt", "txt"));
    EXPECT_EQ(err.str(), "one\ntwo\nthree\n");
    EXPECT_EQ(prompter.messagesShown(), 3);

    Form form;
    Field f;
    f.id = 7;
    f.kind = FieldKind::Integer;
    f.ranged = true;
    f.min = 0;
    f.max = 25;
    f.text = "0";
    form.fields.push_back(f);
    EXPECT_TRUE(prompter.runForm(form));  // pre-filled values stand when nothing fills the form
    prompter.fillForm = [](Form& fm) {
        fm.field(7).text = "26";
        return true;
    };
    EXPECT_FALSE(prompter.runForm(form));
    EXPECT_EQ(err.str(), "one\ntwo\nthree\nPlease enter an integer between 0 and 25.\n");
    prompter.fillForm = [](Form&) { return false; };
    EXPECT_FALSE(prompter.runForm(form));
    EXPECT_EQ(prompter.messagesShown(), 4);
}

}  // namespace
}  // namespace mv::cli
