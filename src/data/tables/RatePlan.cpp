#include "data/tables/RatePlan.h"

#include "base/RunError.h"
#include "base/TextUtil.h"
#include "data/VDODBC.h"
#include "data/tables/Catalogue.h"
#include "settings/IniFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vd {

bool HasPolicyColumns(const TableInfo& record) { return record.FieldCount > clsRate_Schedule{}.Tax_Policy; }

bool HasOverchargeColumns(const TableInfo& record) {
    return record.FieldCount > clsRate_Schedule{}.Max_Searches_Overcharge;
}

void SetPlanKey(TableInfo& record, const std::string& appl, const std::string& docType, std::int16_t rateNum) {
    const clsRate_Schedule rs;
    record.Field(rs.application).Value = appl;
    record.Field(rs.DocType).Value = docType;
    record.Field(rs.RateNum).Value = rateNum;
}

bool SeekPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl, const std::string& docType,
              std::int16_t rateNum) {
    const clsRate_Schedule rs;
    SetPlanKey(record, appl, docType, rateNum);
    SeekRec(rs.TableName, rs.KeyList, record, connection);
    return !record.NoMatch;
}

std::int16_t NumberNewPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl,
                           const std::string& docType) {
    int number = 0;
    while (SeekPlan(record, connection, appl, docType, static_cast<std::int16_t>(number))) {
        if (number == 32767) Raise(Err::Overflow);
        ++number;
    }
    // Every seek reloads the record; one that finds nothing leaves it empty.
    SetPlanKey(record, appl, docType, static_cast<std::int16_t>(number));
    return static_cast<std::int16_t>(number);
}

std::string NewPlanLock::Path() { return WebIniFolder() + "/RatePlans.lock"; }

NewPlanLock::NewPlanLock() {
    const std::string path = Path();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        const int err = errno;
        throw FileError(err, err == ENOENT);
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        throw FileError(err);
    }
}

NewPlanLock::~NewPlanLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the file releases the lock
}

std::string LimitPolicy(const std::string& text, int size, bool& cut) {
    cut = size > 0 && text.size() > static_cast<size_t>(size);
    if (!cut) return text;
    // A UTF-8 character that the cut would split goes whole: half of one is
    // no text at all, and a database that checks its encoding refuses it.
    size_t end = static_cast<size_t>(size);
    auto continuation = [&](size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    size_t lead = end;
    while (lead > 0 && end - lead < 3 && continuation(lead)) --lead;
    if (lead < end && continuation(end) && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0xC0) end = lead;
    return Trim(text.substr(0, end));
}

}  // namespace vd
