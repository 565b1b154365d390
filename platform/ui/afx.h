// Our class-library layer in one include: dialogs, controls, message maps, data exchange,
// message boxes, the file dialog, timers, fonts, device-change registration and the
// application object, on Qt 6 Widgets.
#pragma once

#include "platform/ui/controls.h"
#include "platform/ui/cstring.h"
#include "platform/ui/cwnd.h"
#include "platform/ui/dialog.h"
#include "platform/ui/files.h"
#include "platform/ui/services.h"
#include "platform/ui/win_values.h"
