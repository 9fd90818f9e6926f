// Two supervisors save the settings form at the same moment through the
// web server: vexweb.ini stays a valid file holding both saves' keys.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSite, parseIni, iniValue } from './lib/site.mjs';

const SavedKeys = [
  'HTMLPath', 'ParameterPath', 'BasketPath', 'BasketAlias', 'TempPath', 'EXEPath', 'BillingDBPath',
  'ReportPath', 'WebPath', 'WebSecurePath', 'WebScriptsPath', 'WebCDPath', 'WebBasketPath',
  'WebTempPath', 'WebReportPath', 'Homepage', 'SMTPServer', 'FromEmail', 'ReportsAllowed',
  'OCRAllowed', 'ReverseQuarters', 'OpticalVEXRetry', 'Debug',
];

describe('concurrent saves', () => {
  let site;
  before(async () => { site = await startSite('concurrent'); });
  after(async () => { await site?.stop(); });

  // The form as the settings page posts it, with the site's own folders.
  const form = (extra) => ({
    HTMLPath: `${site.dir}/html/`,
    ParameterPath: `${site.dir}/params/`,
    BasketPath: `${site.dir}/baskets/`,
    BasketAlias: `${site.dir}/baskets/`,
    TempPath: `${site.dir}/temp/`,
    EXEPath: `${site.dir}/scripts/`,
    BillingDBPath: `${site.dir}/data/`,
    ReportPath: `${site.dir}/reports/`,
    WebPath: '/',
    WebSecurePath: '/scripts/',
    WebScriptsPath: '/scripts/',
    WebCDPath: '/archive/',
    WebBasketPath: '/baskets/',
    WebTempPath: '/temp/',
    WebReportPath: '/reports/',
    Homepage: 'default.htm',
    FromEmail: 'webvexdoc@example.com',
    ReportsAllowed: 'on',
    OCRAllowed: 'on',
    DataAction: 'SAVE',
    ConfigOption: 'SAVEINI',
    ...extra,
  });

  const save = async (fields) => {
    const res = await fetch(site.program, {
      method: 'POST',
      headers: { Cookie: 'User=admin', 'Content-Type': 'application/x-www-form-urlencoded' },
      body: new URLSearchParams(fields).toString(),
    });
    assert.equal(res.status, 200);
    return res.text();
  };

  test('both saves of every round land in one valid file', async () => {
    const sectionsBefore = [...parseIni(await site.readIni()).keys()];
    for (let round = 1; round <= 8; ++round) {
      const [a, b] = await Promise.all([
        save(form({ SMTPServer: `smtp-a${round}.example`, 'D:': `/archive/d-a${round}`, OpticalVexRetry: 'on' })),
        save(form({ SMTPServer: `smtp-b${round}.example`, 'E:': `/archive/e-b${round}/` })),
      ]);
      assert.match(a, /Settings have been saved to vexweb\.ini/);
      assert.match(b, /Settings have been saved to vexweb\.ini/);

      const ini = parseIni(await site.readIni()); // throws on a torn or doubled line
      assert.deepEqual([...ini.keys()], sectionsBefore, `round ${round}: the same sections`);
      for (const key of SavedKeys) {
        assert.notEqual(iniValue(ini, 'Vexdoc/Web', key), undefined, `round ${round}: ${key} present`);
      }
      assert.ok([`smtp-a${round}.example`, `smtp-b${round}.example`]
        .includes(iniValue(ini, 'Vexdoc/Web', 'SMTPServer')), `round ${round}: SMTPServer from one of the saves`);
      assert.equal(iniValue(ini, 'Drives', 'D:'), `/archive/d-a${round}/`, `round ${round}: first save's drive`);
      assert.equal(iniValue(ini, 'Drives', 'E:'), `/archive/e-b${round}/`, `round ${round}: second save's drive`);
      assert.equal(iniValue(ini, 'Drives', 'OPT1'), '/archive/optical1/');
      assert.equal(iniValue(ini, 'Vexdoc/Web', 'PDFAllowed'), 'TRUE', 'keys the form does not post stay');
      assert.equal(iniValue(ini, 'RECVDW01_Starter', 'FalloutReport2'), 'MONTHEND');
    }

    // and the program still reads the file it wrote
    const res = await fetch(`${site.program}?ConfigOption=${encodeURIComponent('Server and Browser File Locations')}`,
      { headers: { Cookie: 'User=admin' } });
    const page = await res.text();
    assert.match(page, /vexweb\.ini settings/);
    assert.match(page, /\/archive\/d-a8\//);
    assert.match(page, /\/archive\/e-b8\//);
  });
});
