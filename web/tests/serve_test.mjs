// serve_test.mjs - web/serve.mjs as a viewer's browser meets it: the server
// run as the README runs it, over a folder with a page and its compressed
// copies. Bad URLs get 400 and leave it serving; revisits get 304; a coding
// the browser refuses is never sent.
//
//   node --test web/tests/serve_test.mjs
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

let server;
let port;
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'serve-test-'));

before(async () => {
  for (const name of ['index.html', 'index.html.br', 'index.html.gz']) fs.writeFileSync(path.join(folder, name), name);
  server = spawn(process.execPath, [new URL('../serve.mjs', import.meta.url).pathname, folder, '0']);
  port = await new Promise((resolve, reject) => {
    server.stdout.on('data', (text) => resolve(String(text).match(/:(\d+)\//)[1]));
    server.on('exit', (code) => reject(new Error(`serve.mjs exited with ${code}`)));
  });
});
after(() => {
  server.kill();
  fs.rmSync(folder, { recursive: true });
});

// A raw request, so the URL reaches the server exactly as written.
function get(route, headers = {}) {
  return new Promise((resolve, reject) => {
    http.get({ host: '127.0.0.1', port, path: route, headers }, (response) => {
      let body = '';
      response.on('data', (chunk) => { body += chunk; });
      response.on('end', () => resolve({ status: response.statusCode, headers: response.headers, body }));
    }).on('error', reject);
  });
}

test('malformed and impossible paths get 400, and the server goes on serving', async () => {
  for (const route of ['/%E0%A4%A', '/index.html%00.js', '/%', '/..%2f..%2fetc%2fpasswd']) {
    assert.equal((await get(route)).status, 400, route);
  }
  assert.equal((await get('/missing.js')).status, 404);
  const page = await get('/');
  assert.deepEqual([page.status, page.body], [200, 'index.html']);
});

test('the coding the browser accepts, and only that', async () => {
  for (const [accept, coding, body] of [['gzip, deflate, br', 'br', 'index.html.br'],
    ['br;q=0, gzip', 'gzip', 'index.html.gz'], ['br;q=0.0, gzip;q=0', undefined, 'index.html'],
    ['*', 'br', 'index.html.br'], ['identity', undefined, 'index.html']]) {
    const { headers, body: sent } = await get('/index.html', { 'accept-encoding': accept });
    assert.deepEqual([headers['content-encoding'], sent], [coding, body], accept);
  }
});

test('a revisit with ETag or Last-Modified gets 304, with a different coding 200', async () => {
  const first = await get('/index.html', { 'accept-encoding': 'br' });
  assert.ok(first.headers.etag && first.headers['last-modified'], 'validators sent');
  const byTag = await get('/index.html', { 'accept-encoding': 'br', 'if-none-match': first.headers.etag });
  const byDate = await get('/index.html', { 'accept-encoding': 'br', 'if-modified-since': first.headers['last-modified'] });
  assert.deepEqual([byTag.status, byTag.body, byDate.status], [304, '', 304]);
  const otherCoding = await get('/index.html', { 'accept-encoding': 'gzip', 'if-none-match': first.headers.etag });
  assert.equal(otherCoding.status, 200);
});
