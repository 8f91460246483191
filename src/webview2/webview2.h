// The WebView2 COM interfaces this program calls or implements, declared from the runtime's
// published ABI: interface identifiers, vtable order and parameter types. Every method up to
// the last one used is declared, in vtable order, so that slots line up; nothing else is.
#pragma once

#include <windows.h>
// windows.h first: the COM headers below rely on it.
#include <eventtoken.h>
#include <oaidl.h>
#include <objidl.h>

enum COREWEBVIEW2_WEB_RESOURCE_CONTEXT {
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL = 0,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT = 1,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET = 2,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE = 3,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA = 4,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT = 5,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT = 6,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST = 7,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH = 8,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_TEXT_TRACK = 9,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_EVENT_SOURCE = 10,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_WEBSOCKET = 11,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MANIFEST = 12,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SIGNED_EXCHANGE = 13,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_PING = 14,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT = 15,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER = 16,
};

// Flags: which kinds of requester a request filter admits.
enum COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS : unsigned {
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_NONE = 0,
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT = 0x1,
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SHARED_WORKER = 0x2,
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_SERVICE_WORKER = 0x4,
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_ALL = 0xFFFFFFFF,
};

enum COREWEBVIEW2_MOVE_FOCUS_REASON {
    COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
    COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
    COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
};

enum COREWEBVIEW2_PERMISSION_STATE {
    COREWEBVIEW2_PERMISSION_STATE_DEFAULT = 0,
    COREWEBVIEW2_PERMISSION_STATE_ALLOW = 1,
    COREWEBVIEW2_PERMISSION_STATE_DENY = 2,
};

enum COREWEBVIEW2_PERMISSION_KIND {
    COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION = 0,
    COREWEBVIEW2_PERMISSION_KIND_MICROPHONE = 1,
    COREWEBVIEW2_PERMISSION_KIND_CAMERA = 2,
    COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION = 3,
    COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS = 4,
    COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS = 5,
    COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ = 6,
    COREWEBVIEW2_PERMISSION_KIND_MULTIPLE_AUTOMATIC_DOWNLOADS = 7,
    COREWEBVIEW2_PERMISSION_KIND_FILE_READ_WRITE = 8,
    COREWEBVIEW2_PERMISSION_KIND_AUTOPLAY = 9,
    COREWEBVIEW2_PERMISSION_KIND_LOCAL_FONTS = 10,
    COREWEBVIEW2_PERMISSION_KIND_MIDI_SYSTEM_EXCLUSIVE_MESSAGES = 11,
    COREWEBVIEW2_PERMISSION_KIND_WINDOW_MANAGEMENT = 12,
};

enum COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT {
    COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG = 0,
    COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG = 1,
};

// Declared below.
struct ICoreWebView2Environment;
struct ICoreWebView2Controller;
struct ICoreWebView2;
struct ICoreWebView2_2;
struct ICoreWebView2Settings;
struct ICoreWebView2WebResourceRequest;
struct ICoreWebView2HttpRequestHeaders;
struct ICoreWebView2WebResourceResponse;
struct ICoreWebView2WebResourceRequestedEventArgs;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2PermissionRequestedEventArgs;
struct ICoreWebView2WebMessageReceivedEventArgs;
struct ICoreWebView2DOMContentLoadedEventArgs;
struct ICoreWebView2EnvironmentOptions;
struct ICoreWebView2EnvironmentOptions2;
struct ICoreWebView2EnvironmentOptions3;
struct ICoreWebView2EnvironmentOptions4;
struct ICoreWebView2EnvironmentOptions5;
struct ICoreWebView2CustomSchemeRegistration;
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
struct ICoreWebView2DocumentTitleChangedEventHandler;
struct ICoreWebView2WebResourceRequestedEventHandler;
struct ICoreWebView2NavigationStartingEventHandler;
struct ICoreWebView2PermissionRequestedEventHandler;
struct ICoreWebView2ContainsFullScreenElementChangedEventHandler;
struct ICoreWebView2WindowCloseRequestedEventHandler;
struct ICoreWebView2NewWindowRequestedEventHandler;
struct ICoreWebView2WebMessageReceivedEventHandler;
struct ICoreWebView2DOMContentLoadedEventHandler;
struct ICoreWebView2Deferral;
struct ICoreWebView2HttpResponseHeaders;
struct ICoreWebView2HttpHeadersCollectionIterator;

