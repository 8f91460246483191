#include "tessaly/zip_archive.h"

#include <stdexcept>

#include "tessaly/file_names.h"

#if TESSALY_HAVE_ZIP
#include <zip.h>
#endif

namespace tessaly::tool {

#if TESSALY_HAVE_ZIP

namespace {

void ReportProgress(zip_t*, double fraction, void* state) {
    (*static_cast<const std::function<void(double)>*>(state))(fraction);
}

[[noreturn]] void Fail(zip_t* archive, const std::string& what) {
    const std::string reason = zip_strerror(archive);
    zip_discard(archive);
    throw std::runtime_error(what + ": " + reason);
}

}  // namespace

bool CanWriteZip() {
    return true;
}

void WriteZip(const std::filesystem::path& zip, const std::filesystem::path& folder,
              std::string_view top, const std::vector<PackItem>& items,
              const std::function<void(double)>& progress) {
    int error = 0;
    zip_t* archive = zip_open(zip.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_error_t details;
        zip_error_init_with_code(&details, error);
        const std::string reason = zip_error_strerror(&details);
        zip_error_fini(&details);
        throw std::runtime_error("cannot write " + Utf8Path(zip) + ": " + reason);
    }
    const std::string root = std::string(top) + "/";
    if (zip_dir_add(archive, root.c_str(), ZIP_FL_ENC_UTF_8) < 0) {
        Fail(archive, "cannot add " + root);
    }
    for (const PackItem& item : items) {
        const std::string name = root + item.destination;
        if (item.folder) {
            if (zip_dir_add(archive, (name + "/").c_str(), ZIP_FL_ENC_UTF_8) < 0) {
                Fail(archive, "cannot add " + name);
            }
            continue;
        }
        const std::filesystem::path file = folder / PathFromUtf8(item.destination);
        zip_source_t* source = zip_source_file(archive, file.c_str(), 0, -1);
        if (!source) {
            Fail(archive, "cannot read " + Utf8Path(file));
        }
        if (zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            Fail(archive, "cannot add " + name);
        }
    }
    // The files are read and compressed while the archive is closed.
    zip_register_progress_callback_with_state(archive, 0.01, ReportProgress, nullptr,
                                              const_cast<std::function<void(double)>*>(&progress));
    if (zip_close(archive) < 0) {
        Fail(archive, "cannot write " + Utf8Path(zip));
    }
}

#else

bool CanWriteZip() {
    return false;
}

void WriteZip(const std::filesystem::path&, const std::filesystem::path&, std::string_view,
              const std::vector<PackItem>&, const std::function<void(double)>&) {
    throw std::runtime_error("this build of tessaly cannot write zips");
}

#endif

}  // namespace tessaly::tool
