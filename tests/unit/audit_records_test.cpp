// The trail read from its end, a line at a time, from any offset.
#include "settings/AuditRecords.h"
#include "settings/AuditTrail.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

using namespace vd;

namespace {

struct TrailFile {
    std::string folder;
    std::string path;
    TrailFile() {
        char templ[] = "/tmp/vdtrail.XXXXXX";
        folder = mkdtemp(templ);
        path = folder + "/" + AuditFileName;
    }
    ~TrailFile() {
        unlink(path.c_str());
        rmdir(folder.c_str());
    }
    void Write(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
};

std::string Plan(int n, bool pending, std::time_t when, const std::string& failed = "") {
    AuditEntry e;
    e.Action = "plan updated";
    e.Who.User = "boss";
    e.Application = "ABC";
    e.Database = "01";
    e.Plan = n;
    e.Pending = pending;
    e.Failure = failed;
    e.Changes.push_back({"", "Rate_Description", std::string(static_cast<size_t>(n % 700), 'x'), "y"});
    return AuditLine(e, when);
}

}  // namespace

TEST(TrailFromEnd, ReadsEveryLineNewestFirstAcrossChunksFromAnyOffset) {
    TrailFile t;
    std::vector<std::string> lines;
    std::string text;
    std::vector<size_t> starts;
    for (int i = 0; i < 600; ++i) {  // about 230 KB: lines cross the reading's chunks
        starts.push_back(text.size());
        lines.push_back(Plan(i, false, 1000 + i));
        text += lines.back();
        lines.back().pop_back();
    }
    t.Write(text);
    TrailFromEnd all(t.path);
    std::string line;
    for (size_t k = lines.size(); k-- > 0;) {
        ASSERT_TRUE(all.Older(line)) << k;
        ASSERT_EQ(line, lines[k]) << k;
        ASSERT_EQ(all.Offset(), starts[k]);
    }
    EXPECT_FALSE(all.Older(line));
    // From a line's start: that line is the next older's successor; from
    // inside a line, that line is left out.
    TrailFromEnd from(t.path, starts[300]);
    ASSERT_TRUE(from.Older(line));
    EXPECT_EQ(line, lines[299]);
    TrailFromEnd inside(t.path, starts[300] + 5);
    ASSERT_TRUE(inside.Older(line));
    EXPECT_EQ(line, lines[299]);
    // A missing trail reads as empty.
    TrailFromEnd none(t.folder + "/missing.log");
    EXPECT_FALSE(none.Older(line));
}

TEST(TrailFromEnd, APendingRecordIsToldSettledByAConfirmationOrFailedCopyAfterIt) {
    TrailFile t;
    const std::string confirmed = Plan(1, true, 10), failed = Plan(2, true, 11), open = Plan(3, true, 12);
    const std::string text =
        confirmed + failed + open + Plan(1, false, 13) + Plan(2, false, 14, "the database did not commit the change");
    t.Write(text);
    for (const std::optional<std::uint64_t> before :
         {std::optional<std::uint64_t>(),
          std::optional<std::uint64_t>(confirmed.size() + failed.size() + open.size())}) {
        TrailFromEnd trail(t.path, before);
        std::vector<bool> settled;
        std::string line;
        while (trail.Older(line))
            if (line.find(PendingMember) != std::string::npos) settled.push_back(trail.SettledLater(line));
        EXPECT_EQ(settled, (std::vector<bool>{false, true, true}));
    }
}
