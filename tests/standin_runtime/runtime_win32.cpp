// The stand-in runtime's entry point and driver: it creates the environment the way a fixed
// runtime's client DLL does, then plays the scenario's steps one by one on the creating thread,
// raising the program's event handlers and logging what the program did.
#include "runtime_win32.h"
// The header above brings windows.h first.
#include <combaseapi.h>
#include <psapi.h>

#include <charconv>
#include <map>
#include <type_traits>

#include "objects_win32.h"
#include "sha256_win32.h"

namespace tessaly::standin {
namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT kRunQueued = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"TessalyStandinRuntime";
// The exit code of a process that `terminate` ends.
constexpr UINT kTerminatedExitCode = 9;

void FinishStep();

std::wstring EnvironmentVariable(const wchar_t* name) {
    wchar_t value[4096];
    const DWORD length = GetEnvironmentVariableW(name, value, 4096);
    return length > 0 && length < 4096 ? std::wstring(value, length) : std::wstring();
}

std::string ReadWholeFile(const std::wstring& path, bool& ok) {
    ok = false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    ok = true;
    return bytes;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// The host window as Win32 sees it, read after every step.
void LogWindow() {
    const HWND window = State().hostWindow;
    if (!window) {
        Log("window none");
        return;
    }
    if (!IsWindow(window)) {
        Log("window destroyed");
        return;
    }
    std::wstring caption(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    caption.resize(size_t(GetWindowTextW(window, caption.data(), int(caption.size()))));
    RECT rect = {};
    GetWindowRect(window, &rect);
    Log("window caption=" + Quote(Utf8(caption)) +
        " visible=" + std::to_string(IsWindowVisible(window) ? 1 : 0) +
        " style=" + Hex32(std::uint32_t(GetWindowLongW(window, GWL_STYLE))) + " exstyle=" +
        Hex32(std::uint32_t(GetWindowLongW(window, GWL_EXSTYLE))) + " rect=" + Rect(rect));
}

// Message boxes would wait for a click that never comes: log them and press OK.
LRESULT CALLBACK DialogHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND dialog = reinterpret_cast<HWND>(wParam);
        wchar_t className[64] = L"";
        GetClassNameW(dialog, className, 64);
        if (std::wstring(className) == L"#32770") {
            wchar_t caption[512] = L"";
            GetWindowTextW(dialog, caption, 512);
            std::wstring text;
            for (HWND child = GetWindow(dialog, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t childClass[64] = L"";
                GetClassNameW(child, childClass, 64);
                wchar_t childText[2048] = L"";
                GetWindowTextW(child, childText, 2048);
                if (lstrcmpiW(childClass, L"Static") == 0 && childText[0]) {
                    text += text.empty() ? L"" : L" ";
                    text += childText;
                }
            }
            Log("message-box caption=" + Quote(Utf8(caption)) + " text=" + Quote(Utf8(text)));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK QueueWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunQueued) {
        if (!State().queue.empty()) {
            auto work = std::move(State().queue.front());
            State().queue.pop_front();
            work();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool CreateQueueWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = QueueWindowProc;
    windowClass.hInstance = State().module;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    State().messageWindow = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                            nullptr, State().module, nullptr);
    return State().messageWindow != nullptr;
}

template <class Options>
ComPtr<Options> AskFor(IUnknown* options, const char* name) {
    ComPtr<Options> answered;
    options->QueryInterface(__uuidof(Options), reinterpret_cast<void**>(answered.GetAddressOf()));
    Log(std::string("options-interface ") + name + "=" + (answered ? "yes" : "no"));
    return answered;
}

// One option, read through its getter: the value, or the getter's failure.
template <class Options, class Value>
void LogOption(Options* options, HRESULT (STDMETHODCALLTYPE Options::*get)(Value*),
               const char* name) {
    Value value{};
    const HRESULT result = (options->*get)(&value);
    std::string text = FAILED(result) ? "error " + Hex32(std::uint32_t(result)) : std::string();
    if constexpr (std::is_same_v<Value, LPWSTR>) {
        text = FAILED(result) ? text : QuoteOrNull(value);
        CoTaskMemFree(value);
    } else if (SUCCEEDED(result)) {
        text = std::to_string(value);
    }
    Log(std::string("option ") + name + "=" + text);
}

// Reads every option the program set, the way a runtime does at environment creation.
void LogOptions(IUnknown* options) {
    if (!options) {
        Log("options null");
        return;
    }
#define STANDIN_ASK_FOR(Interface) AskFor<Interface>(options, #Interface)
#define STANDIN_OPTION(Interface, Name) LogOption(o.Get(), &Interface::get_##Name, #Name)
    if (auto o = STANDIN_ASK_FOR(ICoreWebView2EnvironmentOptions)) {
        STANDIN_OPTION(ICoreWebView2EnvironmentOptions, AdditionalBrowserArguments);
        STANDIN_OPTION(ICoreWebView2EnvironmentOptions, Language);
        STANDIN_OPTION(ICoreWebView2EnvironmentOptions, TargetCompatibleBrowserVersion);
        STANDIN_OPTION(ICoreWebView2EnvironmentOptions, AllowSingleSignOnUsingOSPrimaryAccount);
    }
    if (auto o = STANDIN_ASK_FOR(ICoreWebView2EnvironmentOptions2)) {
        STANDIN_OPTION(ICoreWebView2EnvironmentOptions2, ExclusiveUserDataFolderAccess);
    }
    if (auto o = STANDIN_ASK_FOR(ICoreWebView2EnvironmentOptions3)) {
        STANDIN_OPTION(ICoreWebView2EnvironmentOptions3, IsCustomCrashReportingEnabled);
    }
    if (auto o = STANDIN_ASK_FOR(ICoreWebView2EnvironmentOptions4)) {
        // Only how many: the program registers no scheme.
        UINT32 count = 0;
        ICoreWebView2CustomSchemeRegistration** registrations = nullptr;
        const HRESULT result = o->GetCustomSchemeRegistrations(&count, &registrations);
        Log("option CustomSchemeRegistrations=" +
            (FAILED(result) ? "error " + Hex32(std::uint32_t(result)) : std::to_string(count)));
        for (UINT32 i = 0; SUCCEEDED(result) && registrations && i < count; ++i) {
            registrations[i]->Release();
        }
        CoTaskMemFree(registrations);
    }
    if (auto o = STANDIN_ASK_FOR(ICoreWebView2EnvironmentOptions5)) {
        STANDIN_OPTION(ICoreWebView2EnvironmentOptions5, EnableTrackingPrevention);
    }
#undef STANDIN_OPTION
#undef STANDIN_ASK_FOR
}

std::string ApartmentName() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) {
        return "none";
    }
    return type == APTTYPE_STA || type == APTTYPE_MAINSTA ? "sta" : "mta";
}

// Steps

using StepFunction = void (*)(const Step&);

void StepError(const Step& step, const std::string& what) {
    Log("scenario-error line " + std::to_string(step.line) + ": " + what);
}

// The argument `name=value` among the step's arguments from `first` on, or nothing.
bool NamedArgument(const Step& step, std::size_t first, const std::string& name,
                   std::string& value) {
    for (std::size_t i = first; i < step.args.size(); ++i) {
        if (step.args[i].rfind(name + "=", 0) == 0) {
            value = step.args[i].substr(name.size() + 1);
            return true;
        }
    }
    return false;
}

bool RaiseNavigationStarting(const std::wstring& uri) {
    auto args = Make<NavigationStartingArgs>(uri);
    State().view->onNavigationStarting.Raise(State().view.Get(), args.Get());
    Log("navigation-starting uri=" + Quote(Utf8(uri)) +
        " cancel=" + std::to_string(args->Cancelled()));
    return !args->Cancelled();
}

// A decimal count of bytes, as scenario lines give sizes and limits.
bool ParseBytes(const std::string& text, ULONGLONG& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// What the runtime does with a body once the handler has returned: rewind the stream and read it
// whole, unless it is larger than the scenario's limit.
void LogBody(IStream* content) {
    if (!content) {
        Log("response-body none");
        return;
    }
    const HRESULT seek = content->Seek({}, STREAM_SEEK_SET, nullptr);
    if (FAILED(seek)) {
        Log("response-body seek-error " + Hex32(std::uint32_t(seek)));
        return;
    }
    if (State().responseBodyLimit > 0) {
        STATSTG stat = {};
        const HRESULT result = content->Stat(&stat, STATFLAG_NONAME);
        if (FAILED(result)) {
            Log("response-body stat-error " + Hex32(std::uint32_t(result)));
            return;
        }
        if (stat.cbSize.QuadPart > State().responseBodyLimit) {
            Log("response-too-large length=" + std::to_string(stat.cbSize.QuadPart));
            return;
        }
    }
    Sha256 hash;
    unsigned long long total = 0;
    static BYTE buffer[65536];
    for (;;) {
        ULONG got = 0;
        const HRESULT result = content->Read(buffer, sizeof buffer, &got);
        if (FAILED(result)) {
            Log("response-body read-error " + Hex32(std::uint32_t(result)));
            return;
        }
        hash.Update(buffer, got);
        total += got;
        if (got == 0 || result == S_FALSE) {
            break;
        }
    }
    Log("response-body length=" + std::to_string(total) + " sha256=" + hash.HexDigest());
}

void RaiseRequest(const std::wstring& uri, const std::string* range, int context,
                  const std::string& source = "document") {
    Log("request uri=" + Quote(Utf8(uri)) + (range ? " range=" + Quote(*range) : "") +
        " context=" + std::to_string(context) + (source != "document" ? " source=" + source : ""));
    const unsigned sourceKind =
        source == "service-worker"  ? COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SERVICE_WORKER
        : source == "shared-worker" ? COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SHARED_WORKER
                                    : COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT;
    if (!State().view->Filtered(uri, context, sourceKind)) {
        Log("response not-filtered");
        return;
    }
    auto headers = Make<RequestHeaders>();
    headers->Set(L"Accept", L"*/*");
    if (range) {
        headers->Set(L"Range", Wide(*range));
    }
    auto args = Make<WebResourceRequestedArgs>(Make<Request>(uri, headers));
    State().view->onWebResourceRequested.Raise(State().view.Get(), args.Get());
    Response* response = args->GivenResponse();
    if (!response) {
        Log(args->ResponsePut() ? "response null" : "response none");
        return;
    }
    Log("response status=" + std::to_string(response->status) +
        " reason=" + Quote(Utf8(response->reason)));
    Log("response-headers " +
        (response->hasHeaders ? Quote(Utf8(response->headers)) : std::string("null")));
    // The runtime reads the body later, on a thread of its own, and keeps the response (and
    // with it the stream) as long as the page.
    ComPtr<Response> kept(response);
    State().keptResponses.emplace_back(kept);
    Post([kept] { LogBody(kept->content.Get()); });
}

void RaiseDOMContentLoaded() {
    auto args = Make<DOMContentLoadedArgs>();
    Log("dom-content-loaded");
    State().view->onDOMContentLoaded.Raise(State().view.Get(), args.Get());
}

void StartPage(const Step& step) {
    if (State().firstNavigation.empty()) {
        return StepError(step, "the program has not navigated");
    }
    const std::wstring uri = State().firstNavigation;
    if (RaiseNavigationStarting(uri)) {
        RaiseRequest(uri, nullptr, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT);
        // Once the document's body has been read.
        Post(RaiseDOMContentLoaded);
    }
}

void Navigation(const Step& step) {
    if (step.args.size() != 1) {
        return StepError(step, "navigation takes a URI");
    }
    RaiseNavigationStarting(Wide(step.args[0]));
}

void RequestStep(const Step& step) {
    if (step.args.empty()) {
        return StepError(step, "request takes a URI");
    }
    std::string range;
    const bool hasRange = NamedArgument(step, 1, "range", range);
    std::string contextName = "other";
    NamedArgument(step, 1, "context", contextName);
    const auto context = ResourceContextFromName(contextName);
    if (!context) {
        return StepError(step, "unknown context " + contextName);
    }
    std::string source = "document";
    NamedArgument(step, 1, "source", source);
    if (source != "document" && source != "shared-worker" && source != "service-worker") {
        return StepError(step, "unknown source " + source);
    }
    RaiseRequest(Wide(step.args[0]), hasRange ? &range : nullptr, *context, source);
}

void NewWindow(const Step& step) {
    if (step.args.size() != 1) {
        return StepError(step, "new-window takes a URI");
    }
    auto args = Make<NewWindowRequestedArgs>(Wide(step.args[0]));
    State().view->onNewWindowRequested.Raise(State().view.Get(), args.Get());
    Log("new-window uri=" + Quote(step.args[0]) + " handled=" + std::to_string(args->Handled()));
}

void Permission(const Step& step) {
    if (step.args.size() != 2) {
        return StepError(step, "permission takes a kind and a URI");
    }
    const auto kind = PermissionKindFromName(step.args[0]);
    if (!kind) {
        return StepError(step, "unknown permission kind " + step.args[0]);
    }
    auto args = Make<PermissionRequestedArgs>(Wide(step.args[1]), *kind);
    State().view->onPermissionRequested.Raise(State().view.Get(), args.Get());
    Log("permission kind=" + PermissionKindName(*kind) + " uri=" + Quote(step.args[1]) +
        " state=" + PermissionStateName(args->StateNow()));
}

void Title(const Step& step) {
    if (step.args.size() != 1) {
        return StepError(step, "title takes one text");
    }
    State().title = Wide(step.args[0]);
    Log("document-title-changed title=" + Quote(step.args[0]));
    State().view->onDocumentTitleChanged.Raise(State().view.Get(), Make<EmptyArgs>().Get());
}

// The option posts=N among the step's arguments from `first` on (else `fallback`): how many
// messages the program must post to the page before the next step starts.
bool AwaitPosts(const Step& step, std::size_t first, ULONGLONG fallback) {
    std::string text;
    ULONGLONG count = fallback;
    if (NamedArgument(step, first, "posts", text) && !ParseBytes(text, count)) {
        StepError(step, "posts takes a count");
        return false;
    }
    State().postsAwaited = std::size_t(count);
    return true;
}

void RaiseWebMessage(const std::string& source, const std::string& text, bool isString) {
    auto args = Make<WebMessageReceivedArgs>(Wide(source), Wide(text), isString);
    State().view->onWebMessageReceived.Raise(State().view.Get(), args.Get());
}

void Message(const Step& step, bool isString) {
    if (step.args.size() < 2) {
        return StepError(step, "a message takes a source URI and a text");
    }
    if (!AwaitPosts(step, 2, 0)) {
        return;
    }
    Log("web-message source=" + Quote(step.args[0]) + " " +
        LogText(isString ? "string" : "json", step.args[1]));
    RaiseWebMessage(step.args[0], step.args[1], isString);
}

void MessageString(const Step& step) {
    Message(step, true);
}

void MessageJson(const Step& step) {
    Message(step, false);
}

// The call key in the program's scripts: the text of `const key = '...';`.
std::string ScriptKey() {
    static const std::wstring kOpening = L"const key = '";
    for (const std::wstring& script : State().documentScripts) {
        const std::size_t start = script.find(kOpening);
        if (start != std::wstring::npos) {
            const std::size_t from = start + kOpening.size();
            return Utf8(script.substr(from, script.find(L'\'', from) - from));
        }
    }
    return {};
}

// A call as the program's script posts it, with the script's key (or key=KEY) and the next id.
void CallStep(const Step& step) {
    if (step.args.size() < 3) {
        return StepError(step, "call takes a source URI, a method and its arguments as JSON");
    }
    std::string key;
    if (!NamedArgument(step, 3, "key", key)) {
        key = ScriptKey();
        if (key.empty()) {
            return StepError(step, "no script of the program carries a call key");
        }
    }
    if (!AwaitPosts(step, 3, 1)) {
        return;
    }
    const int id = State().nextCallId++;
    Log("call id=" + std::to_string(id));
    RaiseWebMessage(step.args[0],
                    R"({"type":"tessaly-call","id":)" + std::to_string(id) + R"(,"key":")" + key +
                        R"(","method":")" + step.args[1] + R"(","args":)" + step.args[2] + "}",
                    true);
}

