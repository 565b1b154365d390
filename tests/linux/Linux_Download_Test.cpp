// A whole burn through the Linux backend: erase, program and read-back of every chunk as UVC
// control transfers through libusb, including the one-byte mode writes on a control whose
// length is four bytes that the kernel's own camera driver would refuse.
#include <gtest/gtest.h>

#include "Linux_Host.h"
#include "extension_unit/Flash_Camera.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"

namespace {

TEST(Linux_Download, BurnsAndVerifiesAnImageThroughLibusb) {
    struct Case {
        const char* Family;
        std::uint32_t Region;
    };
    // One family whose chunks are 4096 bytes, one whose mode byte shares selector 13 with the
    // erase address.
    for (const Case& burn : {Case{"SPCA2281", 0x10000}, Case{"SPCA2650", 0x40000}}) {
        SCOPED_TRACE(burn.Family);
        test::Linux_Host host;
        host.Add_Bus(1);
        auto flash = test::Flash_Part({0xC8, 0x40, 0x13});
        flash.Contents = test::Code_Bytes(flash.Size, 11);
        const auto camera = host.Add_Camera({1, {2}}, burn.Family, "direct", {}, flash);
        host.Start();
        const auto list = test::Simulated_Host::Discover();
        Extension_Unit_Base_Protocol* protocol = Device_List_Get_Protocol(list.get(), 0);
        ASSERT_NE(protocol, nullptr);

        const test::Bytes& image = test::Firmware_Image(burn.Family);
        float progress = 0;
        testing::internal::CaptureStderr(); // the download prints its percents
        const int result = Protocol_Download_Firmware(protocol, image.data(),
                                                      static_cast<std::uint32_t>(image.size()), &progress);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(progress, 100.0f);
        const test::Bytes& contents = camera->Flash().Part()->Contents();
        test::Bytes expected = image;
        expected.resize(burn.Region, 0x00);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), contents.begin())) << "burned and verified";
        EXPECT_TRUE(
            std::equal(contents.begin() + burn.Region, contents.end(), flash.Contents.begin() + burn.Region))
            << "nothing past the region";
    }
}

} // namespace
