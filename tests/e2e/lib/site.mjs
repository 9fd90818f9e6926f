// A test site served by lighttpd on a free loopback port, laid out by the
// same script as the demo (scripts/site/layout).
import { spawn, execFile } from 'node:child_process';
import { mkdtemp, chmod, rm, readFile, writeFile, access } from 'node:fs/promises';
import { createHash } from 'node:crypto';
import { openSync, closeSync } from 'node:fs';
import { once } from 'node:events';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';

const run = promisify(execFile);
export const repo = resolve(dirname(fileURLToPath(import.meta.url)), '../../..');
const layoutScript = join(repo, 'scripts/site/layout');

async function lighttpdPath() {
  for (const p of [process.env.LIGHTTPD, '/usr/sbin/lighttpd', '/usr/bin/lighttpd']) {
    if (!p) continue;
    try { await access(p); return p; } catch { /* next */ }
  }
  throw new Error('lighttpd not found (run scripts/deps)');
}

function freePort() {
  return new Promise((resolvePort, reject) => {
    const srv = createServer();
    srv.unref();
    srv.on('error', reject);
    srv.listen(0, '127.0.0.1', () => {
      const { port } = srv.address();
      srv.close(() => resolvePort(port));
    });
  });
}

async function waitUntilServing(url, server, log) {
  const deadline = Date.now() + 15000;
  while (Date.now() < deadline) {
    if (server.exitCode !== null) throw new Error(`lighttpd ended with ${server.exitCode}:\n${await log()}`);
    try {
      const res = await fetch(url);
      if (res.ok) return;
    } catch { /* not yet */ }
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error(`lighttpd did not answer on ${url}:\n${await log()}`);
}

// Lays out a fresh site and serves it; stop() ends the server and removes
// the site (kept when KEEP_E2E_SITES is set). { production: true } lays out
// the production layout (root-owned program folder, state folder) with the
// sample data; it needs root.
export async function startSite(name, { production = false } = {}) {
  const root = await mkdtemp(join(tmpdir(), `vdconfig-e2e-${name}-`));
  await chmod(root, 0o755); // the web server's user must reach the site
  const dir = join(root, 'site');
  const lighttpd = await lighttpdPath();

  for (let attempt = 1; ; ++attempt) {
    const port = await freePort();
    const mode = production ? ['--production', '--sample'] : [];
    await run(layoutScript, [...mode, '--reset', '--port', String(port), dir], { env: process.env });
    // lighttpd in the foreground hands its standard error to the programs
    // it starts: their failure lines join the error log, as under systemd
    // they join the journal.
    const stderrLog = openSync(join(dir, 'logs/error.log'), 'a');
    const server = spawn(lighttpd, ['-D', '-f', join(dir, 'lighttpd.conf')], {
      stdio: ['ignore', 'inherit', stderrLog],
      env: { PATH: '/usr/sbin:/usr/bin:/sbin:/bin' },
    });
    closeSync(stderrLog);
    const errorLog = () => readFile(join(dir, 'logs/error.log'), 'utf8').catch(() => '(no error log)');
    const url = `http://127.0.0.1:${port}`;
    try {
      await waitUntilServing(url + '/vdconfig.css', server, errorLog);
    } catch (e) {
      if (server.exitCode === null) { server.kill('SIGTERM'); await once(server, 'exit'); }
      if (attempt < 3 && /Address already in use|bind/i.test(String(e.message))) continue;
      throw e;
    }
    return {
      url,
      port,
      dir,
      root,
      program: url + '/scripts/vdconfig.exe',
      iniPath: join(dir, 'scripts/vexweb.ini'),
      readIni: () => readFile(join(dir, 'scripts/vexweb.ini'), 'latin1'),
      // The production server's passwords: { user: password }.
      setPasswords: (users) => writeFile(join(dir, 'lighttpd.htpasswd'), Object.entries(users)
        .map(([u, pw]) => `${u}:{SHA}${createHash('sha1').update(pw).digest('base64')}\n`).join('')),
      errorLog,
      sql: async (db, query) => {
        const data = production ? join(dir, 'state/data') : join(dir, 'data');
        const { stdout } = await run('sqlite3', ['-separator', '|', join(data, db), query]);
        return stdout.trim() === '' ? [] : stdout.trim().split('\n').map((l) => l.split('|'));
      },
      async stop() {
        if (server.exitCode === null) {
          server.kill('SIGTERM');
          await once(server, 'exit');
        }
        if (!process.env.KEEP_E2E_SITES) await rm(root, { recursive: true, force: true });
      },
    };
  }
}

// A vexweb.ini as sections of keys (names kept as written); every key and
// section must appear once, or it throws.
export function parseIni(text) {
  const sections = new Map();
  let current = null;
  for (const raw of text.split(/\r?\n/)) {
    const line = raw.trim();
    if (line === '' || line.startsWith(';')) continue;
    const sec = /^\[(.*)\]$/.exec(line);
    if (sec) {
      const name = sec[1].trim();
      if ([...sections.keys()].some((k) => k.toLowerCase() === name.toLowerCase())) {
        throw new Error(`section [${name}] appears twice`);
      }
      current = new Map();
      sections.set(name, current);
      continue;
    }
    const eq = line.indexOf('=');
    if (eq <= 0 || current === null) throw new Error(`not an INI line: ${raw}`);
    const key = line.slice(0, eq).trim();
    if ([...current.keys()].some((k) => k.toLowerCase() === key.toLowerCase())) {
      throw new Error(`key ${key} appears twice`);
    }
    current.set(key, line.slice(eq + 1).trim());
  }
  return sections;
}

// The value of a key, names matched without regard to case.
export function iniValue(sections, section, key) {
  for (const [s, keys] of sections) {
    if (s.toLowerCase() !== section.toLowerCase()) continue;
    for (const [k, v] of keys) if (k.toLowerCase() === key.toLowerCase()) return v;
  }
  return undefined;
}
