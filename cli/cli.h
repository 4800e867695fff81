#pragma once
// rvx-vantix-cli's library: the command line and its subcommands (list, info,
// set, update-firmware, zero, restore-defaults, diagnostics, watch, apply),
// the settings as the command line writes them, settings profiles, the
// terminal's answers and progress, exit codes and JSON output. The encoder
// work goes through the sequences the window shares (flows/).
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Outcome.h"
#include "cli/Profile.h"
#include "cli/Session.h"
#include "cli/SettingArguments.h"
#include "cli/TerminalConversation.h"
