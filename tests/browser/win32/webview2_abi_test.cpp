// Checks the hand-written WebView2 declarations against the published ABI facts: every declared
// method, called through the declarations, must land on the vtable slot the facts give, every
// interface must carry the facts' IID, and no method the facts list may be missing.
//
// The facts file (webview2_abi_facts.txt beside this test) is passed as the first argument. Each
// call goes to an object whose vtable is filled with recording functions of the method's own
// signature, so that on 32-bit x86, where the callee pops the arguments, the stack stays balanced
// whichever slot is hit.
#include "webview2/webview2.h"
// The declarations above come first: they bring windows.h.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

namespace {

const char* g_factsPath = nullptr;

// An interface's IID text and its own methods' slots, as the facts file lists them.
struct InterfaceFacts {
    std::string iid;
    std::map<std::string, int> slots;
};

// The project's facts file: "INTERFACE IID" starts an interface, "SLOT METHOD" lines follow;
// '#' lines and blank lines are skipped.
std::map<std::string, InterfaceFacts> ReadFacts(const char* path) {
    std::ifstream in(path);
    std::map<std::string, InterfaceFacts> facts;
    InterfaceFacts* current = nullptr;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first, second;
        if (line.empty() || line[0] == '#' || !(words >> first >> second)) {
            continue;
        }
        if (first.starts_with("ICoreWebView2")) {
            current = &facts[first];
            current->iid = second;
        } else if (current) {
            current->slots[second] = std::stoi(first);
        }
    }
    return facts;
}

std::string IidText(const IID& id) {
    char text[40];
    std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0],
                  id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                  id.Data4[7]);
    return text;
}

constexpr int kSlots = 128;  // more than the largest declared vtable (125)
int g_slotHit = -1;

template <class Method>
struct SlotProbe;

template <class Interface, class... Params>
struct SlotProbe<HRESULT (STDMETHODCALLTYPE Interface::*)(Params...)> {
    template <int Slot>
    static HRESULT STDMETHODCALLTYPE Record(void*, Params...) {
        g_slotHit = Slot;
        return S_OK;
    }

    template <int... Slots>
    static std::array<void*, kSlots> MakeVtable(std::integer_sequence<int, Slots...>) {
        return {reinterpret_cast<void*>(&Record<Slots>)...};
    }

    // The slot that a call of `method` through the declarations of `Declared` reaches.
    template <class Declared>
    static int Call(HRESULT (STDMETHODCALLTYPE Interface::*method)(Params...)) {
        std::array<void*, kSlots> vtable = MakeVtable(std::make_integer_sequence<int, kSlots>());
        struct {
            void** vtable;
        } object{vtable.data()};
        g_slotHit = -1;
        (reinterpret_cast<Declared*>(&object)->*method)(Params{}...);
        return g_slotHit;
    }
};

struct Probe {
    const char* interfaceName;
    const char* methodName;
    int (*slot)();
};

#define PROBE(I, M)                                                       \
    Probe {                                                               \
#I, #M, [] { return SlotProbe<decltype(&I::M)>::Call<I>(&I::M); } \
    }

#define IID_ROW(I) std::pair<const char*, IID>(#I, __uuidof(I))

