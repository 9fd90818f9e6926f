// The table catalogue: every table the program knows, with its name, its
// key list (the key columns' positions in key order, "0;1;") and the
// positions of its columns. The order of the column names is the order of
// the columns, and binding: records address their columns by position.
// Pages use an entry through an object of it (users.UserID, rs.Flat_Fee,
// drives.TableName).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vd {

// A text fixed when the program is built, as a template argument.
template <std::size_t N>
struct CatalogueText {
    char text[N];
    constexpr CatalogueText(const char (&s)[N]) { std::copy_n(s, N, text); }
};

// What every entry has: the table's name, its key list and its number of
// columns. An entry holds no data: its objects only name things, so each
// entry is marked [[maybe_unused]] for the pages that keep one for its
// names alone.
template <CatalogueText Name, CatalogueText Keys, std::int16_t Columns>
struct CatalogueEntry {
    static inline const std::string TableName{Name.text};
    static inline const std::string KeyList{Keys.text};
    static constexpr std::int16_t FieldCount = Columns;
};

// The parameters database.

struct [[maybe_unused]] clsUsers : CatalogueEntry<"Users", "0;", 13> {
    enum : std::int16_t { UserID, UserName, UserPass, UserScan, UserIndex, UserArchive, UserSearch, UserSetup,
                          UserSuper, UserDbAll, UserAppDb, GroupID, UserInternet };
    static_assert(UserInternet + 1 == FieldCount);
    // The columns' names in the database, in the order above.
    static constexpr std::array<const char*, FieldCount> ColumnNames{
        "UserID", "UserName", "UserPass", "UserScan", "UserIndex", "UserArchive", "UserSearch",
        "UserSetup", "UserSuper", "UserDbAll", "UserAppDb", "GroupID", "UserInternet"};
};

// Archive drives and their paths.
struct [[maybe_unused]] clsDrives : CatalogueEntry<"Drives", "0;", 4> {
    enum : std::int16_t { Drive, DriveType, PathPrefix, ArchiveEnabled };
    static_assert(ArchiveEnabled + 1 == FieldCount);
    // The columns' names in the database, in the order above.
    static constexpr std::array<const char*, FieldCount> ColumnNames{
        "Drive", "DriveType", "PathPrefix", "ArchiveEnabled"};
};

struct [[maybe_unused]] clsApplications : CatalogueEntry<"Applications", "0;", 5> {
    enum : std::int16_t { ApplicationID, ApplicationName, LastImage, FolderNaming, ImagesPerFolder };
    static_assert(ImagesPerFolder + 1 == FieldCount);
    // The columns' names in the database, in the order above.
    static constexpr std::array<const char*, FieldCount> ColumnNames{
        "ApplicationID", "ApplicationName", "LastImage", "FolderNaming", "ImagesPerFolder"};
};

// One row per database (application and document type).
struct [[maybe_unused]] clsDocumentTypes : CatalogueEntry<"DocumentTypes", "0;1;", 13> {
    enum : std::int16_t { DocTypeAppl, DocTypeId, DocTypeDesc, DocTypePath, PrimJoinField, JoinField,
                          DisplayAttach, DatabaseType, DatabaseName, DatabaseUserID, DatabasePassword,
                          DatabaseDataSourceName, MEFieldNums };
    static_assert(MEFieldNums + 1 == FieldCount);
    // The columns' names in the database, in the order above.
    static constexpr std::array<const char*, FieldCount> ColumnNames{
        "DocTypeAppl", "DocTypeId", "DocTypeDesc", "DocTypePath", "PrimJoinField", "JoinField", "DisplayAttach",
        "DatabaseType", "DatabaseName", "DatabaseUserID", "DatabasePassword", "DatabaseDataSourceName",
        "MEFieldNums"};
};

// The security switch; the table has no key.
struct [[maybe_unused]] clsPassword : CatalogueEntry<"Password", "", 2> {
    enum : std::int16_t { Password, SecurityEnabled };
    static_assert(SecurityEnabled + 1 == FieldCount);
};

// The work queues of each database.
struct [[maybe_unused]] clsQueues : CatalogueEntry<"Queues", "0;1;2;", 6> {
    enum : std::int16_t { Application, DocType, QueueName, QueueLocation, QueueUser, QueueNoImage };
    static_assert(QueueNoImage + 1 == FieldCount);
};

