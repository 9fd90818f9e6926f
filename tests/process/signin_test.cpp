// Behind the web server's sign-in the request acts for the signed-in user
// only, spelt as the web server spells it; changes come only by POST, with
// the fields of the body; a plan key that names no plan changes nothing.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

using namespace vdtest;

namespace {

using Env = std::map<std::string, std::string>;


const std::string RefusalText = "You are not authorized to perform this function.";

bool Has(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

struct SignInSite {
    Site site;
    SiteDatabases dbs{site};
    explicit SignInSite(const std::string& extraIni = "") {
        site.WriteTemplates();
        site.WriteIni(dbs.IniLine() + "Debug=TRUE\r\n" + extraIni);
        dbs.AddUser("boss", "-1");
        dbs.AddUser("clerk", "0");
        dbs.AddDocType("ABC", "01", "Deeds");
        dbs.Exec(dbs.BillingDb(), "INSERT INTO Rate_Schedule (application, DocType, RateNum, Rate_Description) "
                                  "VALUES ('ABC', '01', 0, 'Zero'), ('ABC', '01', 2, 'Two')");
    }
    // What must stay as it is when a request is refused.
    std::string State() const {
        std::string state = site.Read("vexweb.ini");
        for (const auto& row : dbs.Query(dbs.BillingDb(), "select RateNum, Rate_Description from Rate_Schedule"))
            state += "|" + row[0] + "=" + row[1];
        return state + (site.Exists("vdconfig-audit.log") ? site.Read("vdconfig-audit.log") : "");
    }
    std::string Log() const { return site.Read("temp/vdconfig.log"); }
};

Fields Delete(const std::string& user, const std::string& rateNum) {
    return {{"User", user},   {"ConfigOption", "SAVEPLAN"}, {"Appl", "ABC"},
            {"DocType", "01"}, {"RateNum", rateNum},         {"DataAction", "DELETE"},
            {"ConfirmDelete", "YES"}};
}

}  // namespace

TEST(SignIn, ARequestNamingNobodyActsForTheSignedInUser) {
    SignInSite s;
    Fields plan = RatePlanFields("32767", "Gold");
    plan.erase("User");
    CgiResult r = s.site.Run("", Body(plan), {{"REMOTE_USER", "boss"}});
    ASSERT_TRUE(Has(r.out, "has been saved")) << r.out;
    EXPECT_TRUE(Has(s.site.Read("vdconfig-audit.log"), R"("user":"boss","remote_user":"boss")"));
    EXPECT_TRUE(Has(s.site.Run("ConfigOption=RATE+PLANS", "", {{"REMOTE_USER", "clerk"}}).out,
                    "Select a Billing Plan to review"));
}

// A name that differs only in letter case is another user: the request may
// spell the signed-in name in any case, the run goes on as the web server
// spells it, for the supervisor test and the trail alike.
TEST(SignIn, TheRunsUserIsTheSignedInNameAsTheServerSpellsIt) {
    SignInSite s;
    s.dbs.AddUser("CLERK", "-1");
    const std::string before = s.State();
    // ADMIN (no Users row) naming the supervisor boss's spelling BOSS, and
    // clerk naming the supervisor CLERK: neither is a supervisor.
    for (const auto& [signedIn, named] : {std::pair{"BOSS", "boss"}, std::pair{"clerk", "CLERK"}}) {
        Fields plan = RatePlanFields("32767", "Forged");
        plan["User"] = named;
        CgiResult r = s.site.Run("", Body(plan), {{"REMOTE_USER", signedIn}});
        EXPECT_TRUE(Has(r.out, RefusalText)) << signedIn << r.out;
        r = s.site.Run("ConfigOption=RATE+PLANS", "", {{"REMOTE_USER", signedIn}, {"HTTP_COOKIE", std::string("User=") + named}});
        EXPECT_TRUE(Has(r.out, "Select a Billing Plan to review")) << signedIn << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(s.State(), before);
    // CLERK naming clerk is the supervisor CLERK, on the page and on the trail.
    Fields plan = RatePlanFields("32767", "Gold");
    plan["User"] = "clerk";
    CgiResult r = s.site.Run("", Body(plan), {{"REMOTE_USER", "CLERK"}});
    ASSERT_TRUE(Has(r.out, "has been saved")) << r.out;
    EXPECT_TRUE(Has(s.site.Read("vdconfig-audit.log"), R"("user":"CLERK","remote_user":"CLERK")"));
}

TEST(SignIn, NamingAnybodyElseIsRefusedFromEverySourceAndChangesNothing) {
    SignInSite s;
    const std::string before = s.State();
    struct Case {
        std::string query, body, cookie;
    };
    const std::vector<Case> cases = {
        {"", Body(Delete("boss", "2")), ""},                                         // a form field
        {"User=boss", Body(Delete("clerk", "2")), ""},                               // the query string
        {"", Body(Delete("clerk", "2")), "User=boss"},                               // a cookie
        {"User=boss&ConfigOption=SERVER+AND+BROWSER+FILE+LOCATIONS", "", ""},          // a form, not a change
    };
    for (const Case& c : cases) {
        Env env = {{"REMOTE_USER", "clerk"}};
        if (!c.cookie.empty()) env["HTTP_COOKIE"] = c.cookie;
        CgiResult r = s.site.Run(c.query, c.body, env);
        EXPECT_TRUE(Has(r.out, RefusalText)) << c.query << c.body << c.cookie << r.out;
        EXPECT_EQ(r.err, "vdconfig: refused: User=boss is not the signed-in user clerk\n");
        EXPECT_FALSE(Has(s.Log(), "opening Users table")) << s.Log();
    }
    // A signed-in name that is not plain text matches nobody; the line shows it.
    CgiResult r = s.site.Run("", Body(Delete("boss", "2")), {{"REMOTE_USER", "boss\n"}});
    EXPECT_TRUE(Has(r.out, RefusalText));
    EXPECT_EQ(r.err, "vdconfig: refused: the signed-in user boss\\x0a is not plain text\n");
    EXPECT_EQ(s.State(), before);
}

TEST(SignIn, RequireSignInRefusesEveryRequestWithoutOne) {
    SignInSite on("RequireSignIn=TRUE\r\n");
    for (const Env& env : {Env{}, Env{{"REMOTE_USER", ""}}}) {
        CgiResult r = on.site.Run("User=boss", "", env);
        EXPECT_TRUE(Has(r.out, RefusalText)) << r.out;
        EXPECT_EQ(r.err, "vdconfig: refused: no signed-in user, and vexweb.ini says RequireSignIn=TRUE\n");
    }
    EXPECT_TRUE(Has(on.site.Run("", "", {{"REMOTE_USER", "boss"}}).out, "Configuration Settings"));
    SignInSite off("RequireSignIn=FALSE\r\n");
    EXPECT_TRUE(Has(off.site.Run("User=boss").out, "Configuration Settings"));
}

TEST(ChangesByPost, AChangeByAnotherMethodIsRefusedAndTakesOnlyTheBodysFields) {
    SignInSite s;
    const std::string before = s.State();
    for (const char* method : {"GET", "HEAD", "PUT"}) {
        const std::string query = Body(Delete("boss", "2"));
        Env env = {{"REQUEST_METHOD", method}, {"QUERY_STRING", query}};
        CgiResult r = s.site.RunEnv(env);
        EXPECT_TRUE(Has(r.out, RefusalText)) << method << r.out;
        EXPECT_EQ(r.err, std::string("vdconfig: refused: ConfigOption=SAVEPLAN by ") + method +
                             "; changes are taken only by POST\n");
    }
    CgiResult r = s.site.Run("User=boss&ConfigOption=SAVEINI&HomePage=evil.htm", "");
    EXPECT_TRUE(Has(r.out, RefusalText));
    EXPECT_EQ(s.State(), before);

    // A POST: the query string and cookies still name the user and the
    // option, but no other field.
    Fields save = Delete("boss", "2");
    save.erase("User");
    save.erase("ConfigOption");
    save["DataAction"] = "SAVE";
    save["Rate_Description"] = "Posted";
    r = s.site.Run("ConfigOption=SAVEPLAN&DataAction=DELETE&Rate_Description=Forged", Body(save),
                   {{"HTTP_COOKIE", "User=boss; Flat_Fee=99"}});
    EXPECT_TRUE(Has(r.out, "has been saved")) << r.out;
    EXPECT_EQ(s.dbs.Query(s.dbs.BillingDb(), "select Rate_Description, Flat_Fee from Rate_Schedule where RateNum = 2"),
              (std::vector<std::vector<std::string>>{{"Posted", "0.0"}}));
}

// A save or delete whose key names no plan of a listed database (a plan
// number that is no whole number, an empty or missing Appl or DocType, a
// pair that DocumentTypes does not have) changes nothing and says why.
TEST(PlanKey, ASaveOrDeleteOfAKeyNamingNoPlanChangesNothing) {
    SignInSite s;
    s.dbs.Exec(s.dbs.BillingDb(), "INSERT INTO Rate_Schedule VALUES ('XYZ', '01', 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, "
                                  "'Other', 0, 1, 1, '', '', '', 1, 1, 1, 1)");
    const std::string before = s.State();
    for (const char* number : {"", "abc", "4.4", "2x", " "}) {
        Fields del = Delete("boss", number);
        const std::string why = std::string("the plan number \"") + number + "\" is not a whole number";
        CgiResult r = s.site.Run("", Body(del));
        EXPECT_TRUE(Has(r.out, "No rate plan was changed: " + why + ".")) << r.out;
        EXPECT_EQ(r.err, "vdconfig: refused: no rate plan was changed: " + why + "\n");
        del["DataAction"] = "SAVE";
        EXPECT_TRUE(Has(s.site.Run("", Body(del)).out, "is not a whole number")) << number;
    }
    struct Key {
        const char *appl, *docType;  // nullptr: not posted
    };
    for (const Key& key : {Key{"", ""}, Key{"XYZ", ""}, Key{"", "01"}, Key{nullptr, "01"}, Key{"ABC", nullptr},
                           Key{"XYZ", "01"}, Key{"abc", "01"}, Key{"ABC", "1"}}) {
        const std::string why = std::string("Application \"") + (key.appl ? key.appl : "") + "\" - Database \"" +
                                (key.docType ? key.docType : "") + "\" names no database";
        for (const char* number : {"0", "32767"}) {
            for (Fields post : {Delete("boss", number), RatePlanFields(number, "Forged")}) {
                post.erase("Appl");
                post.erase("DocType");
                if (key.appl) post["Appl"] = key.appl;
                if (key.docType) post["DocType"] = key.docType;
                CgiResult r = s.site.Run("", Body(post));
                EXPECT_TRUE(Has(r.out, "No rate plan was changed: " + why + ".")) << r.out;
                EXPECT_EQ(r.err, "vdconfig: refused: no rate plan was changed: " + why + "\n");
            }
        }
    }
    EXPECT_EQ(s.State(), before);
    // The form and the review still show a plan of a database that is not listed.
    for (const char* user : {"boss", "clerk"}) {
        const std::string page =
            s.site.Run(std::string("User=") + user + "&ConfigOption=SHOWPLAN&Rate0=x&RateNum0=0&Appl0=XYZ&DocType0=01").out;
        EXPECT_TRUE(Has(page, "applicable fees") && Has(page, "Other")) << page;
    }
}
