// A burnt camera comes back as the firmware it now runs: once it is back from the restart after
// the burn, the device panel shows the identity the burnt image carries.
#include "Burn_Tool.h"

namespace zunq::application::tests {
namespace {

using Burnt_Identity = Burn_Tool;

TEST_F(Burnt_Identity, TheDevicePanelShowsTheBurntImagesIdentityOnceTheCameraIsBack) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    const auto burn = [&](int camera, const std::string& image) {
        Select_Camera(camera);
        Load(image);
        Click_Download();
        ASSERT_TRUE(Run_Until_Burn_Ends());
        EXPECT_EQ(Boxes(), Texts{});
        Run_Clock(3000); // back from the restart after the download
        EXPECT_EQ(Selection(dlg, 1016), camera);
    };

    // lab-56 through its leave write and its restart, with the demo's image: one release on.
    const int lab_56 = 3;
    Select_Camera(lab_56);
    EXPECT_EQ(Device_Panel(), (Texts{"0c45", "6380", "0300", "ZUNQ 5M USB Camera", "ZUNQ", "ZQ56-0004"}));
    burn(lab_56, Write_Demo_Image("SPCA2650"));
    EXPECT_EQ(Device_Panel(), (Texts{"0c45", "6380", "0301", "ZUNQ 5M USB Camera", "ZUNQ", "ZQ56-0004"}));

    // desk-8m with an image of other ids and strings (its serial number kept).
    test_images::Image_Chip_Description other{.Family = test_images::Chip_Family::F2620};
    other.Device.Vid = 0x1BCF;
    other.Device.Pid = 0x2C99;
    other.Device.Bcd = 0x0712;
    other.Strings[1] = "Other Maker";
    other.Strings[2] = "Other Camera";
    other.Strings[3] = "ZQ8M-0001";
    burn(0, Write_Image("other.bin", test_images::Build_Chip_Image(other)));
    EXPECT_EQ(Device_Panel(), (Texts{"1bcf", "2c99", "0712", "Other Camera", "Other Maker", "ZQ8M-0001"}));

    // hall-1080p, whose preparation clears the start of its image and restarts it first.
    burn(2, Write_Demo_Image("SPCA2092"));
    EXPECT_EQ(Device_Panel(),
              (Texts{"0c45", "6362", "0106", "ZUNQ 1080P USB Camera", "ZUNQ", "ZQ1080-0003"}));
}

} // namespace
} // namespace zunq::application::tests
