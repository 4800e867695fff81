// The application object's common error reporting, per exception type.
#include "GuiTest.h"

#include "app/ErrorReport.h"
#include "app/VantixApp.h"
#include "transport/FtdiException.h"

#include <stdexcept>

using namespace vantix::test;

namespace {

class ErrorReporting : public testing::Test {
protected:
    void SetUp() override { previous = vantix::installUserInterface(ui); }
    void TearDown() override { vantix::installUserInterface(previous); }

    // What the running application does with an exception escaping a handler.
    template <class E> bool report(E error) {
        try {
            throw error;
        } catch (...) {
            return wxTheApp->OnExceptionInMainLoop();
        }
    }

    std::shared_ptr<ScriptedUserInterface> ui = std::make_shared<ScriptedUserInterface>();
    std::shared_ptr<vantix::UserInterface> previous;
};

TEST_F(ErrorReporting, EncoderErrorsShowMessageAndCodeInHex) {
    EXPECT_TRUE(report(RVX::Exception("Unable to read RVX46 EEPROM", 0x3A)));
    EXPECT_TRUE(report(RVX::EEPROMInvalid("RVX64 EEPROM corrupt", 0)));
    ASSERT_EQ(ui->shown.size(), 2u);
    EXPECT_EQ(ui->shown[0].caption, "RVX Error");
    EXPECT_EQ(ui->shown[0].text,
              "Communication error with RVX encoder.\nPlease ensure that encoder is connected to "
              "RVX-LINK programming module.\n\nUnable to read RVX46 EEPROM : 3A");
    EXPECT_EQ(ui->shown[1].caption, "RVX Error");
    EXPECT_TRUE(ui->shown[1].text.ends_with("RVX64 EEPROM corrupt : 0"));
    for (const auto& shown : ui->shown) {
        EXPECT_EQ(shown.style, wxOK | wxICON_ERROR);
        EXPECT_FALSE(shown.hasParent);
    }
}

TEST_F(ErrorReporting, ModuleErrorsShowTheStatusInDecimal) {
    EXPECT_TRUE(report(FTDI::Exception("Unable to open RVX-LINK module", 18)));
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].caption, "Programming module error");
    EXPECT_EQ(ui->shown[0].text,
              "Programming module error.\nPlease ensure that RVX-LINK programming module is "
              "connected to your computer.\n\nUnable to open RVX-LINK module : 18");
}

TEST_F(ErrorReporting, OtherStandardErrorsShowTheirMessage) {
    EXPECT_TRUE(report(std::runtime_error("Unable to load image")));
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].caption, "RVX Vantix error");
    EXPECT_EQ(ui->shown[0].text, "RVX Vantix error.\nUnable to load image");
}

TEST_F(ErrorReporting, ForeignExceptionEndsTheProgramWithoutAMessage) {
    EXPECT_FALSE(report(42));
    EXPECT_TRUE(ui->shown.empty());
    EXPECT_FALSE(vantix::describeException(std::make_exception_ptr(std::string("not ours"))));
}

} // namespace
