#include "data/tables/DocumentTypes.h"

#include "base/DebugLog.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"

namespace vd {

bool NamesDatabase(Databases& databases, const std::string& appl, const std::string& docType) {
    if (appl.empty() || docType.empty()) return false;
    const clsDocumentTypes dt;
    TableInfo record;
    TableCloser closing(record);
    DebugLog("seeking DocumentTypes Appl " + appl + " Doctype " + docType);
    InitParams(databases, databases.Params, dt.TableName, record);
    record.Field(dt.DocTypeAppl).Value = appl;
    record.Field(dt.DocTypeId).Value = docType;
    const bool found = SeekRec(dt.TableName, dt.KeyList, record, databases.Params) > 0;
    closing.Close();
    return found;
}

}  // namespace vd
