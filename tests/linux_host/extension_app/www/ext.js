// Calls the sample extension and the broken ones on the real engine. What is wrong goes into
// the final title, "ext: done {...}"; while `later` waits, the title says "ext: waiting" and the
// harness looks whether the window still paints: the canvas changes colour every frame.
// Started with the argument "flood", it floods the program instead, until the harness closes it.
'use strict';

const {extensions} = tessaly;
const wrong = [];
const expect = (condition, what) => { if (!condition) wrong.push(what); };
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const errorOf = (promise) => promise.then(
    (value) => ({name: 'resolved', message: JSON.stringify(value).slice(0, 80)}),
    (error) => ({name: error.name, message: error.message}));

function paint(time) {
  const canvas = document.querySelector('canvas');
  if (canvas) {
    const context = canvas.getContext('2d');
    context.fillStyle = `hsl(${Math.floor(time / 4) % 360}, 90%, 50%)`;
    context.fillRect(0, 0, canvas.width, canvas.height);
  }
  requestAnimationFrame(paint);
}

async function until(test, ms) {
  for (const end = Date.now() + ms; Date.now() < end; await sleep(20)) {
    if (test()) return true;
  }
  return test();
}

async function checkCalls() {
  // Read and written with a decimal point whatever the user's locale.
  const sum = await extensions.call('echo', 'add', {a: 2.5, b: 1});
  expect(sum && sum.sum === 3.5, 'add: ' + JSON.stringify(sum));

  // 100 calls at once: each answered with its own params, in the order made.
  const order = [];
  const answers = await Promise.all(Array.from({length: 100}, (_, i) =>
      extensions.call('echo', 'echo', {i, text: 'n' + i}).then((value) => {
        order.push(i);
        return value;
      })));
  expect(answers.every((value, i) => value.i === i && value.text === 'n' + i),
         'overlapping echoes: wrong answers');
  expect(order.every((value, i) => value === i), 'overlapping echoes out of order');

  // A MiB of text with every kind of character JSON escapes or UTF-8 spreads over bytes.
  const piece = 'a\u00e9\u20ac\ud83d\ude00"\\\n\t\u0001<\u2028/';
  const big = piece.repeat(Math.ceil((1 << 20) / piece.length)).slice(0, 1 << 20);
  const echoed = await extensions.call('echo', 'echo', {big});
  expect(echoed && echoed.big === big, 'the MiB came back changed');
  expect(await extensions.call('echo', 'echo') === null, 'no params: not null');
}

async function checkEvents() {
  const seen = [];
  const other = [];
  const stop = extensions.on('echo', (event) => seen.push(event.n));
  extensions.on('echo', (event) => other.push(event.n));
  extensions.on('noexport', () => wrong.push('an event for another extension'));
  await extensions.call('echo', 'tick', {count: 5});
  expect(await until(() => seen.length >= 5, 5000) && seen.join() === '1,2,3,4,5',
         'events: ' + seen.join());
  stop();
  await extensions.call('echo', 'tick', {count: 2});
  expect(await until(() => other.length >= 7, 5000), 'the second listener missed events');
  expect(seen.length === 5, 'a removed listener still hears');
}

async function checkErrors() {
  const table = [
    [extensions.call('echo', 'fail', {name: 'OutOfCheese'}), 'OutOfCheese', 'failed as asked'],
    [extensions.call('echo', 'add', {a: 1}), 'InvalidArgument', 'add takes'],
    [extensions.call('echo', 'reboot'), 'UnknownMethod', 'no such method'],
    [extensions.call('nobody', 'echo'), 'NotFound', 'no extension "nobody"'],
    [extensions.call('windows-only', 'echo'), 'NotFound', 'windows-only'],
    [extensions.call('absent', 'echo'), 'ExtensionUnavailable', 'cannot load ext/absent.so'],
    [extensions.call('noexport', 'echo'), 'ExtensionUnavailable',
     'does not export tessaly_extension_unload'],
    [extensions.call('refuses', 'echo'), 'ExtensionUnavailable', 'load returned 3'],
    [extensions.call(5, 'echo'), 'InvalidArgument', ''],
  ];
  for (const [promise, name, part] of table) {
    const got = await errorOf(promise);
    expect(got.name === name && got.message.includes(part),
           `${name}: ${got.name} ${got.message.slice(0, 60)}`);
  }
  const list = await extensions.list();
  expect(JSON.stringify(list.map((e) => [e.name, e.loaded, e.reason === null])) ===
         JSON.stringify([['echo', true, true], ['absent', false, false],
                         ['noexport', false, false], ['refuses', false, false],
                         ['flood', true, true]]),
         'list: ' + JSON.stringify(list).slice(0, 200));
}

async function main() {
  requestAnimationFrame(paint);
  await checkCalls();
  await checkEvents();
  await checkErrors();
  // The window goes on painting while the extension takes its time.
  const later = extensions.call('echo', 'later', {ms: 3000});
  const started = Date.now();
  document.title = 'ext: waiting';
  const waited = await later;
  expect(waited.waited === 3000 && Date.now() - started >= 2900, 'later: ' + JSON.stringify(waited));
  expect((await extensions.call('echo', 'add', {a: 1, b: 1})).sum === 2, 'the app runs on');
  // Still waiting when the window closes: abandoned at exit.
  extensions.call('echo', 'later', {ms: 60000});
  document.title = 'ext: done ' + JSON.stringify(wrong.slice(0, 5));
}

// Events as fast as the flood extension can send them, and always some hundreds of calls in
// flight: writes, echoes and window calls, some of them titles that say how far the flood has
// come. Only some: a title at every call would flood the window manager instead of the program,
// and it would then be too busy to close the window.
async function flood() {
  requestAnimationFrame(paint);
  let events = 0;
  extensions.on('flood', () => { ++events; });
  await extensions.call('flood', 'flood');
  let inFlight = 0;
  let made = 0;
  const track = (promise) => {
    ++inFlight;
    ++made;
    promise.catch(() => {}).finally(() => { --inFlight; });
  };
  for (;;) {
    while (inFlight < 600) {
      if (made % 50 === 0) {
        track(tessaly.files.write(`flood/${made % 16}.txt`, 'x'.repeat(made % 1000)));
      }
      track(extensions.call('echo', 'echo', {made}));
      track(made % 40 === 0
                ? tessaly.window.setTitle(`ext: flooding ${events} events ${made} calls`)
                : tessaly.window.getBounds());
    }
    await sleep(1);
  }
}

tessaly.app.info().then((info) => (info.args.includes('flood') ? flood() : main()))
    .catch((error) => { document.title = 'ext: failed ' + error; });
