// Checks the Linux host from inside: each result goes into the final title, and the steps the
// harness measures from outside are announced in the title, which the host mirrors to the
// window's. The harness answers by putting go-N.txt into www.
'use strict';

const results = {};
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function until(test, ms) {
  for (const end = Date.now() + ms; Date.now() < end; await sleep(50)) {
    if (await test()) return true;
  }
  return false;
}

// Says `name` (and `detail`) in the title and waits for the harness's go-ahead.
async function step(name, detail = '') {
  document.title = 'e2e: ' + name + detail;
  await until(async () => (await fetch(name + '.go')).ok, 30000);
}

async function checkVideo() {
  const video = document.getElementById('clip');
  await video.play();
  if (!await until(() => video.currentTime > 0.3, 10000)) return 'did not play';
  const middle = video.duration / 2;
  video.currentTime = middle;
  if (!await until(() => !video.seeking && video.currentTime >= middle, 10000)) return 'no seek';
  if (!await until(() => video.currentTime > middle + 0.5, 10000)) return 'stopped after seek';
  return true;
}

async function checkStorage() {
  const runs = Number(localStorage.getItem('runs') || 0);
  localStorage.setItem('runs', String(runs + 1));
  const stored = await new Promise((done) => {
    const open = indexedDB.open('e2e', 1);
    open.onupgradeneeded = () => open.result.createObjectStore('runs');
    open.onerror = () => done(-1);
    open.onsuccess = () => {
      const store = open.result.transaction('runs', 'readwrite').objectStore('runs');
      const get = store.get('runs');
      get.onsuccess = () => {
        store.put((get.result || 0) + 1, 'runs');
        done(get.result || 0);
      };
    };
  });
  return {localStorage: runs, indexedDB: stored};
}

async function main() {
  results.script = new URL(document.currentScript ? document.currentScript.src : location.href)
                       .search === '?v=2';
  results.secure = window.isSecureContext;
  const utf8 = await fetch('gr%C3%BC%C3%9Fe.txt');
  results.utf8 = utf8.status === 200 && (await utf8.text()) === 'grüße\n';
  results.traversal = (await fetch('..%2fpackage.json')).status;
  const range = await fetch('grüße.txt', {headers: {Range: 'bytes=2-3'}});
  results.range = range.status + ' ' + (await range.text());
  // Granted, a position is asked for, and there is none here (2) or one; denied gives 1.
  results.permission = await new Promise((done) => navigator.geolocation.getCurrentPosition(
      () => done('granted'), (error) => done(error.code === 1 ? 'denied' : 'granted'),
      {timeout: 5000}));
  results.storage = await checkStorage();
  results.video = await checkVideo();

  await step('windowed');
  window.chrome.webview.postMessage(JSON.stringify({type: 'set-fullscreen', fullscreen: true}));
  await until(() => innerWidth === screen.width && innerHeight === screen.height, 5000);
  await step('fullscreen');
  window.chrome.webview.postMessage('{"type":"set-fullscreen","fullscreen":false}');
  await until(() => innerWidth < screen.width, 5000);
  await step('restored');

  // The Fullscreen API needs a click, which the harness gives; a message then leaves the one
  // full screen state the two routes share.
  const clicked = new Promise((done) => addEventListener('click', done, {once: true}));
  document.title = 'e2e: click';
  await clicked;
  await document.documentElement.requestFullscreen();
  await until(() => innerWidth === screen.width && innerHeight === screen.height, 5000);
  await step('api-fullscreen');
  window.chrome.webview.postMessage('{"type":"set-fullscreen"}');
  await until(() => innerWidth < screen.width, 5000);
  await step('api-restored');

  const config = await (await fetch('config.json')).json();
  window.open('https://example.com/opened-by-e2e');
  window.open(config.fileUri);
  await step('opened');

  location.assign('https://example.com/navigated-by-e2e');
  await sleep(500);
  results.stayed = location.href.startsWith('tessaly://app/');
  await step('done', ' ' + JSON.stringify(results));
  window.close();
}

main().catch((error) => { document.title = 'e2e: failed ' + error; });
