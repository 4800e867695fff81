#include "VersionDocument.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

namespace vantix {

std::vector<VersionNumber> listedVersions(const std::string& body) {
    // The document needs no DTD; refusing one (and UTF-16 or UTF-32 text, which could
    // hide it from this test) keeps entity tricks away from the parser.
    if (body.find('\0') != std::string::npos || body.find("<!DOCTYPE") != std::string::npos) return {};
    wxMemoryInputStream stream(body.data(), body.size());
    wxLogNull quiet; // a broken document is no news for the user
    wxXmlDocument document;
    if (!document.Load(stream, "UTF-8") || !document.GetRoot()) return {};
    std::vector<VersionNumber> versions;
    for (const wxXmlNode* child = document.GetRoot()->GetChildren(); child; child = child->GetNext()) {
        if (child->GetType() != wxXML_ELEMENT_NODE || child->GetName() != "version") continue;
        if (auto version = parseVersion(child->GetNodeContent().utf8_string())) versions.push_back(*version);
    }
    return versions;
}

} // namespace vantix
