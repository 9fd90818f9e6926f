// The audit trail's records, reading them back, and the digest that
// versions forms.
#include "settings/AuditLookup.h"
#include "settings/AuditTrail.h"
#include "settings/ContentDigest.h"

#include <gtest/gtest.h>

using namespace vd;

namespace {

std::string Record(const std::string& user, const std::string& action, std::time_t when, const std::string& failed = "",
                   std::optional<int> plan = std::nullopt, bool pending = false) {
    AuditEntry e;
    e.Action = action;
    e.Who.User = user;
    if (plan) {
        e.Application = "ABC";
        e.Database = "01";
        e.Plan = plan;
    }
    e.Failure = failed;
    e.Pending = pending;
    e.Changes.push_back({"", "user", "\"action\":\"settings saved\"", "x"});
    return AuditLine(e, when);
}

}  // namespace

// A record is one line of JSON whatever its values hold: quotes,
// backslashes and control bytes escaped, Latin-1 bytes as UTF-8.
TEST(AuditRecord, EveryValueIsEscapedForJson) {
    AuditEntry e;
    e.Action = "plan updated";
    e.Who.User = "a\\b";
    e.Changes.push_back({"", "Rate_Description", "\"q\" \\ \n\r\t\x01\x7f", "\xe9 \xc3\xa9"});
    EXPECT_EQ(AuditLine(e, 0), R"({"time":"1970-01-01T00:00:00Z","user":"a\\b","action":"plan updated",)"
                               R"("changes":[{"field":"Rate_Description","old":"\"q\" \\ \n\r\t\u0001\u007f",)"
                               "\"new\":\"\xc3\xa9 \xc3\xa9\"}]}\n");
}

TEST(AuditLookup, TheLastChangeThatHappenedNamesItsUserAndTime) {
    std::string trail = Record("ann", "settings saved", 1000) + Record("bob", "plan updated", 2000, "", 2) +
                        Record("cy", "settings saved", 3000) + Record("cy", "settings saved", 3001, "(70) Denied");
    // cy's save was undone by its failed record; bob's is a plan.
    auto saver = LastSettingsChange(trail);
    ASSERT_TRUE(saver);
    EXPECT_EQ(saver->User, "ann");
    EXPECT_EQ(saver->Time, IsoUtc(1000));
    trail += Record("dee \"x\"", "version restored", 4000);
    EXPECT_EQ(LastSettingsChange(trail)->User, "dee \"x\"");
    EXPECT_EQ(LastPlanChange(trail, AuditKeyText("ABC", "01", 2))->User, "bob");
    EXPECT_FALSE(LastPlanChange(trail, AuditKeyText("ABC", "01", 22)));
    EXPECT_FALSE(LastSettingsChange(""));
}

TEST(AuditLookup, APendingRecordCountsOnlyOnceConfirmed) {
    const std::string pending = Record("bob", "plan updated", 2000, "", 2, true);
    const std::string key = AuditKeyText("ABC", "01", 2);
    EXPECT_TRUE(IsPending(pending));
    EXPECT_FALSE(LastPlanChange(pending, key));
    EXPECT_EQ(UnconfirmedRecords(pending, key).size(), 1u);
    // Another change between the record and its confirmation changes nothing.
    const std::string other = Record("cy", "plan updated", 2001, "", 3);
    const std::string confirmed = pending + other + Record("bob", "plan updated", 2002, "", 2);
    EXPECT_EQ(SettlementOf(pending, other + Record("bob", "plan updated", 2002, "", 2)), Settlement::Confirmed);
    EXPECT_TRUE(UnconfirmedRecords(confirmed, key).empty());
    EXPECT_EQ(LastPlanChange(confirmed, key)->Time, IsoUtc(2002));
    // Its failed copy undoes it; a confirmation of another user's change is not its own.
    const std::string failed = pending + Record("bob", "plan updated", 2003, "not committed", 2);
    EXPECT_EQ(SettlementOf(pending, failed.substr(pending.size())), Settlement::Failed);
    EXPECT_FALSE(LastPlanChange(failed, key));
    EXPECT_EQ(SettlementOf(pending, Record("cy", "plan updated", 2002, "", 2)), Settlement::Unconfirmed);
}

TEST(ContentDigest, EveryByteAndTheLengthCount) {
    const std::string text(100, 'a');
    const std::string digest = ContentDigest(text);
    EXPECT_EQ(digest.size(), DigestLength);
    EXPECT_EQ(ContentDigest(text), digest);
    for (size_t i : {0, 31, 32, 63, 99}) {
        std::string changed = text;
        changed[i] = 'b';
        EXPECT_NE(ContentDigest(changed), digest) << i;
    }
    EXPECT_NE(ContentDigest(text + '\0'), digest);
    EXPECT_NE(ContentDigest(""), ContentDigest(std::string(1, '\0')));
    EXPECT_TRUE(SameDigest(digest, digest));
    EXPECT_FALSE(SameDigest(digest.substr(1), digest));
    EXPECT_FALSE(SameDigest("", digest));
}
