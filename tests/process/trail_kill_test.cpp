// Plan saves and deletes, and settings saves, killed at any moment of their
// run: the trail holds no record of a change that did not happen, and every
// change that did happen has its record (a pending one at least). The real
// program on a real SQLite billing database and a real vexweb.ini.
#include "support/CgiRun.h"
#include "support/Databases.h"
#include "support/Forms.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace vdtest;

namespace {

bool Has(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

// The round's change: a new plan, an update of plan 100 + n or the delete
// of plan 200 + n, where n is the round's number among its kind.
enum Kind { Add, Update, Delete };
constexpr int Rounds = 36;

Fields RoundPost(int round) {
    const int n = round / 3;
    const std::string name = "Run " + std::to_string(round);
    switch (round % 3) {
        case Add:
            return RatePlanFields("32767", name);
        case Update:
            return RatePlanFields(std::to_string(100 + n), name);
        default: {
            Fields f = RatePlanFields(std::to_string(200 + n), "Seed");
            f["DataAction"] = "DELETE";
            f["ConfirmDelete"] = "YES";
            return f;
        }
    }
}

}  // namespace

TEST(TrailAndRows, AChangeKilledAtAnyMomentLeavesNoRecordOfSuccessWithoutItsRowAndNoRowWithoutARecord) {
    Site site;
    SiteDatabases dbs(site);
    SetUpSupervisorSite(site, dbs);
    dbs.AddDocType("ABC", "01", "Deeds");
    std::string seeds;
    for (int n = 0; n < Rounds / 3; ++n)
        for (int plan : {100 + n, 200 + n})
            seeds += "insert into Rate_Schedule (application, DocType, RateNum, Rate_Description) values ('ABC', '01', " +
                     std::to_string(plan) + ", 'Seed');\n";
    dbs.Exec(dbs.BillingDb(), seeds);

    // The kills land anywhere from the start to a little past the end of
    // a whole run, which one run unkilled measures.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Has(site.Run("", Body(RatePlanFields("99", "Measure"))).out, "has been saved"));
    const auto whole =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    unsigned seed = 27;
    int killed = 0;
    for (int round = 0; round < Rounds; ++round)
        killed += site.RunKilledAfter(Body(RoundPost(round)), static_cast<int>(rand_r(&seed) % (whole * 5 / 4 + 1)));
    EXPECT_GT(killed, 0);

    std::vector<std::string> done, pending;  // records of success; pending ones
    const std::string trail = site.Read("vdconfig-audit.log");
    for (size_t p = 0, e; (e = trail.find('\n', p)) != std::string::npos; p = e + 1) {
        const std::string record = trail.substr(p, e - p);
        ASSERT_FALSE(Has(record, "\"failed\":")) << record;
        (Has(record, R"(,"pending":true,"changes":)") ? pending : done).push_back(record);
    }
    auto recorded = [](const std::vector<std::string>& records, const std::string& part) {
        for (const std::string& r : records)
            if (Has(r, part)) return true;
        return false;
    };
    int changed = 0;
    for (int round = 0; round < Rounds; ++round) {
        const int n = round / 3;
        // What the round's record holds, and whether its change is in the table.
        std::string part;
        bool made;
        if (round % 3 == Delete) {
            const std::string plan = std::to_string(200 + n);
            part = R"("action":"plan deleted","key":{"application":"ABC","database":"01","plan":)" + plan + "}";
            made = dbs.Query(dbs.BillingDb(), "select 1 from Rate_Schedule where RateNum = " + plan).empty();
        } else {
            const std::string name = "Run " + std::to_string(round);
            part = R"("field":"Rate_Description","old":)" + std::string(round % 3 == Add ? "null" : "\"Seed\"") +
                   R"(,"new":")" + name + "\"}";
            made = !dbs.Query(dbs.BillingDb(), "select 1 from Rate_Schedule where Rate_Description = '" + name + "'")
                        .empty();
        }
        changed += made;
        if (recorded(done, part)) {
            EXPECT_TRUE(made) << "round " << round << " is recorded as done but not made";
        }
        if (made) {
            EXPECT_TRUE(recorded(done, part) || recorded(pending, part)) << "round " << round << " has no record";
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_LT(changed, Rounds);  // some kills came before the commit
}

TEST(TrailAndSettings, ASaveKilledAtAnyMomentLeavesNoRecordOfASaveThatDidNotHappen) {
    Site site;
    SiteDatabases dbs(site);
    SetUpSupervisorSite(site, dbs);
    // The form as posted: the folders of the site's vexweb.ini, and the
    // round's mail address.
    Fields form{{"User", "boss"}, {"ConfigOption", "SAVEINI"}, {"DataAction", "SAVE"}};
    const std::string ini = site.Read("vexweb.ini");
    for (size_t p = 0, e; (e = ini.find('\n', p)) != std::string::npos; p = e + 1)
        if (const size_t eq = ini.find('=', p); eq < e) {
            std::string value = ini.substr(eq + 1, e - eq - 1);
            if (!value.empty() && value.back() == '\r') value.pop_back();
            form[ini.substr(p, eq - p)] = value;
        }
    auto post = [&](const std::string& mail) {
        Fields f = form;
        f["FromEmail"] = mail;
        return Body(f);
    };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Has(site.Run("", post("measure")).out, "Settings have been saved"));
    const auto whole =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    unsigned seed = 31;
    for (int round = 0; round < Rounds; ++round)
        site.RunKilledAfter(post("run" + std::to_string(round)), static_cast<int>(rand_r(&seed) % (whole * 5 / 4 + 1)));

    // What some replacement really wrote: the file, or a kept version that a
    // later save replaced.
    std::string written = site.Read("vexweb.ini");
    for (const auto& kept : std::filesystem::directory_iterator(site.Path("vexweb.ini.history")))
        written += ReadFile(kept.path().string());
    const std::string trail = site.Read("vdconfig-audit.log");
    int saved = 0;
    for (int round = 0; round < Rounds; ++round) {
        const std::string mail = "run" + std::to_string(round);
        const bool made = Has(written, "FromEmail=" + mail + "\r\n") || Has(written, "FromEmail=" + mail + "\n");
        bool done = false, any = false;
        for (size_t p = 0, e; (e = trail.find('\n', p)) != std::string::npos; p = e + 1) {
            const std::string record = trail.substr(p, e - p);
            if (!Has(record, R"("field":"FromEmail")") || !Has(record, "\"new\":\"" + mail + "\"")) continue;
            any = true;
            done = done || (!Has(record, R"("pending":true)") && !Has(record, R"("failed":)"));
        }
        saved += made;
        if (done) {
            EXPECT_TRUE(made) << mail << " is recorded as saved but no file held it";
        }
        if (made) {
            EXPECT_TRUE(any) << mail << " was saved without a record";
        }
    }
    EXPECT_GT(saved, 0);
}
