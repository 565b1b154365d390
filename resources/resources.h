// The dialog tool's resources as constant tables: dialog templates (one row per control,
// rectangles in dialog units), the string table and the icon.
#pragma once

#include "platform/ui/dialog_template.h"

namespace zunq::resources {

const ui::Resource_Tables& Tool_Resources();

} // namespace zunq::resources
