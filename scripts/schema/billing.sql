-- Billing database: the rate plans. Columns are read by position, so the
-- order below is binding; money values are doubles, maximums smallints.
-- Statements end with ";" at the end of a line.

CREATE TABLE Rate_Schedule (
  application varchar (3) NOT NULL,
  DocType varchar (2) NOT NULL,
  RateNum smallint NOT NULL,
  Flat_Fee double precision NULL,
  Search_Fee double precision NULL,
  NoHits_Fee double precision NULL,
  DocInfo_Fee double precision NULL,
  AllPages_Fee double precision NULL,
  Page_Fee double precision NULL,
  Hits_Fee double precision NULL,
  Max_Searches smallint NULL,
  Max_DocInfo smallint NULL,
  Max_DocView smallint NULL,
  Max_PageView smallint NULL,
  Rate_Description varchar (100) NULL,
  Hide_level smallint NULL,
  Report_Fee double precision NULL,
  OCR_Fee double precision NULL,
  Tax_Policy varchar (255) NULL,
  Billing_Policy varchar (255) NULL,
  Termination_Policy varchar (255) NULL,
  Max_Searches_Overcharge double precision NULL,
  Max_DocInfo_Overcharge double precision NULL,
  Max_DocView_Overcharge double precision NULL,
  Max_PageView_Overcharge double precision NULL,
  PRIMARY KEY (application, DocType, RateNum)
);
