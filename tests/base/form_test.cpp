#include "base/form.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

Form sampleForm() {
    Form f;
    f.resourceId = 1;
    f.fields = {
        {.id = 10, .label = "Formula:", .kind = FieldKind::Text, .maxChars = 5},
        {.id = 11, .label = "Charge:", .kind = FieldKind::Integer},
        {.id = 12, .label = "Stop:", .kind = FieldKind::Number, .ranged = true, .min = 0.5, .max = 0.99999},
        {.id = 13, .label = "List", .kind = FieldKind::Check},
        {.id = 14, .label = "Ions:", .kind = FieldKind::Integer, .ranged = true, .min = 12, .max = 500},
    };
    f.toggles = {{13, {14}}};
    f.setText(10, "C6");
    f.setInt(11, 1);
    f.setNumber(12, 0.9999);
    f.setInt(14, 25);
    return f;
}

TEST(Form, PrefilledValuesPassAndReadBack) {
    Form f = sampleForm();
    EXPECT_EQ(f.field(12).text, "0.9999");
    ASSERT_FALSE(validateForm(f));
    EXPECT_EQ(f.intValue(11), 1);
    EXPECT_DOUBLE_EQ(f.numberValue(12), 0.9999);
}

TEST(Form, FirstFailingFieldInExchangeOrderWithTheFrameworkMessage) {
    struct Case {
        int field;
        const char* text;
        int failingId;
        const char* message;
    };
    const Case cases[] = {
        {10, "C6H12O", 10, "Please enter no more than 5 characters."},
        {11, "x", 11, "Please enter an integer."},
        {11, "", 11, "Please enter an integer."},
        {11, "1.5", 11, "Please enter an integer."},
        {11, "99999999999", 11, "Please enter an integer."},
        {11, "2147483648", 11, "Please enter an integer."},
        {11, "-2147483649", 11, "Please enter an integer."},
        {12, "1", 12, "Please enter a number between 0.5 and 0.99999."},
        {12, "0.49999", 12, "Please enter a number between 0.5 and 0.99999."},
        {12, "nan", 12, "Please enter a number."},
        {12, "inf", 12, "Please enter a number."},
        {12, "0x1p-1", 12, "Please enter a number."},
        {12, "0.9 9", 12, "Please enter a number."},
        {12, "1e", 12, "Please enter a number."},
        {14, "11", 14, "Please enter an integer between 12 and 500."},
        {14, "501", 14, "Please enter an integer between 12 and 500."},
    };
    for (const auto& c : cases) {
        Form f = sampleForm();
        f.field(c.field).text = c.text;
        const auto failure = validateForm(f);
        ASSERT_TRUE(failure) << c.text;
        EXPECT_EQ(failure->fieldId, c.failingId) << c.text;
        EXPECT_EQ(failure->message, c.message) << c.text;
    }
    // Two bad fields: the earlier one in exchange order is reported.
    Form f = sampleForm();
    f.field(14).text = "0";
    f.field(11).text = "z";
    EXPECT_EQ(validateForm(f)->fieldId, 11);
}

TEST(Form, AcceptedSpellings) {
    EXPECT_EQ(parseIntegerText(" -3 "), -3);
    EXPECT_EQ(parseIntegerText("+2147483647"), 2147483647);
    EXPECT_EQ(parseIntegerText("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseNumberText("5e-1"), 0.5);
    EXPECT_EQ(parseNumberText(".75"), 0.75);
    EXPECT_FALSE(parseNumberText("."));
    EXPECT_FALSE(parseNumberText(std::string("0.9\0", 4)));
    EXPECT_FALSE(parseNumberText("1e999"));
}

TEST(Form, DisabledFieldsAreStillValidated) {
    Form f = sampleForm();
    f.applyToggles();
    EXPECT_FALSE(f.field(14).enabled);
    f.field(14).text = "3";
    ASSERT_TRUE(validateForm(f));
    f.setCheck(13, true);
    f.applyToggles();
    EXPECT_TRUE(f.field(14).enabled);
}

}  // namespace
}  // namespace mv
