// An ordinary user in a browser: reviews the rate plans and is refused
// everywhere else, and changes nothing by trying.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSite } from './lib/site.mjs';
import { openBrowser, shot, stepsFor } from './lib/browser.mjs';
import {
  signIn, mainText, press, planOptions, openPlan, openRatePlans, headerValue, Refusal,
} from './lib/pages.mjs';

describe('ordinary user', () => {
  let site;
  let browser;
  let page;
  const refused = new RegExp(Refusal.replace('.', '\\.'));

  before(async () => {
    site = await startSite('clerk');
    browser = await openBrowser();
    page = browser.page;
  });
  after(async () => {
    await browser?.close();
    await site?.stop();
  });

  const step = stepsFor('clerk', () => page);

  step('lands on the rate plan review; the menu is refused', async () => {
    await signIn(page, site, 'clerk');
    assert.match(await mainText(page), /Select a Billing Plan to review/);
    await Promise.all([page.waitForEvent('load'), page.click('.vd-nav >> text=Menu')]);
    assert.match(await mainText(page), refused);
    assert.equal(await page.locator('input[type="submit" i]').count(), 0);
    // no [UserGraphics] entry: the template's own graphic
    assert.equal(await page.locator('header img.vd-logo').getAttribute('alt'), 'Webvexdoc');
  });

  step('reviews the plans that are not hidden', async () => {
    await openRatePlans(page);
    assert.match(await mainText(page), /Select a Billing Plan to review/);
    assert.deepEqual(await planOptions(page, 'Deeds'), ['Standard', 'Title companies']);
    assert.deepEqual(await planOptions(page, 'Mortgages'), ['Pay per use']);
    assert.equal(await planOptions(page, 'Civil Cases'), null, 'a database without plans is not listed');
    const captions = await page.locator('input[type="submit" i]').evaluateAll((els) => els.map((e) => e.value));
    assert.deepEqual(captions, ['Review Plan', 'Review Plan']);

    await openPlan(page, 'Deeds', 'Title companies', 'Review Plan');
    const text = await mainText(page);
    assert.match(text, /Below are the applicable fees for this rate plan/);
    assert.equal(await headerValue(page, 'Application'), 'County Recorder');
    assert.equal(await headerValue(page, 'Database'), 'Deeds');
    assert.equal(await page.locator('input[name="Rate_Description"]').inputValue(), 'Title companies');
    assert.equal(await page.locator('input[name="Flat_Fee"]').inputValue(), '95.00');
    assert.equal(await page.locator('input[name="Max_DocView"]').inputValue(), '1000');
    assert.equal(await page.locator('input[name="Max_DocView_Overcharge"]').inputValue(), '2.00');
    assert.match(text, /Billing Policy: Billed monthly in arrears\./);
    assert.doesNotMatch(text, /Termination Policy/, 'an empty policy is not shown to a reviewer');
    assert.equal(await page.locator('select[name="Hidelevel"]').count(), 0);
    assert.equal(await page.locator('textarea').count(), 0);
    assert.equal(await page.locator('input[type="submit" i]').count(), 0, 'no SAVE or DELETE');
    await shot(page, 'review.png');
  });

  const refusedPages = {
    'the settings form': { ConfigOption: 'Server and Browser File Locations' },
    'the database list': { ConfigOption: 'Database Settings' },
    'a database report': { ConfigOption: 'Select Database', Database: 'REC-01' },
    'saving settings': { ConfigOption: 'SAVEINI' },
    'the main menu': { ConfigOption: 'anything else' },
  };
  for (const [what, query] of Object.entries(refusedPages)) {
    step(`is refused ${what}`, async () => {
      await page.goto(`${site.program}?${new URLSearchParams(query)}`);
      const text = await mainText(page);
      assert.match(text, refused);
      assert.doesNotMatch(text, /vexweb\.ini settings|Databases|Configuration Settings/);
    });
  }

  step('cannot save settings or plans by posting the forms', async () => {
    const before = await site.readIni();
    const plansBefore = await site.sql('billing.db',
      'select application, DocType, RateNum, Rate_Description, Flat_Fee from Rate_Schedule order by 1, 2, 3');
    const post = (form) => page.context().request.post(site.program, { form });

    let res = await post({ ConfigOption: 'SAVEINI', DataAction: 'SAVE', SMTPServer: 'evil.example', HTMLPath: '/tmp/' });
    assert.match(await res.text(), refused);
    res = await post({ ConfigOption: 'SAVEPLAN', DataAction: 'SAVE', Appl: 'REC', DocType: '01', RateNum: '0',
      Rate_Description: 'Free for all', Flat_Fee: '0' });
    assert.match(await res.text(), refused);
    res = await post({ ConfigOption: 'SAVEPLAN', DataAction: 'DELETE', Appl: 'REC', DocType: '01', RateNum: '1' });
    assert.match(await res.text(), refused);

    assert.equal(await site.readIni(), before, 'vexweb.ini unchanged');
    assert.deepEqual(await site.sql('billing.db',
      'select application, DocType, RateNum, Rate_Description, Flat_Fee from Rate_Schedule order by 1, 2, 3'),
    plansBefore, 'rate plans unchanged');
  });

  step('a user the parameters database does not know is refused too', async () => {
    await signIn(page, site, 'visitor');
    assert.match(await mainText(page), refused);
    await openRatePlans(page);
    assert.match(await mainText(page), /Select a Billing Plan to review/);
    assert.deepEqual(await planOptions(page, 'Deeds'), ['Standard', 'Title companies']);
  });
});
