// Data exchange: radio groups by template order, number reads and writes, failure handling.
#include "dialog/ui_test_dialog.h"

#include <climits>

using namespace uitest;

namespace {

class Exchange : public ::testing::Test {
protected:
    ui::test::ScopedHooks m_hooks;
    TestDlg m_dlg;
};

TEST_F(Exchange, RadioGroupsCountOnlyRadiosAndStayIndependent) {
    RunDialog(m_dlg, [](TestDlg& d) {
        // Nothing checked at first: both groups read -1.
        ASSERT_TRUE(d.UpdateData(true));
        EXPECT_EQ(d.m_nFirst, -1);
        EXPECT_EQ(d.m_nSecond, -1);

        // C follows a static inside the group, yet it is the third radio button.
        d.m_nFirst = 2;
        d.m_nSecond = 1;
        d.UpdateData(false);
        EXPECT_FALSE(d.IsDlgButtonChecked(IDC_A));
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_C));
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_Y));
        EXPECT_EQ(ui::RadioGroupIndex(d, IDC_A), 2);
        EXPECT_EQ(ui::RadioGroupIndex(d, IDC_X), 1);

        // Clicking in the first group leaves the second alone.
        ASSERT_TRUE(ui::test::Click(d, IDC_B));
        ASSERT_TRUE(d.UpdateData(true));
        EXPECT_EQ(d.m_nFirst, 1);
        EXPECT_EQ(d.m_nSecond, 1);
        EXPECT_FALSE(d.IsDlgButtonChecked(IDC_C));

        // -1 unchecks every button of a group, even in an exclusive button group.
        d.m_nFirst = -1;
        d.UpdateData(false);
        for (int id : {IDC_A, IDC_B, IDC_C}) {
            EXPECT_FALSE(d.IsDlgButtonChecked(id)) << id;
        }
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_Y));
        ASSERT_TRUE(d.UpdateData(true));
        EXPECT_EQ(d.m_nFirst, -1);

        // An index past the group checks nothing.
        ui::SetRadioGroupIndex(d, IDC_X, 5);
        EXPECT_EQ(ui::RadioGroupIndex(d, IDC_X), -1);
    });
}

TEST_F(Exchange, IntegersAcceptBlanksAndSignAndRefuseTheRest) {
    RunDialog(m_dlg, [](TestDlg& d) {
        const std::pair<const char*, int> good[] = {
            {"42", 42}, {"  -17\t", -17},         {"+8", 8},
            {"0", 0},   {"-2147483648", INT_MIN}, {"2147483647", INT_MAX}};
        for (const auto& [text, value] : good) {
            d.SetDlgItemText(IDC_INT, text);
            d.SetDlgItemText(IDC_FLOAT, "1");
            EXPECT_TRUE(d.UpdateData(true)) << text;
            EXPECT_EQ(d.m_nValue, value) << text;
        }
        EXPECT_TRUE(ui::test::MessageBoxes().empty());

        for (const char* text :
             {"", "  ", "12a", "1.5", "- 3", "0x10", "2147483648", "+-1", "99999999999999999999"}) {
            ui::test::ClearMessageBoxes();
            d.m_nValue = 5;
            d.m_fValue = 9;
            d.SetDlgItemText(IDC_INT, text);
            d.SetDlgItemText(IDC_FLOAT, "3.5");
            d.SetDlgItemText(IDC_MULTI, "kept");
            d.m_strMulti = "member";
            EXPECT_FALSE(d.UpdateData(true)) << '"' << text << '"';
            EXPECT_EQ(ui::test::MessageBoxes(),
                      std::vector<std::string>{"Please enter an integer."})
                << text;
            EXPECT_EQ(d.m_nValue, 5) << text;
            // The binders after the failing one do nothing.
            EXPECT_EQ(d.m_fValue, 9) << text;
            EXPECT_EQ(d.m_strMulti, "member") << text;
            EXPECT_EQ(d.GetFocusId(), IDC_INT) << text;
        }

        d.m_nValue = -305;
        d.UpdateData(false);
        EXPECT_EQ(d.GetDlgItemText(IDC_INT), "-305");
    });
}

