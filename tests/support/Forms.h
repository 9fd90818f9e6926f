// Form posts for process tests: fields, their encoding and the rate plan
// form as a browser sends it.
#pragma once

#include <cctype>
#include <map>
#include <string>

namespace vdtest {

using Fields = std::map<std::string, std::string>;

// Form encoding: letters, digits and "_.-" stay, every other byte is %XX.
inline std::string Encode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '_' || c == '.' || c == '-') out += static_cast<char>(c);
        else out += std::string("%") + hex[c >> 4] + hex[c & 15];
    }
    return out;
}

inline std::string Body(const Fields& fields) {
    std::string body;
    for (const auto& [name, value] : fields) body += (body.empty() ? "" : "&") + Encode(name) + "=" + Encode(value);
    return body;
}

// What the rate plan form of a supervisor posts for a plan of ABC 01
// (RateNum 32767: a new plan), every value filled in but the report and
// OCR fees and the policies.
inline Fields RatePlanFields(const std::string& rateNum, const std::string& description) {
    return {{"User", "boss"},
            {"ConfigOption", "SAVEPLAN"},
            {"Appl", "ABC"},
            {"DocType", "01"},
            {"RateNum", rateNum},
            {"Rate_Description", description},
            {"Flat_Fee", "10.00"},
            {"Search_Fee", "1.50"},
            {"NoHits_Fee", "-.50"},
            {"DocInfo_Fee", ".00"},
            {"AllPages_Fee", ".25"},
            {"Max_Searches", "100"},
            {"Max_Searches_Overcharge", ".05"},
            {"Max_Docinfo", "7"},
            {"Max_Docinfo_Overcharge", "1.00"},
            {"Max_DocView", "-1"},
            {"Max_DocView_Overcharge", "2.00"},
            {"Max_PageView", "32767"},
            {"Max_pageView_Overcharge", "3.00"},
            {"Page_Fee", "2.68"},
            {"Hits_Fee", "1234.50"},
            {"Hidelevel", "NO"},
            {"Tax_Policy", ""},
            {"Billing_Policy", ""},
            {"Termination_Policy", ""},
            {"DataAction", "SAVE"}};
}

}  // namespace vdtest
