// Serves a folder over HTTP on this machine only: the page and its files.
//
//   node web/serve.js <folder> [port]
//
// Without a port it takes 8000, or a free one when 8000 is taken; port 0
// always takes a free one. Prints the page's address once it
// listens. Required as a module, startServer(folder, port) resolves to the
// listening server.
//
// Every answer names its file's version (an ETag from its size and time), so
// that a browser asks again with If-None-Match and gets 304 and no body for
// what it holds: a revisit downloads nothing that has not changed. Text and
// the wasm go compressed (gzip) to a browser that takes it; pictures and
// music are compressed already.
'use strict';

const http = require('http');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.mp3': 'audio/mpeg',
  '.webmanifest': 'application/manifest+json',
};
const kCompressed = new Set(['.html', '.js', '.css', '.wasm', '.webmanifest']);

// The port a page is usually looked for at.
const kUsualPort = 8000;

// Compressed files kept by path, as long as the file stays as it was.
const gzipped = new Map();

function compressedBody(file, stats) {
  const kept = gzipped.get(file);
  if (kept && kept.mtimeMs === stats.mtimeMs && kept.size === stats.size) return kept.body;
  const body = zlib.gzipSync(fs.readFileSync(file), { level: 9 });
  gzipped.set(file, { mtimeMs: stats.mtimeMs, size: stats.size, body });
  return body;
}

function startServer(folder, port = 0) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://localhost');
    let name;
    try {
      name = decodeURIComponent(url.pathname);
    } catch (error) {
      response.writeHead(400).end();
      return;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(root + path.sep) || (request.method !== 'GET' && request.method !== 'HEAD')) {
      response.writeHead(404).end();
      return;
    }
    fs.stat(file, (error, stats) => {
      if (error || !stats.isFile()) {
        response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
        return;
      }
      const extension = path.extname(file);
      const tag = `"${stats.size.toString(16)}-${Math.floor(stats.mtimeMs).toString(16)}"`;
      const headers = {
        'Content-Type': kTypes[extension] || 'application/octet-stream',
        // Kept, but asked after each time: a new build shows at once.
        'Cache-Control': 'no-cache',
        ETag: tag,
        'Last-Modified': stats.mtime.toUTCString(),
        Vary: 'Accept-Encoding',
      };
      if (request.headers['if-none-match'] === tag) {
        response.writeHead(304, headers).end();
        return;
      }
      const gzip = kCompressed.has(extension) && /\bgzip\b/.test(request.headers['accept-encoding'] || '');
      if (gzip) {
        const body = compressedBody(file, stats);
        response.writeHead(200, { ...headers, 'Content-Encoding': 'gzip', 'Content-Length': body.length });
        response.end(request.method === 'HEAD' ? undefined : body);
        return;
      }
      response.writeHead(200, { ...headers, 'Content-Length': stats.size });
      if (request.method === 'HEAD') {
        response.end();
        return;
      }
      fs.createReadStream(file).pipe(response);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

module.exports = { startServer };

if (require.main === module) {
  const folder = process.argv[2];
  if (!folder) {
    console.error('usage: node web/serve.js <folder> [port]');
    process.exit(2);
  }
  const port = process.argv[3];
  const listening = port !== undefined
    ? startServer(folder, Number(port))
    : startServer(folder, kUsualPort).catch((error) =>
      error.code === 'EADDRINUSE' ? startServer(folder, 0) : Promise.reject(error));
  listening.then(
    (server) => console.log(`The show is at http://127.0.0.1:${server.address().port}/`),
    (error) => {
      console.error(`cannot serve ${folder}: ${error.message}`);
      process.exit(1);
    }
  );
}
