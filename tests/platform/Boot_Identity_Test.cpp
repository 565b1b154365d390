// A chip camera that restarts and comes back shows the host the identity of the image in its
// flash, when its chip runs that image, and otherwise the one its scenario gave it.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Scenario.h"
#include "test_images/Image_Builder.h"

namespace {

using namespace platform;
using namespace platform::simulated;
using namespace test_images;
using Shown = std::vector<std::string>;

const Shown Scenario_Identity{"0c45", "6366", "0100", "ZUNQ", "Scenario Camera", "SC-1"};

// One camera of `family` that leaves with its restart and is back 100 ms later.
struct Camera_Rig {
    Simulated_Backend backend;
    std::shared_ptr<Simulated_Camera> camera;

    std::string layout;

    Camera_Rig(const std::string& family, const std::string& unit_layout) : layout(unit_layout) {
        const Scenario_Load load =
            Parse_Scenario(R"({"cameras": [{"family": ")" + family + R"(", "layout": ")" + layout +
                           R"(", "flash": {"size": 524288},
            "usb": {"vid": "0x0C45", "pid": "0x6366", "bcd": "0x0100", "manufacturer": "ZUNQ",
                    "product": "Scenario Camera", "serial": "SC-1", "hub": "root", "port": 1},
            "leaves": [{"restart": true, "back_after_ms": 100}]}]})");
        EXPECT_TRUE(load.Loaded) << load.Error;
        camera = Build_Scenario(backend, *load.Loaded).at(0);
    }
    void Flash(const Bytes& image) {
        auto& contents = camera->Flash().Part()->Contents();
        std::fill(contents.begin(), contents.end(), 0xFF);
        std::copy(image.begin(), image.end(), contents.begin());
    }
    // The family's restart, sent as the library sends a register write; the camera back.
    void Restart() {
        const Simulated_Chip_Family& family = *Find_Chip_Family(camera->Model().Name);
        const Unit_Key key = Layout_Keys(family, *Find_Unit_Layout(layout)).at(0);
        const auto control = camera->Open_Control();
        const auto set = [&](std::uint32_t selector, std::vector<std::uint8_t> data) {
            KSP_NODE property;
            property.Property = {key.Guid, selector, KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY};
            property.NodeId = key.Node;
            EXPECT_EQ(control->Ks_Property(property, sizeof property, data.data(),
                                           static_cast<std::uint32_t>(data.size()), nullptr),
                      S_OK);
        };
        const Restart_Trigger trigger = *family.Restart;
        set(2, {static_cast<std::uint8_t>(trigger.Address), static_cast<std::uint8_t>(trigger.Address >> 8)});
        set(3, {trigger.Value});
        EXPECT_FALSE(camera->Plugged());
        backend.Advance_Clock(100);
        EXPECT_TRUE(camera->Plugged());
    }
    // What the host reads from the camera's USB device: ids, release, and the strings its
    // indexes name, in US English.
    Shown Identity() {
        const Simulated_Usb_Device* device =
            backend.Usb_Tree().Find_Capture_Device(camera->Video_Input().Device_Path);
        if (!device)
            return {"no device"};
        const Usb_Device_Description& spec = device->Spec();
        const auto hex = [](std::uint16_t value) {
            char text[8];
            std::snprintf(text, sizeof text, "%04x", value);
            return std::string(text);
        };
        Shown shown{hex(spec.Descriptor.idVendor), hex(spec.Descriptor.idProduct),
                    hex(spec.Descriptor.bcdDevice)};
        for (const std::uint8_t index :
             {spec.Descriptor.iManufacturer, spec.Descriptor.iProduct, spec.Descriptor.iSerialNumber}) {
            const auto string = spec.Strings.find({index, Language_English_US});
            std::string text = index == 0 ? "-" : string == spec.Strings.end() ? "missing" : "";
            if (index != 0 && string != spec.Strings.end())
                for (std::size_t i = 2; i + 1 < string->second.size(); i += 2)
                    text += static_cast<char>(string->second[i]);
            shown.push_back(text);
        }
        return shown;
    }
};

Bytes Chip_Image(Chip_Family family, std::uint16_t bcd, const std::string& product) {
    Image_Chip_Description image{.Family = family};
    image.Device.Bcd = bcd;
    image.Strings[1] = "Image Maker";
    image.Strings[2] = product;
    image.Strings[3] = "SN-" + product;
    return Build_Chip_Image(image);
}

Bytes Big_Image(std::uint16_t bcd, const std::string& product, std::uint8_t selector = 0) {
    Image_2688_Description image = Camera_2688_Description();
    image.Selector = selector;
    image.Devices[selector].Bcd = bcd;
    image.Strings[1] = "Image Maker";
    image.Strings[3] = product;
    image.Strings[4] = "SN-" + product;
    return Build_2688_Image(image);
}

