// Calls every method of window.tessaly on the real engine. Results go into the final title; the
// steps the harness checks from outside (the window, the files on disk) are announced in the
// title and wait for its go-ahead, NAME.go put into www.
'use strict';

const {app, files} = tessaly;
const win = tessaly.window;
const MiB = 1024 * 1024;
const results = {};
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function until(test, ms) {
  for (const end = Date.now() + ms; Date.now() < end; await sleep(50)) {
    if (await test()) return true;
  }
  return false;
}

const go = (name) => until(async () => (await fetch(name + '.go')).ok, 30000);

async function step(name, detail = '') {
  document.title = 'api: ' + name + detail;
  await go(name);
}

// What went wrong, short enough for the title.
const short = (wrong) => (wrong.length > 3 ? [...wrong.slice(0, 3), `${wrong.length - 3} more`]
                                           : wrong).map((text) => text.slice(0, 60));

// The name of the error a call rejects with.
const refusal = (call) => call().then(() => 'resolved', (error) =>
    error instanceof Error && error.message ? error.name : 'not an Error: ' + error);

// The entries of `table`, [call, error name, what], whose call does not reject with that error.
async function wrongRefusals(table) {
  const wrong = [];
  for (const [call, name, what = String(call)] of table) {
    const got = await refusal(call);
    if (got !== name) wrong.push(what + ': ' + got);
  }
  return short(wrong);
}

const refusedPaths = [
  '', '/abs', '/', 'C:x', 'c:\\x', '//server/x', '\\\\server\\x',
  '.', '..', './a', 'a/.', 'a/../b', '../x', 'a//b', 'a/',
  'a\\b', 'a\0b', 'a\x01b', 'a\nb', 'a\x1fb', 'a\x7fb', 'a:b', 'a/b:c',
  'CON', 'con', 'Con.txt', 'CON .txt', 'PRN', 'aux', 'NUL', 'nul.tar.gz',
  'COM1', 'com9.log', 'LPT1', 'lpt9', 'a/LPT5/b',
  'x.', 'x ', 'dir./x', 'dir /x', 'a'.repeat(256), 'ü'.repeat(128), 'd/'.repeat(32) + 'f',
  '.tessaly-partial-x', 'sub/.tessaly-partial-late',
];
// Near the rules, and allowed.
const acceptedPaths = [
  'x'.repeat(255), 'ü'.repeat(127) + 'x', 'd/'.repeat(30) + 'f', 'COM0', 'com10.txt',
  'CONSOLE', 'LPT', '.hidden', '..x', 'x .txt', '日本語.txt',
].map((path) => 'near/' + path);

