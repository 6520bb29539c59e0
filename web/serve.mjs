// serve.mjs - a small static web server for the page folder, serving it the
// way the README asks of real servers: the precompressed .br or .gz copy of
// a file when the browser accepts it, with the right types.
//
//   node web/serve.mjs build/web [PORT]       (then open http://localhost:PORT/)
//
// The browser tests and the page benchmark import servePageFile and
// startServer. `isolate` adds the headers that make the page cross-origin
// isolated, which gives performance.now() microseconds instead of a tenth of
// a millisecond (the benchmark asks for it).
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const kTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.json': 'application/json',
  '.svg': 'image/svg+xml', '.png': 'image/png', '.webmanifest': 'application/manifest+json',
};
// Best first: the order in which a precompressed copy is preferred.
const kEncodings = [['br', '.br'], ['gzip', '.gz']];

export function notFound(response) {
  response.writeHead(404, { 'Content-Type': 'text/plain' });
  response.end('not found\n');
}

// Serves `route` (a URL path) from the folder `root`. Never serves a file
// outside the folder.
export function servePageFile(root, route, request, response, { isolate = false } = {}) {
  let file = path.join(root, path.normalize(decodeURIComponent(route)));
  if (!file.startsWith(root)) return notFound(response);
  if (file.endsWith(path.sep)) file = path.join(file, 'index.html');
  const headers = { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
    'Cache-Control': 'no-cache', 'Vary': 'Accept-Encoding' };
  if (isolate) {
    headers['Cross-Origin-Opener-Policy'] = 'same-origin';
    headers['Cross-Origin-Embedder-Policy'] = 'require-corp';
  }
  const accepted = request.headers['accept-encoding'] || '';
  const encoding = kEncodings.find(([name, suffix]) =>
    accepted.includes(name) && fs.existsSync(file + suffix));
  const sent = encoding ? file + encoding[1] : file;
  fs.readFile(sent, (error, data) => {
    if (error) return notFound(response);
    if (encoding) headers['Content-Encoding'] = encoding[0];
    response.writeHead(200, { ...headers, 'Content-Length': data.length });
    response.end(data);
  });
}

// Starts a server on 127.0.0.1 whose requests go to `handler`; resolves to it
// once it listens.
export function startServer(handler, port = 0) {
  const server = http.createServer(handler);
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  if (!process.argv[2]) {
    console.error('usage: node serve.mjs PAGE_FOLDER [PORT]');
    process.exit(2);
  }
  const root = path.resolve(process.argv[2]);
  const server = await startServer((request, response) =>
    servePageFile(root, new URL(request.url, 'http://page').pathname, request, response),
  Number(process.argv[3] || 8000));
  console.log(`serving ${root} at http://localhost:${server.address().port}/`);
}
