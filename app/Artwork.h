#pragma once
// The window's embedded images: SVG drawings turned into bitmap bundles, and PNG decoding.
#include <wx/bmpbndl.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <span>
#include <string_view>

// Decodes a PNG held in memory; throws std::runtime_error "Unable to load image".
wxImage loadPngImage(std::span<const unsigned char> png);

namespace vantix {

// An embedded SVG drawing of app/art by file name ("logo.svg"), at its default size.
wxBitmapBundle artBundle(std::string_view file, wxSize size);

wxBitmapBundle placeholderPicture(); // 140x140
wxBitmapBundle logoPicture();        // 180x44
wxBitmapBundle quadratureDiagram();  // 210x98
wxBitmapBundle commutationDiagram(); // 210x98
wxIcon windowIcon();
// Lets the message boxes draw their error, warning, question and information
// icons from the program's own drawings; the toolkit's theme may have none.
void provideMessageIcons();

} // namespace vantix