async function checkFiles() {
  const all = Uint8Array.from({length: 256}, (_, i) => i);
  const same = (buffer, bytes) => buffer instanceof ArrayBuffer &&
      buffer.byteLength === bytes.length && new Uint8Array(buffer).every((b, i) => b === bytes[i]);
  await files.write('bytes.bin', all);
  await files.write('view.bin', all.subarray(16, 48));
  await files.write('buffer.bin', all.slice(250).buffer);
  await files.write('u16.bin', new Uint16Array([0x0102, 0xfffe]));
  await files.write('lone.txt', 'a\uD800b');
  await files.write('notes/grüße ✓.txt', 'Hallo Wörld ✓');
  results.text = await files.readText('notes/grüße ✓.txt');
  await files.write('notes/grüße ✓.txt', 'kürzer');
  results.replaced = await files.readText('notes/grüße ✓.txt');
  results.bytes = same(await files.readBytes('bytes.bin'), all);
  const text = await files.readText('bytes.bin');
  results.notUtf8 = text.startsWith(String.fromCharCode(...all.subarray(0, 128))) &&
      /^\uFFFD+$/.test(text.slice(128));
  await files.write('max.bin', new Uint8Array(16 * MiB));
  results.max = (await files.readBytes('max.bin')).byteLength;
  // Six times longer as JSON, yet within the limit as a file.
  const escaped = '\x01'.repeat(5 * MiB);
  await files.write('escaped.txt', escaped);
  results.escaped = (await files.readText('escaped.txt')) === escaped;
  await files.remove('escaped.txt');

  results.wrongAccepted = [];
  for (const path of acceptedPaths) {
    const got = await files.write(path, path).then(() => files.readText(path), (e) => e.name);
    if (got !== path) results.wrongAccepted.push(path + ': ' + got);
  }
  results.wrongAccepted = short(results.wrongAccepted);

  await files.write('trash/a.txt', 'a');
  const table = [
    [() => files.readText('nothing.txt'), 'NotFound'],
    [() => files.readBytes('no/such.bin'), 'NotFound'],
    [() => files.list('nothing'), 'NotFound'],
    [() => files.remove('nothing'), 'NotFound'],
    [() => files.remove('trash'), 'NotAllowed'],
    [() => files.readText('sub'), 'NotAllowed'],
    [() => files.write('sub', 'x'), 'NotAllowed'],
    [() => files.write('bytes.bin/inner', 'x'), 'NotAllowed'],
    [() => files.readText('outside-link'), 'NotAllowed'],
    [() => files.readBytes('linkdir/secret.txt'), 'NotAllowed'],
    [() => files.write('linkdir/new.txt', 'x'), 'NotAllowed'],
    [() => files.list('linkdir'), 'NotAllowed'],
    [() => files.write('huge.bin', new Uint8Array(16 * MiB + 1)), 'TooLarge'],
    [() => files.readBytes('big.bin'), 'TooLarge'],
    [() => files.readText('big.bin'), 'TooLarge'],
    [() => files.write('x.bin', 5), 'InvalidArgument'],
    [() => files.write('x.bin'), 'InvalidArgument'],
    [() => files.readText(7), 'InvalidArgument'],
    [() => app.quit(256), 'InvalidArgument'],
    [() => app.quit(-1), 'InvalidArgument'],
    [() => app.quit(2.5), 'InvalidArgument'],
    [() => app.quit('3'), 'InvalidArgument'],
    [() => win.setSize(0, 10), 'InvalidArgument'],
    [() => win.setSize(10, 100001), 'InvalidArgument'],
    [() => win.setSize(1.5, 10), 'InvalidArgument'],
    [() => win.setSize('100', 100), 'InvalidArgument'],
    [() => win.setSize(100), 'InvalidArgument'],
    [() => win.setFullscreen(1), 'InvalidArgument'],
    [() => win.setAlwaysOnTop('yes'), 'InvalidArgument'],
    [() => win.setTitle(5), 'InvalidArgument'],
  ];
  for (const path of refusedPaths) {
    for (const method of ['write', 'readText', 'readBytes', 'list', 'remove', 'exists']) {
      if (method === 'list' && path === '') continue;  // the save folder itself
      table.push([() => files[method](path, 'x'), 'InvalidPath',
                  method + ' ' + JSON.stringify(path)]);
    }
  }
  results.wrongRefusals = await wrongRefusals(table);

  await files.remove('trash/a.txt');
  await files.remove('trash');
  const exists = ['bytes.bin', 'notes', 'trash', 'nothing/deeper', 'outside-link', 'linkdir',
                  'linkdir/secret.txt', 'bytes.bin/inner'];
  results.exists = await Promise.all(exists.map((path) => files.exists(path)));
}

async function checkWindow() {
  await win.setTitle('api: set by setTitle ✓');
  await go('titled');
  await win.setSize(500, 400);
  await until(() => innerWidth === 500 && innerHeight === 400, 5000);
  await step('sized', ' ' + JSON.stringify(await win.getBounds()));
  await win.setSize(100000, 100000);
  await until(() => innerWidth > 500, 5000);
  await step('clamped');
  await win.setSize(640, 480);
  await until(() => innerWidth === 640 && innerHeight === 480, 5000);

  // The one full screen state, entered and left by the method, the message and the page's own
  // Fullscreen API (which needs the click the harness gives).
  const fullscreen = [];
  const covers = () => until(() => innerWidth === screen.width && innerHeight === screen.height,
                             5000);
  const restored = () => until(() => innerWidth < screen.width, 5000);
  const state = async () => fullscreen.push(await win.isFullscreen());
  await state();
  await win.setFullscreen(true);
  await covers();
  await state();
  results.sizeInFullscreen = await refusal(() => win.setSize(300, 300));
  await step('fullscreen');
  await win.setFullscreen(false);
  await restored();
  await state();
  window.chrome.webview.postMessage('{"type":"set-fullscreen","fullscreen":true}');
  await covers();
  await state();
  await win.setFullscreen(false);
  await restored();
  await state();
  const clicked = new Promise((done) => addEventListener('click', done, {once: true}));
  document.title = 'api: click';
  await clicked;
  await document.documentElement.requestFullscreen();
  await covers();
  await state();
  await document.exitFullscreen();
  await restored();
  await state();
  results.fullscreen = fullscreen;
  await step('restored');

  await win.setAlwaysOnTop(true);
  await step('above');
  await win.setAlwaysOnTop(false);
  await step('not-above');
}

async function main() {
  // The first call's reply comes after the sweep of the leftovers.
  const info = await app.info();
  await step('started', ' ' + JSON.stringify({info, list: await files.list()}));
  await checkFiles();
  await step('plant');
  // Titles stop at 1000 characters: the listings go on their own, in short.
  const listed = [];
  for (const folder of ['', 'sub', 'notes']) {
    listed.push((await files.list(folder)).map((e) => [e.name, e.kind, e.size, e.modified]));
  }
  await step('listed', ' ' + JSON.stringify(listed));
  await checkWindow();
  await win.minimize();
  await step('minimized');
  await step('done', ' ' + JSON.stringify(results));
  await app.quit(7);
}

main().catch((error) => { document.title = 'api: failed ' + error; });
