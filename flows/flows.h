#pragma once
// The sequences the window and the command-line program share, knowing no
// toolkit: listing the modules for a model, reading the settings with the
// offer to restore the defaults, the firmware update offer with its retry,
// programming a settings set, saving a diagnostics report; the common error
// wording; how far a re-flash or an acquisition has got. Questions and
// progress go through a Conversation that each program answers its own way.
#include "flows/Connect.h"
#include "flows/Conversation.h"
#include "flows/Diagnostics.h"
#include "flows/ErrorReport.h"
#include "flows/Modules.h"
#include "flows/ProgressReading.h"
#include "flows/SettingValues.h"
#include "flows/Settings.h"