Shown Image_Identity(std::uint16_t bcd, const std::string& product) {
    char release[8];
    std::snprintf(release, sizeof release, "%04x", bcd);
    return {"1bcf", "2c99", release, "Image Maker", product, "SN-" + product};
}

TEST(Boot_Identity, EachFamilyComesBackAsTheImageItRunsGivesIt) {
    Image_Chip_Description no_product{.Family = Chip_Family::F2620};
    no_product.Strings[2].reset(); // its place holds zeros, no string descriptor
    const struct {
        const char* family;
        const char* layout;
        Bytes image;
        Shown identity;
    } runnable[] = {
        {"SPCA2620", "direct", Chip_Image(Chip_Family::F2620, 0x0262, "Cam 2620"),
         Image_Identity(0x0262, "Cam 2620")},
        {"SPCA2281", "direct", Chip_Image(Chip_Family::F2281, 0x0228, "Cam 2281"),
         Image_Identity(0x0228, "Cam 2281")},
        {"SPCA2085", "direct", Chip_Image(Chip_Family::F2092, 0x0208, "Cam 2085"),
         Image_Identity(0x0208, "Cam 2085")},
        {"SPCA2092", "G3@2+G10@3", Chip_Image(Chip_Family::F2092, 0x0209, "Cam 2092"),
         Image_Identity(0x0209, "Cam 2092")},
        {"SPCA2650", "direct", Big_Image(0x0265, "Cam 2650"), Image_Identity(0x0265, "Cam 2650")},
        {"SPCA2282", "direct", Big_Image(0x0282, "Cam 2282", 1), Image_Identity(0x0282, "Cam 2282")},
        {"SPCA2620",
         "direct",
         Build_Chip_Image(no_product),
         {"1bcf", "2c99", "0100", "Maker", "-", "SN0001"}},
    };
    for (const auto& [family, layout, image, identity] : runnable) {
        SCOPED_TRACE(family + (" " + identity[4]));
        Camera_Rig rig(family, layout);
        rig.Flash(image);
        EXPECT_EQ(rig.Identity(), Scenario_Identity) << "as created, whatever the flash holds";
        rig.Restart();
        EXPECT_EQ(rig.Identity(), identity);
    }
}

TEST(Boot_Identity, AFlashItDoesNotRunLeavesItAsItsScenarioSays) {
    Image_Chip_Description unsigned_2620{.Family = Chip_Family::F2620, .Signature = false};
    Image_Chip_Description blank_2281{.Family = Chip_Family::F2281, .Blank_Check_Bytes = 33};
    Image_2688_Description untagged = Camera_2688_Description();
    untagged.Settings_Tag = 0;
    const struct {
        const char* why;
        const char* family;
        Bytes image;
    } not_runnable[] = {
        {"erased", "SPCA2620", {}},
        {"another family's image", "SPCA2281", Chip_Image(Chip_Family::F2620, 0x0262, "Cam")},
        {"another 64 KB family's", "SPCA2620", Chip_Image(Chip_Family::F2092, 0x0209, "Cam")},
        {"a 64 KB image on a 256 KB family", "SPCA2650", Chip_Image(Chip_Family::F2092, 0x0209, "Cam")},
        {"no signature", "SPCA2620", Build_Chip_Image(unsigned_2620)},
        {"blank check bytes", "SPCA2281", Build_Chip_Image(blank_2281)},
        {"no settings tag", "SPCA2650", Build_2688_Image(untagged)},
    };
    for (const auto& [why, family, image] : not_runnable) {
        SCOPED_TRACE(why);
        Camera_Rig rig(family, "direct");
        rig.Flash(image);
        rig.Restart();
        EXPECT_EQ(rig.Identity(), Scenario_Identity);
    }

    // Back with its image's identity, then the start of the image cleared before a restart (as
    // the preparation of a chip that boots from piece 0 does it): as the scenario says again.
    Camera_Rig rig("SPCA2092", "G3@2+G10@3");
    const Bytes image = Chip_Image(Chip_Family::F2092, 0x0209, "Cam 2092");
    rig.Flash(image);
    rig.Restart();
    ASSERT_EQ(rig.Identity(), Image_Identity(0x0209, "Cam 2092"));
    auto& contents = rig.camera->Flash().Part()->Contents();
    std::fill(contents.begin(), contents.begin() + 2, 0x00);
    rig.Restart();
    EXPECT_EQ(rig.Identity(), Scenario_Identity);

    // Only a restart changes it: plugged out and back in, it stays as it was.
    std::copy(image.begin(), image.end(), contents.begin());
    const auto place = rig.backend.Unplug_Camera(*rig.camera);
    ASSERT_TRUE(rig.backend.Plug_Camera(*rig.camera, *place.Hub, place.Port));
    EXPECT_EQ(rig.Identity(), Scenario_Identity);
}

} // namespace
