#include "server/span_stream_win32.h"

#include <algorithm>
#include <new>

#include "webview2/com_object_win32.h"

namespace tessaly {
namespace {

// Reader: SpanReader or DecodedReader, which read their bytes on demand.
template <class Reader>
class ReaderStream final : public ComObject<ReaderStream<Reader>, IStream> {
  public:
    explicit ReaderStream(Reader reader) : reader_(std::move(reader)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object && iid == __uuidof(ISequentialStream)) {
            *object = static_cast<IStream*>(this);
            this->AddRef();
            return S_OK;
        }
        return ComObject<ReaderStream<Reader>, IStream>::QueryInterface(iid, object);
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        if (!buffer && count > 0) {
            return STG_E_INVALIDPOINTER;
        }
        const std::optional<std::size_t> copied =
            reader_.Read(static_cast<std::byte*>(buffer), count);
        if (read) {
            *read = ULONG(copied.value_or(0));
        }
        if (!copied) {
            return STG_E_READFAULT;
        }
        return *copied == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        std::int64_t base = 0;
        switch (origin) {
            case STREAM_SEEK_SET:
                break;
            case STREAM_SEEK_CUR:
                base = std::int64_t(reader_.position());
                break;
            case STREAM_SEEK_END:
                base = std::int64_t(reader_.size());
                break;
            default:
                return STG_E_INVALIDFUNCTION;
        }
        if (move.QuadPart < -base) {
            return STG_E_INVALIDFUNCTION;  // before the start
        }
        reader_.Seek(std::uint64_t(base + move.QuadPart));
        if (position) {
            position->QuadPart = reader_.position();
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) {
            return STG_E_INVALIDPOINTER;
        }
        *stat = {};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = reader_.size();
        stat->grfMode = STGM_READ;
        return S_OK;
    }

    // A body is only read.
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  private:
    Reader reader_;
};

}  // namespace

IStream* CreateSpanStream(SpanReader reader) {
    return new (std::nothrow) ReaderStream<SpanReader>(std::move(reader));
}

IStream* CreateDecodedStream(DecodedReader reader) {
    return new (std::nothrow) ReaderStream<DecodedReader>(std::move(reader));
}

}  // namespace tessaly
