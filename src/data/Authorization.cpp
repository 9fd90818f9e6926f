#include "data/Authorization.h"

#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"

namespace vd {

namespace {

std::string TrimRightBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// UserSuper holds true (-1).
bool IsTrue(const FieldValue& value) {
    const std::string text = Trim(value.Text());
    return !text.empty() && Val(text) == -1;
}

}  // namespace

bool IsUserSupervisor(Databases& databases, const std::string& userId) {
    if (userId.empty()) return false;
    const clsUsers users;
    TableInfo record;
    TableCloser closing(record);
    DebugLog("opening Users table");
    InitParams(databases, databases.Params, users.TableName, record);
    DebugLog("seeking Userid=" + userId);
    // The rows whose UserID equals the id by the database's own rule (its
    // collation decides whether letter case counts); "%" and "_" are plain
    // characters.
    record.Field(users.UserID).Value = userId;
    bool result = false;
    if (SeekRec(users.TableName, users.KeyList, record, databases.Params) > 0) {
        // A returned row counts when its UserID equals the id without regard
        // to case. The row spelt exactly like the id wins; otherwise the
        // first in UserID order.
        const std::string wanted = TrimRightBlanks(userId);
        bool found = false;
        for (ODBCMoveFirst(record); !record.Eof; ODBCMoveNext(record)) {
            const std::string id = TrimRightBlanks(record.Field(users.UserID).Value.Text());
            if (!EqualsNoCase(id, wanted) || (found && id != wanted)) continue;
            result = IsTrue(record.Field(users.UserSuper).Value);
            found = true;
            if (id == wanted) break;
        }
    }
    closing.Close();
    return result;
}

}  // namespace vd
