// Rate_Schedule of the billing database: one row per rate plan. Columns are
// addressed by position; the order is binding.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

struct clsRate_Schedule {
    std::string TableName = "Rate_Schedule";
    std::string KeyList = "0;1;2";
    std::int16_t FieldCount = 25;
    std::int16_t application = 0;
    std::int16_t DocType = 1;
    std::int16_t RateNum = 2;
    std::int16_t Flat_Fee = 3;
    std::int16_t Search_Fee = 4;
    std::int16_t NoHits_Fee = 5;
    std::int16_t DocInfo_Fee = 6;
    std::int16_t AllPages_Fee = 7;
    std::int16_t Page_Fee = 8;
    std::int16_t Hits_Fee = 9;
    std::int16_t Max_Searches = 10;
    std::int16_t Max_DocInfo = 11;
    std::int16_t Max_DocView = 12;
    std::int16_t Max_PageView = 13;
    std::int16_t Rate_Description = 14;
    std::int16_t Hide_level = 15;
    std::int16_t Report_Fee = 16;
    std::int16_t OCR_Fee = 17;
    std::int16_t Tax_Policy = 18;
    std::int16_t Billing_Policy = 19;
    std::int16_t Termination_Policy = 20;
    std::int16_t Max_Searches_Overcharge = 21;
    std::int16_t Max_DocInfo_Overcharge = 22;
    std::int16_t Max_DocView_Overcharge = 23;
    std::int16_t Max_PageView_Overcharge = 24;
};

}  // namespace vd
