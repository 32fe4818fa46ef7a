// The page's little server: each file with its type, nothing outside the
// page's folder, and a free port when the usual one is taken.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const http = require('http');
const zlib = require('zlib');
const { startServer } = require('../../web/serve.js');

// The raw answer to a path, sent as written (no normalising by a client).
function get(port, target, headers = {}) {
  return new Promise((resolve, reject) => {
    http
      .get({ host: '127.0.0.1', port, path: target, headers }, (response) => {
        const chunks = [];
        response.on('data', (chunk) => chunks.push(chunk));
        response.on('end', () =>
          resolve({ status: response.statusCode, type: response.headers['content-type'],
            headers: response.headers, raw: Buffer.concat(chunks),
            body: Buffer.concat(chunks).toString() }));
      })
      .on('error', reject);
  });
}

test('the server', async (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'vantorel-serve-'));
  const page = path.join(root, 'page');
  fs.mkdirSync(page);
  fs.writeFileSync(path.join(page, 'index.html'), '<p>show</p>');
  fs.writeFileSync(path.join(page, 'vantorel.wasm'), 'wasm');
  fs.writeFileSync(path.join(page, 'tarrowind.mp3'), 'mp3');
  fs.writeFileSync(path.join(root, 'secret.txt'), 'private');
  const server = await startServer(page, 0);
  const { port } = server.address();
  t.after(() => {
    server.close();
    fs.rmSync(root, { recursive: true, force: true });
  });

  await t.test('serves the page at its root and each file with its type', async () => {
    const index = await get(port, '/');
    assert.strictEqual(index.status, 200);
    assert.strictEqual(index.body, '<p>show</p>');
    assert.match(index.type, /^text\/html/);
    assert.strictEqual((await get(port, '/vantorel.wasm')).type, 'application/wasm');
    assert.strictEqual((await get(port, '/tarrowind.mp3')).type, 'audio/mpeg');
    assert.strictEqual((await get(port, '/index.html?frame=1&fps=60')).status, 200);
  });

  await t.test('answers 404 for what is missing or outside its folder', async () => {
    assert.strictEqual((await get(port, '/missing.png')).status, 404);
    for (const target of ['/../secret.txt', '/%2e%2e/secret.txt', '/..%2fsecret.txt']) {
      const answer = await get(port, target);
      assert.strictEqual(answer.status, 404, target);
      assert.notStrictEqual(answer.body, 'private', target);
    }
  });

  await t.test('names each file\'s version and sends nothing again for one the browser holds', async () => {
    const first = await get(port, '/vantorel.wasm');
    assert.ok(first.headers.etag, 'no ETag');
    assert.match(first.headers['cache-control'], /no-cache/);
    const again = await get(port, '/vantorel.wasm', { 'If-None-Match': first.headers.etag });
    assert.strictEqual(again.status, 304);
    assert.strictEqual(again.raw.length, 0);
    fs.writeFileSync(path.join(page, 'vantorel.wasm'), 'wasm, built anew');
    const changed = await get(port, '/vantorel.wasm', { 'If-None-Match': first.headers.etag });
    assert.strictEqual(changed.status, 200, 'a changed file was taken for the one held');
  });

  await t.test('compresses text and the wasm for a browser that takes gzip, not the music', async () => {
    const wasm = await get(port, '/vantorel.wasm', { 'Accept-Encoding': 'gzip, deflate' });
    assert.strictEqual(wasm.headers['content-encoding'], 'gzip');
    assert.strictEqual(zlib.gunzipSync(wasm.raw).toString(), 'wasm, built anew');
    const music = await get(port, '/tarrowind.mp3', { 'Accept-Encoding': 'gzip' });
    assert.strictEqual(music.headers['content-encoding'], undefined);
    assert.strictEqual(music.body, 'mp3');
    const plain = await get(port, '/index.html');
    assert.strictEqual(plain.headers['content-encoding'], undefined);
  });

  await t.test('a port in use is refused, not shared', async () => {
    await assert.rejects(startServer(page, port), { code: 'EADDRINUSE' });
  });
});
