#include "Artwork.h"

#include "app_art.h"

#include <wx/artprov.h>
#include <wx/imagpng.h>
#include <wx/mstream.h>

#include <stdexcept>
#include <string>

wxImage loadPngImage(std::span<const unsigned char> png) {
    // One handler for the program, so nothing needs registering with the toolkit.
    static wxPNGHandler handler;
    wxMemoryInputStream stream(png.data(), png.size());
    wxImage image;
    if (png.empty() || !handler.LoadFile(&image, stream, false) || !image.IsOk())
        throw std::runtime_error("Unable to load image");
    return image;
}

namespace vantix {

wxBitmapBundle artBundle(std::string_view file, wxSize size) {
    const auto bytes = embedded::app_art(file);
    // The SVG parser wants a terminated, writable text.
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return wxBitmapBundle::FromSVG(text.data(), size);
}

wxBitmapBundle placeholderPicture() {
    return artBundle("placeholder.svg", {140, 140});
}
wxBitmapBundle logoPicture() {
    return artBundle("logo.svg", {180, 44});
}
wxBitmapBundle quadratureDiagram() {
    return artBundle("quadrature.svg", {210, 98});
}
wxBitmapBundle commutationDiagram() {
    return artBundle("commutation.svg", {210, 98});
}

wxIcon windowIcon() {
    static const wxIcon icon = [] {
        wxIcon result;
        result.CopyFromBitmap(wxBitmap(loadPngImage(embedded::app_art("icon.png"))));
        return result;
    }();
    return icon;
}

namespace {

class MessageIcons : public wxArtProvider {
protected:
    wxBitmapBundle CreateBitmapBundle(const wxArtID& id, const wxArtClient&, const wxSize& size) override {
        static const std::pair<wxArtID, const char*> drawings[] = {
            {wxART_ERROR, "message-error.svg"},
            {wxART_WARNING, "message-warning.svg"},
            {wxART_QUESTION, "message-question.svg"},
            {wxART_INFORMATION, "message-information.svg"},
        };
        for (const auto& [art, file] : drawings)
            if (art == id) return artBundle(file, size.IsFullySpecified() ? size : wxSize(48, 48));
        return {};
    }
    wxBitmap CreateBitmap(const wxArtID& id, const wxArtClient& client, const wxSize& size) override {
        const wxBitmapBundle bundle = CreateBitmapBundle(id, client, size);
        return bundle.IsOk() ? bundle.GetBitmap(size.IsFullySpecified() ? size : wxSize(48, 48))
                             : wxNullBitmap;
    }
};

} // namespace

void provideMessageIcons() {
    static const bool pushed = (wxArtProvider::Push(new MessageIcons), true);
    (void)pushed;
}

} // namespace vantix
