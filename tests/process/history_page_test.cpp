// The history page of supervisors and what it puts back: a kept vexweb.ini
// and a deleted plan, each asked first and refused when the page is stale,
// foreign or names what is not there; and the confirmations that say what
// changed.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"
#include "support/PageText.h"

#include <gtest/gtest.h>

#include <regex>
#include <unistd.h>

using namespace vdtest;

namespace {

bool Has(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

struct HistorySite {
    Site site;
    SiteDatabases dbs{site};
    HistorySite() {
        SetUpSupervisorSite(site, dbs);
        dbs.AddUser("clerk", "0");
        dbs.AddDocType("ABC", "01", "Deeds");
    }
    CgiResult Get(const std::string& query) const { return site.Run(query); }
    CgiResult Post(const Fields& f, std::map<std::string, std::string> env = {}) const {
        env.emplace("REMOTE_ADDR", "192.0.2.7");
        return site.Run("", Body(f), env);
    }
    std::string Trail() const { return site.Exists("vdconfig-audit.log") ? site.Read("vdconfig-audit.log") : ""; }
    Fields Settings(const std::string& homepage) const {
        return {{"User", "boss"},
                {"ConfigOption", "SAVEINI"},
                {"Homepage", homepage},
                {"HTMLPath", site.HtmlPath()},
                {"TempPath", site.Path("temp/")},
                {"ParameterPath", dbs.ParameterPath()}};
    }
    // The single value of a hidden input on a page.
    static std::string Hidden(const std::string& page, const std::string& name) {
        std::smatch m;
        const std::regex re("name=" + name + " value=\"([^\"]*)\"");
        return std::regex_search(page, m, re) ? m[1].str() : "";
    }
    size_t Plans() const { return dbs.Query(dbs.BillingDb(), "select * from Rate_Schedule").size(); }
};

std::string Record(const std::string& time, const std::string& rest) {
    return "{\"time\":\"" + time + "\",\"user\":\"boss\"" + rest + "}\n";
}

}  // namespace

TEST(HistoryPage, OnlySupervisorsSeeItOrPutAnythingBack) {
    HistorySite s;
    for (const char* option : {"HISTORY", "RESTOREINI", "RESTOREPLAN"}) {
        EXPECT_EQ(s.Get(std::string("User=clerk&ConfigOption=") + option).out, Refusal) << option;
        EXPECT_EQ(s.Post({{"User", "clerk"}, {"ConfigOption", option}, {"Version", "x"}}).out, Refusal) << option;
    }
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const CgiResult r = s.Get("User=boss&ConfigOption=history");
    EXPECT_TRUE(Has(r.out, "History of changes")) << r.out;
    EXPECT_TRUE(Has(r.out, std::string("on <b>") + host + "</b>")) << r.out;
    EXPECT_TRUE(Has(r.out, "No change is on record here.")) << r.out;
}

TEST(HistoryPage, EveryValueFromTheTrailIsEscapedForItsPlace) {
    HistorySite s;
    s.site.Write(
        "vdconfig-audit.log",
        Record("2026-12-09T03:30:00Z<script>",
               ",\"remote_user\":\"<b>x</b>\",\"remote_addr\":\"1\\\"onmouseover=\\\"y\",\"action\":\"plan "
               "deleted\",\"key\":{\"application\":\"A\\\"><img src=x>\",\"database\":\"0'1\",\"plan\":1},"
               "\"changes\":[{\"field\":\"Rate_Description\",\"old\":\"</td><script>alert(1)</script>\\u001b[2J\","
               "\"new\":null}]") +
            "not json <iframe>\n");
    const std::string out = s.Get("User=boss&ConfigOption=HISTORY").out;
    EXPECT_FALSE(Has(out, "<script>")) << out;
    EXPECT_FALSE(Has(out, "<img src=x>")) << out;
    EXPECT_FALSE(Has(out, "<iframe>")) << out;
    EXPECT_FALSE(Has(out, "\"onmouseover")) << out;
    EXPECT_TRUE(Has(out, "&lt;/td&gt;&lt;script&gt;alert(1)&lt;/script&gt;\\x1b[2J")) << out;
    EXPECT_TRUE(Has(out, "(not a record)</i> not json &lt;iframe&gt;")) << out;
    // The offer's hidden fields carry the hostile key quoted and escaped.
    EXPECT_TRUE(Has(out, "name=Appl value=\"A&quot;&gt;&lt;img src=x&gt;\"")) << out;
    EXPECT_TRUE(Has(out, "name=DocType value=\"0&#39;1\"")) << out;
}

TEST(HistoryPage, NewestFirstFromTheEndFiftyAPageAsFiltered) {
    HistorySite s;
    std::string trail;
    for (int i = 0; i < 120; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "2026-12-%02dT00:00:%02dZ", 1 + i / 10, i % 60);
        const bool plan = i % 2 == 0;
        trail +=
            Record(time, std::string(",\"remote_user\":\"") + (i % 3 == 0 ? "Alex" : "kim") + "\",\"action\":\"" +
                             (plan ? "plan updated\",\"key\":{\"application\":\"ABC\",\"database\":\"0" +
                                         std::to_string(i % 4 / 2 + 1) + "\",\"plan\":" + std::to_string(i) + "}"
                                   : std::string("settings saved\"")) +
                             ",\"changes\":[{\"field\":\"n\",\"old\":null,\"new\":\"" + std::to_string(i) + "\"}]");
    }
    // A pending record and its confirmation show once; one left pending shows as not confirmed.
    const std::string pending =
        R"(,"action":"plan deleted","key":{"application":"ABC","database":"01","plan":500},"pending":true,"changes":[])";
    trail += Record("2026-12-31T00:00:00Z", pending) +
             Record("2026-12-31T00:00:01Z", std::regex_replace(pending, std::regex(",\"pending\":true"), "")) +
             Record("2026-12-31T00:00:02Z", std::regex_replace(pending, std::regex("500"), "501"));
    s.site.Write("vdconfig-audit.log", trail);
    std::string out = s.Get("User=boss&ConfigOption=HISTORY").out;
    auto count = [](const std::string& page) {
        size_t n = 0;
        for (size_t at = 0; (at = page.find("<tr valign=top>", at)) != std::string::npos; ++at) ++n;
        return n;
    };
    EXPECT_EQ(count(out), 50u);
    EXPECT_EQ(std::regex_search(out, std::regex("plan 500<")), true);
    EXPECT_EQ(out.find("plan 500<"), out.rfind("plan 500<"));
    EXPECT_LT(out.find("plan 501<"), out.find("plan 500<"));
    EXPECT_TRUE(Has(out.substr(out.find("plan 501<"), 400), "NOT CONFIRMED")) << out;
    EXPECT_FALSE(Has(out.substr(out.find("plan 500<"), 400), "NOT CONFIRMED")) << out;
    EXPECT_TRUE(Has(out, "&quot;119&quot;")) << out;
    EXPECT_TRUE(Has(out, "&quot;72&quot;")) << out;
    EXPECT_FALSE(Has(out, "&quot;71&quot;")) << out;
    std::smatch older;
    ASSERT_TRUE(std::regex_search(out, older, std::regex("HREF=\"([^\"]*Before=[0-9]+)\">Older changes")));
    const std::string next = std::regex_replace(older[1].str(), std::regex("&amp;"), "&");
    out = s.Get("User=boss&" + next.substr(next.find('?') + 1)).out;
    EXPECT_EQ(count(out), 50u);
    EXPECT_TRUE(Has(out, "&quot;71&quot;")) << out;
    EXPECT_TRUE(Has(out, "&quot;22&quot;")) << out;
    EXPECT_FALSE(Has(out, "&quot;72&quot;")) << out;
    EXPECT_TRUE(Has(out, "The newest changes")) << out;
    // Filters as --history's, and the kind.
    out = s.Get("User=boss&ConfigOption=HISTORY&Kind=settings&Who=alex&Since=2026-12-02&Until=2026-12-03").out;
    EXPECT_EQ(count(out), 3u) << out;  // 15, 21, 27
    EXPECT_FALSE(Has(out, "plan updated")) << out;
    out = s.Get("User=boss&ConfigOption=HISTORY&Database=abc-02&Until=2026-12-01").out;
    EXPECT_EQ(count(out), 2u) << out;  // 2, 6
    out = s.Get("User=boss&ConfigOption=HISTORY&Since=2026-13-45&Kind=rumours").out;
    EXPECT_TRUE(Has(out, "Since: &quot;2026-13-45&quot; is not a day (YYYY-MM-DD).")) << out;
    EXPECT_TRUE(Has(out, "Kind: &quot;rumours&quot; is not settings, plans or restores.")) << out;
    EXPECT_EQ(count(out), 0u);
}

