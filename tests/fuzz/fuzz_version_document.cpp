// The update check's version document: the fuzzer's bytes are the body of the
// web site's answer, read as the check reads it and each version compared
// with the running one and written out as the offer would.
#include "app/Links.h"
#include "app/VersionDocument.h"

#include <wx/init.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static wxInitializer toolkit;
    return toolkit.IsOk() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    for (const auto& version : vantix::listedVersions(body))
        if (version > vantix::versionNumbers) vantix::formatVersion(version);
    return 0;
}
