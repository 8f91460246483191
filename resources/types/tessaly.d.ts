// TypeScript declarations of window.tessaly, the API the Tessaly program gives its page.
// In another browser (or with `tessaly serve`) there is none, so feature-detect it:
//     if (window.tessaly) { await window.tessaly.files.write("save.json", text); }
// Every method returns a Promise. A failure rejects it with an Error whose `name` is one of
// Tessaly.ErrorName (or a native extension's own error name) and whose `message` says what was
// wrong.

declare namespace Tessaly {
  type ErrorName =
    | "InvalidArgument"
    | "InvalidPath"
    | "NotFound"
    | "TooLarge"
    | "NotAllowed"
    | "IOError"
    | "UnknownMethod"
    /** Still busy with earlier calls (or out of memory for this one): await them, then retry. */
    | "Busy"
    /** A native extension that could not be loaded; the message says why. */
    | "ExtensionUnavailable"
    /** A native extension that answered with something that is not JSON. */
    | "ExtensionError";

  interface AppInfo {
    /** "name" and "version" of package.json ("" without a version). */
    name: string;
    version: string;
    platform: "windows" | "linux";
    /** The program's own architecture. */
    arch: "x86" | "x64" | "arm64";
    /** The command-line arguments after the program's name. */
    args: string[];
    /** The user's UI language, a BCP 47 tag such as "de-AT". */
    language: string;
    /** The absolute path of the save folder ("" when the app's name cannot name a folder). */
    filesFolder: string;
  }

  interface App {
    /** Closes the window as its close button does; the process exits with `code` (0–255). */
    quit(code?: number): Promise<void>;
    info(): Promise<AppInfo>;
  }

  interface Bounds {
    /** The window's position on the screen. */
    x: number;
    y: number;
    /** The content area's size in CSS pixels. */
    width: number;
    height: number;
  }

  interface Window {
    /** The same full screen that the Fullscreen API and the "set-fullscreen" message switch. */
    setFullscreen(on: boolean): Promise<void>;
    isFullscreen(): Promise<boolean>;
    /** The window's title until the page's own title changes again. */
    setTitle(text: string): Promise<void>;
    /** Makes innerWidth x innerHeight this size in CSS pixels, kept on the screen; NotAllowed
     * in full screen. */
    setSize(width: number, height: number): Promise<void>;
    getBounds(): Promise<Bounds>;
    minimize(): Promise<void>;
    setAlwaysOnTop(on: boolean): Promise<void>;
  }

  interface FileEntry {
    name: string;
    kind: "file" | "folder";
    /** Bytes; 0 for a folder. */
    size: number;
    /** Milliseconds since 1970, as Date.now(). */
    modified: number;
  }

  /**
   * Files in the app's own save folder: %APPDATA%\<name>\ on Windows, $XDG_DATA_HOME/<name>/ on
   * Linux. Paths are relative and '/'-separated; names that would not work on both systems are
   * refused (InvalidPath). A write replaces the whole file in one step: a crash leaves the old
   * content or the new, never a mix. Files hold at most 16 MiB (TooLarge).
   */
  interface Files {
    /** A string is stored as UTF-8. Folders on the way are made. */
    write(path: string, data: string | ArrayBuffer | ArrayBufferView): Promise<void>;
    readText(path: string): Promise<string>;
    readBytes(path: string): Promise<ArrayBuffer>;
    /** The files and folders in `folder` ("" for the save folder itself). */
    list(folder?: string): Promise<FileEntry[]>;
    /** A file, or an empty folder. */
    remove(path: string): Promise<void>;
    exists(path: string): Promise<boolean>;
  }

  interface ExtensionState {
    name: string;
    loaded: boolean;
    /** Why it could not be loaded; null when it is loaded. */
    reason: string | null;
  }

  /**
   * The native extensions package.json lists under "extensions" for this platform: libraries
   * beside the app, each called on a thread of its own, in the order of the calls.
   */
  interface Extensions {
    /** The extension's JSON result. NotFound: no such extension; otherwise the extension's own
     * error names, ExtensionUnavailable and ExtensionError. */
    call(name: string, method: string, params?: unknown): Promise<unknown>;
    /** Each event the extension sends, parsed; returns the function that stops listening. */
    on(name: string, listener: (event: unknown) => void): () => void;
    list(): Promise<ExtensionState[]>;
  }

  interface Api {
    readonly app: App;
    readonly window: Window;
    readonly files: Files;
    readonly extensions: Extensions;
  }

  /** The channel under the API; "set-fullscreen" messages go through it too. */
  interface WebView {
    postMessage(message: string): void;
    addEventListener(type: "message", listener: (event: { data: unknown }) => void): void;
    removeEventListener(type: "message", listener: (event: { data: unknown }) => void): void;
  }
}

interface Window {
  readonly tessaly?: Tessaly.Api;
  readonly chrome?: { readonly webview?: Tessaly.WebView };
}