TEST(HistoryPage, AKeptVersionComesBackOnlyOnceConfirmedThroughTheSaveCommit) {
    HistorySite s;
    const std::string original = s.site.Read("vexweb.ini");
    ASSERT_TRUE(Has(s.Post(s.Settings("bad.htm")).out, "Settings have been saved"));
    const std::string bad = s.site.Read("vexweb.ini");
    std::smatch kept;
    const std::string trail = s.Trail();
    ASSERT_TRUE(std::regex_search(trail, kept, std::regex("\"version\":\"([^\"]+)\"")));
    const std::string version = kept[1];
    const std::string page = s.Get("User=boss&ConfigOption=HISTORY").out;
    EXPECT_TRUE(Has(page, "name=Version value=\"" + version + "\"")) << page;

    CgiResult question = s.Post({{"User", "boss"}, {"ConfigOption", "RESTOREINI"}, {"Version", version}});
    EXPECT_TRUE(Has(question.out, "<b>Homepage</b>: &quot;bad.htm&quot; -&gt; <i>(none)</i>")) << question.out;
    EXPECT_EQ(s.site.Read("vexweb.ini"), bad);
    EXPECT_EQ(s.Trail(), trail);
    const std::string drawn = HistorySite::Hidden(question.out, "IniVersion");
    ASSERT_EQ(drawn.size(), 32u) << question.out;

    CgiResult done = s.Post({{"User", "boss"}, {"ConfigOption", "RESTOREINI"}, {"Version", version},
                             {"IniVersion", drawn}, {"ConfirmRestore", "YES"}},
                            {{"REMOTE_USER", "boss"}});
    EXPECT_TRUE(Has(done.out, "vexweb.ini is now the kept version " + version)) << done.out;
    EXPECT_TRUE(Has(done.out, "<b>Homepage</b>: &quot;bad.htm&quot; -&gt; <i>(none)</i>")) << done.out;
    EXPECT_TRUE(Has(done.out, "ConfigOption=HISTORY\">See the history of changes")) << done.out;
    EXPECT_EQ(s.site.Read("vexweb.ini"), original);
    const std::string record = s.Trail().substr(trail.size());
    EXPECT_TRUE(
        std::regex_search(record, std::regex("^\\{\"time\":\"[^\"]+\",\"user\":\"boss\",\"remote_user\":\"boss\","
                                             "\"remote_addr\":\"192.0.2.7\",\"action\":\"version restored\","
                                             "\"version\":\"[^\"]+\",\"restored\":\"" +
                                             version + "\"")))
        << record;
    std::smatch replaced;
    ASSERT_TRUE(std::regex_search(record, replaced, std::regex("\"version\":\"([^\"]+)\"")));
    EXPECT_EQ(s.site.Read("vexweb.ini.history/" + replaced[1].str()), bad);
}

