// The audit trail read as records, for the people who read it: each line
// parsed, the filters of --history and of the history page, and the trail
// read from its end, newest record first, so that the newest records cost
// the same however long the trail has grown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "settings/AuditTrail.h"

namespace vd {

// The little JSON the trail holds: objects, arrays, strings, numbers and
// null. Strings keep their UTF-8.
struct AuditJson {
    enum Kind { Null, Text, Number, Bool, Array, Object } kind = Null;
    std::string text;  // a string, or a number or truth value as written
    std::vector<AuditJson> items;
    std::vector<std::string> names;  // an object's member names, beside their values in items

    const AuditJson* Get(std::string_view name) const;
    // A text or number member as written, "" when missing.
    std::string Str(std::string_view name) const;
    bool IsTrue(std::string_view name) const;
};

// One line of the trail; false when it is not a JSON object.
bool ParseAuditRecord(std::string_view line, AuditJson& record);

// Which records a reader asks for; empty members take every record.
struct TrailFilter {
    std::string Since;     // YYYY-MM-DD: records of that day or later
    std::string Until;     // YYYY-MM-DD: records of that day or earlier
    std::string User;      // the field "User" or REMOTE_USER, without regard to case
    std::string Database;  // "ABC" (an application) or "ABC-01" (one database)
    std::string Kind;      // "settings" (saves), "plans" (plan changes), "restores"; any case
};

// A day of the calendar as YYYY-MM-DD.
bool IsCalendarDay(const std::string& day);

// Whether the filter's kind is one of the three (or empty).
bool IsTrailKind(const std::string& kind);

bool MatchesFilter(const AuditJson& record, const TrailFilter& filter);

// False when the line cannot be a record the filter matches, told without
// reading it as a record (a user or application that is not in it);
// true does not say that it matches.
bool MayMatch(std::string_view line, const TrailFilter& filter);

// The record's member "changes" as the trail's writer had it.
std::vector<AuditChange> ChangesOf(const AuditJson& record);

// The trail read backwards from a byte offset (the file's end by default),
// one whole line at a time. A pending record is told whether a later
// record settled it (its confirmation or failed copy): when the reading
// starts before the end, the records after the start are looked through
// first for that.
class TrailFromEnd {
public:
    // path: the trail. A trail that is missing reads as empty; one that
    // cannot be read, or a link in its place, is a failure (70, 75).
    explicit TrailFromEnd(const std::string& path, std::optional<std::uint64_t> before = std::nullopt);
    ~TrailFromEnd();
    TrailFromEnd(const TrailFromEnd&) = delete;
    TrailFromEnd& operator=(const TrailFromEnd&) = delete;

    // The next older line, without its line end; false at the start of the
    // file. Offset() is then where that line starts.
    bool Older(std::string& line);
    std::uint64_t Offset() const { return lineStart_; }
    // Whether the line last read is a pending record settled by a later one.
    bool SettledLater(std::string_view pending) const;

private:
    bool Fill();
    void Remember(std::string_view record);

    int fd_ = -1;
    std::uint64_t chunkStart_ = 0;  // file offset of buffer_[0]
    std::string buffer_;            // whole lines and a partial first one
    std::uint64_t lineStart_ = 0;
    std::string last_;  // remembered once the next older line is asked for
    std::unordered_set<std::uint64_t> confirmations_, failures_;
};

}  // namespace vd
