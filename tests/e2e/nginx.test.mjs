// The sample site behind nginx and fcgiwrap, set up as the guide says, on a
// port other than 80: Debian's fastcgi_params pass the Host without its
// port, and a supervisor's saves are still taken; a post from another
// origin is refused with its line in nginx's error log.
import { describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSite } from './lib/site.mjs';
import { openBrowser, stepsFor } from './lib/browser.mjs';
import { signIn, mainText, press, openPlan } from './lib/pages.mjs';

describe('nginx', () => {
  let site;
  let browser;
  let page;

  before(async () => {
    site = await startSite('nginx', { server: 'nginx' });
    browser = await openBrowser();
    page = browser.page;
  });
  after(async () => {
    await browser?.close();
    await site?.stop();
  });
  const step = stepsFor('nginx', () => page);

  step('serves the program with the security headers and keeps the program folder private', async () => {
    assert.notEqual(site.port, 80);
    const res = await fetch(site.program, { headers: { Cookie: 'User=admin' } });
    assert.match(await res.text(), /Configuration Settings/);
    assert.equal(res.headers.get('x-frame-options'), 'DENY');
    const denied = await fetch(site.url + '/scripts/vexweb.ini');
    assert.equal(denied.status, 403);
    assert.equal(denied.headers.get('x-frame-options'), 'DENY');
  });

  step('a supervisor saves the settings and a rate plan', async () => {
    await signIn(page, site, 'admin');
    await press(page, 'Server and Browser File Locations');
    await page.locator('input[name="SMTPServer"]').fill('smtp.nginx.example');
    await press(page, 'SAVE');
    assert.match(await mainText(page), /Settings have been saved to vexweb\.ini/);
    assert.match(await site.readIni(), /SMTPServer=smtp\.nginx\.example/);

    await page.goto(site.program);
    await press(page, 'Rate Plans');
    await openPlan(page, 'Civil Cases', 'new', 'Modify Plan');
    await page.locator('input[name="Rate_Description"]').fill('Through nginx');
    await press(page, 'SAVE');
    assert.match(await mainText(page), /Rate plan Through nginx has been saved/);
    assert.deepEqual(await site.sql('billing.db',
      "select Rate_Description from Rate_Schedule where application = 'CRT'"), [['Through nginx']]);
  });

  step('a post from another origin is refused and says so in the error log', async () => {
    const before = await site.readIni();
    const res = await fetch(site.program, {
      method: 'POST',
      headers: { Origin: 'http://127.0.0.1', 'Content-Type': 'application/x-www-form-urlencoded' },
      body: 'User=admin&ConfigOption=SAVEINI&SMTPServer=forged.example',
    });
    assert.match(await res.text(), /You are not authorized to perform this function\./);
    assert.equal(await site.readIni(), before);
    assert.match(await site.errorLog(), new RegExp('vdconfig: refused: ConfigOption=SAVEINI posted from another '
      + `site: Origin http://127\\.0\\.0\\.1 is not http://127\\.0\\.0\\.1:${site.port}`));
  });
});
