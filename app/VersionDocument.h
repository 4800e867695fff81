#pragma once
// The update check's version document: the versions the maker's web site
// names as its answer body.
#include "VersionNumber.h"

#include <string>
#include <vector>

namespace vantix {

// Each "version" element directly under the root, in document order, skipping
// unreadable ones; none for a body that is no such document.
std::vector<VersionNumber> listedVersions(const std::string& body);

} // namespace vantix
