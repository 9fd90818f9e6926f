// The history of changes in the browser: a bad settings save put right by
// putting the version before it back, a deleted plan put back, and an
// ordinary user turned away.
import { describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSite, parseIni, iniValue } from './lib/site.mjs';
import { openBrowser, stepsFor } from './lib/browser.mjs';
import { signIn, mainText, press, openPlan, openRatePlans, pressDelete, Refusal } from './lib/pages.mjs';

describe('the history of changes', () => {
  let site;
  let browser;
  let page;

  before(async () => {
    site = await startSite('history');
    browser = await openBrowser();
    page = browser.page;
  });
  after(async () => {
    await browser?.close();
    await site?.stop();
  });
  const step = stepsFor('history', () => page);

  const openHistory = async () => {
    await Promise.all([page.waitForEvent('load'), page.click('.vd-nav >> text=History')]);
    assert.match(await mainText(page), /History of changes/);
  };
  // The button of the newest record that offers one.
  const putBack = (caption) => page.locator(`input[type="submit" i][value="${caption}"]`).first();

  step('a bad settings save is undone from the history page', async () => {
    await signIn(page, site, 'admin');
    const good = await site.readIni();
    await press(page, 'Server and Browser File Locations');
    const smtp = page.locator('input[name="SMTPServer"]');
    const was = await smtp.inputValue();
    await smtp.fill('smtp.wrong.example');
    await press(page, 'SAVE');
    let text = await mainText(page);
    assert.match(text, /Settings have been saved to vexweb\.ini/);
    assert.ok(text.includes(`SMTPServer: "${was}" -> "smtp.wrong.example"`), text);

    await Promise.all([page.waitForEvent('load'), page.click('text=See the history of changes')]);
    text = await mainText(page);
    assert.match(text, /settings saved/);
    await Promise.all([page.waitForEvent('load'), putBack('Put these settings back').click()]);
    text = await mainText(page);
    assert.ok(text.includes(`SMTPServer: "smtp.wrong.example" -> "${was}"`), text);
    assert.notEqual(await site.readIni(), good, 'the question writes nothing');
    await press(page, 'RESTORE');
    text = await mainText(page);
    assert.match(text, /vexweb\.ini is now the kept version \d{8}T\d{6}Z-admin\.ini/);
    assert.equal(iniValue(parseIni(await site.readIni()), 'Vexdoc/Web', 'SMTPServer'), was);
    assert.equal(await site.readIni(), good);

    await openHistory();
    assert.match(await mainText(page), /version restored[\s\S]*put back \d{8}T\d{6}Z-admin\.ini/);
  });

  step('a deleted plan is put back under its number', async () => {
    const row = "select * from Rate_Schedule where application = 'REC' and DocType = '01' and RateNum = 1";
    const before = await site.sql('billing.db', row);
    assert.equal(before.length, 1);
    await openRatePlans(page);
    await openPlan(page, 'Deeds', 'Title companies', 'Modify Plan');
    assert.match(await pressDelete(page, true), /Delete this rate plan\?/);
    assert.match(await mainText(page), /Rate plan Title companies has been deleted/);
    assert.deepEqual(await site.sql('billing.db', row), []);

    await openHistory();
    await Promise.all([page.waitForEvent('load'), putBack('Put this plan back').click()]);
    assert.match(await mainText(page), /Put Rate plan #1 of Application REC - Database 01 back/);
    await press(page, 'RESTORE');
    assert.match(await mainText(page), /Rate plan #1 of Application REC - Database 01 has been put back/);
    assert.deepEqual(await site.sql('billing.db', row), before);

    // Once more from the same history page: the number is taken now.
    await openHistory();
    await Promise.all([page.waitForEvent('load'), putBack('Put this plan back').click()]);
    assert.match(await mainText(page), /its number is taken by the plan "Title companies"\. Nothing was written\./);
  });

  step('an ordinary user is refused the history', async () => {
    await signIn(page, site, 'clerk');
    await page.goto(site.program + '?ConfigOption=HISTORY');
    assert.ok((await mainText(page)).includes(Refusal));
  });
});