TEST(HistoryPage, ARestoreOfSettingsIsRefusedWithNothingWritten) {
    HistorySite s;
    ASSERT_TRUE(Has(s.Post(s.Settings("one.htm")).out, "Settings have been saved"));
    std::smatch kept;
    const std::string trail0 = s.Trail();
    ASSERT_TRUE(std::regex_search(trail0, kept, std::regex("\"version\":\"([^\"]+)\"")));
    const std::string version = kept[1];
    const std::string drawn =
        HistorySite::Hidden(s.Post({{"User", "boss"}, {"ConfigOption", "RESTOREINI"}, {"Version", version}}).out,
                            "IniVersion");
    Fields confirm{{"User", "boss"}, {"ConfigOption", "RESTOREINI"}, {"Version", version},
                   {"IniVersion", drawn}, {"ConfirmRestore", "YES"}};
    const std::string ini = s.site.Read("vexweb.ini");
    auto unchanged = [&](const CgiResult& r, const std::string& text) {
        EXPECT_TRUE(Has(r.out, text)) << r.out;
        EXPECT_EQ(s.site.Read("vexweb.ini"), ini);
        EXPECT_EQ(s.Trail(), trail0);
    };
    for (const std::string& name : {std::string("20990101T000000Z-nobody.ini"), std::string("../vexweb.ini"),
                                    std::string("vexweb.ini")}) {
        Fields f = confirm;
        f["Version"] = name;
        unchanged(s.Post(f), "is not a kept version of vexweb.ini. Nothing was written.");
    }
    // By GET, and from another site's page.
    unchanged(
        s.Get("User=boss&ConfigOption=RESTOREINI&Version=" + version + "&IniVersion=" + drawn + "&ConfirmRestore=YES"),
        "You are not authorized");
    unchanged(s.Post(confirm, {{"HTTP_HOST", "config.example"}, {"HTTP_ORIGIN", "http://evil.example"}}),
              "You are not authorized");
    // A confirmation this program did not draw.
    Fields forged = confirm;
    forged.erase("IniVersion");
    unchanged(s.Post(forged), "this page was not drawn by this program");
    // vexweb.ini saved since the question was drawn.
    ASSERT_TRUE(Has(s.Post(s.Settings("two.htm")).out, "Settings have been saved"));
    const std::string trail1 = s.Trail();
    const std::string ini1 = s.site.Read("vexweb.ini");
    CgiResult stale = s.Post(confirm);
    EXPECT_TRUE(Has(stale.out, "Settings not restored: vexweb.ini was saved by boss at ")) << stale.out;
    EXPECT_TRUE(Has(stale.out, "after this page was opened. Nothing was written.")) << stale.out;
    EXPECT_EQ(s.site.Read("vexweb.ini"), ini1);
    EXPECT_EQ(s.Trail(), trail1);
}

