// The audit trail of rate plan changes: one whole record per change, with
// the values before and after, and none for a change that did not happen.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <set>
#include <thread>
#include <vector>

using namespace vdtest;

namespace {

struct AuditSite {
    Site site;
    SiteDatabases dbs{site};
    AuditSite() {
        SetUpSupervisorSite(site, dbs);
        dbs.AddDocType("ABC", "01", "Deeds");
    }
    CgiResult Post(const Fields& f) const {
        return site.Run("", Body(f), {{"REMOTE_USER", "boss"}, {"REMOTE_ADDR", "127.0.0.9"}});
    }
    // Every line of the trail.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        if (!site.Exists("vdconfig-audit.log")) return lines;
        const std::string text = site.Read("vdconfig-audit.log");
        for (size_t p = 0, e; (e = text.find('\n', p)) != std::string::npos; p = e + 1) lines.push_back(text.substr(p, e - p));
        return lines;
    }
    // The records of changes that happened: the pending records, written
    // before each commit, left out.
    std::vector<std::string> Records() const {
        std::vector<std::string> records;
        for (std::string& line : Lines())
            if (line.find(R"(,"pending":true,"changes":)") == std::string::npos) records.push_back(std::move(line));
        return records;
    }
    std::string History(const std::vector<std::string>& args = {}) const;
};

// What the settings form posts, with folders that exist.
Fields SettingsPost(const AuditSite& s, const std::string& homepage) {
    return {{"User", "boss"},
            {"ConfigOption", "SAVEINI"},
            {"HTMLPath", s.site.HtmlPath()},
            {"ParameterPath", s.dbs.ParameterPath()},
            {"TempPath", s.site.Path("temp/")},
            {"BasketPath", "/tmp/"},
            {"EXEPath", "/tmp/"},
            {"BillingDBPath", "/tmp/"},
            {"Homepage", homepage},
            {"DataAction", "SAVE"}};
}

