// What the web server serves: the start page and stylesheet, the program as
// a CGI program, and nothing else of the program folder.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSite } from './lib/site.mjs';

describe('web server', () => {
  let site;
  before(async () => { site = await startSite('server'); });
  after(async () => { await site?.stop(); });

  test('serves the start page and the stylesheet', async () => {
    let res = await fetch(site.url + '/');
    assert.equal(res.status, 200);
    assert.match(await res.text(), /Choose who you are/);
    res = await fetch(site.url + '/vdconfig.css');
    assert.equal(res.status, 200);
    assert.match(res.headers.get('content-type'), /text\/css/);
  });

  test('runs the program and keeps the program folder private', async () => {
    const res = await fetch(site.program, { headers: { Cookie: 'User=admin' } });
    assert.equal(res.status, 200);
    assert.match(res.headers.get('content-type'), /text\/html/);
    assert.match(await res.text(), /Configuration Settings/);

    for (const path of ['/scripts/vexweb.ini', '/scripts/DSN/WVDAccounting.DSN', '/scripts/',
      '/scripts/DSN/', '/scripts/Request.Bak']) {
      const r = await fetch(site.url + path);
      assert.equal(r.status, 403, path);
      assert.equal(r.headers.get('x-frame-options'), 'DENY', path);
      assert.doesNotMatch(await r.text(), /Vexdoc\/Web|ODBC/, path);
    }
    for (const path of ['/html/tbltop.htm', '/params/createdb.ini', '/data/params.db']) {
      assert.equal((await fetch(site.url + path)).status, 404, path);
    }
  });

  test('a request without a user is refused', async () => {
    const res = await fetch(site.program);
    assert.match(await res.text(), /You are not authorized to perform this function\./);
  });
});
