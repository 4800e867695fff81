// rvx-hexgen: writes Intel HEX images for PIC parts, one from the command
// line or many from a manifest (one process for a whole firmware set).
#include "lib/HexManifest.h"

#include <cstring>
#include <exception>
#include <iostream>

namespace {

const char* usage =
    "usage: rvx-hexgen key=value...          one image\n"
    "       rvx-hexgen --manifest FILE       every image FILE lists\n"
    "keys: out=PATH family=2|4|5|8 flash=START:END [eeprom=START:END] [seed=N] [code=START:END]...\n"
    "      [entry=ADDR] [reset=goto|none] [vectors=ADDR] [eedata=HEX|@FILE] [block=ADDR:HEX|ADDR:@FILE]...\n"
    "      [config=ADDR:VALUE]... [record=N]\n"
    "Addresses are in the part's address units; a manifest line \"defaults key=value...\"\n"
    "sets keys for the lines after it.\n";

} // namespace

int main(int argc, char** argv) {
    try {
        std::vector<tools::HexJob> jobs;
        if (argc == 3 && std::strcmp(argv[1], "--manifest") == 0) {
            jobs = tools::readHexManifest(argv[2]);
        } else if (argc >= 2 && argv[1][0] != '-') {
            const std::vector<std::string> tokens(argv + 1, argv + argc);
            jobs.push_back(tools::makeHexJob({}, tools::parseHexKeys(tokens), {}));
        } else {
            std::cerr << usage;
            return argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) ? 0
                                                                                                         : 2;
        }
        std::size_t written = 0;
        std::string text;
        for (const auto& job : jobs) {
            text.clear();
            try {
                tools::appendHex(job.recipe, text);
            } catch (const std::exception& e) {
                throw std::runtime_error(job.out.string() + ": " + e.what());
            }
            written += tools::writeFileIfChanged(job.out, text) ? 1 : 0;
        }
        std::cout << "rvx-hexgen: " << jobs.size() << " image(s), " << written << " written\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "rvx-hexgen: " << e.what() << "\n";
        return 1;
    }
}