// Unreferenced runtime interfaces, used only through pointers.
struct ICoreWebView2AcceleratorKeyPressedEventHandler;
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler;
struct ICoreWebView2CallDevToolsProtocolMethodCompletedHandler;
struct ICoreWebView2CapturePreviewCompletedHandler;
struct ICoreWebView2ContentLoadingEventHandler;
struct ICoreWebView2CookieManager;
struct ICoreWebView2DevToolsProtocolEventReceiver;
struct ICoreWebView2ExecuteScriptCompletedHandler;
struct ICoreWebView2FocusChangedEventHandler;
struct ICoreWebView2HistoryChangedEventHandler;
struct ICoreWebView2MoveFocusRequestedEventHandler;
struct ICoreWebView2NavigationCompletedEventHandler;
struct ICoreWebView2NewBrowserVersionAvailableEventHandler;
struct ICoreWebView2ProcessFailedEventHandler;
struct ICoreWebView2ScriptDialogOpeningEventHandler;
struct ICoreWebView2SourceChangedEventHandler;
struct ICoreWebView2WebResourceResponseReceivedEventHandler;
struct ICoreWebView2WindowFeatures;
struct ICoreWebView2ZoomFactorChangedEventHandler;

struct ICoreWebView2Environment : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) = 0;                                 // slot 4
    virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) = 0;  // slot 5
    virtual HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler* eventHandler,
        EventRegistrationToken* token) = 0;  // slot 6
    virtual HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(EventRegistrationToken token) = 0;  // slot 7
};
__CRT_UUID_DECL(ICoreWebView2Environment, 0xb96d755e, 0x0319, 0x4e92, 0xa2, 0x96, 0x23, 0x43, 0x6f,
                0x46, 0xa1, 0xfc)

struct ICoreWebView2Controller : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) = 0;      // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) = 0;       // slot 4
    virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) = 0;            // slot 5
    virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;             // slot 6
    virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) = 0;   // slot 8
    virtual HRESULT STDMETHODCALLTYPE
    add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* eventHandler,
                          EventRegistrationToken* token) = 0;  // slot 9
    virtual HRESULT STDMETHODCALLTYPE
    remove_ZoomFactorChanged(EventRegistrationToken token) = 0;  // slot 10
    virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds,
                                                             double zoomFactor) = 0;  // slot 11
    virtual HRESULT STDMETHODCALLTYPE
    MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;  // slot 12
    virtual HRESULT STDMETHODCALLTYPE
    add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* eventHandler,
                           EventRegistrationToken* token) = 0;  // slot 13
    virtual HRESULT STDMETHODCALLTYPE
    remove_MoveFocusRequested(EventRegistrationToken token) = 0;  // slot 14
    virtual HRESULT STDMETHODCALLTYPE
    add_GotFocus(ICoreWebView2FocusChangedEventHandler* eventHandler,
                 EventRegistrationToken* token) = 0;                                      // slot 15
    virtual HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) = 0;  // slot 16
    virtual HRESULT STDMETHODCALLTYPE
    add_LostFocus(ICoreWebView2FocusChangedEventHandler* eventHandler,
                  EventRegistrationToken* token) = 0;  // slot 17
    virtual HRESULT STDMETHODCALLTYPE
    remove_LostFocus(EventRegistrationToken token) = 0;  // slot 18
    virtual HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* eventHandler,
                              EventRegistrationToken* token) = 0;  // slot 19
    virtual HRESULT STDMETHODCALLTYPE
    remove_AcceleratorKeyPressed(EventRegistrationToken token) = 0;              // slot 20
    virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) = 0;  // slot 21
    virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) = 0;   // slot 22
    virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;   // slot 23
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;                               // slot 24
    virtual HRESULT STDMETHODCALLTYPE
    get_CoreWebView2(ICoreWebView2** coreWebView2) = 0;  // slot 25
};
__CRT_UUID_DECL(ICoreWebView2Controller, 0x4d00c0d1, 0x9434, 0x4eb6, 0x80, 0x78, 0x86, 0x97, 0xa5,
                0x60, 0x33, 0x4f)