TEST(WebView2Declarations, MatchThePublishedAbi) {
    ASSERT_NE(g_factsPath, nullptr) << "usage: webview2_abi_test FACTS_FILE";
    const auto facts = ReadFacts(g_factsPath);
    ASSERT_GT(facts.size(), 30u) << "no facts read from " << g_factsPath;

    const std::pair<const char*, IID> iids[] = {
        IID_ROW(ICoreWebView2Environment),
        IID_ROW(ICoreWebView2Controller),
        IID_ROW(ICoreWebView2),
        IID_ROW(ICoreWebView2_2),
        IID_ROW(ICoreWebView2_22),
        IID_ROW(ICoreWebView2Settings),
        IID_ROW(ICoreWebView2WebResourceRequest),
        IID_ROW(ICoreWebView2HttpRequestHeaders),
        IID_ROW(ICoreWebView2WebResourceResponse),
        IID_ROW(ICoreWebView2WebResourceRequestedEventArgs),
        IID_ROW(ICoreWebView2NavigationStartingEventArgs),
        IID_ROW(ICoreWebView2NewWindowRequestedEventArgs),
        IID_ROW(ICoreWebView2PermissionRequestedEventArgs),
        IID_ROW(ICoreWebView2WebMessageReceivedEventArgs),
        IID_ROW(ICoreWebView2DOMContentLoadedEventArgs),
        IID_ROW(ICoreWebView2EnvironmentOptions),
        IID_ROW(ICoreWebView2EnvironmentOptions2),
        IID_ROW(ICoreWebView2EnvironmentOptions3),
        IID_ROW(ICoreWebView2EnvironmentOptions4),
        IID_ROW(ICoreWebView2EnvironmentOptions5),
        IID_ROW(ICoreWebView2CustomSchemeRegistration),
        IID_ROW(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler),
        IID_ROW(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler),
        IID_ROW(ICoreWebView2DocumentTitleChangedEventHandler),
        IID_ROW(ICoreWebView2WebResourceRequestedEventHandler),
        IID_ROW(ICoreWebView2NavigationStartingEventHandler),
        IID_ROW(ICoreWebView2PermissionRequestedEventHandler),
        IID_ROW(ICoreWebView2ContainsFullScreenElementChangedEventHandler),
        IID_ROW(ICoreWebView2WindowCloseRequestedEventHandler),
        IID_ROW(ICoreWebView2NewWindowRequestedEventHandler),
        IID_ROW(ICoreWebView2WebMessageReceivedEventHandler),
        IID_ROW(ICoreWebView2DOMContentLoadedEventHandler),
        IID_ROW(ICoreWebView2Deferral),
        IID_ROW(ICoreWebView2HttpResponseHeaders),
        IID_ROW(ICoreWebView2HttpHeadersCollectionIterator),
    };
    for (const auto& [name, id] : iids) {
        ASSERT_TRUE(facts.count(name)) << name;
        EXPECT_EQ(IidText(id), facts.at(name).iid) << name;
    }

    const Probe probes[] = {
        PROBE(ICoreWebView2Environment, CreateCoreWebView2Controller),
        PROBE(ICoreWebView2Environment, CreateWebResourceResponse),
        PROBE(ICoreWebView2Environment, get_BrowserVersionString),
        PROBE(ICoreWebView2Environment, add_NewBrowserVersionAvailable),
        PROBE(ICoreWebView2Environment, remove_NewBrowserVersionAvailable),
        PROBE(ICoreWebView2Controller, get_IsVisible),
        PROBE(ICoreWebView2Controller, put_IsVisible),
        PROBE(ICoreWebView2Controller, get_Bounds),
        PROBE(ICoreWebView2Controller, put_Bounds),
        PROBE(ICoreWebView2Controller, get_ZoomFactor),
        PROBE(ICoreWebView2Controller, put_ZoomFactor),
        PROBE(ICoreWebView2Controller, add_ZoomFactorChanged),
        PROBE(ICoreWebView2Controller, remove_ZoomFactorChanged),
        PROBE(ICoreWebView2Controller, SetBoundsAndZoomFactor),
        PROBE(ICoreWebView2Controller, MoveFocus),
        PROBE(ICoreWebView2Controller, add_MoveFocusRequested),
        PROBE(ICoreWebView2Controller, remove_MoveFocusRequested),
        PROBE(ICoreWebView2Controller, add_GotFocus),
        PROBE(ICoreWebView2Controller, remove_GotFocus),
        PROBE(ICoreWebView2Controller, add_LostFocus),
        PROBE(ICoreWebView2Controller, remove_LostFocus),
        PROBE(ICoreWebView2Controller, add_AcceleratorKeyPressed),
        PROBE(ICoreWebView2Controller, remove_AcceleratorKeyPressed),
        PROBE(ICoreWebView2Controller, get_ParentWindow),
        PROBE(ICoreWebView2Controller, put_ParentWindow),
        PROBE(ICoreWebView2Controller, NotifyParentWindowPositionChanged),
        PROBE(ICoreWebView2Controller, Close),
        PROBE(ICoreWebView2Controller, get_CoreWebView2),
        PROBE(ICoreWebView2, get_Settings),
        PROBE(ICoreWebView2, get_Source),
        PROBE(ICoreWebView2, Navigate),
        PROBE(ICoreWebView2, NavigateToString),
        PROBE(ICoreWebView2, add_NavigationStarting),
        PROBE(ICoreWebView2, remove_NavigationStarting),
        PROBE(ICoreWebView2, add_ContentLoading),
        PROBE(ICoreWebView2, remove_ContentLoading),
        PROBE(ICoreWebView2, add_SourceChanged),
        PROBE(ICoreWebView2, remove_SourceChanged),
        PROBE(ICoreWebView2, add_HistoryChanged),
        PROBE(ICoreWebView2, remove_HistoryChanged),
        PROBE(ICoreWebView2, add_NavigationCompleted),
        PROBE(ICoreWebView2, remove_NavigationCompleted),
        PROBE(ICoreWebView2, add_FrameNavigationStarting),
        PROBE(ICoreWebView2, remove_FrameNavigationStarting),
        PROBE(ICoreWebView2, add_FrameNavigationCompleted),
        PROBE(ICoreWebView2, remove_FrameNavigationCompleted),
        PROBE(ICoreWebView2, add_ScriptDialogOpening),
        PROBE(ICoreWebView2, remove_ScriptDialogOpening),
        PROBE(ICoreWebView2, add_PermissionRequested),
        PROBE(ICoreWebView2, remove_PermissionRequested),
        PROBE(ICoreWebView2, add_ProcessFailed),
        PROBE(ICoreWebView2, remove_ProcessFailed),
        PROBE(ICoreWebView2, AddScriptToExecuteOnDocumentCreated),
        PROBE(ICoreWebView2, RemoveScriptToExecuteOnDocumentCreated),
        PROBE(ICoreWebView2, ExecuteScript),
        PROBE(ICoreWebView2, CapturePreview),
        PROBE(ICoreWebView2, Reload),
        PROBE(ICoreWebView2, PostWebMessageAsJson),
        PROBE(ICoreWebView2, PostWebMessageAsString),
        PROBE(ICoreWebView2, add_WebMessageReceived),
        PROBE(ICoreWebView2, remove_WebMessageReceived),
        PROBE(ICoreWebView2, CallDevToolsProtocolMethod),
        PROBE(ICoreWebView2, get_BrowserProcessId),
        PROBE(ICoreWebView2, get_CanGoBack),
        PROBE(ICoreWebView2, get_CanGoForward),
        PROBE(ICoreWebView2, GoBack),
        PROBE(ICoreWebView2, GoForward),
        PROBE(ICoreWebView2, GetDevToolsProtocolEventReceiver),
        PROBE(ICoreWebView2, Stop),
        PROBE(ICoreWebView2, add_NewWindowRequested),
        PROBE(ICoreWebView2, remove_NewWindowRequested),
        PROBE(ICoreWebView2, add_DocumentTitleChanged),
        PROBE(ICoreWebView2, remove_DocumentTitleChanged),
        PROBE(ICoreWebView2, get_DocumentTitle),
        PROBE(ICoreWebView2, AddHostObjectToScript),
        PROBE(ICoreWebView2, RemoveHostObjectFromScript),
        PROBE(ICoreWebView2, OpenDevToolsWindow),
        PROBE(ICoreWebView2, add_ContainsFullScreenElementChanged),
        PROBE(ICoreWebView2, remove_ContainsFullScreenElementChanged),
        PROBE(ICoreWebView2, get_ContainsFullScreenElement),
        PROBE(ICoreWebView2, add_WebResourceRequested),
        PROBE(ICoreWebView2, remove_WebResourceRequested),
        PROBE(ICoreWebView2, AddWebResourceRequestedFilter),
        PROBE(ICoreWebView2, RemoveWebResourceRequestedFilter),
        PROBE(ICoreWebView2, add_WindowCloseRequested),
        PROBE(ICoreWebView2, remove_WindowCloseRequested),
        PROBE(ICoreWebView2_2, add_WebResourceResponseReceived),
        PROBE(ICoreWebView2_2, remove_WebResourceResponseReceived),
        PROBE(ICoreWebView2_2, NavigateWithWebResourceRequest),
        PROBE(ICoreWebView2_2, add_DOMContentLoaded),
        PROBE(ICoreWebView2_2, remove_DOMContentLoaded),
        PROBE(ICoreWebView2_2, get_CookieManager),
        PROBE(ICoreWebView2_2, get_Environment),
        PROBE(ICoreWebView2Settings, get_IsScriptEnabled),
        PROBE(ICoreWebView2Settings, put_IsScriptEnabled),
        PROBE(ICoreWebView2Settings, get_IsWebMessageEnabled),
        PROBE(ICoreWebView2Settings, put_IsWebMessageEnabled),
        PROBE(ICoreWebView2Settings, get_AreDefaultScriptDialogsEnabled),
        PROBE(ICoreWebView2Settings, put_AreDefaultScriptDialogsEnabled),
        PROBE(ICoreWebView2Settings, get_IsStatusBarEnabled),
        PROBE(ICoreWebView2Settings, put_IsStatusBarEnabled),
        PROBE(ICoreWebView2Settings, get_AreDevToolsEnabled),
        PROBE(ICoreWebView2Settings, put_AreDevToolsEnabled),
        PROBE(ICoreWebView2Settings, get_AreDefaultContextMenusEnabled),
        PROBE(ICoreWebView2Settings, put_AreDefaultContextMenusEnabled),
        PROBE(ICoreWebView2Settings, get_AreHostObjectsAllowed),
        PROBE(ICoreWebView2Settings, put_AreHostObjectsAllowed),
        PROBE(ICoreWebView2Settings, get_IsZoomControlEnabled),
        PROBE(ICoreWebView2Settings, put_IsZoomControlEnabled),
        PROBE(ICoreWebView2Settings, get_IsBuiltInErrorPageEnabled),
        PROBE(ICoreWebView2Settings, put_IsBuiltInErrorPageEnabled),
        PROBE(ICoreWebView2WebResourceRequest, get_Uri),
        PROBE(ICoreWebView2WebResourceRequest, put_Uri),
        PROBE(ICoreWebView2WebResourceRequest, get_Method),
        PROBE(ICoreWebView2WebResourceRequest, put_Method),
        PROBE(ICoreWebView2WebResourceRequest, get_Content),
        PROBE(ICoreWebView2WebResourceRequest, put_Content),
        PROBE(ICoreWebView2WebResourceRequest, get_Headers),
        PROBE(ICoreWebView2HttpRequestHeaders, GetHeader),
        PROBE(ICoreWebView2HttpRequestHeaders, GetHeaders),
        PROBE(ICoreWebView2HttpRequestHeaders, Contains),
        PROBE(ICoreWebView2HttpRequestHeaders, SetHeader),
        PROBE(ICoreWebView2HttpRequestHeaders, RemoveHeader),
        PROBE(ICoreWebView2HttpRequestHeaders, GetIterator),
        PROBE(ICoreWebView2WebResourceResponse, get_Content),
        PROBE(ICoreWebView2WebResourceResponse, put_Content),
        PROBE(ICoreWebView2WebResourceResponse, get_Headers),
        PROBE(ICoreWebView2WebResourceResponse, get_StatusCode),
        PROBE(ICoreWebView2WebResourceResponse, put_StatusCode),
        PROBE(ICoreWebView2WebResourceResponse, get_ReasonPhrase),
        PROBE(ICoreWebView2WebResourceResponse, put_ReasonPhrase),
        PROBE(ICoreWebView2WebResourceRequestedEventArgs, get_Request),
        PROBE(ICoreWebView2WebResourceRequestedEventArgs, get_Response),
        PROBE(ICoreWebView2WebResourceRequestedEventArgs, put_Response),
        PROBE(ICoreWebView2WebResourceRequestedEventArgs, GetDeferral),
        PROBE(ICoreWebView2WebResourceRequestedEventArgs, get_ResourceContext),
        PROBE(ICoreWebView2NavigationStartingEventArgs, get_Uri),
        PROBE(ICoreWebView2NavigationStartingEventArgs, get_IsUserInitiated),
        PROBE(ICoreWebView2NavigationStartingEventArgs, get_IsRedirected),
        PROBE(ICoreWebView2NavigationStartingEventArgs, get_RequestHeaders),
        PROBE(ICoreWebView2NavigationStartingEventArgs, get_Cancel),
        PROBE(ICoreWebView2NavigationStartingEventArgs, put_Cancel),
        PROBE(ICoreWebView2NavigationStartingEventArgs, get_NavigationId),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, get_Uri),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, put_NewWindow),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, get_NewWindow),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, put_Handled),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, get_Handled),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, get_IsUserInitiated),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, GetDeferral),
        PROBE(ICoreWebView2NewWindowRequestedEventArgs, get_WindowFeatures),
        PROBE(ICoreWebView2PermissionRequestedEventArgs, get_Uri),
        PROBE(ICoreWebView2PermissionRequestedEventArgs, get_PermissionKind),
        PROBE(ICoreWebView2PermissionRequestedEventArgs, get_IsUserInitiated),
        PROBE(ICoreWebView2PermissionRequestedEventArgs, get_State),
        PROBE(ICoreWebView2PermissionRequestedEventArgs, put_State),
        PROBE(ICoreWebView2PermissionRequestedEventArgs, GetDeferral),
        PROBE(ICoreWebView2WebMessageReceivedEventArgs, get_Source),
        PROBE(ICoreWebView2WebMessageReceivedEventArgs, get_WebMessageAsJson),
        PROBE(ICoreWebView2WebMessageReceivedEventArgs, TryGetWebMessageAsString),
        PROBE(ICoreWebView2DOMContentLoadedEventArgs, get_NavigationId),
        PROBE(ICoreWebView2EnvironmentOptions, get_AdditionalBrowserArguments),
        PROBE(ICoreWebView2EnvironmentOptions, put_AdditionalBrowserArguments),
        PROBE(ICoreWebView2EnvironmentOptions, get_Language),
        PROBE(ICoreWebView2EnvironmentOptions, put_Language),
        PROBE(ICoreWebView2EnvironmentOptions, get_TargetCompatibleBrowserVersion),
        PROBE(ICoreWebView2EnvironmentOptions, put_TargetCompatibleBrowserVersion),
        PROBE(ICoreWebView2EnvironmentOptions, get_AllowSingleSignOnUsingOSPrimaryAccount),
        PROBE(ICoreWebView2EnvironmentOptions, put_AllowSingleSignOnUsingOSPrimaryAccount),
        PROBE(ICoreWebView2EnvironmentOptions2, get_ExclusiveUserDataFolderAccess),
        PROBE(ICoreWebView2EnvironmentOptions2, put_ExclusiveUserDataFolderAccess),
        PROBE(ICoreWebView2EnvironmentOptions3, get_IsCustomCrashReportingEnabled),
        PROBE(ICoreWebView2EnvironmentOptions3, put_IsCustomCrashReportingEnabled),
        PROBE(ICoreWebView2EnvironmentOptions4, GetCustomSchemeRegistrations),
        PROBE(ICoreWebView2EnvironmentOptions4, SetCustomSchemeRegistrations),
        PROBE(ICoreWebView2EnvironmentOptions5, get_EnableTrackingPrevention),
        PROBE(ICoreWebView2EnvironmentOptions5, put_EnableTrackingPrevention),
        PROBE(ICoreWebView2CustomSchemeRegistration, get_SchemeName),
        PROBE(ICoreWebView2CustomSchemeRegistration, get_TreatAsSecure),
        PROBE(ICoreWebView2CustomSchemeRegistration, put_TreatAsSecure),
        PROBE(ICoreWebView2CustomSchemeRegistration, GetAllowedOrigins),
        PROBE(ICoreWebView2CustomSchemeRegistration, SetAllowedOrigins),
        PROBE(ICoreWebView2CustomSchemeRegistration, get_HasAuthorityComponent),
        PROBE(ICoreWebView2CustomSchemeRegistration, put_HasAuthorityComponent),
        PROBE(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, Invoke),
        PROBE(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, Invoke),
        PROBE(ICoreWebView2DocumentTitleChangedEventHandler, Invoke),
        PROBE(ICoreWebView2WebResourceRequestedEventHandler, Invoke),
        PROBE(ICoreWebView2NavigationStartingEventHandler, Invoke),
        PROBE(ICoreWebView2PermissionRequestedEventHandler, Invoke),
        PROBE(ICoreWebView2ContainsFullScreenElementChangedEventHandler, Invoke),
        PROBE(ICoreWebView2WindowCloseRequestedEventHandler, Invoke),
        PROBE(ICoreWebView2NewWindowRequestedEventHandler, Invoke),
        PROBE(ICoreWebView2WebMessageReceivedEventHandler, Invoke),
        PROBE(ICoreWebView2DOMContentLoadedEventHandler, Invoke),
        PROBE(ICoreWebView2_22, AddWebResourceRequestedFilterWithRequestSourceKinds),
        PROBE(ICoreWebView2_22, RemoveWebResourceRequestedFilterWithRequestSourceKinds),
        PROBE(ICoreWebView2Deferral, Complete),
        PROBE(ICoreWebView2HttpResponseHeaders, AppendHeader),
        PROBE(ICoreWebView2HttpResponseHeaders, Contains),
        PROBE(ICoreWebView2HttpResponseHeaders, GetHeader),
        PROBE(ICoreWebView2HttpResponseHeaders, GetHeaders),
        PROBE(ICoreWebView2HttpResponseHeaders, GetIterator),
        PROBE(ICoreWebView2HttpHeadersCollectionIterator, GetCurrentHeader),
        PROBE(ICoreWebView2HttpHeadersCollectionIterator, get_HasCurrentHeader),
        PROBE(ICoreWebView2HttpHeadersCollectionIterator, MoveNext),
    };
    std::map<std::string, std::size_t> probed;
    for (const auto& probe : probes) {
        const auto& slots = facts.at(probe.interfaceName).slots;
        const auto listed = slots.find(probe.methodName);
        ASSERT_NE(listed, slots.end()) << probe.interfaceName << "::" << probe.methodName;
        EXPECT_EQ(probe.slot(), listed->second) << probe.interfaceName << "::" << probe.methodName;
        ++probed[probe.interfaceName];
    }
    // Own methods only: inherited ones are probed under the interface that declares them.
    for (const auto& [name, id] : iids) {
        EXPECT_EQ(probed[name], facts.at(name).slots.size()) << name << ": methods missing";
    }
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        g_factsPath = argv[1];
    }
    return RUN_ALL_TESTS();
}