// A string message read from a file in the program folder, with @KEY@ replaced by the call key.
void MessageFile(const Step& step) {
    if (step.args.size() < 2) {
        return StepError(step, "message-file takes a source URI and a file in the program folder");
    }
    if (!AwaitPosts(step, 2, 0)) {
        return;
    }
    bool ok = false;
    std::string text = ReadWholeFile(ProgramFolder() + Wide(step.args[1]), ok);
    if (!ok) {
        return StepError(step, "cannot read " + step.args[1]);
    }
    const std::string key = ScriptKey();
    for (std::size_t at = text.find("@KEY@"); at != std::string::npos;
         at = text.find("@KEY@", at + key.size())) {
        text.replace(at, 5, key);
    }
    Log("web-message source=" + Quote(step.args[0]) + " file=" + Quote(step.args[1]) +
        " length=" + std::to_string(text.size()));
    RaiseWebMessage(step.args[0], text, true);
}

void FullscreenElement(const Step& step) {
    if (step.args.size() != 1 || (step.args[0] != "0" && step.args[0] != "1")) {
        return StepError(step, "fullscreen-element takes 0 or 1");
    }
    State().fullscreenElement = step.args[0] == "1";
    Log("contains-fullscreen-element-changed value=" + step.args[0]);
    State().view->onContainsFullScreenElementChanged.Raise(State().view.Get(),
                                                           Make<EmptyArgs>().Get());
}

