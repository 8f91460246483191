#include "browser/page_api_script.h"

#include <random>

#include "base/text.h"

namespace tessaly {
namespace {

// @APP@ and @KEY@ are filled in; every other character is the script's.
constexpr std::string_view kTemplate = R"JS((() => {
  'use strict';
  const webview = window.chrome && window.chrome.webview;
  if (!webview || window !== window.top || !location.href.startsWith('@APP@')) return;
  const key = '@KEY@';
  const pending = new Map();
  // Ids start anywhere, so a reply meant for the document before a reload cannot settle a
  // call of this one.
  let lastId = Math.floor(Math.random() * 0x40000000);

  // Each native extension's event listeners, by the extension's name.
  const listeners = new Map();

  webview.addEventListener('message', (event) => {
    const reply = event.data;
    if (reply && reply.type === 'tessaly-event') {
      for (const listener of listeners.get(reply.extension) || []) {
        try {
          listener(reply.event);
        } catch (error) {
          setTimeout(() => { throw error; });  // reported as uncaught, the others still run
        }
      }
      return;
    }
    if (!reply || reply.type !== 'tessaly-reply' || !pending.has(reply.id)) return;
    const {resolve, reject, decode} = pending.get(reply.id);
    pending.delete(reply.id);
    if (reply.error) {
      const error = new Error(reply.error.message);
      error.name = reply.error.name;
      reject(error);
    } else {
      resolve(decode ? decode(reply.result) : reply.result);
    }
  });

  // Lone surrogates cannot travel in JSON; they become U+FFFD, as TextEncoder makes them.
  const loneSurrogate = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g;
  const wellFormed = (value) =>
      typeof value === 'string' ? value.replace(loneSurrogate, '\uFFFD') : value;

  const call = (method, args, decode) => new Promise((resolve, reject) => {
    const id = ++lastId;
    pending.set(id, {resolve, reject, decode});
    webview.postMessage(JSON.stringify(
        {type: 'tessaly-call', id, key, method, args: args.map(wellFormed)}));
  });

  const toBase64 = (bytes) => {
    if (bytes.toBase64) return bytes.toBase64();
    let binary = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(binary);
  };
  const fromBase64 = (text) => {
    if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text).buffer;
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes.buffer;
  };
  const data = (value) => {
    // A long text goes as its UTF-8 bytes: JSON escapes could make it several times longer.
    if (typeof value === 'string' && value.length > 0x100000) {
      return {base64: toBase64(new TextEncoder().encode(value))};
    }
    if (value instanceof ArrayBuffer) return {base64: toBase64(new Uint8Array(value))};
    if (ArrayBuffer.isView(value)) {
      return {base64: toBase64(new Uint8Array(value.buffer, value.byteOffset, value.byteLength))};
    }
    return value;  // a string, or what the program refuses
  };

  const freeze = (object) => Object.freeze(Object.setPrototypeOf(object, null));
  const tessaly = freeze({
    app: freeze({
      quit: (code = 0) => call('app.quit', [code]),
      info: () => call('app.info', []),
    }),
    window: freeze({
      setFullscreen: (on) => call('window.setFullscreen', [on]),
      isFullscreen: () => call('window.isFullscreen', []),
      setTitle: (text) => call('window.setTitle', [text]),
      setSize: (width, height) => call('window.setSize', [width, height]),
      getBounds: () => call('window.getBounds', []),
      minimize: () => call('window.minimize', []),
      setAlwaysOnTop: (on) => call('window.setAlwaysOnTop', [on]),
    }),
    files: freeze({
      write: (path, value) => call('files.write', [path, data(value)]),
      readText: (path) => call('files.readText', [path]),
      readBytes: (path) => call('files.readBytes', [path], (result) => fromBase64(result.base64)),
      list: (folder = '') => call('files.list', [folder]),
      remove: (path) => call('files.remove', [path]),
      exists: (path) => call('files.exists', [path]),
    }),
    extensions: freeze({
      call: (name, method, params = null) => call('extensions.call', [name, method, params]),
      on: (name, listener) => {
        if (typeof listener !== 'function') throw new TypeError('the listener is not a function');
        if (!listeners.has(name)) listeners.set(name, new Set());
        const own = (event) => listener(event);  // one removal per on(), even of one function
        listeners.get(name).add(own);
        return () => { listeners.get(name).delete(own); };
      },
      list: () => call('extensions.list', []),
    }),
  });
  Object.defineProperty(window, 'tessaly', {value: tessaly, enumerable: true});
})();
)JS";

}  // namespace

std::string PageApiScript(std::string_view appOrigin, std::string_view key) {
    return ReplaceAll(ReplaceAll(kTemplate, "@APP@", appOrigin), "@KEY@", key);
}

std::string NewCallKey() {
    std::random_device random;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string key;
    for (int i = 0; i < 4; ++i) {
        for (std::uint32_t word = random(), n = 0; n < 8; ++n, word >>= 4) {
            key += kDigits[word & 15];
        }
    }
    return key;
}

}  // namespace tessaly
