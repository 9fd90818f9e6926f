// Forms that know what they were drawn from: a stale settings or plan form
// is refused and changes nothing, a new plan's form posted twice stores one
// plan, a delete asks first. The real program on a real site and databases.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <string>
#include <vector>

using namespace vdtest;

namespace {

bool Has(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// The hidden fields and text inputs of a page, as a browser posts them (the
// values of these sites need no decoding).
Fields PostedBy(const std::string& page) {
    Fields fields{{"User", "boss"}};
    static const std::regex input(
        R"re(<input type=hidden name=(\w+) value="([^"]*)">)re"
        R"re(|<INPUT TYPE=Text NAME=(\S+) ID=\S+ (?:SIZE=75 MAXLENGTH=255 )?VALUE="([^"]*)">)re");
    for (std::sregex_iterator it(page.begin(), page.end(), input), end; it != end; ++it) {
        const std::smatch& m = *it;
        if (m[1].matched) fields[m[1].str()] = m[2].str();
        else fields[m[3].str()] = m[4].str();
    }
    return fields;
}

class DrawnFrom : public ::testing::Test {
protected:
    void SetUp() override {
        site.WriteTemplates();
        site.WriteIni(dbs.IniLine() + "TempPath=/tmp/\r\nSMTPServer=mail.example.com\r\n");
        dbs.AddUser("boss", "-1");
        dbs.AddDocType("ABC", "01", "Deeds");
        dbs.AddDocType("ABC", "02", "Maps");
    }
    CgiResult Post(const Fields& fields) const { return site.Run("", Body(fields)); }
    Fields SettingsForm() const {
        Fields form = PostedBy(site.Run("User=boss&ConfigOption=Server+and+Browser+File+Locations").out);
        form["DataAction"] = "SAVE";
        return form;
    }
    // The plan form of a supervisor, posted with these values.
    Fields PlanForm(const std::string& rateNum, const std::string& description, const std::string& docType = "01") {
        const std::string number = rateNum == "32767" ? "N" : rateNum;
        const std::string page = site.Run("User=boss&ConfigOption=SHOWPLAN&Rate0=Open&Appl0=ABC&DocType0=" + docType +
                                          "&RateNum0=" + number)
                                     .out;
        Fields form = RatePlanFields(rateNum, description);
        form["DocType"] = docType;
        for (const char* drawn : {"PlanVersion", "PlanToken"}) {
            const Fields shown = PostedBy(page);
            if (shown.count(drawn)) form[drawn] = shown.at(drawn);
        }
        return form;
    }
    std::vector<std::vector<std::string>> Plans() const {
        return dbs.Query(dbs.BillingDb(),
                         "select DocType, RateNum, Rate_Description from Rate_Schedule order by DocType, RateNum");
    }
    std::string Trail() const { return site.Read("vdconfig-audit.log"); }

    Site site;
    SiteDatabases dbs{site};
};

}  // namespace

TEST_F(DrawnFrom, AStaleSettingsFormIsRefusedAndTheFirstChangeKept) {
    Fields first = SettingsForm(), second = SettingsForm();
    ASSERT_EQ(first.at("IniVersion").size(), 32u);
    first["TempPath"] = "/var/tmp/";
    ASSERT_TRUE(Has(Post(first).out, "Settings have been saved to vexweb.ini"));
    const std::string ini = site.Read("vexweb.ini"), trail = Trail();

    // The second tab still holds the old TempPath: its save is refused,
    // naming the first save, and writes nothing.
    second["SMTPServer"] = "smtp.example.com";
    CgiResult r = Post(second);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(std::regex_search(r.out, std::regex("Settings not saved: vexweb.ini was saved by boss at "
                                                    "20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z, after this form was "
                                                    "opened. Nothing was written.")))
        << r.out;
    EXPECT_TRUE(Has(r.out, "<A HREF=\"/cgi/vdconfig.exe?ConfigOption=SERVER AND BROWSER FILE LOCATIONS\">"
                           "Click here to open the settings form afresh</A>"))
        << r.out;
    EXPECT_EQ(site.Read("vexweb.ini"), ini);
    EXPECT_EQ(Trail(), trail);

    // Another file's version is stale too.
    second["IniVersion"] = std::string(32, '0');
    EXPECT_TRUE(Has(Post(second).out, "Settings not saved: vexweb.ini was saved"));
    EXPECT_EQ(site.Read("vexweb.ini"), ini);

    // Without the field the save goes through, as a script's post does.
    second.erase("IniVersion");
    EXPECT_TRUE(Has(Post(second).out, "Settings have been saved to vexweb.ini"));
    EXPECT_TRUE(Has(site.Read("vexweb.ini"), "SMTPServer=smtp.example.com"));
    EXPECT_TRUE(Has(site.Read("vexweb.ini"), "TempPath=/tmp/"));  // the second form's values, as before

    // A fresh form saves over the file as it is now.
    Fields fresh = SettingsForm();
    fresh["TempPath"] = "/srv/tmp/";
    EXPECT_TRUE(Has(Post(fresh).out, "Settings have been saved to vexweb.ini"));
}

TEST_F(DrawnFrom, AStalePlanFormIsRefusedForSaveAndDelete) {
    ASSERT_TRUE(Has(Post(PlanForm("32767", "Gold")).out, "Rate plan Gold has been saved"));
    Fields first = PlanForm("0", "Gold plus"), second = PlanForm("0", "Gold minus");
    ASSERT_EQ(first.at("PlanVersion").size(), 32u);
    EXPECT_EQ(first.count("PlanToken"), 0u);
    ASSERT_TRUE(Has(Post(first).out, "Rate plan Gold plus has been saved"));
    const std::string trail = Trail();

    CgiResult r = Post(second);
    EXPECT_TRUE(std::regex_search(r.out, std::regex("Rate plan #0 of Application ABC - Database 01 was not saved: it "
                                                    "was changed by boss at [0-9T:-]+Z, after this form was opened. "
                                                    "Nothing was changed.")))
        << r.out;
    EXPECT_TRUE(Has(r.out, "ConfigOption=SHOWPLAN&amp;Rate0=Open&amp;Appl0=ABC&amp;DocType0=01&amp;RateNum0=0\">"
                           "Click here to open the plan afresh</A>"))
        << r.out;
    second["DataAction"] = "DELETE";
    second["ConfirmDelete"] = "YES";
    EXPECT_TRUE(Has(Post(second).out, "was not deleted: it was changed by boss")) << Post(second).out;
    EXPECT_EQ(Plans(), (std::vector<std::vector<std::string>>{{"01", "0", "Gold plus"}}));
    EXPECT_EQ(Trail(), trail);

    // Another plan's version is stale; none saves as before.
    ASSERT_TRUE(Has(Post(PlanForm("32767", "Silver")).out, "Rate plan Silver has been saved"));
    Fields other = PlanForm("1", "Silver");
    other["RateNum"] = "0";
    EXPECT_TRUE(Has(Post(other).out, "was not saved: it was changed"));
    other.erase("PlanVersion");
    EXPECT_TRUE(Has(Post(other).out, "Rate plan Silver has been saved"));

    // A plan deleted since the form was drawn is gone for its save and delete.
    Fields gone = PlanForm("1", "Silver");
    dbs.Exec(dbs.BillingDb(), "delete from Rate_Schedule where RateNum = 1");
    EXPECT_TRUE(Has(Post(gone).out, "Rate plan #1 of Application ABC - Database 01 was not saved: it is gone"));
    gone["DataAction"] = "DELETE";
    EXPECT_TRUE(Has(Post(gone).out, "Rate plan #1 of Application ABC - Database 01 was not deleted: it is gone"));
    EXPECT_EQ(Plans().size(), 1u);
}

// The version covers every column: a form drawn before another change of
// any one column, the last included, is refused.
TEST_F(DrawnFrom, AStalePlanFormIsRefusedWhicheverColumnChanged) {
    ASSERT_TRUE(Has(Post(PlanForm("32767", "Gold")).out, "Rate plan Gold has been saved"));
    const auto columns =
        dbs.Query(dbs.BillingDb(), "select name from pragma_table_info('Rate_Schedule') where pk = 0 order by cid");
    ASSERT_EQ(columns.back()[0], "Max_PageView_Overcharge");
    for (const auto& column : columns) {
        const Fields form = PlanForm("0", "Gold");
        dbs.Exec(dbs.BillingDb(), "update Rate_Schedule set " + column[0] + " = coalesce(" + column[0] + ", 0) + 1");
        EXPECT_TRUE(Has(Post(form).out, "was not saved: it was changed")) << column[0];
    }
}

TEST_F(DrawnFrom, ANewPlanFormPostedAgainStoresNothing) {
    Fields form = PlanForm("32767", "Gold");
    ASSERT_EQ(form.at("PlanToken").size(), 32u);
    EXPECT_NE(PlanForm("32767", "Gold").at("PlanToken"), form.at("PlanToken"));
    ASSERT_TRUE(Has(Post(form).out, "Rate plan Gold has been saved"));
    EXPECT_TRUE(Has(Trail(), "\"token\":\"" + form.at("PlanToken") + "\""));
    const size_t records = Lines(Trail());

    // The reload: found through the first save's record.
    CgiResult r = Post(form);
    EXPECT_EQ(r.out, Header + Top +
                         "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">This form was already saved as plan #0 for "
                         "Application ABC - Database 01; nothing was stored again.</FONT></CENTER></p>\r\n"
                         "<BR><BR><CENTER><FONT COLOR=\"#99000\"><A HREF=\"/cgi/vdconfig.exe?ConfigOption=RATE "
                         "PLANS\">Click here to return to the rate plan screen</A></FONT></CENTER>\r\n" +
                         BottomTemplate);
    EXPECT_EQ(Plans().size(), 1u);
    EXPECT_EQ(Lines(Trail()), records);

    // The same token for another database: refused.
    form["DocType"] = "02";
    EXPECT_TRUE(Has(Post(form).out, "No rate plan was saved for Application ABC - Database 02: this new plan form "
                                    "is not one of its own."));
    EXPECT_EQ(Plans().size(), 1u);

    // Without a token every post is a new plan, as before.
    form.erase("PlanToken");
    EXPECT_TRUE(Has(Post(form).out, "Rate plan Gold has been saved"));
    EXPECT_TRUE(Has(Post(form).out, "Rate plan Gold has been saved"));
    EXPECT_EQ(Plans().size(), 3u);
}

// A version or token that this program cannot have written (not 32
// lowercase hex digits) says so, instead of naming a save or change that
// never happened, and links to a fresh form.
TEST_F(DrawnFrom, AVersionThisProgramCannotHaveWrittenSaysSo) {
    ASSERT_TRUE(Has(Post(PlanForm("32767", "Gold")).out, "Rate plan Gold has been saved"));
    const std::string ini = site.Read("vexweb.ini"), trail = Trail();

    Fields settings = SettingsForm();
    std::string upper = settings.at("IniVersion");
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& bad : {std::string("x"), std::string(""), settings.at("IniVersion") + "0", upper}) {
        settings["IniVersion"] = bad;
        EXPECT_EQ(Post(settings).out,
                  Header + Top +
                      "<P><CENTER><FONT SIZE=+1 COLOR=\"#99000\">Settings not saved: this form was not drawn by this "
                      "program. Open the settings afresh and save again.</FONT></CENTER></p>\r\n"
                      "<BR><BR><CENTER><FONT COLOR=\"#99000\"><A HREF=\"/cgi/vdconfig.exe?ConfigOption=SERVER AND "
                      "BROWSER FILE LOCATIONS\">Click here to open the settings form afresh</A></FONT></CENTER>\r\n" +
                      BottomTemplate)
            << bad;
    }

    Fields stored = PlanForm("0", "Gold plus");
    stored["PlanVersion"] = "not a version";
    CgiResult r = Post(stored);
    EXPECT_TRUE(Has(r.out, "Rate plan not saved: this form was not drawn by this program. Open the plan afresh and "
                           "save again."))
        << r.out;
    EXPECT_TRUE(Has(r.out, "ConfigOption=SHOWPLAN&amp;Rate0=Open&amp;Appl0=ABC&amp;DocType0=01&amp;RateNum0=0\">"
                           "Click here to open the plan afresh</A>"))
        << r.out;
    stored["DataAction"] = "DELETE";
    stored["ConfirmDelete"] = "YES";
    EXPECT_TRUE(Has(Post(stored).out, "Rate plan not deleted: this form was not drawn by this program. Open the "
                                      "plan afresh and delete again."));

    Fields added = PlanForm("32767", "Silver");
    added["PlanToken"] = "0123";
    r = Post(added);
    EXPECT_TRUE(Has(r.out, "Rate plan not saved: this form was not drawn by this program.")) << r.out;
    EXPECT_TRUE(Has(r.out, "DocType0=01&amp;RateNum0=N\">Click here to open the plan afresh</A>")) << r.out;

    EXPECT_EQ(Plans(), (std::vector<std::vector<std::string>>{{"01", "0", "Gold"}}));
    EXPECT_EQ(site.Read("vexweb.ini"), ini);
    EXPECT_EQ(Trail(), trail);
}

TEST_F(DrawnFrom, ANewPlanRecordLeftPendingIsSettledByItsRowBeforeTheFormCounts) {
    // The trail as a run leaves it when it ends after its pending record,
    // before the confirmation.
    auto dropConfirmation = [&] {
        std::string trail = Trail();
        trail.erase(trail.rfind('\n', trail.size() - 2) + 1);
        site.Write("vdconfig-audit.log", trail);
    };
    auto history = [&] { return RunProgram({site.Exe(), "--history"}, {{"PATH", "/usr/bin:/bin"}}).out; };

    // Ended after the commit: the plan is stored, and the form counts as saved.
    const Fields stored = PlanForm("32767", "Gold");
    ASSERT_TRUE(Has(Post(stored).out, "Rate plan Gold has been saved"));
    dropConfirmation();
    EXPECT_TRUE(Has(history(), "  plan added  ABC-01 plan 0  by boss\n    NOT CONFIRMED: ")) << history();
    EXPECT_TRUE(Has(Post(stored).out, "This form was already saved as plan #0"));
    EXPECT_FALSE(Has(history(), "NOT CONFIRMED")) << history();

    // Ended before the commit: nothing is stored, and the form saves it.
    const Fields lost = PlanForm("32767", "Silver");
    ASSERT_TRUE(Has(Post(lost).out, "Rate plan Silver has been saved"));
    dropConfirmation();
    dbs.Exec(dbs.BillingDb(), "delete from Rate_Schedule where RateNum = 1;\n"
                              "delete from VD_Plan_Tokens where RateNum = 1;");
    EXPECT_TRUE(Has(Post(lost).out, "Rate plan Silver has been saved"));
    EXPECT_EQ(Plans().size(), 2u);
    const std::string listed = history();
    EXPECT_TRUE(Has(listed, "plan 1  by boss\n    FAILED: the change was not committed\n")) << listed;
    EXPECT_FALSE(Has(listed, "NOT CONFIRMED")) << listed;
}

TEST_F(DrawnFrom, ADeleteAsksFirstAndTheQuestionConfirms) {
    ASSERT_TRUE(Has(Post(PlanForm("32767", "Gold")).out, "Rate plan Gold has been saved"));
    Fields form = PlanForm("0", "Gold");
    form["DataAction"] = "DELETE";
    const size_t records = Lines(Trail());
    CgiResult question = Post(form);
    EXPECT_TRUE(Has(question.out, "<input type=hidden name=ConfirmDelete value=\"YES\">\r\n<B><I><CENTER><FONT SIZE=3 "
                                  "COLOR=#99000>Delete this rate plan? This cannot be undone.</FONT></I></B></p>"))
        << question.out;
    EXPECT_TRUE(Has(question.out, "<tr><td align=right>Billing Plan</td>\r\n<td><b>Gold</b></td></tr>"));
    EXPECT_TRUE(Has(question.out, "<INPUT TYPE=\"SUBMIT\" NAME=\"DataAction\" VALUE=\"DELETE\">"));
    EXPECT_EQ(Plans().size(), 1u);
    EXPECT_EQ(Lines(Trail()), records);

    // The question's own form deletes the plan.
    Fields confirm = PostedBy(question.out);
    confirm["DataAction"] = "DELETE";
    EXPECT_EQ(confirm.at("PlanVersion"), form.at("PlanVersion"));
    EXPECT_TRUE(Has(Post(confirm).out, "Rate plan Gold has been deleted for Application ABC - Database 01"));
    EXPECT_TRUE(Plans().empty());
    // Without a version, a plan no longer there is not found, as before.
    form.erase("PlanVersion");
    EXPECT_TRUE(Has(Post(form).out, "not found for Application ABC"));
}
