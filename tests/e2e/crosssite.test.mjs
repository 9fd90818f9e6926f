// A page of another site (another loopback port) posting the configurator's
// forms with a hidden User=admin changes nothing: the browser names its
// origin and the program refuses the change. Links, images and GET forms
// that send no origin at all change nothing either: changes come only by
// POST.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { createServer } from 'node:http';
import { once } from 'node:events';
import { startSite } from './lib/site.mjs';
import { openBrowser } from './lib/browser.mjs';

function forgedPage(action, fields) {
  const inputs = Object.entries(fields)
    .map(([k, v]) => `<input type="hidden" name="${k}" value="${v}">`).join('');
  return `<!doctype html><title>Win a prize</title>
<form id="f" method="POST" action="${action}">${inputs}<button>Claim</button></form>`;
}

describe('posts from another site', () => {
  let site;
  let browser;
  let other;
  let pages = {};

  before(async () => {
    site = await startSite('crosssite');
    browser = await openBrowser();
    other = createServer((req, res) => {
      res.writeHead(pages[req.url] ? 200 : 404, { 'Content-Type': 'text/html' });
      res.end(pages[req.url] || 'not found');
    });
    other.listen(0, '127.0.0.1');
    await once(other, 'listening');
  });
  after(async () => {
    await browser?.close();
    other?.close();
    await site?.stop();
  });

  const otherPort = () => other.address().port;

  async function submitFrom(path, fields) {
    pages[path] = forgedPage(site.program, fields);
    await browser.page.goto(`http://127.0.0.1:${other.address().port}${path}`);
    await Promise.all([browser.page.waitForURL(site.program), browser.page.click('button')]);
    return browser.page.locator('body').innerText();
  }

  test('a forged settings save is refused and vexweb.ini stays as it was', async () => {
    const before = await site.readIni();
    const text = await submitFrom('/settings', { User: 'admin', ConfigOption: 'SAVEINI', HTMLPath: '/evil/' });
    assert.match(text, /You are not authorized to perform this function\./);
    assert.equal(await site.readIni(), before);
    assert.match(await site.errorLog(), new RegExp('vdconfig: refused: ConfigOption=SAVEINI posted from another '
      + `site: Origin http://127\\.0\\.0\\.1:${otherPort()} is not ${site.url.replace(/\./g, '\\.')}`));
  });

  test('a forged rate plan save or delete is refused and the plans stay as they were', async () => {
    const query = 'select application, DocType, RateNum, Rate_Description from Rate_Schedule order by 1, 2, 3';
    const before = await site.sql('billing.db', query);
    assert.ok(before.length > 0);
    const [appl, docType, rateNum] = before[0];
    let text = await submitFrom('/plan', {
      User: 'admin', ConfigOption: 'SAVEPLAN', Appl: appl, DocType: docType, RateNum: '32767',
      Rate_Description: 'Forged', DataAction: 'SAVE',
    });
    assert.match(text, /You are not authorized to perform this function\./);
    text = await submitFrom('/delete', {
      User: 'admin', ConfigOption: 'SAVEPLAN', Appl: appl, DocType: docType, RateNum: rateNum, DataAction: 'DELETE',
    });
    assert.match(text, /You are not authorized to perform this function\./);
    assert.deepEqual(await site.sql('billing.db', query), before);
  });

  test('a link, an image or a GET form sent with no referrer changes nothing', async () => {
    const query = 'select application, DocType, RateNum from Rate_Schedule order by 1, 2, 3';
    const plans = await site.sql('billing.db', query);
    const ini = await site.readIni();
    const [appl, docType, rateNum] = plans[0];
    const del = `${site.program}?User=admin&amp;ConfigOption=SAVEPLAN&amp;DataAction=DELETE`
      + `&amp;Appl=${appl}&amp;DocType=${docType}&amp;RateNum=${rateNum}`;
    pages['/nothing-to-see'] = `<!doctype html><meta name="referrer" content="no-referrer">
<title>Cats</title><img src="${del}" alt=""><a id="l" href="${del}">cats</a>
<form id="g" method="GET" action="${site.program}"><input type="hidden" name="User" value="admin">
<input type="hidden" name="ConfigOption" value="SAVEINI"><input type="hidden" name="HTMLPath" value="/evil/">
<button>More cats</button></form>`;
    await browser.page.goto(`http://127.0.0.1:${otherPort()}/nothing-to-see`, { waitUntil: 'load' });
    await Promise.all([browser.page.waitForURL(`${site.program}**`), browser.page.click('#l')]);
    assert.match(await browser.page.locator('body').innerText(), /You are not authorized to perform this function\./);
    await browser.page.goto(`http://127.0.0.1:${otherPort()}/nothing-to-see`, { waitUntil: 'load' });
    await Promise.all([browser.page.waitForURL(`${site.program}**`), browser.page.click('button')]);
    assert.match(await browser.page.locator('body').innerText(), /You are not authorized to perform this function\./);
    assert.deepEqual(await site.sql('billing.db', query), plans);
    assert.equal(await site.readIni(), ini);
    assert.match(await site.errorLog(), /vdconfig: refused: ConfigOption=SAVEPLAN by GET; changes are taken only by POST/);
  });
});
