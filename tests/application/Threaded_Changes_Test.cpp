// Device changes reported from the host's own thread reach the dialog on its thread.
#include <thread>

#include "Tool_Test.h"

namespace zunq::application::tests {
namespace {

class Threaded_Changes : public Tool_Test {};

TEST_F(Threaded_Changes, UnplugAndPlugOnAnotherThreadRefreshTheList) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario(), false);
    Simulated_Backend::Usb_Place place;
    std::thread([&] { place = backend->Unplug_Camera(*cameras[4]); }).join();
    EXPECT_TRUE(Pump_Until([&] { return Items(dlg, 1016).size() == 4; }));
    std::thread([&] { backend->Plug_Camera(*cameras[4], *place.Hub, place.Port); }).join();
    EXPECT_TRUE(Pump_Until([&] { return Items(dlg, 1016).size() == 5; }));
    EXPECT_EQ(Selection(dlg, 1016), 0);
}

} // namespace
} // namespace zunq::application::tests
