// serve.mjs - a small static web server for the page folder, serving it the
// way the README asks of real servers: the precompressed .br or .gz copy of
// a file when the browser accepts it, with the right types, and ETag and
// Last-Modified so that a revisit costs a 304 instead of the files.
//
//   node web/serve.mjs build/web [PORT] [--lan]   (then open http://localhost:PORT/)
//
// --lan listens on every network interface instead of 127.0.0.1 only, so a
// phone on the same network can open the page; it prints the addresses.
//
// The browser tests and the page benchmark import servePageFile and
// startServer. `isolate` adds the headers that make the page cross-origin
// isolated, which gives performance.now() microseconds instead of a tenth of
// a millisecond (the benchmark asks for it).
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const kTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.json': 'application/json',
  '.svg': 'image/svg+xml', '.png': 'image/png', '.jpg': 'image/jpeg', '.webp': 'image/webp',
  '.webmanifest': 'application/manifest+json',
};
// Best first: the order in which a precompressed copy is preferred.
const kEncodings = [['br', '.br'], ['gzip', '.gz']];

function answer(response, status, text) {
  response.writeHead(status, { 'Content-Type': 'text/plain' });
  response.end(`${text}\n`);
}

export function notFound(response) {
  answer(response, 404, 'not found');
}

// The codings an Accept-Encoding header allows: named with a q above 0, or
// covered by "*" when not named at all.
export function acceptedEncodings(header = '') {
  const weights = new Map();
  for (const part of header.split(',')) {
    const [name, ...params] = part.trim().toLowerCase().split(';').map((word) => word.trim());
    if (!name) continue;
    const q = params.find((param) => param.startsWith('q='));
    weights.set(name, q ? Number(q.slice(2)) || 0 : 1);
  }
  const star = weights.get('*') || 0;
  return new Set(kEncodings.map(([name]) => name)
    .filter((name) => (weights.has(name) ? weights.get(name) : star) > 0));
}

// The file under `root` that `route` (a URL path, still percent-encoded)
// names, or null for one no file can have: malformed percent-encoding, a
// NUL byte, or a way out of the folder.
function fileOf(root, route) {
  let decoded;
  try {
    decoded = decodeURIComponent(route);
  } catch (error) {
    return null;
  }
  if (decoded.includes('\0') || decoded.split(/[\\/]/).includes('..')) return null;
  const file = path.join(root, decoded);
  if (file !== root && !file.startsWith(root + path.sep)) return null;
  return decoded.endsWith('/') ? path.join(file, 'index.html') : file;
}

// Whether the browser's copy, validated by these request headers, is still
// the file with this ETag and modification time.
function stillFresh(request, etag, modified) {
  const tags = request.headers['if-none-match'];
  if (tags) return tags.split(',').some((tag) => tag.trim() === etag || tag.trim() === '*');
  const since = Date.parse(request.headers['if-modified-since'] || '');
  return Number.isFinite(since) && Math.floor(modified / 1000) * 1000 <= since;
}

// Serves `route` (a URL path, as it came) from the folder `root`: 400 for a
// path no file can have, 404 for a missing file, 304 when the browser's copy
// is current. Never serves a file outside the folder.
export function servePageFile(root, route, request, response, { isolate = false } = {}) {
  if (request.method !== 'GET' && request.method !== 'HEAD') return answer(response, 405, 'GET only');
  const file = fileOf(root, route);
  if (!file) return answer(response, 400, 'bad path');
  const headers = { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
    'Cache-Control': 'no-cache', 'Vary': 'Accept-Encoding' };
  if (isolate) {
    headers['Cross-Origin-Opener-Policy'] = 'same-origin';
    headers['Cross-Origin-Embedder-Policy'] = 'require-corp';
  }
  const accepted = acceptedEncodings(request.headers['accept-encoding']);
  const encoding = kEncodings.find(([name, suffix]) => accepted.has(name) && fs.existsSync(file + suffix));
  const sent = encoding ? file + encoding[1] : file;
  fs.stat(sent, (error, stats) => {
    if (error || !stats.isFile()) return notFound(response);
    // The coding is part of the tag: the two copies are different bodies.
    headers['ETag'] = `"${stats.size.toString(36)}-${stats.mtimeMs.toString(36)}${encoding ? '-' + encoding[0] : ''}"`;
    headers['Last-Modified'] = stats.mtime.toUTCString();
    if (encoding) headers['Content-Encoding'] = encoding[0];
    if (stillFresh(request, headers['ETag'], stats.mtimeMs)) {
      response.writeHead(304, headers);
      return response.end();
    }
    fs.readFile(sent, (readError, data) => {
      if (readError) return notFound(response);
      response.writeHead(200, { ...headers, 'Content-Length': data.length });
      response.end(request.method === 'HEAD' ? undefined : data);
    });
  });
}

// Starts a server on `host` (127.0.0.1 unless told) whose requests go to
// `handler`; resolves to it once it listens.
// Rejects if it cannot listen (the port taken, say).
export function startServer(handler, port = 0, host = '127.0.0.1') {
  const server = http.createServer(handler);
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => resolve(server));
  });
}

// The path of a request's URL, still percent-encoded, or null when the URL
// cannot be read.
export function routeOf(request) {
  try {
    return new URL(request.url, 'http://page').pathname;
  } catch (error) {
    return null;
  }
}

// This machine's addresses on its networks, where a phone can reach it.
function networkAddresses() {
  return Object.values(os.networkInterfaces()).flat()
    .filter((entry) => entry.family === 'IPv4' && !entry.internal).map((entry) => entry.address);
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const words = process.argv.slice(2);
  const lan = words.includes('--lan');
  const [folder, port = '8000'] = words.filter((word) => word !== '--lan');
  if (!folder || !/^\d+$/.test(port)) {
    console.error('usage: node serve.mjs PAGE_FOLDER [PORT] [--lan]');
    process.exit(2);
  }
  const root = path.resolve(folder);
  const server = await startServer((request, response) => {
    const route = routeOf(request);
    if (route === null) return answer(response, 400, 'bad URL');
    servePageFile(root, route, request, response);
  }, Number(port), lan ? '0.0.0.0' : '127.0.0.1').catch((error) => {
    console.error(`serve.mjs: cannot listen on port ${port}: ${error.message}`);
    process.exit(1);
  });
  const listening = server.address().port;
  console.log(`serving ${root} at http://localhost:${listening}/`);
  if (lan) {
    for (const address of networkAddresses()) console.log(`  on this network: http://${address}:${listening}/`);
  }
}