TEST_F(Exchange, FloatsWriteSixSignificantDigitsAndReadDecimals) {
    EXPECT_EQ(ui::FormatFloat(67.5), "67.5");
    EXPECT_EQ(ui::FormatFloat(33.75), "33.75");
    EXPECT_EQ(ui::FormatFloat(74.175824), "74.1758");
    EXPECT_EQ(ui::FormatFloat(60.0), "60");
    EXPECT_EQ(ui::FormatFloat(148.5), "148.5");
    EXPECT_EQ(ui::FormatFloat(0.0), "0");
    EXPECT_EQ(ui::FormatFloat(1234567.0), "1.23457e+06");

    RunDialog(m_dlg, [](TestDlg& d) {
        d.m_nValue = 1;
        d.m_fValue = 74.175824;
        d.UpdateData(false);
        EXPECT_EQ(d.GetDlgItemText(IDC_FLOAT), "74.1758");

        const std::pair<const char*, double> good[] = {{"74.1758", 74.1758}, {" 60 ", 60},
                                                       {"-3.", -3},          {".5", 0.5},
                                                       {"+1e3", 1000},       {"2.5E-1", 0.25}};
        for (const auto& [text, value] : good) {
            d.SetDlgItemText(IDC_FLOAT, text);
            EXPECT_TRUE(d.UpdateData(true)) << text;
            EXPECT_DOUBLE_EQ(d.m_fValue, value) << text;
        }

        for (const char* text :
             {"", "abc", "1,5", "inf", "nan", "0x10", "1e", ".", "1e999", "5 5"}) {
            ui::test::ClearMessageBoxes();
            d.m_fValue = 7;
            d.SetDlgItemText(IDC_FLOAT, text);
            EXPECT_FALSE(d.UpdateData(true)) << '"' << text << '"';
            EXPECT_EQ(ui::test::MessageBoxes(), std::vector<std::string>{"Please enter a number."})
                << text;
            EXPECT_EQ(d.m_fValue, 7) << text;
            EXPECT_EQ(d.GetFocusId(), IDC_FLOAT) << text;
        }
    });
}

TEST_F(Exchange, TextKeepsItsBytesInStaticsAndEdits) {
    RunDialog(m_dlg, [](TestDlg& d) {
        // A multi-line edit shows CR LF and a lone CR as line breaks and gives CR LF back.
        d.m_strMulti = "first\r\nsecond\r\nthird";
        d.UpdateData(false);
        d.m_strMulti.clear();
        ASSERT_TRUE(d.UpdateData(true));
        EXPECT_EQ(d.m_strMulti, "first\r\nsecond\r\nthird");

        d.SetDlgItemText(IDC_MULTI, "a\rb");
        EXPECT_EQ(d.GetDlgItemText(IDC_MULTI), "a\r\nb");

        d.SetDlgItemText(IDC_MULTI, "");
        ASSERT_TRUE(ui::test::TypeText(d, IDC_MULTI, "x\ry\r\nz"));
        EXPECT_EQ(d.GetDlgItemText(IDC_MULTI), "x\r\ny\r\nz");

        // A static gives back exactly what it was given, lone CR included.
        d.SetDlgItemText(IDC_PANEL, "1080P\r(60)");
        EXPECT_EQ(d.GetDlgItemText(IDC_PANEL), "1080P\r(60)");
        d.SetDlgItemText(IDC_NOTE, "Ä 4:2:0 <b>");
        EXPECT_EQ(d.GetDlgItemText(IDC_NOTE), "Ä 4:2:0 <b>");
    });
}

TEST_F(Exchange, CheckAndComboIndexBinders) {
    RunDialog(m_dlg, [](TestDlg& d) {
        for (const char* s : {"COM1", "COM2", "COM3"}) {
            d.ComboAddString(IDC_LIST, s);
        }
        EXPECT_EQ(d.ComboGetCurSel(IDC_LIST), -1); // adding selects nothing
        ui::DataExchange load(d, false);
        int index = 2;
        int check = 1;
        ui::DDX_CBIndex(load, IDC_LIST, index);
        ui::DDX_Check(load, IDC_CHECK, check);
        EXPECT_EQ(d.ComboGetCurSel(IDC_LIST), 2);
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_CHECK));

        ASSERT_TRUE(ui::test::Click(d, IDC_CHECK));
        ui::DataExchange save(d, true);
        index = check = 9;
        ui::DDX_CBIndex(save, IDC_LIST, index);
        ui::DDX_Check(save, IDC_CHECK, check);
        EXPECT_EQ(index, 2);
        EXPECT_EQ(check, 0);
    });
}

} // namespace