TEST(HistoryPage, ADeletedPlanComesBackUnderItsNumberOnlyWhenItIsFree) {
    HistorySite s;
    Fields plan = RatePlanFields("32767", "Gold");
    ASSERT_TRUE(Has(s.Post(plan).out, "has been saved"));
    const auto row = s.dbs.Query(s.dbs.BillingDb(), "select * from Rate_Schedule");
    plan["RateNum"] = "0";
    plan["DataAction"] = "DELETE";
    plan["ConfirmDelete"] = "YES";
    ASSERT_TRUE(Has(s.Post(plan).out, "has been deleted"));
    const std::string page = s.Get("User=boss&ConfigOption=HISTORY").out;
    const std::string deleted = HistorySite::Hidden(page, "Deleted");
    ASSERT_FALSE(deleted.empty()) << page;
    Fields restore{{"User", "boss"}, {"ConfigOption", "RESTOREPLAN"}, {"Appl", "ABC"},
                   {"DocType", "01"}, {"RateNum", "0"},                {"Deleted", deleted}};
    std::string trail = s.Trail();
    // Asked first: nothing written.
    CgiResult question = s.Post(restore);
    EXPECT_TRUE(Has(question.out, "<b>Flat_Fee</b>: <i>(none)</i> -&gt; &quot;10&quot;")) << question.out;
    EXPECT_TRUE(Has(question.out, "name=ConfirmRestore value=\"YES\"")) << question.out;
    EXPECT_EQ(s.Plans(), 0u);
    EXPECT_EQ(s.Trail(), trail);
    // Refused: a deletion the trail does not have, a GET.
    Fields wrong = restore;
    wrong["Deleted"] = "2020-01-01T00:00:00Z";
    wrong["ConfirmRestore"] = "YES";
    EXPECT_TRUE(Has(s.Post(wrong).out, "the history has no deletion of it")) << s.Post(wrong).out;
    EXPECT_EQ(s.Get("User=boss&ConfigOption=RESTOREPLAN&Appl=ABC&DocType=01&RateNum=0&ConfirmRestore=YES&Deleted=" +
                    Encode(deleted)).out,
              Refusal);
    EXPECT_EQ(s.Plans(), 0u);
    EXPECT_EQ(s.Trail(), trail);

    restore["ConfirmRestore"] = "YES";
    CgiResult done = s.Post(restore);
    EXPECT_TRUE(Has(done.out, "has been put back as it was deleted at " + deleted)) << done.out;
    EXPECT_TRUE(Has(done.out, "<b>Rate_Description</b>: <i>(none)</i> -&gt; &quot;Gold&quot;")) << done.out;
    EXPECT_EQ(s.dbs.Query(s.dbs.BillingDb(), "select * from Rate_Schedule"), row);
    const std::string added = s.Trail().substr(trail.size());
    EXPECT_TRUE(Has(added, "\"action\":\"plan restored\",\"key\":{\"application\":\"ABC\",\"database\":\"01\","
                           "\"plan\":0},\"restored\":\"" + deleted + "\"")) << added;
    EXPECT_TRUE(Has(added, ",\"pending\":true,")) << added;

    // Again: the number is taken now. Then the database is gone.
    trail = s.Trail();
    const std::string taken = s.Post(restore).out;
    EXPECT_TRUE(Has(taken, "was not put back: its number is taken by the plan &quot;Gold&quot;.")) << taken;
    s.dbs.Exec(s.dbs.BillingDb(), "delete from Rate_Schedule");
    s.dbs.Exec(s.dbs.ParamsDb(), "delete from DocumentTypes");
    EXPECT_TRUE(Has(s.Post(restore).out, "was not put back: its database no longer exists. Nothing was written."));
    EXPECT_EQ(s.Plans(), 0u);
    EXPECT_EQ(s.Trail(), trail);
}

