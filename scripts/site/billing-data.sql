-- Sample rate plans of the billing database (columns in table order):
-- application, DocType, RateNum, Flat_Fee, Search_Fee, NoHits_Fee, DocInfo_Fee,
-- AllPages_Fee, Page_Fee, Hits_Fee, Max_Searches, Max_DocInfo, Max_DocView,
-- Max_PageView, Rate_Description, Hide_level, Report_Fee, OCR_Fee, Tax_Policy,
-- Billing_Policy, Termination_Policy, Max_Searches_Overcharge,
-- Max_DocInfo_Overcharge, Max_DocView_Overcharge, Max_PageView_Overcharge
INSERT INTO Rate_Schedule VALUES ('REC', '01', 0, 25, 0.5, 0.1, 0.25, 2, 1, 0.05, 200, 500, 100, 300,
  'Standard', 0, 1.5, 0.2,
  'Sales tax is added where the law requires it.',
  'Invoices are sent on the first day of each month and are due within 30 days.',
  'Either side may end the plan with 30 days written notice.',
  0.75, 0.35, 3, 1.25);
INSERT INTO Rate_Schedule VALUES ('REC', '01', 1, 95, 0.25, 0, 0.1, 1.5, 0.75, 0, 2000, 5000, 1000, 3000,
  'Title companies', 0, 1, 0.15,
  'Sales tax is added where the law requires it.',
  'Billed monthly in arrears.',
  NULL,
  0.3, 0.15, 2, 1);
INSERT INTO Rate_Schedule VALUES ('REC', '01', 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
  'County staff (internal)', -1, 0, 0, NULL, NULL, NULL, 0, 0, 0, 0);
INSERT INTO Rate_Schedule VALUES ('REC', '02', 0, 15, 0.4, 0.1, 0.2, 1.75, 0.8, 0.05, 150, 300, 80, 200,
  'Pay per use', 0, 1.5, 0.2, NULL, NULL, NULL, 0.6, 0.3, 2.5, 1);
