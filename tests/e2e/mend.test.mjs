// A slip comes back to be mended: a folder typo on the settings form and a
// fee typed with a currency sign come back as typed, with a line naming the
// field, and are saved from the form that came back.
import { describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSite, parseIni, iniValue } from './lib/site.mjs';
import { openBrowser, stepsFor } from './lib/browser.mjs';
import { signIn, mainText, press, openPlan, openRatePlans } from './lib/pages.mjs';

describe('slips mended from the form that comes back', () => {
  let site;
  let browser;
  let page;

  before(async () => {
    site = await startSite('mend');
    browser = await openBrowser();
    page = browser.page;
  });
  after(async () => {
    await browser?.close();
    await site?.stop();
  });
  const step = stepsFor('mend', () => page);

  step('a parameters folder typo is refused as typed and saved once mended', async () => {
    await signIn(page, site, 'admin');
    await press(page, 'Server and Browser File Locations');
    const before = await site.readIni();
    const params = page.locator('input[name="ParameterPath"]');
    const good = await params.inputValue();
    const typo = good.replace(/params\/$/, 'parms/');
    assert.notEqual(typo, good);
    await params.fill(typo);
    await page.locator('input[name="SMTPServer"]').fill('smtp.mended.example');
    await press(page, 'SAVE');

    const text = await mainText(page);
    assert.match(text, /Settings not saved/);
    assert.ok(text.includes(`Folder where Vexdoc is located: "${typo}" holds no DSN/VDWParams32.DSN`), text);
    assert.equal(await site.readIni(), before);
    // the form came back with every value as typed
    assert.equal(await page.locator('input[name="ParameterPath"]').inputValue(), typo);
    assert.equal(await page.locator('input[name="SMTPServer"]').inputValue(), 'smtp.mended.example');

    await page.locator('input[name="ParameterPath"]').fill(good);
    await press(page, 'SAVE');
    assert.match(await mainText(page), /Settings have been saved to vexweb\.ini/);
    const ini = parseIni(await site.readIni());
    assert.equal(iniValue(ini, 'Vexdoc/Web', 'SMTPServer'), 'smtp.mended.example');
    assert.equal(iniValue(ini, 'Vexdoc/Web', 'ParameterPath'), good);
    // and the site still answers a supervisor
    await page.goto(site.program);
    await press(page, 'Server and Browser File Locations');
    assert.match(await mainText(page), /vexweb\.ini settings/);
  });

  step('a fee typed as "$2.00" is refused as typed and saved once mended', async () => {
    const plans = () => site.sql('billing.db',
      "select Rate_Description, Flat_Fee from Rate_Schedule where Rate_Description = 'Mended'");
    await openRatePlans(page);
    await openPlan(page, 'Deeds', 'new', 'Modify Plan');
    await page.locator('input[name="Rate_Description"]').fill('Mended');
    await page.locator('input[name="Flat_Fee"]').fill('$2.00');
    await press(page, 'SAVE');

    const text = await mainText(page);
    assert.match(text, /Rate plan not saved/);
    assert.ok(text.includes('Monthly fee to use this database: "$2.00" is not a number.'), text);
    assert.deepEqual(await plans(), []);
    assert.equal(await page.locator('input[name="Flat_Fee"]').inputValue(), '$2.00');
    assert.equal(await page.locator('input[name="Rate_Description"]').inputValue(), 'Mended');

    await page.locator('input[name="Flat_Fee"]').fill('2.00');
    await press(page, 'SAVE');
    assert.match(await mainText(page), /Rate plan Mended has been saved/);
    assert.deepEqual(await plans(), [['Mended', '2.0']]);
  });
});
