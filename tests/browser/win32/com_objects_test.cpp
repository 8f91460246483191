// The program's own COM objects as the runtime sees them: handler objects and the environment
// options.
#include "browser/environment_options_win32.h"
#include "webview2/com_handler_win32.h"
// The headers above bring windows.h.

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace tessaly {
namespace {

using Microsoft::WRL::ComPtr;

int g_invocations = 0;
HRESULT g_lastError = S_OK;

HRESULT OnEnvironmentCreatedForTest(HRESULT error, ICoreWebView2Environment*) {
    ++g_invocations;
    g_lastError = error;
    return S_OK;
}

using TestHandler = ComHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                               &OnEnvironmentCreatedForTest>;

TEST(ComHandler, AnswersForItsOwnInterfaceOnlyAndForwardsInvoke) {
    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler =
        TestHandler::Create();
    ASSERT_TRUE(handler);

    ComPtr<IUnknown> unknown;
    EXPECT_EQ(handler.As(&unknown), S_OK);
    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> same;
    EXPECT_EQ(handler.As(&same), S_OK);
    EXPECT_EQ(same.Get(), handler.Get());
    ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> other;
    EXPECT_EQ(handler.As(&other), E_NOINTERFACE);
    EXPECT_FALSE(other);
    EXPECT_EQ(handler->QueryInterface(__uuidof(IUnknown), nullptr), E_POINTER);

    g_invocations = 0;
    EXPECT_EQ(handler->Invoke(E_ABORT, nullptr), S_OK);
    EXPECT_EQ(g_invocations, 1);
    EXPECT_EQ(g_lastError, E_ABORT);
}

// An exception must never unwind into the runtime, which would end the process.
HRESULT ThrowingCallback(HRESULT error, ICoreWebView2Environment*) {
    if (error == E_OUTOFMEMORY) {
        throw std::bad_alloc();
    }
    throw 1;
}

HRESULT AnswerAfterThrow(HRESULT, ICoreWebView2Environment*) noexcept {
    return S_FALSE;
}

TEST(ComHandler, StopsEveryExceptionAtTheRuntimesDoor) {
    using Interface = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
    auto plain = ComHandler<Interface, &ThrowingCallback>::Create();
    EXPECT_EQ(plain->Invoke(E_OUTOFMEMORY, nullptr), E_UNEXPECTED);
    EXPECT_EQ(plain->Invoke(S_OK, nullptr), E_UNEXPECTED);
    auto answering = ComHandler<Interface, &ThrowingCallback, &AnswerAfterThrow>::Create();
    EXPECT_EQ(answering->Invoke(E_OUTOFMEMORY, nullptr), S_FALSE);
}

TEST(ComHandler, StartsWithOneReferenceForItsCreator) {
    auto* raw = TestHandler::Create().Detach();
    EXPECT_EQ(raw->AddRef(), 2u);  // the runtime's reference
    EXPECT_EQ(raw->Release(), 1u);
    EXPECT_EQ(raw->Release(), 0u);  // the last reference: the object deletes itself
}

std::wstring TakeString(LPWSTR text) {
    std::wstring copy = text ? text : L"<none>";
    CoTaskMemFree(text);
    return copy;
}

template <class Getter>
std::wstring ReadText(ICoreWebView2EnvironmentOptions* options, Getter getter) {
    LPWSTR text = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ((options->*getter)(&text), S_OK);
    return TakeString(text);
}

TEST(EnvironmentOptions, GettersWithoutAPlaceFailAndStringsAreCopies) {
    auto options = CreateEnvironmentOptions();
    EXPECT_EQ(options->get_AdditionalBrowserArguments(nullptr), E_POINTER);
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(nullptr), E_POINTER);

    std::wstring arguments = L"--mute-audio";
    EXPECT_EQ(options->put_AdditionalBrowserArguments(arguments.c_str()), S_OK);
    arguments = L"changed";  // the object kept its own copy
    EXPECT_EQ(
        ReadText(options.Get(), &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments),
        L"--mute-audio");
    EXPECT_EQ(options->put_AdditionalBrowserArguments(L""), S_OK);
    EXPECT_EQ(
        ReadText(options.Get(), &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments),
        L"");  // empty is a value, not "unset"
    EXPECT_EQ(options->put_Language(nullptr), S_OK);
    EXPECT_EQ(ReadText(options.Get(), &ICoreWebView2EnvironmentOptions::get_Language), L"<none>");
}

// A scheme registration that only counts its references.
class CountedRegistration : public ICoreWebView2CustomSchemeRegistration {
  public:
    LONG count = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
    HRESULT STDMETHODCALLTYPE get_SchemeName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_TreatAsSecure(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_TreatAsSecure(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllowedOrigins(UINT32*, LPWSTR**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAllowedOrigins(UINT32, LPCWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_HasAuthorityComponent(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_HasAuthorityComponent(BOOL) override { return E_NOTIMPL; }
};

TEST(EnvironmentOptions, SchemeRegistrationsAreCopiedWithTheirOwnReferences) {
    CountedRegistration a, b;
    {
        auto options = CreateEnvironmentOptions();
        ComPtr<ICoreWebView2EnvironmentOptions4> options4;
        ASSERT_EQ(options.As(&options4), S_OK);
        ICoreWebView2CustomSchemeRegistration* given[] = {&a, &b};
        EXPECT_EQ(options4->SetCustomSchemeRegistrations(2, given), S_OK);
        EXPECT_EQ(a.count, 2);

        UINT32 count = 0;
        ICoreWebView2CustomSchemeRegistration** got = nullptr;
        EXPECT_EQ(options4->GetCustomSchemeRegistrations(&count, &got), S_OK);
        ASSERT_EQ(count, 2u);
        EXPECT_EQ(got[0], &a);
        EXPECT_EQ(got[1], &b);
        EXPECT_EQ(b.count, 3);
        got[0]->Release();
        got[1]->Release();
        CoTaskMemFree(got);
    }
    EXPECT_EQ(a.count, 1);  // the options object let its references go with it
    EXPECT_EQ(b.count, 1);
}

}  // namespace
}  // namespace tessaly
