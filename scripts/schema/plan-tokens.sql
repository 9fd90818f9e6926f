-- Billing database: the program's own table of new-plan forms saved. Each
-- new-plan form carries a one-time token; the save that stores its plan
-- keeps the token here, in the same transaction, so that a second post of
-- the form (a reload, the back button) through any program folder on this
-- database stores nothing. Without the table each program folder knows only
-- the tokens on its own audit trail. Safe to run again: an existing table is
-- left as it is. Statements end with ";" at the end of a line.

CREATE TABLE IF NOT EXISTS VD_Plan_Tokens (
  Token varchar (32) NOT NULL,
  application varchar (3) NOT NULL,
  DocType varchar (2) NOT NULL,
  RateNum smallint NOT NULL,
  SavedAt varchar (20) NOT NULL,
  PRIMARY KEY (Token)
);
