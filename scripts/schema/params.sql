-- Parameters database: the tables of the parameter catalogue.
-- Each CREATE TABLE is the catalogue's own statement text. Index names are
-- per table (databases that keep index names per database accept them).
-- Statements end with ";" at the end of a line.

CREATE TABLE Drives (Drive varchar (254) NULL, DriveType varchar (3) NULL, PathPrefix varchar (30) NULL, ArchiveEnabled smallint NULL);
CREATE UNIQUE INDEX Drives_PrimeKey ON Drives(Drive);

CREATE TABLE Applications (ApplicationID varchar (3) NULL ,ApplicationName varchar (30) NULL ,LastImage varchar (8) NULL ,FolderNaming smallint NULL ,ImagesPerFolder smallint NULL);
CREATE UNIQUE INDEX Applications_PrimeKey ON Applications(ApplicationID);

CREATE TABLE DocumentTypes (DocTypeAppl varchar (3) NULL, DocTypeId varchar (2) NULL, DocTypeDesc varchar (30) NULL, DocTypePath varchar (254) NULL, PrimJoinField smallint NULL, JoinField smallint NULL, DisplayAttach smallint NULL, DatabaseType smallint NULL, DatabaseName varchar (254) NULL, DatabaseUserID varchar (30) NULL, DatabasePassword varchar (30) NULL, DatabaseDataSourceName varchar (30) NULL, MEFieldNums varchar (254) NULL);
CREATE UNIQUE INDEX DocumentTypes_PrimeKey ON DocumentTypes(DocTypeAppl, DocTypeID);

CREATE TABLE Users (UserID varchar (60) NULL, UserName varchar (30) NULL, UserPass varchar (8) NULL, UserScan smallint NULL, UserIndex smallint NULL, UserArchive smallint NULL, UserSearch smallint NULL, UserSetup smallint NULL, UserSuper smallint NULL, UserDbAll smallint NULL, UserAppDb text NULL, GroupID varchar (30) NULL, UserInternet smallint NULL);
CREATE UNIQUE INDEX Users_PrimeKey ON Users(UserID);

CREATE TABLE Password (Password varchar (10) NULL, SecurityEnabled smallint NULL);

CREATE TABLE Queues (Application varchar (3) NULL, DocType varchar (2) NULL, QueueName varchar (30) NULL, QueueLocation varchar (254) NULL, QueueUser varchar(60) NULL, QueueNoImage smallint NULL);
CREATE UNIQUE INDEX Queues_PrimeKey ON Queues(Application, DocType, QueueName);

CREATE TABLE Cartridges (CartName varchar (8) NOT NULL,CartDesc varchar (50) NULL,CartType varchar (3) NULL,CartPrefix varchar (50) NULL,ArchiveEnabled smallint NULL,MBLimit numeric(19,2) NULL,BytesUsed numeric(19,2) NULL,NewCart smallint NULL);
CREATE UNIQUE INDEX Cartridges_PrimeKey ON Cartridges(CartName);

CREATE TABLE CustomSearch (Application varchar (3) NULL, DocType varchar (2) NULL, Format varchar (30) NULL, Users text NULL, SearchFields varchar (254) NULL, SearchTypes varchar (254) NULL, HitListFields varchar (254) NULL);
CREATE UNIQUE INDEX CustomSearch_PrimeKey ON CustomSearch(Application, DocType, Format);

CREATE TABLE DBReferences (Application varchar (3) NULL, DocType varchar (2) NULL, ReferenceSet smallint NULL, SourceReferenceField varchar (254) NULL, Delimiters varchar (20) NULL, TargetReferenceFields varchar (254) NULL);
CREATE UNIQUE INDEX DBReferences_PrimeKey ON DBReferences(Application, DocType, ReferenceSet);