// Archive cartridges.
struct [[maybe_unused]] clsCartridges : CatalogueEntry<"Cartridges", "0;", 8> {
    enum : std::int16_t { CartName, CartDesc, CartType, CartPrefix, ArchiveEnabled, MBLimit, BytesUsed, NewCart };
    static_assert(NewCart + 1 == FieldCount);
};

// Saved search formats.
struct [[maybe_unused]] clsCustomSearch : CatalogueEntry<"CustomSearch", "0;1;2;", 7> {
    enum : std::int16_t { Application, DocType, Format, Users, SearchFields, SearchTypes, HitListFields };
    static_assert(HitListFields + 1 == FieldCount);
};

// References between databases.
struct [[maybe_unused]] clsDBReferences : CatalogueEntry<"DBReferences", "0;1;2;", 6> {
    enum : std::int16_t { Application, DocType, ReferenceSet, SourceReferenceField, Delimiters, TargetReferenceFields };
    static_assert(TargetReferenceFields + 1 == FieldCount);
};

// A code table (code and description); its name is given when it is
// created (CodeTableStatements).
struct [[maybe_unused]] clsInternalTable : CatalogueEntry<"", "0;", 2> {
    enum : std::int16_t { Code, Description };
    static_assert(Description + 1 == FieldCount);
};

// An application's own database.

struct [[maybe_unused]] clsTitleAbstract : CatalogueEntry<"TitleAbstract", "0;", 5> {
    enum : std::int16_t { Code, Description, Tracts, Arbs, ReplaceCode };
    static_assert(ReplaceCode + 1 == FieldCount);
};

struct [[maybe_unused]] clsTitleSubdivision : CatalogueEntry<"TitleSubdivision", "0;", 12> {
    enum : std::int16_t { Code, Description, Blocks, Lots, DetailLevel, Arbs, NoBlocks, NoLots, Sub_Comments,
                          Sub_Close_Flag, Close_Flags, Close_Comments };
    static_assert(Close_Comments + 1 == FieldCount);
};

// The billing database.

// One row per rate plan.
struct [[maybe_unused]] clsRate_Schedule : CatalogueEntry<"Rate_Schedule", "0;1;2", 25> {
    enum : std::int16_t { application, DocType, RateNum, Flat_Fee, Search_Fee, NoHits_Fee, DocInfo_Fee,
                          AllPages_Fee, Page_Fee, Hits_Fee, Max_Searches, Max_DocInfo, Max_DocView, Max_PageView,
                          Rate_Description, Hide_level, Report_Fee, OCR_Fee, Tax_Policy, Billing_Policy,
                          Termination_Policy, Max_Searches_Overcharge, Max_DocInfo_Overcharge,
                          Max_DocView_Overcharge, Max_PageView_Overcharge };
    static_assert(Max_PageView_Overcharge + 1 == FieldCount);
    // The column counts of the layouts a plan can be shown from: the whole
    // table, the one without the overcharge columns, and the one without the
    // policies too. Saving a plan needs the whole.
    static constexpr std::array<int, 3> Layouts{FieldCount, Termination_Policy + 1, OCR_Fee + 1};
    // The columns' names in the database, in the order above.
    static constexpr std::array<const char*, FieldCount> ColumnNames{
        "application", "DocType", "RateNum", "Flat_Fee", "Search_Fee", "NoHits_Fee", "DocInfo_Fee", "AllPages_Fee",
        "Page_Fee", "Hits_Fee", "Max_Searches", "Max_DocInfo", "Max_DocView", "Max_PageView", "Rate_Description",
        "Hide_level", "Report_Fee", "OCR_Fee", "Tax_Policy", "Billing_Policy", "Termination_Policy",
        "Max_Searches_Overcharge", "Max_DocInfo_Overcharge", "Max_DocView_Overcharge", "Max_PageView_Overcharge"};
};

// The program's own table: one row per new-plan form saved, its token and
// the plan it added, at what time (UTC, 2026-12-09T03:30:00Z). Made by
// scripts/schema/plan-tokens.sql; a database without it is read as before
// (PlanTokens.h).
struct [[maybe_unused]] clsPlanTokens : CatalogueEntry<"VD_Plan_Tokens", "0;", 5> {
    enum : std::int16_t { Token, application, DocType, RateNum, SavedAt };
    static_assert(SavedAt + 1 == FieldCount);
    // The columns' names in the database, in the order above.
    static constexpr std::array<const char*, FieldCount> ColumnNames{"Token", "application", "DocType", "RateNum",
                                                                     "SavedAt"};
};

}  // namespace vd
