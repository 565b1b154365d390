// The tool's entry point: the backend is chosen, device changes are connected to the dialogs,
// and the class-library layer runs the application object.
#include <cstdio>
#include <string>

#include "Backend_Device_Changes.h"
#include "Choose_Backend.h"
#include "ZUNQ_USB_CAM.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
    std::string error;
    const bool chosen = Choose_Backend(error);
    if (!error.empty())
        std::fprintf(stderr, "zunq_sf_tool: %s\n", error.c_str());
    if (!chosen)
        return 2;
    Backend_Device_Changes device_changes;
    zunq::ui::Install_Device_Change_Source(&device_changes);
    const int result = AfxWinMain(argc, argv, zunq::resources::Tool_Resources());
    zunq::ui::Install_Device_Change_Source(nullptr);
    return result;
}
