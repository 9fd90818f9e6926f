// The production layout behind lighttpd: the program folder belongs to
// root, the web server's user writes only the state folder; the server
// signs every request in and the signed-in name is the user; the server
// sends the security headers, on its own 401 and 403 answers too; the pages
// fit a phone; DELETE asks first.
import { describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { lstat, readlink } from 'node:fs/promises';
import { join } from 'node:path';
import { promisify } from 'node:util';
import { startSite } from './lib/site.mjs';
import { openBrowser, stepsFor } from './lib/browser.mjs';
import { mainText, press, pressDelete, planOptions, openPlan } from './lib/pages.mjs';

const run = promisify(execFile);
const asRoot = process.getuid && process.getuid() === 0;

// Exit status of a command run as the web server's user.
async function asWebUser(...args) {
  try {
    await run('runuser', ['-u', 'www-data', '--', ...args]);
    return 0;
  } catch (e) {
    return e.code ?? 1;
  }
}

const passwords = { admin: 'admin-secret', clerk: 'clerk-secret' };
const basic = (user) => 'Basic ' + Buffer.from(`${user}:${passwords[user]}`).toString('base64');

describe('production layout', { skip: asRoot ? false : 'needs root (the layout makes root the owner)' }, () => {
  let site;
  let browser;
  let page;

  before(async () => {
    site = await startSite('production', { production: true });
    await site.setPasswords(passwords);
    // No cookie: the name the web server signed in is the user.
    browser = await openBrowser({ httpCredentials: { username: 'admin', password: passwords.admin } });
    page = browser.page;
  });
  after(async () => {
    await browser?.close();
    await site?.stop();
  });
  const step = stepsFor('production', () => page);

  step('the web server\'s user cannot write the program folder', async () => {
    const scripts = join(site.dir, 'scripts');
    assert.equal(await asWebUser('test', '-w', scripts), 1, 'program folder writable');
    assert.equal(await asWebUser('test', '-w', join(scripts, 'vdconfig.exe')), 1, 'program writable');
    assert.equal(await asWebUser('test', '-w', join(site.dir, 'params/createdb.ini')), 1, 'createdb.ini writable');
    assert.equal(await asWebUser('test', '-r', join(site.dir, 'params/createdb.ini')), 0, 'createdb.ini unreadable');
    assert.equal(await asWebUser('test', '-w', join(site.dir, 'state')), 0, 'state folder not writable');
    assert.ok((await lstat(join(scripts, 'vexweb.ini'))).isSymbolicLink());
    assert.equal(await readlink(join(scripts, 'vexweb.ini')), join(site.dir, 'state/vexweb.ini'));
    // No start page: nobody picks a user here.
    assert.equal((await fetch(site.url + '/index.html')).status, 404);
  });

  step('every response carries the security headers', async () => {
    for (const path of ['/scripts/vdconfig.exe', '/vdconfig.css', '/vdconfig.js']) {
      const res = await fetch(site.url + path, { headers: { Authorization: basic('admin') } });
      const h = res.headers;
      assert.equal(h.get('cache-control'), 'no-store', path);
      assert.match(h.get('content-security-policy') ?? '', /frame-ancestors 'none'/, path);
      assert.match(h.get('content-security-policy') ?? '', /script-src 'self'/, path);
      assert.equal(h.get('x-frame-options'), 'DENY', path);
      assert.equal(h.get('x-content-type-options'), 'nosniff', path);
      assert.equal(h.get('referrer-policy'), 'same-origin', path);
    }
    // The server's own answers too: the sign-in it asks for, the files it refuses.
    for (const [path, headers, status] of [['/scripts/vdconfig.exe', {}, 401],
      ['/scripts/vexweb.ini', { Authorization: basic('admin') }, 403]]) {
      const res = await fetch(site.url + path, { headers });
      assert.equal(res.status, status, path);
      assert.equal(res.headers.get('x-frame-options'), 'DENY', path);
      assert.match(res.headers.get('content-security-policy') ?? '', /frame-ancestors 'none'/, path);
      assert.equal(res.headers.get('cache-control'), 'no-store', path);
    }
  });

  step('a failing page leaves its line in the web server\'s error log', async () => {
    const res = await fetch(site.program, {
      method: 'POST',
      headers: { Authorization: basic('admin'), 'Content-Type': 'application/x-www-form-urlencoded' },
      body: 'ConfigOption=SAVEPLAN&Appl=CRT&DocType=01&RateNum=99999',
    });
    assert.match(await res.text(), /\(6\) Error: Overflow/);
    assert.match(await site.errorLog(), /vdconfig: error \(6\) Overflow; ConfigOption=SAVEPLAN User=admin/);
  });

  step('without a sign-in the server asks for one and the program refuses to answer', async () => {
    assert.equal((await fetch(site.program)).status, 401);
    // Run behind the server's back, as its user, with no REMOTE_USER.
    const { stdout, stderr } = await run('runuser', ['-u', 'www-data', '--', 'env', '-i',
      'REQUEST_METHOD=GET', 'SCRIPT_NAME=/scripts/vdconfig.exe', 'HTTP_COOKIE=User=admin',
      join(site.dir, 'scripts/vdconfig.exe')]);
    assert.match(stdout, /You are not authorized to perform this function\./);
    assert.match(stderr, /vdconfig: refused: no signed-in user, and vexweb.ini says RequireSignIn=TRUE/);
  });

  step('clerk naming admin is refused everywhere and changes nothing', async () => {
    const clerk = await openBrowser({ httpCredentials: { username: 'clerk', password: passwords.clerk } });
    try {
      const ini = await site.readIni();
      const plans = 'select application, DocType, RateNum, Rate_Description from Rate_Schedule order by 1, 2, 3';
      const rows = await site.sql('billing.db', plans);
      await clerk.context.addCookies([{ name: 'User', value: 'admin', url: site.url }]);
      await clerk.page.goto(site.program);
      assert.match(await clerk.page.locator('body').innerText(), /You are not authorized to perform this function\./);
      for (const body of ['User=admin&ConfigOption=SAVEINI&SMTPServer=forged.example',
        'ConfigOption=SAVEPLAN&DataAction=DELETE&Appl=REC&DocType=01&RateNum=1']) {
        const res = await fetch(site.program, {
          method: 'POST',
          headers: { Authorization: basic('clerk'), Cookie: 'User=admin',
            'Content-Type': 'application/x-www-form-urlencoded' },
          body,
        });
        assert.match(await res.text(), /You are not authorized to perform this function\./, body);
      }
      assert.equal(await site.readIni(), ini);
      assert.deepEqual(await site.sql('billing.db', plans), rows);
      assert.match(await site.errorLog(), /vdconfig: refused: User=admin is not the signed-in user clerk/);

      // Without the forged name clerk is clerk: the plans to review, nothing more.
      await clerk.context.clearCookies();
      await clerk.page.goto(site.program + '?ConfigOption=RATE%20PLANS');
      assert.match(await mainText(clerk.page), /Select a Billing Plan to review/);
      await clerk.page.goto(site.program);
      assert.match(await clerk.page.locator('body').innerText(), /You are not authorized to perform this function\./);
    } finally {
      await clerk.close();
    }
  });

  step('a supervisor saves the settings; the layout wrote nothing the save takes back', async () => {
    const before = (await site.readIni()).split(/\r?\n/);
    await page.goto(site.program);
    await press(page, 'Server and Browser File Locations');
    await page.locator('input[name="SMTPServer"]').fill('smtp.production.example');
    await press(page, 'SAVE');
    assert.match(await mainText(page), /Settings have been saved to vexweb\.ini/);
    const after = (await site.readIni()).split(/\r?\n/);
    assert.deepEqual(before.filter((line) => !after.includes(line) && !line.startsWith('SMTPServer=')), []);
    assert.ok(after.includes('SMTPServer=smtp.production.example'));
    assert.ok((await lstat(site.iniPath)).isSymbolicLink(), 'the save kept the link');
  });

  step('a supervisor saves a new plan; the lock is in the state folder', async () => {
    await page.goto(site.program);
    await press(page, 'Rate Plans');
    await openPlan(page, 'Civil Cases', 'new', 'Modify Plan');
    await page.locator('input[name="Rate_Description"]').fill('Production plan');
    await page.locator('input[name="Flat_Fee"]').fill('7');
    await press(page, 'SAVE');
    assert.deepEqual(await site.sql('billing.db',
      "select Rate_Description from Rate_Schedule where application = 'CRT'"), [['Production plan']]);
    await lstat(join(site.dir, 'state/RatePlans.lock'));
  });

  step('every page fits a 390 px screen', async () => {
    await page.setViewportSize({ width: 390, height: 844 });
    const offScreen = () => page.evaluate(() => {
      const out = [];
      if (document.documentElement.scrollWidth > window.innerWidth) {
        out.push(`page ${document.documentElement.scrollWidth} px wide`);
      }
      for (const el of document.querySelectorAll('input:not([type=hidden]), select, textarea, button')) {
        const r = el.getBoundingClientRect();
        if (r.left < 0 || r.right > window.innerWidth) out.push(`${el.name || el.value}: ${r.left}..${r.right}`);
      }
      return out;
    });
    await page.goto(site.program);
    assert.deepEqual(await offScreen(), [], 'menu');
    await press(page, 'Server and Browser File Locations');
    assert.deepEqual(await offScreen(), [], 'settings form');
    await page.goto(site.program + '?ConfigOption=RATE%20PLANS');
    assert.deepEqual(await offScreen(), [], 'rate plans');
    await openPlan(page, 'Deeds', 'Standard', 'Modify Plan');
    assert.deepEqual(await offScreen(), [], 'plan form');
    await page.goto(site.program);
    await press(page, 'Database Settings');
    assert.deepEqual(await offScreen(), [], 'database selection');
    await page.locator('select[name="Database"]').selectOption('REC-01');
    await press(page, 'Select Database');
    assert.match(await mainText(page), /Configuration Settings for Application REC Database 01/);
    assert.deepEqual(await offScreen(), [], 'database report');
  });
  step('DELETE asks first', async () => {
    await page.setViewportSize({ width: 1280, height: 860 });
    const count = async () => (await site.sql('billing.db',
      "select count(*) from Rate_Schedule where application = 'REC' and DocType = '02'"))[0][0];
    const before = await count();
    await page.goto(site.program + '?ConfigOption=RATE%20PLANS');
    await openPlan(page, 'Mortgages', 'Pay per use', 'Modify Plan');
    assert.match(await pressDelete(page, false), /Delete this rate plan\?/);
    assert.match(await mainText(page), /Enter the applicable fees for this rate plan/, 'still on the form');
    assert.equal(await count(), before, 'nothing deleted when the question is declined');
    await pressDelete(page, true);
    assert.match(await mainText(page), /has been deleted/);
    assert.equal(Number(await count()), Number(before) - 1);
  });
});