std::string Command(const std::string& line) {
    std::string out;
    FILE* p = popen((line + " 2>&1").c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

bool Has(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

// A string member of a record.
std::string Member(const std::string& record, const std::string& name) {
    const std::string open = "\"" + name + "\":\"";
    const size_t at = record.find(open);
    if (at == std::string::npos) return "";
    const size_t from = at + open.size();
    return record.substr(from, record.find('"', from) - from);
}

std::string AuditSite::History(const std::vector<std::string>& args) const {
    std::string cmd = site.Exe() + " --history";
    for (const auto& a : args) cmd += " '" + a + "'";
    return Command(cmd);
}

}  // namespace

TEST(AuditTrail, EachPlanChangeLeavesOneRecordWithItsValues) {
    AuditSite s;
    Fields plan = RatePlanFields("32767", "Gold");
    ASSERT_TRUE(Has(s.Post(plan).out, "has been saved"));
    auto records = s.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(Has(records[0], R"("user":"boss","remote_user":"boss","remote_addr":"127.0.0.9","action":"plan added",)"
                                R"("key":{"application":"ABC","database":"01","plan":0},"changes":[)"))
        << records[0];
    EXPECT_TRUE(Has(records[0], R"({"field":"Rate_Description","old":null,"new":"Gold"})")) << records[0];

    plan["RateNum"] = "0";
    plan["Flat_Fee"] = "12.00";
    plan["Rate_Description"] = "Gold \"2\"";
    ASSERT_TRUE(Has(s.Post(plan).out, "has been saved"));
    plan["Rate_Description"] = "Gold \"2\"";
    ASSERT_TRUE(Has(s.Post(plan).out, "has been saved"));  // changes nothing, still recorded
    records = s.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_TRUE(Has(records[1], R"("action":"plan updated")")) << records[1];
    EXPECT_TRUE(Has(records[1], R"({"field":"Flat_Fee","old":"10","new":"12"})")) << records[1];
    EXPECT_TRUE(Has(records[1], R"({"field":"Rate_Description","old":"Gold","new":"Gold \"2\""})")) << records[1];
    EXPECT_FALSE(Has(records[1], R"("field":"Search_Fee")")) << records[1];
    EXPECT_TRUE(Has(records[2], R"("changes":[]})")) << records[2];

    plan["DataAction"] = "DELETE";
    plan["ConfirmDelete"] = "YES";
    ASSERT_TRUE(Has(s.Post(plan).out, "has been deleted"));
    records = s.Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_TRUE(Has(records[3], R"("action":"plan deleted")")) << records[3];
    EXPECT_TRUE(Has(records[3], R"({"field":"Flat_Fee","old":"12","new":null})")) << records[3];
    // Each record follows its pending copy, which is the same but for the
    // time and the pending member.
    const auto lines = s.Lines();
    ASSERT_EQ(lines.size(), 8u);
    for (size_t i = 0; i < 8; i += 2) {
        EXPECT_EQ(lines[i + 1], records[i / 2]);
        std::string pending = lines[i];
        pending.erase(pending.find(R"(,"pending":true)"), 15);
        EXPECT_EQ(pending.substr(pending.find(",\"user\"")), records[i / 2].substr(records[i / 2].find(",\"user\"")));
    }

    // Newest first, readable, with filters.
    const std::string all = s.History();
    EXPECT_LT(all.find("plan deleted  ABC-01 plan 0  by boss (boss) from 127.0.0.9"), all.find("plan added")) << all;
    EXPECT_TRUE(Has(all, "    Flat_Fee: \"10\" -> \"12\"\n")) << all;
    EXPECT_TRUE(Has(s.History({"--user", "BOSS", "--database", "ABC-01"}), "plan added"));
    EXPECT_FALSE(Has(s.History({"--database", "XYZ"}), "plan"));
    EXPECT_FALSE(Has(s.History({"--until", "2000-01-01"}), "plan"));
}

TEST(AuditTrail, NoChangeWithoutItsRecord) {
    AuditSite s;
    // A trail that cannot be written stops the change before it is made.
    ASSERT_EQ(mkdir(s.site.Path("vdconfig-audit.log").c_str(), 0755), 0);
    CgiResult r = s.Post(RatePlanFields("32767", "Gold"));
    EXPECT_FALSE(Has(r.out, "has been saved")) << r.out;
    EXPECT_TRUE(Has(r.out, "Error: ")) << r.out;
    EXPECT_TRUE(s.dbs.Query(s.dbs.BillingDb(), "select RateNum from Rate_Schedule").empty());
    rmdir(s.site.Path("vdconfig-audit.log").c_str());
    // A change the database refuses leaves no record.
    s.dbs.Exec(s.dbs.BillingDb(), "create unique index one_name on Rate_Schedule (Rate_Description)");
    ASSERT_TRUE(Has(s.Post(RatePlanFields("32767", "Gold")).out, "has been saved"));
    EXPECT_TRUE(Has(s.Post(RatePlanFields("32767", "Gold")).out, "Error: "));
    EXPECT_EQ(s.Records().size(), 1u);
}

TEST(AuditTrail, ColumnsAreNamedAsTheCatalogueNamesThem) {
    AuditSite s;
    // A database whose driver reports the columns in lower case.
    std::string schema = RateScheduleTable();
    const size_t table = schema.find("CREATE TABLE Rate_Schedule (") + 28;
    std::transform(schema.begin() + static_cast<long>(table), schema.end(), schema.begin() + static_cast<long>(table),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    s.dbs.Exec(s.dbs.BillingDb(), "drop table Rate_Schedule;\n" + schema);
    ASSERT_EQ(s.dbs.Query(s.dbs.BillingDb(), "select name from pragma_table_info('Rate_Schedule') where cid = 3")[0][0],
              "flat_fee");
    ASSERT_TRUE(Has(s.Post(RatePlanFields("32767", "Gold")).out, "has been saved"));
    const auto records = s.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(Has(records[0], R"({"field":"Flat_Fee","old":null,"new":"10"})")) << records[0];
    EXPECT_TRUE(Has(records[0], R"({"field":"Max_PageView_Overcharge","old":null,"new":"3"})")) << records[0];
}

TEST(AuditTrail, SimultaneousNewPlansLeaveOneWholeRecordEach) {
    AuditSite s;
    std::vector<std::thread> runs;
    for (int i = 0; i < 6; ++i)
        runs.emplace_back([&s, i] { s.Post(RatePlanFields("32767", "Plan " + std::to_string(i) + std::string(3000, 'x'))); });
    for (auto& t : runs) t.join();
    const auto records = s.Records();
    ASSERT_EQ(records.size(), 6u);
    std::set<std::string> plans;
    for (const auto& r : records) {
        EXPECT_EQ(r.substr(0, 9), "{\"time\":\"");
        EXPECT_EQ(r.substr(r.size() - 2), "]}");
        plans.insert(r.substr(r.find("\"plan\":"), 9));
    }
    EXPECT_EQ(plans.size(), 6u);
}

TEST(SettingsAudit, ASaveKeepsTheReplacedFileAndRecordsWhatChanged) {
    AuditSite s;
    ASSERT_TRUE(Has(s.Post(SettingsPost(s, "one.htm")).out, "Settings have been saved"));
    const std::string first = s.site.Read("vexweb.ini");
    ASSERT_TRUE(Has(s.Post(SettingsPost(s, "two.htm")).out, "Settings have been saved"));
    ASSERT_TRUE(Has(s.Post(SettingsPost(s, "two.htm")).out, "Settings have been saved"));  // nothing changes
    auto records = s.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_TRUE(Has(records[1], R"("action":"settings saved","version":")")) << records[1];
    EXPECT_TRUE(Has(records[1], R"("changes":[{"section":"Vexdoc/Web","field":"Homepage","old":"one.htm","new":"two.htm"}]})"))
        << records[1];
    EXPECT_TRUE(Has(records[2], R"("action":"settings saved","changes":[]})")) << records[2];
    // The version kept by the second save is the first save's file, byte for byte.
    const std::string name = Member(records[1], "version");
    EXPECT_EQ(s.site.Read("vexweb.ini.history/" + name), first) << name;

    // Restored: the file is the kept version again, the replaced one is kept, and it is recorded.
    const std::string second = s.site.Read("vexweb.ini");
    const std::string out = Command(s.site.Exe() + " --restore " + name);
    EXPECT_TRUE(Has(out, "is now")) << out;
    EXPECT_EQ(s.site.Read("vexweb.ini"), first);
    records = s.Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_TRUE(Has(records[3], R"("action":"version restored","version":")")) << records[3];
    EXPECT_TRUE(Has(records[3], "\"restored\":\"" + name + "\"")) << records[3];
    EXPECT_TRUE(Has(records[3], R"("field":"Homepage","old":"two.htm","new":"one.htm")")) << records[3];
    const std::string kept = Member(records[3], "version");
    EXPECT_EQ(s.site.Read("vexweb.ini.history/" + kept), second);
    EXPECT_TRUE(Has(s.History(), "version restored")) << s.History();
}

TEST(SettingsAudit, OnlyTheNewestFiftyVersionsAreKept) {
    AuditSite s;
    for (int i = 0; i < 55; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "vexweb.ini.history/2000010%dT0000%02dZ-old.ini", 1 + i / 50, i % 50);
        s.site.Write(name, "old");
    }
    ASSERT_TRUE(Has(s.Post(SettingsPost(s, "x.htm")).out, "Settings have been saved"));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(s.site.Path("vexweb.ini.history")))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 50u);
    EXPECT_EQ(names[0], "20000101T000006Z-old.ini");
    EXPECT_TRUE(Has(names[49], "-boss.ini")) << names[49];
}

TEST(SettingsAudit, NoRecordOfAFailedSaveAndNoSaveWithoutItsRecord) {
    AuditSite s;
    const std::string before = s.site.Read("vexweb.ini");
    ASSERT_EQ(chmod(s.site.Path("vexweb.ini").c_str(), 0444), 0);
    EXPECT_TRUE(Has(s.Post(SettingsPost(s, "x.htm")).out, "(70) Error: Permission denied"));
    EXPECT_TRUE(s.Records().empty());
    ASSERT_EQ(chmod(s.site.Path("vexweb.ini").c_str(), 0644), 0);
    std::remove(s.site.Path("vdconfig-audit.log").c_str());
    ASSERT_EQ(mkdir(s.site.Path("vdconfig-audit.log").c_str(), 0755), 0);
    EXPECT_TRUE(Has(s.Post(SettingsPost(s, "x.htm")).out, "Error: "));
    EXPECT_EQ(s.site.Read("vexweb.ini"), before);
    EXPECT_FALSE(s.site.Exists("vexweb.ini.history"));
}

TEST(SettingsAudit, SimultaneousSavesLeaveOneWholeRecordEach) {
    AuditSite s;
    std::vector<std::thread> runs;
    for (int i = 0; i < 6; ++i)
        runs.emplace_back([&s, i] { s.Post(SettingsPost(s, "page" + std::to_string(i) + ".htm")); });
    for (auto& t : runs) t.join();
    const auto records = s.Records();
    ASSERT_EQ(records.size(), 6u);
    for (const auto& r : records) EXPECT_TRUE(Has(r, R"("action":"settings saved")") && r.substr(r.size() - 2) == "]}") << r;
}
