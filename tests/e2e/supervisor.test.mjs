// The whole work of a supervisor, in a browser, against the site served by
// lighttpd: menu, settings, rate plans and the database report.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSite, parseIni, iniValue } from './lib/site.mjs';
import { openBrowser, shot, stepsFor } from './lib/browser.mjs';
import {
  signIn, mainText, press, pressDelete, planOptions, openPlan, openRatePlans, headerValue,
} from './lib/pages.mjs';

describe('supervisor', () => {
  let site;
  let browser;
  let page;

  before(async () => {
    site = await startSite('supervisor');
    browser = await openBrowser();
    page = browser.page;
  });
  after(async () => {
    await browser?.close();
    await site?.stop();
  });
  const step = stepsFor('supervisor', () => page);

  step('the start page signs in as admin and shows the main menu', async () => {
    await page.goto(site.url + '/');
    await shot(page, 'start.png');
    await signIn(page, site, 'admin');
    const text = await mainText(page);
    assert.match(text, /Configuration Settings/);
    const buttons = await page.locator('input[type="submit" i][name="ConfigOption"]').evaluateAll(
      (els) => els.map((e) => e.value));
    assert.deepEqual(buttons, ['Server and Browser File Locations', 'Rate Plans', 'Database Settings']);
    // the [UserGraphics] entry of admin replaces the default graphic
    assert.equal(await page.locator('header img.vd-logo').getAttribute('alt'), 'Webvexdoc supervisor');
    assert.equal(await page.locator('a', { hasText: 'click here for help' }).getAttribute('href'),
      '/vdhelpconfig.html');
    await shot(page, 'menu.png');
  });

  step('changes settings, saves them and sees them on the next visit', async () => {
    await page.goto(site.program);
    await press(page, 'Server and Browser File Locations');
    assert.match(await mainText(page), /vexweb\.ini settings/);
    const smtp = page.locator('input[name="SMTPServer"]');
    assert.equal(await smtp.inputValue(), 'mail.example.com');
    assert.equal(await page.locator('input[name="HTMLPath"]').inputValue(), site.dir + '/html/');
    assert.equal(await page.locator('input[name="E:"]').inputValue(), '/archive/e/');
    assert.equal(await page.locator('input[name="OCRAllowed"]').isChecked(), true);
    assert.equal(await page.locator('input[name="ReverseQuarters"]').isChecked(), false);
    assert.match(await mainText(page), /Browser Side Drive Settings/);
    await shot(page, 'settings.png');

    await smtp.fill('smtp.example.org');
    await page.locator('input[name="FromEmail"]').fill('records@example.org');
    await page.locator('input[name="E:"]').fill('/archive/e-new');
    await page.locator('input[name="ReverseQuarters"]').check();
    await press(page, 'SAVE');
    assert.match(await mainText(page), /Settings have been saved to vexweb\.ini/);

    // the next visit shows the saved values
    await page.goto(site.program);
    await press(page, 'Server and Browser File Locations');
    assert.equal(await page.locator('input[name="SMTPServer"]').inputValue(), 'smtp.example.org');
    assert.equal(await page.locator('input[name="FromEmail"]').inputValue(), 'records@example.org');
    assert.equal(await page.locator('input[name="E:"]').inputValue(), '/archive/e-new/');
    assert.equal(await page.locator('input[name="D:"]').inputValue(), '/archive/d/');
    assert.equal(await page.locator('input[name="ReverseQuarters"]').isChecked(), true);
    assert.equal(await page.locator('input[name="OCRAllowed"]').isChecked(), true);

    // and the file holds them beside everything it held before
    const ini = parseIni(await site.readIni());
    assert.equal(iniValue(ini, 'Vexdoc/Web', 'SMTPServer'), 'smtp.example.org');
    assert.equal(iniValue(ini, 'Vexdoc/Web', 'ReverseQuarters'), 'TRUE');
    assert.equal(iniValue(ini, 'Drives', 'E:'), '/archive/e-new/');
    assert.match(iniValue(ini, 'UserGraphics', 'admin'), /logo-supervisor\.svg/);
    assert.equal(iniValue(ini, 'RECVDW01_Starter', 'CriteriaSet3'), 'Subdivision');
  });

  step('lists the rate plans of every database', async () => {
    await page.goto(site.program);
    await press(page, 'Rate Plans');
    assert.match(await mainText(page), /Select a Billing Plan to configure/);
    assert.deepEqual(await planOptions(page, 'Deeds'),
      ['new', 'Standard', 'Title companies', 'County staff (internal)']);
    assert.deepEqual(await planOptions(page, 'Mortgages'), ['new', 'Pay per use']);
    assert.deepEqual(await planOptions(page, 'Civil Cases'), ['new']);
    await shot(page, 'plans.png');
  });

  step('creates a rate plan', async () => {
    await openRatePlans(page);
    await openPlan(page, 'Civil Cases', 'new', 'Modify Plan');
    assert.match(await mainText(page), /Enter the applicable fees for this rate plan/);
    assert.equal(await headerValue(page, 'Application'), 'District Court');
    assert.equal(await headerValue(page, 'Database'), 'Civil Cases');
    // the database's AllPagesPerPage switch marks the all-pages fee
    assert.match(await mainText(page), /Fee charged to view all image pages for a document \(PER PAGE\)/);
    assert.equal(await page.locator('input[name="Flat_Fee"]').inputValue(), '.00');
    assert.equal(await page.locator('input[value="DELETE"]').count(), 0);

    await page.locator('input[name="Rate_Description"]').fill('E2E court plan');
    await page.locator('input[name="Flat_Fee"]').fill('12.5');
    await page.locator('input[name="Search_Fee"]').fill('0.3');
    await page.locator('input[name="Max_Searches"]').fill('40');
    await page.locator('input[name="Report_Fee"]').fill('2');
    await page.locator('textarea[name="Tax_Policy"]').fill('Tax included in every fee.');
    await page.locator('select[name="Hidelevel"]').selectOption('NO');
    await press(page, 'SAVE');
    assert.match(await mainText(page),
      /Rate plan E2E court plan has been saved for Application CRT - Database 01/);

    await Promise.all([page.waitForEvent('load'),
      page.click('text=Click here to return to the rate plan screen')]);
    assert.deepEqual(await planOptions(page, 'Civil Cases'), ['new', 'E2E court plan']);
  });

  step('edits the rate plan', async () => {
    await openRatePlans(page);
    await openPlan(page, 'Civil Cases', 'E2E court plan', 'Modify Plan');
    assert.equal(await page.locator('input[name="Rate_Description"]').inputValue(), 'E2E court plan');
    assert.equal(await page.locator('input[name="Flat_Fee"]').inputValue(), '12.50');
    assert.equal(await page.locator('input[name="Search_Fee"]').inputValue(), '.30');
    assert.equal(await page.locator('input[name="Max_Searches"]').inputValue(), '40');
    assert.equal(await page.locator('input[name="Report_Fee"]').inputValue(), '2.00');
    assert.equal(await page.locator('textarea[name="Tax_Policy"]').inputValue(), 'Tax included in every fee.');
    assert.match(await mainText(page), /See policies below/);
    assert.equal(await page.locator('select[name="Hidelevel"]').inputValue(), 'NO');
    await shot(page, 'plan-form.png');

    await page.locator('input[name="Rate_Description"]').fill('E2E court plan v2');
    await page.locator('input[name="Flat_Fee"]').fill('15');
    await press(page, 'SAVE');
    assert.match(await mainText(page),
      /Rate plan E2E court plan v2 has been saved for Application CRT - Database 01/);

    await openRatePlans(page);
    assert.deepEqual(await planOptions(page, 'Civil Cases'), ['new', 'E2E court plan v2']);
    await openPlan(page, 'Civil Cases', 'E2E court plan v2', 'Modify Plan');
    assert.equal(await page.locator('input[name="Flat_Fee"]').inputValue(), '15.00');
    assert.equal(await page.locator('input[name="Max_Searches"]').inputValue(), '40');
  });

  step('hides the rate plan, and an ordinary user no longer sees it', async () => {
    await signIn(page, site, 'clerk');
    await openRatePlans(page);
    assert.deepEqual(await planOptions(page, 'Civil Cases'), ['E2E court plan v2']);

    await signIn(page, site, 'admin');
    await openRatePlans(page);
    await openPlan(page, 'Civil Cases', 'E2E court plan v2', 'Modify Plan');
    await page.locator('select[name="Hidelevel"]').selectOption('YES');
    await press(page, 'SAVE');
    assert.match(await mainText(page), /has been saved for Application CRT - Database 01/);

    await signIn(page, site, 'clerk');
    await openRatePlans(page);
    assert.match(await mainText(page), /Select a Billing Plan to review/);
    assert.equal(await planOptions(page, 'Civil Cases'), null, 'the database has no plan a clerk may see');
    assert.deepEqual(await planOptions(page, 'Deeds'), ['Standard', 'Title companies']);

    await signIn(page, site, 'admin');
    await openRatePlans(page);
    assert.deepEqual(await planOptions(page, 'Civil Cases'), ['new', 'E2E court plan v2']);
    await openPlan(page, 'Civil Cases', 'E2E court plan v2', 'Modify Plan');
    assert.equal(await page.locator('select[name="Hidelevel"]').inputValue(), 'YES');
  });

  step('deletes the rate plan', async () => {
    await openRatePlans(page);
    await openPlan(page, 'Civil Cases', 'E2E court plan v2', 'Modify Plan');
    assert.match(await pressDelete(page, true), /Delete this rate plan\?/);
    assert.match(await mainText(page),
      /Rate plan E2E court plan v2 has been deleted for Application CRT - Database 01/);
    await Promise.all([page.waitForEvent('load'),
      page.click('text=Click here to return to the rate plan screen')]);
    assert.deepEqual(await planOptions(page, 'Civil Cases'), ['new']);
    assert.deepEqual(await site.sql('billing.db',
      "select count(*) from Rate_Schedule where application = 'CRT'"), [['0']]);
  });

  step('picks a database and reads its report', async () => {
    await page.goto(site.program);
    await press(page, 'Database Settings');
    assert.match(await mainText(page), /Databases/);
    const list = page.locator('select[name="Database"]');
    assert.deepEqual((await list.locator('option').allInnerTexts()).map((t) => t.trim()),
      ['CRT-01 Civil Cases', 'REC-01 Deeds', 'REC-02 Mortgages']);
    await list.selectOption('REC-01');
    await press(page, 'Select Database');

    const text = await mainText(page);
    assert.match(text, /Configuration Settings for Application REC\s+Database 01/);
    const cell = async (key) => (await page.locator('tr').filter({
      has: page.locator('td', { hasText: new RegExp(`^${key}$`) }) }).locator('td').nth(1).innerText()).trim();
    assert.equal(await cell('ShowCheck'), 'TRUE');
    assert.equal(await cell('HeaderRepeat'), '25');
    assert.equal(await cell('OrderNumberField'), 'ORDERNO');
    assert.equal(await cell('BasketName'), 'STARTERS');
    assert.match(text, /Starter\/Fallout Criteria Sets for Application REC\s+Database 01/);
    for (const set of ['Grantor name', 'Grantee name', 'Subdivision']) assert.match(text, new RegExp(set));
    assert.match(text, /DAILYFALL\s+Daily fallout of open orders/);
    assert.match(text, /MONTHEND\s+Month-end summary of closed orders/);
    await shot(page, 'report.png');

    await page.goto(site.program);
    await press(page, 'Database Settings');
    await page.locator('select[name="Database"]').selectOption('REC-02');
    await press(page, 'Select Database');
    assert.match(await mainText(page), /Starter\/Fallout System not configured/);
  });
});
