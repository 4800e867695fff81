// The application object's common error reporting, per exception type.
#include "GuiTest.h"

#include "app/ErrorReport.h"
#include "transport/FtdiException.h"

#include <stdexcept>

using namespace vantix::test;

namespace {

TEST(ErrorReporting, EachExceptionTypeHasItsCaptionAndTextAForeignOneEndsTheProgram) {
    auto ui = std::make_shared<ScriptedUserInterface>();
    auto previous = vantix::installUserInterface(ui);
    const struct {
        std::exception_ptr error;
        const char* caption;
        const char* text;
    } cases[] = {
        {std::make_exception_ptr(RVX::Exception("Unable to read RVX46 EEPROM", 0x3A)), "RVX Error",
         "Communication error with RVX encoder.\nPlease ensure that encoder is connected to "
         "RVX-LINK programming module.\n\nUnable to read RVX46 EEPROM : 3A"},
        {std::make_exception_ptr(FTDI::Exception("Unable to open RVX-LINK module", 18)),
         "Programming module error",
         "Programming module error.\nPlease ensure that RVX-LINK programming module is "
         "connected to your computer.\n\nUnable to open RVX-LINK module : 18"},
        {std::make_exception_ptr(std::runtime_error("Unable to load image")), "RVX Vantix error",
         "RVX Vantix error.\nUnable to load image"},
    };
    // What the running application does with an exception escaping a handler.
    auto report = [](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (...) {
            return wxTheApp->OnExceptionInMainLoop();
        }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ui->shown.clear();
        EXPECT_TRUE(report(c.error));
        ASSERT_EQ(ui->shown.size(), 1u);
        EXPECT_EQ(ui->shown[0].caption, c.caption);
        EXPECT_EQ(ui->shown[0].text, c.text);
        EXPECT_EQ(ui->shown[0].style, wxOK | wxICON_ERROR);
        EXPECT_FALSE(ui->shown[0].hasParent);
    }
    ui->shown.clear();
    EXPECT_FALSE(report(std::make_exception_ptr(42)));
    EXPECT_TRUE(ui->shown.empty());
    EXPECT_FALSE(vantix::describeException(std::make_exception_ptr(std::string("not ours"))));
    vantix::installUserInterface(previous);
}

} // namespace
