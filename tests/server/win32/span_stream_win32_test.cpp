// The COM glue against small in-test objects that stand in for the browser's event arguments,
// request, headers and environment.
#include <windows.h>
// (windows.h first: the COM headers below rely on it.)

#include "server/resource_handler_win32.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "base/wide_cast.h"
#include "recording_file_access.h"
#include "server/resource_response.h"
#include "server/span_stream_win32.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

// Counts references; the object lives on the test's stack, so reaching zero is only recorded.
template <typename Interface>
class Fake : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    ULONG references = 1;
};

LPWSTR TaskCopy(const std::u16string& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    memcpy(copy, text.c_str(), bytes);
    return copy;
}

class FakeHeaders : public Fake<ICoreWebView2HttpRequestHeaders> {
  public:
    HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) override {
        const auto hit = values.find(FromWide(name));
        *value = hit == values.end() ? nullptr : TaskCopy(hit->second);
        return hit == values.end() ? E_INVALIDARG : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHeaders(LPCWSTR,
                                         ICoreWebView2HttpHeadersCollectionIterator**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* value) override {
        *value = values.count(FromWide(name)) ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHeader(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveHeader(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIterator(ICoreWebView2HttpHeadersCollectionIterator**) override {
        return E_NOTIMPL;
    }

    std::map<std::u16string, std::u16string> values;
};

class FakeRequest : public Fake<ICoreWebView2WebResourceRequest> {
  public:
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* value) override {
        *value = TaskCopy(uri);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Content(IStream**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Content(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** value) override {
        headers.AddRef();
        *value = &headers;
        return S_OK;
    }

    std::u16string uri;
    FakeHeaders headers;
};

class FakeResponse : public Fake<ICoreWebView2WebResourceResponse> {
  public:
    HRESULT STDMETHODCALLTYPE get_Content(IStream**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Content(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_StatusCode(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_StatusCode(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR) override { return E_NOTIMPL; }
};

// Keeps what the response was made of; the body stream is read whole when it arrives.
class FakeEnvironment : public Fake<ICoreWebView2Environment> {
  public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                              LPCWSTR headers, ICoreWebView2WebResourceResponse** made) override {
        ++responsesMade;
        hadBody = content != nullptr;
        body.clear();
        if (content) {
            char buffer[4096];
            ULONG read = 0;
            while (SUCCEEDED(content->Read(buffer, sizeof buffer, &read)) && read > 0) {
                body.append(buffer, read);
            }
        }
        status = statusCode;
        reason = FromWide(reasonPhrase);
        headerText = FromWide(headers);
        response.AddRef();
        *made = &response;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler*, EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken) override {
        return E_NOTIMPL;
    }

    int responsesMade = 0;
    bool hadBody = false;
    std::string body;
    int status = 0;
    std::u16string reason;
    std::u16string headerText;
    FakeResponse response;
};

class FakeArgs : public Fake<ICoreWebView2WebResourceRequestedEventArgs> {
  public:
    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** value) override {
        request.AddRef();
        *value = &request;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* value) override {
        // The browser keeps the response; so does this stand-in until the test ends.
        value->AddRef();
        given = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT*) override {
        return E_NOTIMPL;
    }

    FakeRequest request;
    ICoreWebView2WebResourceResponse* given = nullptr;
};

std::string Clip() {
    std::string bytes(1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = char(i * 7);
    }
    return bytes;
}

const std::u16string kClipHeaders =
    u"Cache-Control: no-store\nContent-Type: video/webm\nAccept-Ranges: bytes";

class HandlerTest : public ::testing::Test {
  protected:
    HandlerTest() : files_(&PlatformFileAccess()), cache_(files_) {
        root_.Write("www/index.html", "<p>hello</p>");
        root_.Write("www/media/clip.webm", Clip());
        folder_ = root_.Wide("www") + u"\\";
    }

    // Sends one request through the glue and checks every reference it took was given back.
    void Request(const std::u16string& path, const char16_t* range = nullptr) {
        FakeArgs args;
        args.request.uri = std::u16string(VirtualOrigin) + path;
        if (range) {
            args.request.headers.values[u"Range"] = range;
        }
        const ULONG environmentReferences = environment_.references;
        const ULONG responseReferences = environment_.response.references;
        EXPECT_EQ(HandleWebResourceRequested(&environment_, &args, folder_, files_, cache_), S_OK);
        EXPECT_EQ(args.given, &environment_.response);
        EXPECT_EQ(args.request.references, 1u);
        EXPECT_EQ(args.request.headers.references, 1u);
        EXPECT_EQ(environment_.references, environmentReferences);
        // One reference more: the one the event arguments keep.
        EXPECT_EQ(environment_.response.references, responseReferences + 1);
    }

    void Expect(int status, std::u16string_view reason, std::u16string_view headers,
                std::optional<std::string> body) {
        EXPECT_EQ(environment_.status, status);
        EXPECT_EQ(environment_.reason, reason);
        EXPECT_EQ(environment_.headerText, headers);
        EXPECT_EQ(environment_.hadBody, body.has_value());
        EXPECT_EQ(environment_.body, body.value_or(""));
    }

    test::TempFolder root_;
    std::u16string folder_;
    test::RecordingFileAccess files_;
    MappedFileCache cache_;
    FakeEnvironment environment_;
};

TEST_F(HandlerTest, HandsTheFiveAnswersToTheBrowser) {
    Request(u"index.html");
    Expect(200, u"OK",
           u"Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\n"
           u"Accept-Ranges: bytes\nContent-Length: 12",
           "<p>hello</p>");

    Request(u"media/clip.webm", u"bytes=500-");
    Expect(206, u"Partial Content",
           kClipHeaders + u"\nContent-Range: bytes 500-999/1000\nContent-Length: 500",
           Clip().substr(500));

    Request(u"media/clip.webm", u"bytes=0-");
    Expect(206, u"Partial Content",
           kClipHeaders + u"\nContent-Range: bytes 0-999/1000\nContent-Length: 1000", Clip());

    Request(u"media/clip.webm", u"bytes=0-1000");
    Expect(416, u"Range Not Satisfiable", kClipHeaders, std::nullopt);

    Request(u"media/clip.webm", u"bytes=abc-");
    Expect(416, u"Range Not Satisfiable", kClipHeaders, std::nullopt);

    Request(u"js/missing.js", u"bytes=0-");
    Expect(404, u"Not Found", u"Cache-Control: no-store", "File not found");

    Request(u"..%5Cwww%5Cindex.html");
    Expect(404, u"Not Found", u"Cache-Control: no-store", "File not found");

    files_.failOpens = true;
    Request(u"index.html", u"bytes=3-5");
    Expect(500, u"Internal Server Error",
           u"Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\n"
           u"Accept-Ranges: bytes",
           std::nullopt);
    EXPECT_EQ(environment_.responsesMade, 8);
}

TEST_F(HandlerTest, AnswersAFileThatCannotBeStreamedWithA500) {
    // Held open by another program that shares it with no one.
    const HANDLE lock = CreateFileW(AsWide(folder_ + u"index.html"), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Request(u"index.html");
    CloseHandle(lock);
    Expect(500, u"Internal Server Error",
           u"Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\n"
           u"Accept-Ranges: bytes",
           std::nullopt);

    // Served again once it is free.
    Request(u"index.html");
    EXPECT_EQ(environment_.status, 200);
}

// The runtime reads a body on a thread of its own after the handler returned, rewinds it first,
// and may read it again.
TEST(SpanStream, IsReadOnAnyThreadAsOftenAsAsked) {
    test::TempFolder folder;
    folder.Write("clip.webm", Clip());
    MappedFileCache cache(PlatformFileAccess());
    IStream* stream = CreateSpanStream(
        SpanReader(cache.GetMappedFile(u"clip.webm", folder.Wide("clip.webm")), {100, 899}));
    ASSERT_TRUE(stream);
    cache.ReleaseMappedFiles();  // the stream holds its file

    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 800u);
    const auto offset = [](LONGLONG value) {
        LARGE_INTEGER move;
        move.QuadPart = value;
        return move;
    };
    const auto readAll = [stream] {
        std::string bytes;
        char buffer[300];
        ULONG read = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) {
            bytes.append(buffer, read);
        }
        return bytes;
    };
    std::string first;
    std::thread([&] { first = readAll(); }).join();
    EXPECT_EQ(first, Clip().substr(100, 800));
    ULARGE_INTEGER position;
    ASSERT_EQ(stream->Seek(offset(-10), STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 790u);
    EXPECT_EQ(readAll(), Clip().substr(890, 10));
    EXPECT_EQ(stream->Seek(offset(-1), STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
    EXPECT_EQ(stream->Release(), 0u);
    // Released for real with the stream: the file can go.
    EXPECT_TRUE(DeleteFileW(AsWide(folder.Wide("clip.webm"))));
}

TEST(Win32FileAccess, KeepsAnOpenFileFromBeingChanged) {
    test::TempFolder folder;
    folder.Write("clip.webm", "0123456789");
    const std::u16string path = folder.Wide("clip.webm");
    FileAccess& files = PlatformFileAccess();

    const auto opened = files.Open(path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->size, 10u);
    // Readers are welcome; writers are not while the file is open.
    const HANDLE reader = CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    const HANDLE writer = CreateFileW(AsWide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);

    files.Close(*opened);
    EXPECT_TRUE(DeleteFileW(AsWide(path)));
}

}  // namespace
}  // namespace tessaly
