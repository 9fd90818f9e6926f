// The one failure of the data layer: the database (or its driver) refused
// what was asked. It travels up like every failure; Main draws it as the
// error page, once. A page that must go on after a database failure
// catches it, draws it with ReportDbError and says why it goes on.
#pragma once

#include <string>

#include "base/RunError.h"

namespace vd {

struct DbError : RunError {
    // A failure as the driver reported it: its native number, SQLSTATE and
    // message. Shown is false for the states that are never put on a page
    // (08002, 08003, 00000).
    DbError(long native, std::string state, std::string message, bool shown = true);
    // A failure of the data layer's own with the sentence that explains it
    // (the error page shows no number).
    explicit DbError(std::string sentence);

    long Native = 0;
    std::string State;
    std::string Message;
    bool Shown = true;
    // What the error page puts between the parentheses: the native number
    // with a blank before one that is not negative, or "" for a failure of
    // the data layer's own.
    std::string NumberText;
};

// The error page of a database failure ("(" number ") Error: " SQLSTATE
// message); nothing for a failure that is not shown. The run goes on.
void ReportDbError(const DbError& failure);

}  // namespace vd
