#include "catalogs/rewrite.h"

#include "catalogs/streams.h"
#include "platform/safe_write.h"

void RewriteFile(const std::string& path, const std::function<void(TStream&)>& write) {
    platform::TSafeWrite safe(path);
    TFileStream out(safe.File());
    write(out);
    safe.Commit();
}