struct ICoreWebView2 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;                         // slot 4
    virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;                           // slot 5
    virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) = 0;           // slot 6
    virtual HRESULT STDMETHODCALLTYPE
    add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                           EventRegistrationToken* token) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE
    remove_NavigationStarting(EventRegistrationToken token) = 0;  // slot 8
    virtual HRESULT STDMETHODCALLTYPE
    add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* eventHandler,
                       EventRegistrationToken* token) = 0;  // slot 9
    virtual HRESULT STDMETHODCALLTYPE
    remove_ContentLoading(EventRegistrationToken token) = 0;  // slot 10
    virtual HRESULT STDMETHODCALLTYPE
    add_SourceChanged(ICoreWebView2SourceChangedEventHandler* eventHandler,
                      EventRegistrationToken* token) = 0;  // slot 11
    virtual HRESULT STDMETHODCALLTYPE
    remove_SourceChanged(EventRegistrationToken token) = 0;  // slot 12
    virtual HRESULT STDMETHODCALLTYPE
    add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* eventHandler,
                       EventRegistrationToken* token) = 0;  // slot 13
    virtual HRESULT STDMETHODCALLTYPE
    remove_HistoryChanged(EventRegistrationToken token) = 0;  // slot 14
    virtual HRESULT STDMETHODCALLTYPE
    add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* eventHandler,
                            EventRegistrationToken* token) = 0;  // slot 15
    virtual HRESULT STDMETHODCALLTYPE
    remove_NavigationCompleted(EventRegistrationToken token) = 0;  // slot 16
    virtual HRESULT STDMETHODCALLTYPE
    add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                                EventRegistrationToken* token) = 0;  // slot 17
    virtual HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationStarting(EventRegistrationToken token) = 0;  // slot 18
    virtual HRESULT STDMETHODCALLTYPE
    add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* eventHandler,
                                 EventRegistrationToken* token) = 0;  // slot 19
    virtual HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationCompleted(EventRegistrationToken token) = 0;  // slot 20
    virtual HRESULT STDMETHODCALLTYPE
    add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* eventHandler,
                            EventRegistrationToken* token) = 0;  // slot 21
    virtual HRESULT STDMETHODCALLTYPE
    remove_ScriptDialogOpening(EventRegistrationToken token) = 0;  // slot 22
    virtual HRESULT STDMETHODCALLTYPE
    add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* eventHandler,
                            EventRegistrationToken* token) = 0;  // slot 23
    virtual HRESULT STDMETHODCALLTYPE
    remove_PermissionRequested(EventRegistrationToken token) = 0;  // slot 24
    virtual HRESULT STDMETHODCALLTYPE
    add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* eventHandler,
                      EventRegistrationToken* token) = 0;  // slot 25
    virtual HRESULT STDMETHODCALLTYPE
    remove_ProcessFailed(EventRegistrationToken token) = 0;  // slot 26
    virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;  // slot 27
    virtual HRESULT STDMETHODCALLTYPE
    RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;  // slot 28
    virtual HRESULT STDMETHODCALLTYPE ExecuteScript(
        LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;  // slot 29
    virtual HRESULT STDMETHODCALLTYPE
    CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                   ICoreWebView2CapturePreviewCompletedHandler* handler) = 0;  // slot 30
    virtual HRESULT STDMETHODCALLTYPE Reload() = 0;                            // slot 31
    virtual HRESULT STDMETHODCALLTYPE
    PostWebMessageAsJson(LPCWSTR webMessageAsJson) = 0;  // slot 32
    virtual HRESULT STDMETHODCALLTYPE
    PostWebMessageAsString(LPCWSTR webMessageAsString) = 0;  // slot 33
    virtual HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) = 0;  // slot 34
    virtual HRESULT STDMETHODCALLTYPE
    remove_WebMessageReceived(EventRegistrationToken token) = 0;  // slot 35
    virtual HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
        LPCWSTR methodName, LPCWSTR parametersAsJson,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) = 0;   // slot 36
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) = 0;   // slot 37
    virtual HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) = 0;        // slot 38
    virtual HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) = 0;  // slot 39
    virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;                              // slot 40
    virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;                           // slot 41
    virtual HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
        LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) = 0;  // slot 42
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;                                       // slot 43
    virtual HRESULT STDMETHODCALLTYPE
    add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* eventHandler,
                           EventRegistrationToken* token) = 0;  // slot 44
    virtual HRESULT STDMETHODCALLTYPE
    remove_NewWindowRequested(EventRegistrationToken token) = 0;  // slot 45
    virtual HRESULT STDMETHODCALLTYPE
    add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* eventHandler,
                             EventRegistrationToken* token) = 0;  // slot 46
    virtual HRESULT STDMETHODCALLTYPE
    remove_DocumentTitleChanged(EventRegistrationToken token) = 0;           // slot 47
    virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) = 0;  // slot 48
    virtual HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name,
                                                            VARIANT* object) = 0;    // slot 49
    virtual HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) = 0;  // slot 50
    virtual HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() = 0;                      // slot 51
    virtual HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* eventHandler,
        EventRegistrationToken* token) = 0;  // slot 52
    virtual HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) = 0;  // slot 53
    virtual HRESULT STDMETHODCALLTYPE
    get_ContainsFullScreenElement(BOOL* containsFullScreenElement) = 0;  // slot 54
    virtual HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* eventHandler,
                             EventRegistrationToken* token) = 0;  // slot 55
    virtual HRESULT STDMETHODCALLTYPE
    remove_WebResourceRequested(EventRegistrationToken token) = 0;  // slot 56
    virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;  // slot 57
    virtual HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;  // slot 58
    virtual HRESULT STDMETHODCALLTYPE
    add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* eventHandler,
                             EventRegistrationToken* token) = 0;  // slot 59
    virtual HRESULT STDMETHODCALLTYPE
    remove_WindowCloseRequested(EventRegistrationToken token) = 0;  // slot 60
};
__CRT_UUID_DECL(ICoreWebView2, 0x76eceacb, 0x0462, 0x4d94, 0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77,
                0x5e)

