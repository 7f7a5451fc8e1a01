#include "install/progress.h"

#include "base/installer_site.h"

void Progress::update(IInstallerSite& site, int64_t bytes, int64_t contentLength) {
    site.checkCancel();
    done += bytes;
    total = contentLength;
}
