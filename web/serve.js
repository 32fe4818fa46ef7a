// Serves a folder over HTTP on this machine only: the page and its files.
//
//   node web/serve.js <folder> [port]
//
// Without a port it takes 8000, or a free one when 8000 is taken; port 0
// always takes a free one. Prints the page's address once it
// listens. Required as a module, startServer(folder, port) resolves to the
// listening server.
'use strict';

const http = require('http');
const fs = require('fs');
const path = require('path');

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.mp3': 'audio/mpeg',
};

// The port a page is usually looked for at.
const kUsualPort = 8000;

function startServer(folder, port = 0) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://localhost');
    let name = decodeURIComponent(url.pathname);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(root + path.sep) || request.method !== 'GET') {
      response.writeHead(404).end();
      return;
    }
    fs.stat(file, (error, stats) => {
      if (error || !stats.isFile()) {
        response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
        return;
      }
      response.writeHead(200, {
        'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
        'Content-Length': stats.size,
        'Cache-Control': 'no-cache',
      });
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