struct ICoreWebView2_2 : public ICoreWebView2 {
    virtual HRESULT STDMETHODCALLTYPE add_WebResourceResponseReceived(
        ICoreWebView2WebResourceResponseReceivedEventHandler* eventHandler,
        EventRegistrationToken* token) = 0;  // slot 61
    virtual HRESULT STDMETHODCALLTYPE
    remove_WebResourceResponseReceived(EventRegistrationToken token) = 0;  // slot 62
    virtual HRESULT STDMETHODCALLTYPE
    NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest* request) = 0;  // slot 63
    virtual HRESULT STDMETHODCALLTYPE
    add_DOMContentLoaded(ICoreWebView2DOMContentLoadedEventHandler* eventHandler,
                         EventRegistrationToken* token) = 0;  // slot 64
    virtual HRESULT STDMETHODCALLTYPE
    remove_DOMContentLoaded(EventRegistrationToken token) = 0;  // slot 65
    virtual HRESULT STDMETHODCALLTYPE
    get_CookieManager(ICoreWebView2CookieManager** cookieManager) = 0;  // slot 66
    virtual HRESULT STDMETHODCALLTYPE
    get_Environment(ICoreWebView2Environment** environment) = 0;  // slot 67
};
__CRT_UUID_DECL(ICoreWebView2_2, 0x9e8f0cf8, 0xe670, 0x4b5e, 0xb2, 0xbc, 0x73, 0xe0, 0x61, 0xe3,
                0x18, 0x4c)

// ICoreWebView2_3 to ICoreWebView2_21 add the methods of slots 68 to 122, which this program
// never calls; placeholders keep the slots after them in place. A runtime that answers for
// ICoreWebView2_22 has all of them.
#define TESSALY_UNUSED_SLOT(n) virtual HRESULT STDMETHODCALLTYPE UnusedSlot##n() = 0;
struct ICoreWebView2_22 : public ICoreWebView2_2 {
    TESSALY_UNUSED_SLOT(68)
    TESSALY_UNUSED_SLOT(69)
    TESSALY_UNUSED_SLOT(70)
    TESSALY_UNUSED_SLOT(71)
    TESSALY_UNUSED_SLOT(72)
    TESSALY_UNUSED_SLOT(73)
    TESSALY_UNUSED_SLOT(74)
    TESSALY_UNUSED_SLOT(75)
    TESSALY_UNUSED_SLOT(76)
    TESSALY_UNUSED_SLOT(77)
    TESSALY_UNUSED_SLOT(78)
    TESSALY_UNUSED_SLOT(79)
    TESSALY_UNUSED_SLOT(80)
    TESSALY_UNUSED_SLOT(81)
    TESSALY_UNUSED_SLOT(82)
    TESSALY_UNUSED_SLOT(83)
    TESSALY_UNUSED_SLOT(84)
    TESSALY_UNUSED_SLOT(85)
    TESSALY_UNUSED_SLOT(86)
    TESSALY_UNUSED_SLOT(87)
    TESSALY_UNUSED_SLOT(88)
    TESSALY_UNUSED_SLOT(89)
    TESSALY_UNUSED_SLOT(90)
    TESSALY_UNUSED_SLOT(91)
    TESSALY_UNUSED_SLOT(92)
    TESSALY_UNUSED_SLOT(93)
    TESSALY_UNUSED_SLOT(94)
    TESSALY_UNUSED_SLOT(95)
    TESSALY_UNUSED_SLOT(96)
    TESSALY_UNUSED_SLOT(97)
    TESSALY_UNUSED_SLOT(98)
    TESSALY_UNUSED_SLOT(99)
    TESSALY_UNUSED_SLOT(100)
    TESSALY_UNUSED_SLOT(101)
    TESSALY_UNUSED_SLOT(102)
    TESSALY_UNUSED_SLOT(103)
    TESSALY_UNUSED_SLOT(104)
    TESSALY_UNUSED_SLOT(105)
    TESSALY_UNUSED_SLOT(106)
    TESSALY_UNUSED_SLOT(107)
    TESSALY_UNUSED_SLOT(108)
    TESSALY_UNUSED_SLOT(109)
    TESSALY_UNUSED_SLOT(110)
    TESSALY_UNUSED_SLOT(111)
    TESSALY_UNUSED_SLOT(112)
    TESSALY_UNUSED_SLOT(113)
    TESSALY_UNUSED_SLOT(114)
    TESSALY_UNUSED_SLOT(115)
    TESSALY_UNUSED_SLOT(116)
    TESSALY_UNUSED_SLOT(117)
    TESSALY_UNUSED_SLOT(118)
    TESSALY_UNUSED_SLOT(119)
    TESSALY_UNUSED_SLOT(120)
    TESSALY_UNUSED_SLOT(121)
    TESSALY_UNUSED_SLOT(122)
    // Like AddWebResourceRequestedFilter, for the requests of the kinds of requester given:
    // the older call admits only documents' requests, never those of workers.
    virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilterWithRequestSourceKinds(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext,
        const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS requestSourceKinds) = 0;  // slot 123
    virtual HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilterWithRequestSourceKinds(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext,
        const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS requestSourceKinds) = 0;  // slot 124
};
#undef TESSALY_UNUSED_SLOT
__CRT_UUID_DECL(ICoreWebView2_22, 0xdb75dfc7, 0xa857, 0x4632, 0xa3, 0x98, 0x69, 0x69, 0xdd, 0xe2,
                0x6c, 0x0a)

