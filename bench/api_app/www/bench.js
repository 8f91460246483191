// Times window.tessaly against what the page has without it: a 1 MiB save written and read back
// against the same bytes put into IndexedDB and got back, and app.info() and a call of the sample
// native extension against a bare message the program answers with nothing. The medians (ms) go
// into the title.
'use strict';

const MiB = 1024 * 1024;

// The medians of one run of `a` and of `b`, taken in turns; each time is of `batch` runs in a
// row, as the page's clock is coarse.
async function medians(a, b, batch, rounds) {
  const times = [[], []];
  for (let round = 0; round < rounds; round++) {
    for (const [i, task] of [a, b].entries()) {
      const start = performance.now();
      for (let n = 0; n < batch; n++) await task();
      times[i].push((performance.now() - start) / batch);
    }
  }
  return times.map((list) => list.sort((x, y) => x - y)[Math.floor(list.length / 2)]);
}

const request = (r) => new Promise((done, fail) => {
  r.onsuccess = () => done(r.result);
  r.onerror = () => fail(r.error);
});

async function main() {
  const rounds = Number((await tessaly.app.info()).args[0]) || 30;
  const bytes = new Uint8Array(MiB);
  for (let i = 0; i < MiB; i += 65536) crypto.getRandomValues(bytes.subarray(i, i + 65536));

  const open = indexedDB.open('bench', 1);
  open.onupgradeneeded = () => open.result.createObjectStore('saves');
  const db = await request(open);
  const idbRoundTrip = async () => {
    const put = db.transaction('saves', 'readwrite');
    put.objectStore('saves').put(bytes, 'save');
    await new Promise((done, fail) => { put.oncomplete = done; put.onerror = fail; });
    return request(db.transaction('saves').objectStore('saves').get('save'));
  };
  const saveRoundTrip = async () => {
    await tessaly.files.write('save.bin', bytes);
    return tessaly.files.readBytes('save.bin');
  };
  const same = (got) => got.byteLength === MiB &&
      new Uint8Array(got).every((b, i) => b === bytes[i]);
  if (!same(await saveRoundTrip()) || !same(await idbRoundTrip())) throw new Error('bytes differ');

  const [save, idb] = await medians(saveRoundTrip, idbRoundTrip, 4, rounds);
  const bare = () => window.webkit.messageHandlers.tessalyWebMessage.postMessage('{}');
  const [info, message] = await medians(() => tessaly.app.info(), bare, 250, rounds);
  const echo = () => tessaly.extensions.call('echo', 'echo', {n: 1});
  if ((await echo()).n !== 1) throw new Error('the echo extension did not answer');
  const [echoCall, echoMessage] = await medians(echo, bare, 250, rounds);
  document.title = 'bench: done ' + JSON.stringify({save, idb, info, message, echo: echoCall,
                                                    echoMessage});
}

main().catch((error) => { document.title = 'bench: failed ' + error; });
