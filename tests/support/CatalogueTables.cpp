#include "support/CatalogueTables.h"

#include "base/RunError.h"
#include "data/TableInfo.h"

namespace vdtest {

namespace {

struct Creation {
    const char* Table;
    const char* Create;
    const char* Index;  // "" for none
};

// The tables of the parameters database, then those of an application's
// own database.
constexpr Creation Creations[] = {
    {"Drives",
     "CREATE TABLE Drives (Drive varchar (254) NULL, DriveType varchar (3) NULL, PathPrefix varchar (30) NULL, ArchiveEnabled smallint NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON Drives(Drive)"},
    {"Applications",
     "CREATE TABLE Applications (ApplicationID varchar (3) NULL ,ApplicationName varchar (30) NULL ,LastImage varchar (8) NULL ,FolderNaming smallint NULL ,ImagesPerFolder smallint NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON Applications(ApplicationID)"},
    {"DocumentTypes",
     "CREATE TABLE DocumentTypes (DocTypeAppl varchar (3) NULL, DocTypeId varchar (2) NULL, DocTypeDesc varchar (30) NULL, DocTypePath varchar (254) NULL, PrimJoinField smallint NULL, JoinField smallint NULL, DisplayAttach smallint NULL, DatabaseType smallint NULL, DatabaseName varchar (254) NULL, DatabaseUserID varchar (30) NULL, DatabasePassword varchar (30) NULL, DatabaseDataSourceName varchar (30) NULL, MEFieldNums varchar (254) NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON DocumentTypes(DocTypeAppl, DocTypeID)"},
    {"Users",
     "CREATE TABLE Users (UserID varchar (60) NULL, UserName varchar (30) NULL, UserPass varchar (8) NULL, UserScan smallint NULL, UserIndex smallint NULL, UserArchive smallint NULL, UserSearch smallint NULL, UserSetup smallint NULL, UserSuper smallint NULL, UserDbAll smallint NULL, UserAppDb text NULL, GroupID varchar (30) NULL, UserInternet smallint NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON Users(UserID)"},
    {"Password",
     "CREATE TABLE Password (Password varchar (10) NULL, SecurityEnabled smallint NULL)",
     ""},
    {"Queues",
     "CREATE TABLE Queues (Application varchar (3) NULL, DocType varchar (2) NULL, QueueName varchar (30) NULL, QueueLocation varchar (254) NULL, QueueUser varchar(60) NULL, QueueNoImage smallint NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON Queues(Application, DocType, QueueName)"},
    {"Cartridges",
     "CREATE TABLE Cartridges (CartName varchar (8) NOT NULL,CartDesc varchar (50) NULL,CartType varchar (3) NULL,CartPrefix varchar (50) NULL,ArchiveEnabled smallint NULL,MBLimit numeric(19,2) NULL,BytesUsed numeric(19,2) NULL,NewCart smallint NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON Cartridges(CartName)"},
    {"CustomSearch",
     "CREATE TABLE CustomSearch (Application varchar (3) NULL, DocType varchar (2) NULL, Format varchar (30) NULL, Users text NULL, SearchFields varchar (254) NULL, SearchTypes varchar (254) NULL, HitListFields varchar (254) NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON CustomSearch(Application, DocType, Format)"},
    {"DBReferences",
     "CREATE TABLE DBReferences (Application varchar (3) NULL, DocType varchar (2) NULL, ReferenceSet smallint NULL, SourceReferenceField varchar (254) NULL, Delimiters varchar (20) NULL, TargetReferenceFields varchar (254) NULL)",
     "CREATE UNIQUE INDEX PrimeKey ON DBReferences(Application, DocType, ReferenceSet)"},
    {"TitleAbstract",
     "CREATE TABLE TitleAbstract (Code varchar (15), Description varchar (100) NULL, Tracts text NULL, Arbs text NULL, ReplaceCode varchar (15) NULL)",
     "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON TitleAbstract(Code)"},
    {"TitleSubdivision",
     "CREATE TABLE TitleSubdivision (Code varchar (15), Description varchar (100) NULL, Blocks text NULL, Lots text NULL, DetailLevel smallint NULL, Arbs text NULL, NoBlocks smallint  NULL, NoLots smallint NULL, Sub_Comments text NULL, Sub_Close_Flag smallint NULL, Close_Flags text NULL, Close_Comments text NULL)",
     "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON TitleSubdivision(Code)"},
};

}  // namespace

TableStatements CreationStatements(const std::string& table) {
    for (const Creation& c : Creations)
        if (table == c.Table) return {c.Create, c.Index};
    vd::Raise(vd::Err::InvalidCall);
}

TableStatements CodeTableStatements(const std::string& name) {
    return {"CREATE TABLE " + name + " (" + "Code varchar (15), " + "Description varchar (100) NULL)",
            "CREATE UNIQUE CLUSTERED INDEX CodeIndex ON " + name + "(Code)"};
}

bool CreateCatalogueTable(vd::OdbcConnection& connection, const std::string& table,
                          const TableStatements& statements) {
    if (vd::TableExists(connection, table)) return false;
    vd::TableInfo temp;
    vd::ODBCExecSQL(statements.Create, connection, temp);
    if (!statements.Index.empty()) vd::ODBCExecSQL(statements.Index, connection, temp);
    return true;
}

}  // namespace vdtest