struct ICoreWebView2Settings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* isScriptEnabled) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL isScriptEnabled) = 0;   // slot 4
    virtual HRESULT STDMETHODCALLTYPE
    get_IsWebMessageEnabled(BOOL* isWebMessageEnabled) = 0;  // slot 5
    virtual HRESULT STDMETHODCALLTYPE
    put_IsWebMessageEnabled(BOOL isWebMessageEnabled) = 0;  // slot 6
    virtual HRESULT STDMETHODCALLTYPE
    get_AreDefaultScriptDialogsEnabled(BOOL* areDefaultScriptDialogsEnabled) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE
    put_AreDefaultScriptDialogsEnabled(BOOL areDefaultScriptDialogsEnabled) = 0;  // slot 8
    virtual HRESULT STDMETHODCALLTYPE
    get_IsStatusBarEnabled(BOOL* isStatusBarEnabled) = 0;  // slot 9
    virtual HRESULT STDMETHODCALLTYPE
    put_IsStatusBarEnabled(BOOL isStatusBarEnabled) = 0;  // slot 10
    virtual HRESULT STDMETHODCALLTYPE
    get_AreDevToolsEnabled(BOOL* areDevToolsEnabled) = 0;  // slot 11
    virtual HRESULT STDMETHODCALLTYPE
    put_AreDevToolsEnabled(BOOL areDevToolsEnabled) = 0;  // slot 12
    virtual HRESULT STDMETHODCALLTYPE
    get_AreDefaultContextMenusEnabled(BOOL* enabled) = 0;  // slot 13
    virtual HRESULT STDMETHODCALLTYPE
    put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;                                 // slot 14
    virtual HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* allowed) = 0;      // slot 15
    virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;       // slot 16
    virtual HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* enabled) = 0;       // slot 17
    virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;        // slot 18
    virtual HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* enabled) = 0;  // slot 19
    virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL enabled) = 0;   // slot 20
};
__CRT_UUID_DECL(ICoreWebView2Settings, 0xe562e4f0, 0xd7fa, 0x43ac, 0x8d, 0x71, 0xc0, 0x51, 0x50,
                0x49, 0x9f, 0x00)

struct ICoreWebView2WebResourceRequest : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;            // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) = 0;            // slot 4
    virtual HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) = 0;      // slot 5
    virtual HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) = 0;      // slot 6
    virtual HRESULT STDMETHODCALLTYPE get_Content(IStream** content) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE put_Content(IStream* content) = 0;   // slot 8
    virtual HRESULT STDMETHODCALLTYPE
    get_Headers(ICoreWebView2HttpRequestHeaders** headers) = 0;  // slot 9
};
__CRT_UUID_DECL(ICoreWebView2WebResourceRequest, 0x97055cd4, 0x512c, 0x4264, 0x8b, 0x5f, 0xe3, 0xf4,
                0x46, 0xce, 0xa6, 0xa5)

