// The rate plan that a request works on, and the rules of Rate_Schedule rows
// that the rate plan pages share: the plan key, the table versions of 18 and
// 21 columns, the numbering of new plans and the length limit of policies.
#pragma once

#include <cstdint>
#include <string>

#include "data/ODBCAPI.h"
#include "data/TableInfo.h"

namespace vd {

// The values of the current plan besides its key (Appl, DocType, RateNum of
// the run values). The hide flag and the policies are kept by each page.
struct RatePlanRecord {
    double Flat_Fee = 0;
    double Search_Fee = 0;
    double NoHits_Fee = 0;
    double DocInfo_Fee = 0;
    double AllPages_Fee = 0;
    double Page_Fee = 0;
    double Hits_Fee = 0;
    double Report_Fee = 0;
    double OCR_Fee = 0;
    std::int16_t Max_Searches = 0;
    std::int16_t Max_DocInfo = 0;
    std::int16_t Max_DocView = 0;
    std::int16_t Max_PageView = 0;
    double Max_Searches_Overcharge = 0;
    double Max_DocInfo_Overcharge = 0;
    double Max_DocView_Overcharge = 0;
    double Max_PageView_Overcharge = 0;
    std::string Rate_Description;
};

inline RatePlanRecord RatePlan;

// Older tables end after OCR_Fee (18 columns) or after the three policies
// (21 columns); the pages read what the table has and write all 25.
bool HasPolicyColumns(const TableInfo& record);
bool HasOverchargeColumns(const TableInfo& record);

// Positions 0, 1 and 2 of a Rate_Schedule record := the plan key.
void SetPlanKey(TableInfo& record, const std::string& appl, const std::string& docType,
                std::int16_t rateNum);

// Reads the plan of this key into the record; true when it exists.
bool SeekPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl,
              const std::string& docType, std::int16_t rateNum);

// The smallest plan number that this database does not use yet. Stepping
// past 32767 is failure 6 "Overflow". The record is left holding the key of
// the free number and no other value. Callers hold a NewPlanLock from the
// numbering until the new row is stored.
std::int16_t NumberNewPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl,
                           const std::string& docType);

// Serialises the numbering and inserting of new plans across processes: an
// exclusive advisory lock on the file RatePlans.lock in the folder that
// holds vexweb.ini (its link target's folder when it is a link), held while
// the object lives. A lock file that cannot be opened is a failure (70, 75, 76).
class NewPlanLock {
public:
    NewPlanLock();
    ~NewPlanLock();
    NewPlanLock(const NewPlanLock&) = delete;
    NewPlanLock& operator=(const NewPlanLock&) = delete;

    static std::string Path();

private:
    int fd_ = -1;
};

// A policy longer than its column's declared size (a size of 0 means no
// limit) is cut to size bytes, never inside a UTF-8 character, and
// stripped of blanks at both ends; cut tells whether that happened.
std::string LimitPolicy(const std::string& text, int size, bool& cut);

}  // namespace vd
