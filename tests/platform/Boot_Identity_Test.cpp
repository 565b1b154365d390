// A chip camera that comes back from its restart shows the host the identity of the image in
// its flash when its family runs that image, and otherwise the one its scenario gave it.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Scenario.h"
#include "test_images/Image_Builder.h"

namespace {

using namespace platform;
using namespace platform::simulated;
using namespace test_images;

const std::string Scenario_Identity = "0c45 6366 0100 ZUNQ/Scenario Camera/SC-1/";

// One camera that leaves with its family's restart and is back 100 ms later.
struct Camera_Rig {
    Simulated_Backend backend;
    std::shared_ptr<Simulated_Camera> camera;
    Unit_Key key;

    Camera_Rig(const std::string& family, const std::string& layout) {
        const Scenario_Load load =
            Parse_Scenario(R"({"cameras": [{"family": ")" + family + R"(", "layout": ")" + layout + R"(",
            "flash": {"size": 524288}, "leaves": [{"restart": true, "back_after_ms": 100}],
            "usb": {"vid": "0x0C45", "pid": "0x6366", "bcd": "0x0100", "manufacturer": "ZUNQ",
                    "product": "Scenario Camera", "serial": "SC-1", "hub": "root", "port": 1}}]})");
        camera = Build_Scenario(backend, load.Loaded.value()).at(0);
        key = Layout_Keys(*Find_Chip_Family(family), *Find_Unit_Layout(layout)).at(0);
    }
    void Flash(const Bytes& image) {
        auto& contents = camera->Flash().Part()->Contents();
        std::fill(std::copy(image.begin(), image.end(), contents.begin()), contents.end(), 0xFF);
    }
    // The restart's register write, sent as the library sends one.
    void Restart() {
        const Restart_Trigger trigger = *Find_Chip_Family(camera->Model().Name)->Restart;
        const auto control = camera->Open_Control();
        for (auto [selector, data] :
             {std::pair<std::uint32_t, Bytes>{
                  2, {std::uint8_t(trigger.Address), std::uint8_t(trigger.Address >> 8)}},
              {3, {trigger.Value}}}) {
            KSP_NODE property;
            property.Property = {key.Guid, selector, KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY};
            property.NodeId = key.Node;
            control->Ks_Property(property, sizeof property, data.data(), std::uint32_t(data.size()), nullptr);
        }
        backend.Advance_Clock(100);
    }
    // Ids, release and strings (US English) of the camera's USB device, as the host reads them.
    std::string Identity() {
        const auto* device = backend.Usb_Tree().Find_Capture_Device(camera->Video_Input().Device_Path);
        if (!device)
            return "no device";
        const Usb_Device_Descriptor& ids = device->Spec().Descriptor;
        char shown[16];
        std::snprintf(shown, sizeof shown, "%04x %04x %04x ", ids.idVendor, ids.idProduct, ids.bcdDevice);
        std::string text = shown;
        for (const std::uint8_t index : {ids.iManufacturer, ids.iProduct, ids.iSerialNumber}) {
            const auto string = device->Spec().Strings.find({index, Language_English_US});
            for (std::size_t i = 2; index != 0 && i < string->second.size(); i += 2)
                text += static_cast<char>(string->second[i]);
            text += index == 0 ? "-/" : "/";
        }
        return text;
    }
};

std::string Image_Identity(std::uint16_t bcd, const std::string& product) {
    char release[8];
    std::snprintf(release, sizeof release, "%04x", bcd);
    return "1bcf 2c99 " + std::string(release) + " Maker/" + product + "/SN/";
}

Bytes Chip_Image(Chip_Family family, std::uint16_t bcd, const std::string& product) {
    Image_Chip_Description image{.Family = family};
    image.Device.Bcd = bcd;
    image.Strings = {std::nullopt, "Maker", product, "SN"};
    return Build_Chip_Image(image);
}

Bytes Big_Image(std::uint16_t bcd, const std::string& product, std::uint8_t selector, std::uint32_t tag) {
    Image_2688_Description image = Camera_2688_Description();
    image.Selector = selector;
    image.Settings_Tag = tag;
    image.Devices[selector].Bcd = bcd;
    image.Strings = {std::nullopt, "Maker", "Mic", product, "SN"};
    return Build_2688_Image(image);
}