struct ICoreWebView2HttpRequestHeaders : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE
    GetHeaders(LPCWSTR name, ICoreWebView2HttpHeadersCollectionIterator** value) = 0;  // slot 4
    virtual HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* value) = 0;         // slot 5
    virtual HRESULT STDMETHODCALLTYPE SetHeader(LPCWSTR name, LPCWSTR value) = 0;      // slot 6
    virtual HRESULT STDMETHODCALLTYPE RemoveHeader(LPCWSTR name) = 0;                  // slot 7
    virtual HRESULT STDMETHODCALLTYPE
    GetIterator(ICoreWebView2HttpHeadersCollectionIterator** value) = 0;  // slot 8
};
__CRT_UUID_DECL(ICoreWebView2HttpRequestHeaders, 0xe86cac0e, 0x5523, 0x465c, 0xb5, 0x36, 0x8f, 0xb9,
                0xfc, 0x8c, 0x8c, 0x60)

struct ICoreWebView2WebResourceResponse : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Content(IStream** content) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_Content(IStream* content) = 0;   // slot 4
    virtual HRESULT STDMETHODCALLTYPE
    get_Headers(ICoreWebView2HttpResponseHeaders** headers) = 0;                   // slot 5
    virtual HRESULT STDMETHODCALLTYPE get_StatusCode(int* statusCode) = 0;         // slot 6
    virtual HRESULT STDMETHODCALLTYPE put_StatusCode(int statusCode) = 0;          // slot 7
    virtual HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reasonPhrase) = 0;  // slot 8
    virtual HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reasonPhrase) = 0;  // slot 9
};
__CRT_UUID_DECL(ICoreWebView2WebResourceResponse, 0xaafcc94f, 0xfa27, 0x48fd, 0x97, 0xdf, 0x83,
                0x0e, 0xf7, 0x5a, 0xae, 0xc9)

struct ICoreWebView2WebResourceRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    get_Request(ICoreWebView2WebResourceRequest** request) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE
    get_Response(ICoreWebView2WebResourceResponse** response) = 0;  // slot 4
    virtual HRESULT STDMETHODCALLTYPE
    put_Response(ICoreWebView2WebResourceResponse* response) = 0;                         // slot 5
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) = 0;  // slot 6
    virtual HRESULT STDMETHODCALLTYPE
    get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) = 0;  // slot 7
};
__CRT_UUID_DECL(ICoreWebView2WebResourceRequestedEventArgs, 0x453e667f, 0x12c7, 0x49d4, 0xbe, 0x6d,
                0xdd, 0xbe, 0x79, 0x56, 0xf5, 0x7a)

struct ICoreWebView2NavigationStartingEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                        // slot 3
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;  // slot 4
    virtual HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) = 0;        // slot 5
    virtual HRESULT STDMETHODCALLTYPE
    get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) = 0;      // slot 6
    virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) = 0;                // slot 7
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;                 // slot 8
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;  // slot 9
};
__CRT_UUID_DECL(ICoreWebView2NavigationStartingEventArgs, 0x5b495469, 0xe119, 0x438a, 0x9b, 0x18,
                0x76, 0x04, 0xf2, 0x5f, 0x2e, 0x49)

struct ICoreWebView2NewWindowRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                           // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) = 0;        // slot 4
    virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) = 0;       // slot 5
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;                      // slot 6
    virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) = 0;                     // slot 7
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;     // slot 8
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) = 0;  // slot 9
    virtual HRESULT STDMETHODCALLTYPE
    get_WindowFeatures(ICoreWebView2WindowFeatures** value) = 0;  // slot 10
};
__CRT_UUID_DECL(ICoreWebView2NewWindowRequestedEventArgs, 0x34acb11c, 0xfc37, 0x4418, 0x91, 0x32,
                0xf9, 0xc2, 0x1d, 0x1e, 0xaf, 0xb9)

struct ICoreWebView2PermissionRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE
    get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* permissionKind) = 0;              // slot 4
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;  // slot 5
    virtual HRESULT STDMETHODCALLTYPE
    get_State(COREWEBVIEW2_PERMISSION_STATE* state) = 0;                                   // slot 6
    virtual HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) = 0;   // slot 8
};
__CRT_UUID_DECL(ICoreWebView2PermissionRequestedEventArgs, 0x973ae2ef, 0xff18, 0x4894, 0x8f, 0xb2,
                0x3c, 0x75, 0x8f, 0x04, 0x68, 0x10)

struct ICoreWebView2WebMessageReceivedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) = 0;                // slot 3
    virtual HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) = 0;      // slot 4
    virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) = 0;  // slot 5
};
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventArgs, 0x0f99a40c, 0xe962, 0x4207, 0x9e, 0x92,
                0xe3, 0xd5, 0x42, 0xef, 0xf8, 0x49)

