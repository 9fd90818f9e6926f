-- Sample rows of the parameters database (columns in table order).
-- Users: UserID, UserName, UserPass, UserScan, UserIndex, UserArchive,
--        UserSearch, UserSetup, UserSuper, UserDbAll, UserAppDb, GroupID, UserInternet
INSERT INTO Users VALUES ('admin', 'Alex Admin', NULL, -1, -1, -1, -1, -1, -1, -1, NULL, 'STAFF', -1);
INSERT INTO Users VALUES ('clerk', 'Casey Clerk', NULL, 0, 0, 0, -1, 0, 0, 0, 'REC01;REC02', 'PUBLIC', -1);

-- Applications: ApplicationID, ApplicationName, LastImage, FolderNaming, ImagesPerFolder
INSERT INTO Applications VALUES ('REC', 'County Recorder', '00012840', 1, 500);
INSERT INTO Applications VALUES ('CRT', 'District Court', '00003311', 1, 500);

-- DocumentTypes: DocTypeAppl, DocTypeId, DocTypeDesc, DocTypePath, PrimJoinField,
--   JoinField, DisplayAttach, DatabaseType, DatabaseName, DatabaseUserID,
--   DatabasePassword, DatabaseDataSourceName, MEFieldNums
INSERT INTO DocumentTypes VALUES ('REC', '01', 'Deeds', '/images/rec/01/', 0, 0, 0, 1, 'recdeeds', NULL, NULL, NULL, NULL);
INSERT INTO DocumentTypes VALUES ('REC', '02', 'Mortgages', '/images/rec/02/', 0, 0, 0, 1, 'recmort', NULL, NULL, NULL, NULL);
INSERT INTO DocumentTypes VALUES ('CRT', '01', 'Civil Cases', '/images/crt/01/', 0, 0, -1, 1, 'crtcivil', NULL, NULL, NULL, NULL);

-- Drives: Drive, DriveType, PathPrefix, ArchiveEnabled
INSERT INTO Drives VALUES ('D:', 'MAG', '/srv/images/d/', -1);
INSERT INTO Drives VALUES ('E:', 'MAG', '/srv/images/e/', -1);
INSERT INTO Drives VALUES ('OPT1', 'OPT', '/srv/optical/1/', 0);
