// Values that Main sets from the request and the pages read. They live for
// the whole run (one process answers one request).
#pragma once

#include <cstdint>
#include <string>

namespace vd {

inline std::string UserName;          // the request field "User"
inline bool UserIsSupervisor = false;  // the Users table's verdict on UserName
inline std::string Appl;              // application code of the current plan or database
inline std::string DocType;           // document type code of the current plan or database
inline std::int16_t RateNum = 0;      // plan number; NewPlan stands for a plan not stored yet

constexpr std::int16_t NewPlan = 32767;

}  // namespace vd