struct ICoreWebView2DOMContentLoadedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2DOMContentLoadedEventArgs, 0x16b1e21a, 0xc503, 0x44f2, 0x84, 0xc9,
                0x70, 0xab, 0xa5, 0x03, 0x12, 0x83)

struct ICoreWebView2EnvironmentOptions : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) = 0;  // slot 4
    virtual HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) = 0;                    // slot 5
    virtual HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) = 0;                    // slot 6
    virtual HRESULT STDMETHODCALLTYPE
    get_TargetCompatibleBrowserVersion(LPWSTR* value) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE
    put_TargetCompatibleBrowserVersion(LPCWSTR value) = 0;  // slot 8
    virtual HRESULT STDMETHODCALLTYPE
    get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) = 0;  // slot 9
    virtual HRESULT STDMETHODCALLTYPE
    put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) = 0;  // slot 10
};
__CRT_UUID_DECL(ICoreWebView2EnvironmentOptions, 0x2fde08a8, 0x1e9a, 0x4766, 0x8c, 0x05, 0x95, 0xa9,
                0xce, 0xb9, 0xd1, 0xc5)

struct ICoreWebView2EnvironmentOptions2 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ExclusiveUserDataFolderAccess(BOOL* value) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_ExclusiveUserDataFolderAccess(BOOL value) = 0;   // slot 4
};
__CRT_UUID_DECL(ICoreWebView2EnvironmentOptions2, 0xff85c98a, 0x1ba7, 0x4a6b, 0x90, 0xc8, 0x2b,
                0x75, 0x2c, 0x89, 0xe9, 0xe2)

struct ICoreWebView2EnvironmentOptions3 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsCustomCrashReportingEnabled(BOOL* value) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_IsCustomCrashReportingEnabled(BOOL value) = 0;   // slot 4
};
__CRT_UUID_DECL(ICoreWebView2EnvironmentOptions3, 0x4a5c436e, 0xa9e3, 0x4a2e, 0x89, 0xc3, 0x91,
                0x0d, 0x35, 0x13, 0xf5, 0xcc)

struct ICoreWebView2EnvironmentOptions4 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCustomSchemeRegistrations(
        UINT32* count, ICoreWebView2CustomSchemeRegistration*** schemeRegistrations) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE SetCustomSchemeRegistrations(
        UINT32 count, ICoreWebView2CustomSchemeRegistration** schemeRegistrations) = 0;  // slot 4
};
__CRT_UUID_DECL(ICoreWebView2EnvironmentOptions4, 0xac52d13f, 0x0d38, 0x475a, 0x9d, 0xca, 0x87,
                0x65, 0x80, 0xd6, 0x79, 0x3e)

struct ICoreWebView2EnvironmentOptions5 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_EnableTrackingPrevention(BOOL* value) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE put_EnableTrackingPrevention(BOOL value) = 0;   // slot 4
};
__CRT_UUID_DECL(ICoreWebView2EnvironmentOptions5, 0x0ae35d64, 0xc47f, 0x4464, 0x81, 0x4e, 0x25,
                0x9c, 0x34, 0x5d, 0x15, 0x01)

struct ICoreWebView2CustomSchemeRegistration : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_SchemeName(LPWSTR* schemeName) = 0;      // slot 3
    virtual HRESULT STDMETHODCALLTYPE get_TreatAsSecure(BOOL* treatAsSecure) = 0;  // slot 4
    virtual HRESULT STDMETHODCALLTYPE put_TreatAsSecure(BOOL value) = 0;           // slot 5
    virtual HRESULT STDMETHODCALLTYPE GetAllowedOrigins(UINT32* allowedOriginsCount,
                                                        LPWSTR** allowedOrigins) = 0;  // slot 6
    virtual HRESULT STDMETHODCALLTYPE SetAllowedOrigins(UINT32 allowedOriginsCount,
                                                        LPCWSTR* allowedOrigins) = 0;  // slot 7
    virtual HRESULT STDMETHODCALLTYPE
    get_HasAuthorityComponent(BOOL* hasAuthorityComponent) = 0;  // slot 8
    virtual HRESULT STDMETHODCALLTYPE
    put_HasAuthorityComponent(BOOL hasAuthorityComponent) = 0;  // slot 9
};
__CRT_UUID_DECL(ICoreWebView2CustomSchemeRegistration, 0xd60ac92c, 0x37a6, 0x4b26, 0xa3, 0x9e, 0x95,
                0xcf, 0xe5, 0x90, 0x47, 0xbb)

struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode,
                                             ICoreWebView2Environment* result) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 0x4e8a3389, 0xc9d8,
                0x4bd2, 0xb6, 0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d)

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode,
                                             ICoreWebView2Controller* result) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, 0x6c4819f3, 0xc9b7,
                0x4260, 0x81, 0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c)

struct ICoreWebView2DocumentTitleChangedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2DocumentTitleChangedEventHandler, 0xf5f2b923, 0x953e, 0x4042, 0x9f,
                0x95, 0xf3, 0xa1, 0x18, 0xe1, 0xaf, 0xd4)

struct ICoreWebView2WebResourceRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2WebResourceRequestedEventHandler, 0xab00b74c, 0x15f1, 0x4646, 0x80,
                0xe8, 0xe7, 0x63, 0x41, 0xd2, 0x5d, 0x71)

struct ICoreWebView2NavigationStartingEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2NavigationStartingEventHandler, 0x9adbe429, 0xf36d, 0x432b, 0x9d, 0xdc,
                0xf8, 0x88, 0x1f, 0xbd, 0x76, 0xe3)

struct ICoreWebView2PermissionRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(ICoreWebView2* sender, ICoreWebView2PermissionRequestedEventArgs* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2PermissionRequestedEventHandler, 0x15e1c6a3, 0xc72a, 0x4df3, 0x91,
                0xd7, 0xd0, 0x97, 0xfb, 0xec, 0x6b, 0xfd)

struct ICoreWebView2ContainsFullScreenElementChangedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2ContainsFullScreenElementChangedEventHandler, 0xe45d98b1, 0xafef,
                0x45be, 0x8b, 0xaf, 0x6c, 0x77, 0x28, 0x86, 0x7f, 0x73)

struct ICoreWebView2WindowCloseRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2WindowCloseRequestedEventHandler, 0x5c19e9e0, 0x092f, 0x486b, 0xaf,
                0xfa, 0xca, 0x82, 0x31, 0x91, 0x30, 0x39)

struct ICoreWebView2NewWindowRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2NewWindowRequestedEventHandler, 0xd4c185fe, 0xc81c, 0x4989, 0x97, 0xaf,
                0x2d, 0x3f, 0xa7, 0xab, 0x56, 0x51)

struct ICoreWebView2WebMessageReceivedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventHandler, 0x57213f19, 0x00e6, 0x49fa, 0x8e, 0x07,
                0x89, 0x8e, 0xa0, 0x1e, 0xcb, 0xd2)

struct ICoreWebView2DOMContentLoadedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(ICoreWebView2* sender, ICoreWebView2DOMContentLoadedEventArgs* args) = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2DOMContentLoadedEventHandler, 0x4bac7e9c, 0x199e, 0x49ed, 0x87, 0xed,
                0x24, 0x93, 0x03, 0xac, 0xf0, 0x19)

struct ICoreWebView2Deferral : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Complete() = 0;  // slot 3
};
__CRT_UUID_DECL(ICoreWebView2Deferral, 0xc10e7f7b, 0xb585, 0x46f0, 0xa6, 0x23, 0x8b, 0xef, 0xbf,
                0x3e, 0x4e, 0xe0)

struct ICoreWebView2HttpResponseHeaders : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AppendHeader(LPCWSTR name, LPCWSTR value) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* value) = 0;        // slot 4
    virtual HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) = 0;     // slot 5
    virtual HRESULT STDMETHODCALLTYPE
    GetHeaders(LPCWSTR name, ICoreWebView2HttpHeadersCollectionIterator** value) = 0;  // slot 6
    virtual HRESULT STDMETHODCALLTYPE
    GetIterator(ICoreWebView2HttpHeadersCollectionIterator** value) = 0;  // slot 7
};
__CRT_UUID_DECL(ICoreWebView2HttpResponseHeaders, 0x03c5ff5a, 0x9b45, 0x4a88, 0x88, 0x1c, 0x89,
                0xa9, 0xf3, 0x28, 0x61, 0x9c)

struct ICoreWebView2HttpHeadersCollectionIterator : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCurrentHeader(LPWSTR* name, LPWSTR* value) = 0;  // slot 3
    virtual HRESULT STDMETHODCALLTYPE get_HasCurrentHeader(BOOL* hasCurrent) = 0;         // slot 4
    virtual HRESULT STDMETHODCALLTYPE MoveNext(BOOL* hasNext) = 0;                        // slot 5
};
__CRT_UUID_DECL(ICoreWebView2HttpHeadersCollectionIterator, 0x0702fc30, 0xf43b, 0x47bb, 0xab, 0x52,
                0xa4, 0x2c, 0xb5, 0x52, 0xad, 0x9f)
