// The process-wide cache over the platform's files. It lives with the platform glue, since it
// needs the platform's file access.
#include "server/file_access.h"
#include "server/mapped_file_cache.h"

namespace tessaly {

MappedFileCache& MappedFiles() {
    static MappedFileCache cache(PlatformFileAccess());
    return cache;
}

void ReleaseMappedFiles() {
    MappedFiles().ReleaseMappedFiles();
}

}  // namespace tessaly
