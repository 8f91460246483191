// The Windows side of the content server that the end-to-end scenarios cannot see: the body
// stream as the runtime's own thread uses it, and the lock an open file keeps. The whole handler
// runs in the scenarios, against the stand-in runtime's request, headers and response objects.
#include <windows.h>
// (windows.h first: the COM headers below rely on it.)

#include <gtest/gtest.h>

#include <thread>

#include "base/wide_cast.h"
#include "server/mapped_file_cache.h"
#include "server/span_stream_win32.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

std::string Clip() {
    std::string bytes(1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = char(i * 7);
    }
    return bytes;
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
