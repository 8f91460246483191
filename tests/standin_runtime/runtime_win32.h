// The stand-in runtime's shared state: the log, the scenario, the objects it handed out and the
// queue of work it delivers later on the creating thread. One per process.
#pragma once

#include "webview2/webview2.h"
// The declarations above bring windows.h first.
#include <wrl/client.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "scenario.h"

namespace tessaly::standin {

class Environment;
class Controller;
class View;

// UTF-16 to UTF-8 for the log.
std::string Utf8(const wchar_t* text);
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& text);
// A quoted log value, or null when there is no string at all.
std::string QuoteOrNull(const wchar_t* text);
// "left,top,right,bottom".
std::string Rect(const RECT& r);
// A copy in task memory, as the runtime hands strings out; null when `text` is null.
LPWSTR TaskString(const wchar_t* text);

struct Runtime {
    HANDLE log = INVALID_HANDLE_VALUE;
    HMODULE module = nullptr;
    DWORD thread = 0;
    HWND messageWindow = nullptr;
    HHOOK dialogHook = nullptr;
    std::deque<std::function<void()>> queue;

    // What the scenario set up before its steps.
    HRESULT environmentCallResult = S_OK;
    HRESULT environmentResult = S_OK;
    HRESULT controllerResult = S_OK;
    bool answersView2 = true;
    bool answersView22 = false;
    // Bodies larger than this are not read (0: no limit).
    ULONGLONG responseBodyLimit = 0;
    std::vector<Step> steps;
    std::size_t nextStep = 0;
    // The process's reserved address space when the first step began.
    ULONGLONG reservedAtStart = 0;
    // Start-up timing: the file the moments go to (none: no timing), and the moments noted.
    std::wstring timingFile;
    std::vector<std::pair<std::string, long long>> timeMarks;

    // What the program under test was given or did.
    Microsoft::WRL::ComPtr<Environment> environment;
    Microsoft::WRL::ComPtr<Controller> controller;
    Microsoft::WRL::ComPtr<View> view;
    HWND hostWindow = nullptr;
    bool boundsSeen = false;

    // The page as the scenario describes it.
    std::wstring firstNavigation;
    std::wstring title;
    BOOL fullscreenElement = FALSE;
    INT64 nextToken = 1;
    std::vector<HANDLE> heldFiles;
    // The scripts the program put into every document, in the order added.
    std::vector<std::wstring> documentScripts;
    // The id the next `call` step gives its call.
    int nextCallId = 1;
    // The messages to the page the current step still waits for before the next one starts
    // (awaiting: its handlers have returned, and those messages are due).
    std::size_t postsAwaited = 0;
    bool awaiting = false;
    // Every response the program handed over, with its stream, until the scenario ends.
    std::vector<Microsoft::WRL::ComPtr<IUnknown>> keptResponses;
};

Runtime& State();

void Log(const std::string& line);

// Start-up timing: notes that `name` happens now, in microseconds since the process was created;
// the first Navigate writes what was noted to the timing file.
void MarkTime(const char* name);
void WriteTimeMarks();

// Runs `work` later on the creating thread, from its message loop.
void Post(std::function<void()> work);

// Every object hands out the same environment, controller and view.
Microsoft::WRL::ComPtr<Environment> NewEnvironment();
Microsoft::WRL::ComPtr<Controller> NewController();

// Counts a message posted to the page; the step that waits for it may end now.
void NotePost();

// Delivers the controller-completed handler's answer, then starts the scenario's steps.
void CompleteControllerCreation(
    Microsoft::WRL::ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler);

}  // namespace tessaly::standin
