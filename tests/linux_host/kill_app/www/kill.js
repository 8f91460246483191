// Writes save files without a pause until the harness kills the program. Each begins with a line
// "VERSION LENGTH SHA-256" of the bytes after it, so that a torn file tells itself from a whole
// one.
'use strict';

const names = ['a.bin', 'b.bin', 'deep/c.bin', 'deep/er/d.bin'];
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function version(number) {
  // Mostly small, now and then up to 1 MiB.
  const payload = new Uint8Array(Math.floor(Math.random() ** 2 * 1024 * 1024));
  for (let i = 0; i < payload.length; i++) payload[i] = (i * 31 + number) & 255;
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', payload));
  const hex = Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
  const header = new TextEncoder().encode(`${number} ${payload.length} ${hex}\n`);
  const bytes = new Uint8Array(header.length + payload.length);
  bytes.set(header);
  bytes.set(payload, header.length);
  return bytes;
}

async function main() {
  // The first call is answered once the leftovers of the killed run are swept away.
  const [run] = (await tessaly.app.info()).args;
  document.title = 'kill: started ' + run;
  while (!await tessaly.files.exists('go')) await sleep(20);
  // The next version is made while the program writes the last one: a write is always under way.
  let next = version(0);
  for (let number = 0;; number++) {
    const written = tessaly.files.write(names[number % names.length], await next);
    next = version(number + 1);
    await written;
  }
}

main().catch((error) => { document.title = 'kill: failed ' + error; });
