// Reads the command line, installs the chosen backend (the simulated bench or
// libftdi1 for real RVX-LINK modules) and runs the program.
#include "app/CommandLine.h"
#include "app/VantixApp.h"
#include "backend/Backend.h"

#include <wx/app.h>

#include <iostream>

int main(int argc, char** argv) {
    auto line = vantix::parseCommandLine(argc, argv);
    if (!line.error.empty()) {
        std::cerr << line.error << "\n\n" << vantix::usageText();
        return 2;
    }
    if (line.help) {
        std::cout << vantix::usageText();
        return 0;
    }
    try {
        vantix::installBackend(line.backend);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    // The toolkit gets only the program name: our options are not its options.
    wxApp::SetInstance(new VantixApp(line.updateCheck));
    int toolkitArgc = 1;
    return wxEntry(toolkitArgc, argv);
}
