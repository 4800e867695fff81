#pragma once
// Describing HEX images as text, for rvx-hexgen's command line and manifests:
// one image per line of blank-separated key=value pairs. Keys:
//   out=PATH            output file (required)
//   family=N            2, 4, 5 or 8
//   flash=START:END     flash range, address units
//   eeprom=START:END    EEPROM range, address units (omit for none)
//   seed=N              code seed
//   code=START:END      a code region (repeatable)
//   entry=ADDR          reset jump target (default: start of the first code region)
//   reset=goto|none     with or without the family's reset jump
//   vectors=ADDR        family 5: every interrupt vector points at ADDR
//   eedata=HEX|@FILE    EEPROM contents as hex digit pairs or a binary file
//   block=ADDR:HEX|ADDR:@FILE  program data at a flash address (repeatable)
//   config=ADDR:VALUE   a configuration word (repeatable)
//   record=N            data bytes per record
// Numbers are decimal or 0x-prefixed hexadecimal. In a manifest, a line
// starting with "defaults" sets keys for every later line; repeatable keys
// given on a line replace the defaults' list; "#" starts a comment.
#include "HexGenerator.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tools {

struct HexJob {
    std::filesystem::path out;
    HexImageRecipe recipe;
};

using HexKeys = std::multimap<std::string, std::string>;

// Splits "key=value" tokens; throws std::invalid_argument naming the bad token.
HexKeys parseHexKeys(const std::vector<std::string>& tokens);
// Builds a job from keys (defaults first, then the line's own). Relative
// paths of out= and @FILE are taken from `base`.
HexJob makeHexJob(const HexKeys& defaults, const HexKeys& keys, const std::filesystem::path& base);
// Reads a manifest; errors carry "FILE:LINE: ".
std::vector<HexJob> readHexManifest(const std::filesystem::path& manifest);

// Writes `text` unless the file already holds exactly that (keeps build
// timestamps still); returns true when it wrote. Throws std::runtime_error.
bool writeFileIfChanged(const std::filesystem::path& path, const std::string& text);

} // namespace tools
