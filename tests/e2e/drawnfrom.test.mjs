// No change lost, none made twice, every input named: two tabs of the
// settings form, a reload after a new plan, a DELETE without the page
// script, and axe's label rules on every page of the configurator.
import { describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { startSite, parseIni, iniValue } from './lib/site.mjs';
import { openBrowser, stepsFor } from './lib/browser.mjs';
import { signIn, mainText, press, openPlan, openRatePlans, planOptions } from './lib/pages.mjs';

const require = createRequire(import.meta.url);
const axeSource = await readFile(require.resolve('axe-core/axe.min.js'), 'utf8');

// The inputs, selects and text areas that axe finds without a name.
async function unlabelled(page) {
  await page.evaluate(axeSource);
  const result = await page.evaluate(() => window.axe.run(document, {
    runOnly: { type: 'rule', values: ['label', 'select-name', 'aria-input-field-name'] },
  }));
  return result.violations.flatMap((v) => v.nodes.map((n) => `${v.id}: ${n.html}`));
}

const plansOf = (site, db) => site.sql('billing.db',
  `select RateNum, Rate_Description from Rate_Schedule where application = 'REC' and DocType = '${db}' ` +
  'order by RateNum');

describe('forms that know what they were drawn from', () => {
  let site;
  let browser;
  let page;

  before(async () => {
    site = await startSite('drawnfrom');
    // The site's policy allows no inline script; axe is put in from outside.
    browser = await openBrowser({ bypassCSP: true });
    page = browser.page;
  });
  after(async () => {
    await browser?.close();
    await site?.stop();
  });
  const step = stepsFor('drawnfrom', () => page);

  step('every page of a supervisor and of a clerk has a name for each input', async () => {
    await signIn(page, site, 'admin');
    const seen = {};
    const check = async (name) => { seen[name] = await unlabelled(page); };
    await check('menu');
    await press(page, 'Server and Browser File Locations');
    await check('settings form');
    await openRatePlans(page);
    await check('rate plans');
    await openPlan(page, 'Deeds', 'Standard', 'Modify Plan');
    await check('plan form');
    await openRatePlans(page);
    await openPlan(page, 'Deeds', 'new', 'Modify Plan');
    await check('new plan form');
    await page.goto(site.program);
    await press(page, 'Database Settings');
    await check('database selection');
    await page.locator('select[name="Database"]').selectOption('REC-01');
    await press(page, 'Select Database');
    await check('database report');
    await signIn(page, site, 'clerk');
    await check('rate plans review');
    await openPlan(page, 'Deeds', 'Standard', 'Review Plan');
    await check('plan review');
    for (const [name, found] of Object.entries(seen)) assert.deepEqual(found, [], name);
    // The labels read as the rows' texts.
    await signIn(page, site, 'admin');
    await press(page, 'Server and Browser File Locations');
    assert.equal(await page.getByLabel('Folder where temporary files are created').getAttribute('name'), 'TempPath');
    assert.equal(await page.getByLabel('Enable OCR of images').getAttribute('name'), 'OCRAllowed');
  });

  step('two tabs: the second save is refused and the first change kept', async () => {
    const other = await browser.context.newPage();
    try {
      for (const tab of [page, other]) {
        await tab.goto(site.program);
        await press(tab, 'Server and Browser File Locations');
      }
      await page.locator('input[name="TempPath"]').fill(`${site.dir}/temp/first/`);
      await press(page, 'SAVE');
      assert.match(await mainText(page), /Settings have been saved to vexweb\.ini/);

      await other.locator('input[name="SMTPServer"]').fill('smtp.second.example');
      await press(other, 'SAVE');
      const refusal = await mainText(other);
      assert.match(refusal, /Settings not saved: vexweb\.ini was saved by admin at \S+Z, after this form was opened\./);
      let ini = parseIni(await site.readIni());
      assert.equal(iniValue(ini, 'Vexdoc/Web', 'TempPath'), `${site.dir}/temp/first/`);
      assert.equal(iniValue(ini, 'Vexdoc/Web', 'SMTPServer'), 'mail.example.com');

      // The link opens the form afresh, which saves over the first change.
      await Promise.all([other.waitForEvent('load'), other.click('text=Click here to open the settings form afresh')]);
      assert.equal(await other.locator('input[name="TempPath"]').inputValue(), `${site.dir}/temp/first/`);
      await other.locator('input[name="SMTPServer"]').fill('smtp.second.example');
      await press(other, 'SAVE');
      assert.match(await mainText(other), /Settings have been saved to vexweb\.ini/);
      ini = parseIni(await site.readIni());
      assert.equal(iniValue(ini, 'Vexdoc/Web', 'TempPath'), `${site.dir}/temp/first/`);
      assert.equal(iniValue(ini, 'Vexdoc/Web', 'SMTPServer'), 'smtp.second.example');
    } finally {
      await other.close();
    }
  });

  step('a reload after a new plan stores one plan', async () => {
    const before = await plansOf(site, '02');
    await openRatePlans(page);
    await openPlan(page, 'Mortgages', 'new', 'Modify Plan');
    await page.locator('input[name="Rate_Description"]').fill('E2E once');
    await press(page, 'SAVE');
    assert.match(await mainText(page), /Rate plan E2E once has been saved for Application REC - Database 02/);
    // The browser posts the form again.
    const [response] = await Promise.all([page.waitForResponse((r) => r.url() === site.program), page.reload()]);
    assert.equal(response.request().method(), 'POST');
    assert.match(await mainText(page), /This form was already saved as plan #\d+ for Application REC - Database 02/);
    const after = await plansOf(site, '02');
    assert.equal(after.length, before.length + 1);
    assert.equal(after.filter(([, d]) => d === 'E2E once').length, 1);
  });

  step('DELETE without the page script asks first in the page', async () => {
    const plain = await openBrowser({ javaScriptEnabled: false });
    try {
      const p = plain.page;
      await p.goto(site.url + '/');
      await plain.context.addCookies([{ name: 'User', value: 'admin', url: site.url }]);
      await p.goto(site.program + '?ConfigOption=RATE%20PLANS');
      assert.deepEqual(await planOptions(p, 'Mortgages'), ['new', 'Pay per use', 'E2E once']);
      await openPlan(p, 'Mortgages', 'E2E once', 'Modify Plan');
      await press(p, 'DELETE');
      assert.match(await mainText(p), /Delete this rate plan\? This cannot be undone\./);
      assert.match(await mainText(p), /E2E once/);
      assert.equal((await plansOf(site, '02')).filter(([, d]) => d === 'E2E once').length, 1);
      await press(p, 'DELETE');
      assert.match(await mainText(p), /Rate plan E2E once has been deleted for Application REC - Database 02/);
      assert.equal((await plansOf(site, '02')).filter(([, d]) => d === 'E2E once').length, 0);
    } finally {
      await plain.close();
    }
  });
});
