// A test site served by lighttpd (or nginx with fcgiwrap) on a free
// loopback port, laid out by the same script as the demo
// (scripts/site/layout).
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

async function programPath(name, fromEnv) {
  for (const p of [fromEnv, `/usr/sbin/${name}`, `/usr/bin/${name}`]) {
    if (!p) continue;
    try { await access(p); return p; } catch { /* next */ }
  }
  throw new Error(`${name} not found (run scripts/deps)`);
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

async function waitUntilServing(url, servers, log) {
  const deadline = Date.now() + 15000;
  while (Date.now() < deadline) {
    const ended = servers.find((p) => p.exitCode !== null);
    if (ended) throw new Error(`${ended.spawnfile} ended with ${ended.exitCode}:\n${await log()}`);
    try {
      const res = await fetch(url);
      if (res.ok) return;
    } catch { /* not yet */ }
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error(`the web server did not answer on ${url}:\n${await log()}`);
}

const cleanEnv = { PATH: '/usr/sbin:/usr/bin:/sbin:/bin' };

// lighttpd in the foreground hands its standard error to the programs it
// starts: their failure lines join the error log, as under systemd they
// join the journal.
async function startLighttpd(dir) {
  const stderrLog = openSync(join(dir, 'logs/error.log'), 'a');
  const server = spawn(await programPath('lighttpd', process.env.LIGHTTPD), ['-D', '-f', join(dir, 'lighttpd.conf')],
    { stdio: ['ignore', 'inherit', stderrLog], env: cleanEnv });
  closeSync(stderrLog);
  return [server];
}

// nginx as the guide sets it up: Debian's fastcgi_params as shipped (which
// pass the Host without its port), fcgiwrap with -f (the program's standard
// error reaches nginx's error log), both as the user the layout chose.
function nginxConf(dir, port, user) {
  const headers = [
    ['Cache-Control', 'no-store'],
    ['Content-Security-Policy', "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
      + "form-action 'self'; frame-ancestors 'none'; base-uri 'none'; object-src 'none'"],
    ['X-Frame-Options', 'DENY'], ['X-Content-Type-Options', 'nosniff'], ['Referrer-Policy', 'same-origin'],
  ].map(([k, v]) => `    add_header ${k} "${v}" always;`).join('\n');
  const temp = ['client_body', 'fastcgi', 'proxy', 'uwsgi', 'scgi']
    .map((t) => `  ${t}_temp_path ${dir}/logs/nginx-${t};`).join('\n');
  return `daemon off;
${process.getuid() === 0 ? `user ${user};` : ''}
worker_processes 1;
pid ${dir}/logs/nginx.pid;
error_log ${dir}/logs/error.log warn;
events { worker_connections 64; }
http {
  include /etc/nginx/mime.types;
  access_log off;
${temp}
  server {
    listen 127.0.0.1:${port};
    root ${dir}/www;
    index index.html;
${headers}
    location = /scripts/vdconfig.exe {
      include /etc/nginx/fastcgi_params;
      fastcgi_param SCRIPT_FILENAME ${dir}/scripts/vdconfig.exe;
      fastcgi_pass unix:${dir}/logs/fcgiwrap.socket;
    }
    location /scripts/ {
      return 403;
    }
  }
}
`;
}

async function startNginx(dir, port) {
  const { stdout } = await run('stat', ['-c', '%U %u %g', join(dir, 'logs/error.log')]);
  const [user, uid, gid] = stdout.trim().split(' ');
  await writeFile(join(dir, 'nginx.conf'), nginxConf(dir, port, user));
  const asUser = process.getuid() === 0 ? { uid: Number(uid), gid: Number(gid) } : {};
  const fcgiwrap = spawn(await programPath('fcgiwrap'), ['-f', '-c', '2', '-s', `unix:${dir}/logs/fcgiwrap.socket`],
    { stdio: 'ignore', env: cleanEnv, detached: true, ...asUser });
  fcgiwrap.group = true; // its children go with it
  const nginx = spawn(await programPath('nginx'), ['-e', join(dir, 'logs/error.log'), '-c', join(dir, 'nginx.conf')],
    { stdio: 'ignore', env: cleanEnv });
  return [nginx, fcgiwrap];
}

async function stopAll(servers) {
  for (const p of servers) {
    if (p.exitCode === null && p.signalCode === null) {
      const exited = once(p, 'exit');
      if (p.group) process.kill(-p.pid, 'SIGTERM');
      else p.kill('SIGTERM');
      await exited;
    }
  }
}

// Lays out a fresh site and serves it; stop() ends the server and removes
// the site (kept when KEEP_E2E_SITES is set). { production: true } lays out
// the production layout (root-owned program folder, state folder) with the
// sample data; it needs root. { server: 'nginx' } serves the sample with
// nginx and fcgiwrap instead of lighttpd.
export async function startSite(name, { production = false, server = 'lighttpd' } = {}) {
  const root = await mkdtemp(join(tmpdir(), `vdconfig-e2e-${name}-`));
  await chmod(root, 0o755); // the web server's user must reach the site
  const dir = join(root, 'site');

  for (let attempt = 1; ; ++attempt) {
    const port = await freePort();
    const mode = production ? ['--production', '--sample'] : [];
    await run(layoutScript, [...mode, '--reset', '--port', String(port), dir], { env: process.env });
    const servers = server === 'nginx' ? await startNginx(dir, port) : await startLighttpd(dir);
    const errorLog = () => readFile(join(dir, 'logs/error.log'), 'utf8').catch(() => '(no error log)');
    const url = `http://127.0.0.1:${port}`;
    try {
      await waitUntilServing(url + '/vdconfig.css', servers, errorLog);
    } catch (e) {
      await stopAll(servers);
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
        await stopAll(servers);
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