TEST(Boot_Identity, ACameraComesBackAsTheImageItsFamilyRunsSaysOrAsItsScenarioSays) {
    Image_Chip_Description unsigned_2620{.Family = Chip_Family::F2620, .Signature = false};
    Image_Chip_Description blank_2281{.Family = Chip_Family::F2281, .Blank_Check_Bytes = 33};
    Image_Chip_Description no_product{.Family = Chip_Family::F2620};
    no_product.Strings = {std::nullopt, "Maker", std::nullopt, "SN"}; // zeros where it would be
    Bytes marked_2092 = Chip_Image(Chip_Family::F2620, 0x0262, "Cam");
    marked_2092[1] = Start_2092[1];
    const struct {
        const char* family;
        Bytes image;
        std::string identity;
    } cases[] = {
        {"SPCA2620", Chip_Image(Chip_Family::F2620, 0x0262, "Cam"), Image_Identity(0x0262, "Cam")},
        {"SPCA2281", Chip_Image(Chip_Family::F2281, 0x0228, "Cam"), Image_Identity(0x0228, "Cam")},
        {"SPCA2085", Chip_Image(Chip_Family::F2092, 0x0208, "Cam"), Image_Identity(0x0208, "Cam")},
        {"SPCA2092", Chip_Image(Chip_Family::F2092, 0x0209, "Cam"), Image_Identity(0x0209, "Cam")},
        {"SPCA2650", Big_Image(0x0265, "Cam", 0, Settings_Tag_2688), Image_Identity(0x0265, "Cam")},
        {"SPCA2282", Big_Image(0x0282, "Cam", 1, Settings_Tag_Other), Image_Identity(0x0282, "Cam")},
        {"SPCA2620", Build_Chip_Image(no_product), "1bcf 2c99 0100 Maker/-/SN/"},
        // Flash its family does not run.
        {"SPCA2620", {}, Scenario_Identity},
        {"SPCA2281", Chip_Image(Chip_Family::F2620, 0x0262, "Cam"), Scenario_Identity},
        {"SPCA2620", Chip_Image(Chip_Family::F2092, 0x0209, "Cam"), Scenario_Identity},
        {"SPCA2620", marked_2092, Scenario_Identity},
        {"SPCA2650", Chip_Image(Chip_Family::F2092, 0x0209, "Cam"), Scenario_Identity},
        {"SPCA2620", Build_Chip_Image(unsigned_2620), Scenario_Identity},
        {"SPCA2281", Build_Chip_Image(blank_2281), Scenario_Identity},
        {"SPCA2650", Big_Image(0x0265, "Cam", 0, 0), Scenario_Identity},
    };
    for (const auto& [family, image, identity] : cases) {
        SCOPED_TRACE(family + (" " + identity));
        Camera_Rig rig(family, family == std::string("SPCA2092") ? "G3@2+G10@3" : "direct");
        rig.Flash(image);
        EXPECT_EQ(rig.Identity(), Scenario_Identity) << "as created, whatever its flash holds";
        rig.Restart();
        EXPECT_EQ(rig.Identity(), identity);
    }

    // Back as its image says, then the start of the image cleared before a restart, as the
    // preparation of a chip that boots from piece 0 does: as its scenario says again.
    Camera_Rig rig("SPCA2092", "G3@2+G10@3");
    const Bytes image = Chip_Image(Chip_Family::F2092, 0x0209, "Cam");
    rig.Flash(image);
    rig.Restart();
    ASSERT_EQ(rig.Identity(), Image_Identity(0x0209, "Cam"));
    auto& contents = rig.camera->Flash().Part()->Contents();
    std::fill_n(std::fill_n(contents.begin(), 2, 0x00), 62, 0xFF);
    rig.Restart();
    EXPECT_EQ(rig.Identity(), Scenario_Identity);
    // Only a restart changes it: unplugged and plugged in again, it stays as it was.
    std::copy(image.begin(), image.end(), contents.begin());
    const auto place = rig.backend.Unplug_Camera(*rig.camera);
    ASSERT_TRUE(rig.backend.Plug_Camera(*rig.camera, *place.Hub, place.Port));
    EXPECT_EQ(rig.Identity(), Scenario_Identity);
}

} // namespace