// Moves the host window as the user would by its title bar.
void MoveWindowStep(const Step& step) {
    if (step.args.size() != 2) {
        return StepError(step, "move-window takes the window's new left and top");
    }
    SetWindowPos(State().hostWindow, nullptr, std::stoi(step.args[0]), std::stoi(step.args[1]), 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CloseRequest(const Step&) {
    Log("window-close-requested");
    State().view->onWindowCloseRequested.Raise(State().view.Get(), Make<EmptyArgs>().Get());
}

void HoldFile(const Step& step) {
    if (step.args.size() != 1) {
        return StepError(step, "hold-file takes a path in the program folder");
    }
    const std::wstring path = ProgramFolder() + Wide(step.args[0]);
    // No sharing at all: every other open of the file fails while it is held.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Log("hold-file " + Quote(step.args[0]) + " error=" + std::to_string(GetLastError()));
        return;
    }
    State().heldFiles.push_back(file);
    Log("hold-file " + Quote(step.args[0]));
}

// A file of SIZE bytes, made by extending an empty one, so it takes no room on disk, with 8-byte
// marks where a span read from the wrong offset would show it: at every 256 MiB and at the last
// 8 bytes, each the little-endian value of its offset XOR SIZE.
void SparseFile(const Step& step) {
    ULONGLONG size = 0;
    if (step.args.size() != 2 || !ParseBytes(step.args[1], size) || size < 8) {
        return StepError(step, "sparse-file takes a path in the program folder and a size >= 8");
    }
    const std::wstring path = ProgramFolder() + Wide(step.args[0]);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const auto writeAt = [file](ULONGLONG offset, const void* bytes, DWORD count) {
        LARGE_INTEGER position;
        position.QuadPart = LONGLONG(offset);
        DWORD written = 0;
        return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
               (count == 0 ? SetEndOfFile(file)
                           : WriteFile(file, bytes, count, &written, nullptr) && written == count);
    };
    bool ok = file != INVALID_HANDLE_VALUE && writeAt(size, nullptr, 0);
    constexpr ULONGLONG kMarkEvery = 256ull << 20;
    for (ULONGLONG offset = 0; ok && offset <= size - 8; offset += kMarkEvery) {
        const ULONGLONG mark = offset ^ size;
        ok = writeAt(offset, &mark, 8);
    }
    const ULONGLONG last = (size - 8) ^ size;
    ok = ok && writeAt(size - 8, &last, 8);
    const DWORD error = ok ? 0 : GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    Log("sparse-file " + Quote(step.args[0]) + " size=" + std::to_string(size) +
        (ok ? "" : " error=" + std::to_string(error)));
}

// A path with its %VARIABLES% expanded, such as %APPDATA%.
std::wstring Expanded(const std::string& path) {
    wchar_t expanded[4096];
    const DWORD length = ExpandEnvironmentStringsW(Wide(path).c_str(), expanded, 4096);
    return length > 0 && length <= 4096 ? std::wstring(expanded) : Wide(path);
}

// A file's size and digest, as the program left it.
void FileStep(const Step& step) {
    if (step.args.size() != 1) {
        return StepError(step, "file takes a path");
    }
    bool ok = false;
    const std::string bytes = ReadWholeFile(Expanded(step.args[0]), ok);
    if (!ok) {
        return Log("file " + Quote(step.args[0]) + " missing");
    }
    Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    Log("file " + Quote(step.args[0]) + " size=" + std::to_string(bytes.size()) +
        " sha256=" + hash.HexDigest());
}

// Ends the process at once, as a kill does: no handler runs, nothing is cleaned up. With
// when-file=PATTERN it first waits until a file matching PATTERN holds some bytes, so that it
// ends the program in the middle of writing that file.
void Terminate(const Step& step) {
    std::string pattern;
    if (NamedArgument(step, 0, "when-file", pattern)) {
        const std::wstring wide = Expanded(pattern);
        const ULONGLONG deadline = GetTickCount64() + 10000;
        ULONGLONG size = 0;
        while (size == 0 && GetTickCount64() < deadline) {
            WIN32_FIND_DATAW found;
            const HANDLE search = FindFirstFileW(wide.c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                size = ULONGLONG(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
                FindClose(search);
            }
            if (size == 0) {
                Sleep(1);
            }
        }
        Log("terminate when-file=" + Quote(pattern) +
            (size > 0 ? " size=" + std::to_string(size) : std::string(" timeout")));
    } else {
        Log("terminate");
    }
    TerminateProcess(GetCurrentProcess(), kTerminatedExitCode);
}

struct AddressSpace {
    ULONGLONG reserved = 0;  // every region that is not free, committed ones included
    ULONGLONG committed = 0;
};

AddressSpace MeasureAddressSpace() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    AddressSpace space;
    auto address = reinterpret_cast<ULONG_PTR>(system.lpMinimumApplicationAddress);
    const auto end = reinterpret_cast<ULONG_PTR>(system.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION region;
    while (address < end &&
           VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) != 0) {
        if (region.State != MEM_FREE) {
            space.reserved += region.RegionSize;
        }
        if (region.State == MEM_COMMIT) {
            space.committed += region.RegionSize;
        }
        const auto next = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    return space;
}

// The process's address space now, how much more is reserved than when the steps began (Wine
// shows over 1.5 GB of a 32-bit process as reserved before the program has done anything, in
// large inaccessible regions of its own, so only the growth says what the program took), and
// the peaks the system counted.
void Memory(const Step& step) {
    ULONGLONG limit = 0;
    std::string limitText;
    const bool hasLimit = NamedArgument(step, 0, "growth-limit", limitText);
    if (hasLimit && !ParseBytes(limitText, limit)) {
        return StepError(step, "memory takes growth-limit=BYTES");
    }
    const AddressSpace space = MeasureAddressSpace();
    const LONGLONG growth = LONGLONG(space.reserved) - LONGLONG(State().reservedAtStart);
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    Log("memory " +
        (hasLimit ? "growth-within-limit=" + std::to_string(growth <= LONGLONG(limit) ? 1 : 0) + " "
                  : std::string()) +
        "growth=" + std::to_string(growth) + " reserved=" + std::to_string(space.reserved) +
        " committed=" + std::to_string(space.committed) +
        " peak-working-set=" + std::to_string(counters.PeakWorkingSetSize) +
        " peak-pagefile=" + std::to_string(counters.PeakPagefileUsage));
}

const std::map<std::string, StepFunction>& Steps() {
    static const std::map<std::string, StepFunction> steps = {
        {"start-page", StartPage},
        {"navigation", Navigation},
        {"request", RequestStep},
        {"new-window", NewWindow},
        {"permission", Permission},
        {"title", Title},
        {"message-string", MessageString},
        {"message-json", MessageJson},
        {"message-file", MessageFile},
        {"call", CallStep},
        {"fullscreen-element", FullscreenElement},
        {"close-request", CloseRequest},
        {"move-window", MoveWindowStep},
        {"hold-file", HoldFile},
        {"sparse-file", SparseFile},
        {"memory", Memory},
        {"file", FileStep},
        {"terminate", Terminate},
    };
    return steps;
}

// Setup lines change how the environment and the controller are created; they are read when
// the scenario is loaded, wherever they stand, and are not steps.
bool ApplySetup(const Step& step) {
    const auto hresultArgument = [&step](HRESULT& target) {
        const auto value = step.args.size() == 1 ? ParseHresult(step.args[0]) : std::nullopt;
        if (!value) {
            StepError(step, step.command + " takes one HRESULT");
        } else {
            target = *value;
        }
    };
    if (step.command == "environment-call-result") {
        hresultArgument(State().environmentCallResult);
    } else if (step.command == "environment-result") {
        hresultArgument(State().environmentResult);
    } else if (step.command == "controller-result") {
        hresultArgument(State().controllerResult);
    } else if (step.command == "without-view2") {
        State().answersView2 = false;
    } else if (step.command == "view22") {
        State().answersView22 = true;
    } else if (step.command == "response-body-limit") {
        ULONGLONG limit = 0;
        if (step.args.size() != 1 || !ParseBytes(step.args[0], limit)) {
            StepError(step, "response-body-limit takes a number of bytes");
        } else {
            State().responseBodyLimit = limit;
        }
    } else {
        return false;
    }
    return true;
}

void LoadScenario() {
    const std::wstring path = EnvironmentVariable(L"TESSALY_STANDIN_SCENARIO");
    if (path.empty()) {
        Log("scenario none");
        return;
    }
    bool ok = false;
    const std::string text = ReadWholeFile(path, ok);
    if (!ok) {
        Log("scenario-error cannot read " + Quote(Utf8(path)));
        return;
    }
    try {
        for (Step& step : ParseScenario(text)) {
            if (ApplySetup(step)) {
                continue;
            }
            if (!Steps().count(step.command)) {
                StepError(step, "unknown command " + step.command);
                continue;
            }
            State().steps.push_back(std::move(step));
        }
    } catch (const ScenarioError& error) {
        Log(std::string("scenario-error ") + error.what());
    }
}

void RunNextStep() {
    if (State().nextStep >= State().steps.size()) {
        Log("scenario-end");
        State().keptResponses.clear();
        return;
    }
    if (State().nextStep == 0) {
        State().reservedAtStart = MeasureAddressSpace().reserved;
    }
    const Step& step = State().steps[State().nextStep++];
    State().postsAwaited = 0;
    Log("step " + step.text);
    Steps().at(step.command)(step);
    // Those the program posts later end the step (NotePost).
    State().awaiting = State().postsAwaited > 0;
    if (!State().awaiting) {
        FinishStep();
    }
}

// After what the step left for later, such as reading bodies.
void FinishStep() {
    Post([] {
        LogWindow();
        Post(RunNextStep);
    });
}

}  // namespace

// Shared helpers

std::string Utf8(const wchar_t* text) {
    if (!text || !*text) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.resize(bytes.size() - 1);
    return bytes;
}

std::string Utf8(const std::wstring& text) {
    return Utf8(text.c_str());
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::string QuoteOrNull(const wchar_t* text) {
    return text ? Quote(Utf8(text)) : std::string("null");
}

LPWSTR TaskString(const wchar_t* text) {
    if (!text) {
        return nullptr;
    }
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy) {
        memcpy(copy, text, bytes);
    }
    return copy;
}

Runtime& State() {
    // Never destroyed: the program may still release objects while the process ends.
    static Runtime* state = new Runtime;
    return *state;
}

void Log(const std::string& line) {
    if (State().log == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string withEnd = line + "\n";
    DWORD written = 0;
    WriteFile(State().log, withEnd.data(), DWORD(withEnd.size()), &written, nullptr);
}

namespace {

long long Ticks(const FILETIME& time) {
    return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

// Both times come from the system clock, which the creation time was taken on; microseconds.
void MarkTime(const char* name) {
    if (State().timingFile.empty()) {
        return;
    }
    FILETIME now, created, exited, kernel, user;
    GetSystemTimePreciseAsFileTime(&now);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    if (State().timeMarks.empty()) {
        // The creation time on the Unix clock, so a launcher can see how long it took to come.
        constexpr long long kUnixEpoch = 116444736000000000;  // 1970-01-01 in FILETIME ticks
        State().timeMarks.emplace_back("created-unix", (Ticks(created) - kUnixEpoch) / 10);
    }
    State().timeMarks.emplace_back(name, (Ticks(now) - Ticks(created)) / 10);
}

// Once: later moments are not noted.
void WriteTimeMarks() {
    const std::wstring path = std::move(State().timingFile);
    State().timingFile.clear();
    if (path.empty()) {
        return;
    }
    std::string text;
    for (const auto& [name, microseconds] : State().timeMarks) {
        text += name + " " + std::to_string(microseconds) + "\n";
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
        CloseHandle(file);
    }
}

void NotePost() {
    if (State().postsAwaited > 0 && --State().postsAwaited == 0 && State().awaiting) {
        State().awaiting = false;
        FinishStep();
    }
}

void Post(std::function<void()> work) {
    State().queue.push_back(std::move(work));
    PostMessageW(State().messageWindow, kRunQueued, 0, 0);
}

void CompleteControllerCreation(
    ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler) {
    Post([handler] {
        MarkTime("controller-completed");
        const HRESULT result = State().controllerResult;
        if (FAILED(result)) {
            Log("controller-completed error=" + Hex32(std::uint32_t(result)));
            handler->Invoke(result, nullptr);
            LogWindow();
            return;
        }
        State().controller = Make<Controller>();
        State().view = Make<View>();
        Log("controller-completed error=0x00000000");
        handler->Invoke(S_OK, State().controller.Get());
        LogWindow();
        Post(RunNextStep);
    });
}

}  // namespace tessaly::standin

using namespace tessaly::standin;

// The client DLL's entry point, as a fixed runtime exports it. `runtimeType` is 1 for a fixed
// runtime; `options` is the program's ICoreWebView2EnvironmentOptions object.
extern "C" HRESULT STDMETHODCALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    bool unknown, int runtimeType, PCWSTR userDataFolder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    MarkTime("create-environment");
    Runtime& state = State();
    if (state.log == INVALID_HANDLE_VALUE) {
        const std::wstring logPath = EnvironmentVariable(L"TESSALY_STANDIN_LOG");
        if (!logPath.empty()) {
            state.log = CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
    }
    Log("create-environment unknown=" + std::to_string(unknown) + " runtime-type=" +
        std::to_string(runtimeType) + " user-data-folder=" + QuoteOrNull(userDataFolder) +
        " apartment=" + ApartmentName() + " handler=" + (handler ? "given" : "null"));
    LogOptions(options);
    if (state.thread != 0) {
        Log("scenario-error the environment was already created");
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    }
    state.thread = GetCurrentThreadId();
    LoadScenario();
    if (!handler) {
        return E_POINTER;
    }
    // From here on the program may report a failure in a message box; it is answered for it.
    state.dialogHook = SetWindowsHookExW(WH_CBT, DialogHook, nullptr, GetCurrentThreadId());
    if (FAILED(state.environmentCallResult)) {
        Log("create-environment-result " + Hex32(std::uint32_t(state.environmentCallResult)));
        return state.environmentCallResult;
    }
    if (!CreateQueueWindow()) {
        Log("scenario-error no message window");
        return E_FAIL;
    }

    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> kept(handler);
    Post([kept] {
        MarkTime("environment-completed");
        const HRESULT result = State().environmentResult;
        Log("environment-completed error=" + Hex32(std::uint32_t(result)));
        if (FAILED(result)) {
            kept->Invoke(result, nullptr);
        } else {
            State().environment = Make<Environment>();
            kept->Invoke(S_OK, State().environment.Get());
        }
    });
    return S_OK;
}

// Objects of this DLL may live until the process ends, so it never agrees to be unloaded.
extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        State().module = instance;
        DisableThreadLibraryCalls(instance);
        State().timingFile = EnvironmentVariable(L"TESSALY_STANDIN_TIMING");
        MarkTime("runtime-loaded");
    } else if (reason == DLL_PROCESS_DETACH && reserved) {
        Log("process-exit");
    }
    return TRUE;
}