TEST(HistoryPage, SaveConfirmationsListWhatChangedAndLinkTheHistory) {
    HistorySite s;
    std::string out = s.Post(s.Settings("new.htm")).out;
    EXPECT_TRUE(Has(out, "[Vexdoc/Web] <b>Homepage</b>: <i>(none)</i> -&gt; &quot;new.htm&quot;")) << out;
    EXPECT_TRUE(Has(out, "<A HREF=\"/cgi/vdconfig.exe?ConfigOption=HISTORY\">See the history of changes</A>")) << out;
    out = s.Post(s.Settings("new.htm")).out;
    EXPECT_TRUE(Has(out, "<li>nothing changed</li>")) << out;
    Fields plan = RatePlanFields("32767", "Gold <1>");
    out = s.Post(plan).out;
    EXPECT_TRUE(Has(out, "<b>Rate_Description</b>: <i>(none)</i> -&gt; &quot;Gold &lt;1&gt;&quot;")) << out;
    plan["RateNum"] = "0";
    plan["Flat_Fee"] = "12.00";
    out = s.Post(plan).out;
    EXPECT_TRUE(Has(out, "<li><b>Flat_Fee</b>: &quot;10&quot; -&gt; &quot;12&quot;</li></ul>")) << out;
    EXPECT_TRUE(Has(out, "See the history of changes")) << out;
}
