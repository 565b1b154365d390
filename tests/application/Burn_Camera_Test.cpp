// What a burn writes and where: whatever is clicked, typed or plugged while it prepares its
// camera and downloads, it writes the image as the pages showed it at the press into the camera
// selected then and into no other; a camera that turns up on that camera's place fails it; its
// record says what the flash holds.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "Burn_Tool.h"
#include "Download_State.h"
#include "firmware_image/Firmware_Factory.h"
#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"
#include "platform/simulated/Simulated_Usb_Tree.h"

namespace zunq::application::tests {
namespace {

using platform::simulated::Camera_Answer;

const std::string Stranger_Box = "烧录失败！所选设备的端口上出现了另一台设备，未写入任何数据！";

// Two cameras on ports 1 and 2 of a root hub, each with its serial number (none when empty) and
// its own members.
Scenario Two_Cameras(const std::string& pressed, const std::string& pressed_serial, const std::string& other,
                     const std::string& other_serial) {
    const auto camera = [](int port, const std::string& serial, const std::string& members) {
        return R"({"usb": {"vid": "0x0C45", "pid": "0x6366", "hub": "ROOT", "port": )" +
               std::to_string(port) + R"(, "serial": ")" + serial + R"("}, )" + members + "}";
    };
    return Parse(R"({"hubs": [{"name": "ROOT", "ports": 4}], "cameras": [)" +
                 camera(1, pressed_serial, pressed) + ", " + camera(2, other_serial, other) + "]}");
}

const std::string Restarts = R"(, "leaves": [{"restart": true, "back_after_ms": 2000}])";
const std::string Leaves_On_Write =
    R"(, "leaves": [{"write": {"0x20D8": "0x5A"}, "back_after_ms": 2500, "registers": {"0x20FF": "0x80"}},
                    {"restart": true, "back_after_ms": 2000}])";
const std::string Flash_2282 = R"("flash": {"jedec": "1C 31 13", "size": 262144})";

class Burn_Camera : public Burn_Tool {
protected:
    // Where camera `camera` is plugged now.
    Simulated_Backend::Usb_Place Place_Of(int camera) {
        auto& tree = dynamic_cast<platform::simulated::Simulated_Usb_Tree&>(backend->Usb());
        const auto* device =
            tree.Find_Capture_Device(cameras.at(static_cast<std::size_t>(camera))->Video_Input().Device_Path);
        return device != nullptr ? Simulated_Backend::Usb_Place{&device->Hub(), device->Port()}
                                 : Simulated_Backend::Usb_Place{};
    }
    std::string Record_Section(const std::string& section) {
        const std::string text = Read_File(working_directory.Path() / "info.ini");
        const auto start = text.find("[" + section + "]");
        return start == std::string::npos ? "" : text.substr(start, text.find('[', start + 1) - start);
    }
};

// Every road a chip is prepared on, at each of its waits: a click on the other camera changes
// nothing, and the other camera moved onto the pressed one's place is not burnt: the burn fails.
TEST_F(Burn_Camera, OnlyThePressedCameraIsWrittenWhateverIsClickedOrPluggedDuringThePreparation) {
    const struct Road {
        const char* name;
        std::string pressed, pressed_serial, other, other_serial;
        const char* image;
        std::size_t waits;
        bool clears_header; // the preparation rewrites the start of piece 0 before its restart
    } roads[] = {
        {"0x20FF = 0",
         R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x00"})" + Leaves_On_Write,
         "A-0001",
         R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x80"})" + Restarts,
         "B-0002", "SPCA2650", 4, false},
        {"0x20FF = 4",
         R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x04"})" + Leaves_On_Write,
         "A-0001",
         R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x80"})" + Restarts,
         "B-0002", "SPCA2650", 4, false},
        // The chip stays through its write; the stranger here is another chip without a serial,
        // with the same flash part.
        {"0x20FF = 0xFF",
         R"("family": "SPCA2282", )" + Flash_2282 + R"(, "registers": {"0x20FF": "0xFF"})" + Restarts,
         "A-0001", R"("family": "SPCA2620", )" + Flash_2282 + Restarts, "", "SPCA2282", 2, false},
        {"0x20FF = 0xC5",
         R"("family": "SPCA2085", )" + Flash_2620 + R"(, "registers": {"0x20FF": "0xC5"})" + Restarts,
         "A-0001", R"("family": "SPCA2085", )" + Flash_2620 + Restarts, "B-0002", "SPCA2092", 3, true},
    };
    for (const Road& road : roads) {
        for (std::size_t wait = 0; wait < road.waits; ++wait) {
            for (const bool stranger : {false, true}) {
                SCOPED_TRACE(
                    std::string(road.name) + ", wait " + std::to_string(wait) +
                    (stranger ? ", the other camera moved onto its place" : ", the other camera clicked"));
                std::filesystem::remove(working_directory.Path() / "info.ini");
                ZUNQ_USB_CAMDlg& dlg = Start_Dialog(
                    Two_Cameras(road.pressed, road.pressed_serial, road.other, road.other_serial));
                ASSERT_EQ(Selection(dlg, 1016), 0);
                Load_Demo_Image(road.image);
                const Bytes pressed_before = Flash(0);
                const Bytes other_before = Flash(1);
                const auto pressed_place = Place_Of(0);
                services.At(wait * 1000 + 300, [&, stranger] {
                    if (!stranger) {
                        const Texts items = Items(dlg, 1016);
                        const auto other =
                            std::find_if(items.begin(), items.end(), [](const std::string& item) {
                                return item.ends_with("_Hubport-2");
                            });
                        ASSERT_NE(other, items.end());
                        Select(dlg, 1016, static_cast<int>(other - items.begin()));
                        return;
                    }
                    backend->Unplug_Camera(*cameras[0]);
                    backend->Unplug_Camera(*cameras[1]);
                    EXPECT_TRUE(backend->Plug_Camera(*cameras[1], *pressed_place.Hub, pressed_place.Port));
                });
                services.waits.clear();
                Click_Download();
                ASSERT_TRUE(Run_Until_Burn_Ends());
                EXPECT_EQ(services.waits.size(), stranger ? wait + 1 : road.waits);
                EXPECT_TRUE(Flash(1) == other_before) << "the other camera written";
                if (!stranger) {
                    EXPECT_EQ(Log_Box(), Started + Succeeded);
                    EXPECT_EQ(Boxes(), Texts{});
                    const Bytes image = Download_Image();
                    EXPECT_TRUE(std::equal(image.begin(), image.end(), Flash(0).begin()))
                        << "the pressed camera";
                    continue;
                }
                EXPECT_EQ(Log_Box(), Started + Failed);
                EXPECT_EQ(Boxes(), Texts{Stranger_Box});
                EXPECT_EQ(Record_Section("Date"), "") << "recorded";
                Bytes expected = pressed_before;
                if (road.clears_header) {
                    std::fill(expected.begin(), expected.begin() + 64, 0xFF);
                    expected[0] = expected[1] = 0x00;
                }
                EXPECT_TRUE(Flash(0) == expected) << "the pressed camera, away meanwhile";
                EXPECT_TRUE(Is_Enabled(dlg, 1016)) << "the list given back";
            }
        }
    }
}

// The values burnt are those the pages showed at the press: edits typed before it survive the
// camera coming back without strings; the pages take no input during the waits and the
// download; the record holds what the flash holds, field by field.
TEST_F(Burn_Camera, ThePagesAtThePressAreBurntAndRecordedWhateverIsTypedLater) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Parse(
        R"({"hubs": [{"name": "ROOT", "ports": 4}], "cameras": [{"usb": {"vid": "0x0C45", "pid": "0x6380",
            "hub": "ROOT", "port": 1}, "family": "SPCA2650", )" +
        Flash_2650 + R"(, "registers": {"0x20FF": "0x00"})" + Leaves_On_Write + "}]}"));
    Load_Demo_Image("SPCA2650");
    const auto loaded = Create_Firmware_Object(Download_Buffer.get(), Download_Size);
    ASSERT_NE(loaded, nullptr);
    Type(dlg.m_Page1, 1032, "4444", true);
    Click(dlg.m_Page1, 1075);
    Type(dlg.m_Page1, 1034, "NEWNAME", true);
    Click(dlg.m_Page1, 1076);
    Type(dlg.m_Page1, 1035, "NEWMAKER", true);
    const int brightness = Position(dlg.m_Page2, 1088);
    const auto try_edits = [&](const std::string& pid, const std::string& product) {
        for (int page = 0; page < 3; ++page) {
            Select(dlg, 1122, page);
            EXPECT_FALSE(dlg.m_Page1.IsWindowEnabled() || dlg.m_Page2.IsWindowEnabled() ||
                         dlg.m_Page3.IsWindowEnabled());
        }
        Type(dlg.m_Page1, 1032, pid, true);
        Type(dlg.m_Page1, 1034, product, true);
        Type(dlg.m_Page1, 1030, "x", false); // a bad character: the page would be reset
        Drag_Slider(dlg.m_Page2, 1088, 10);
        Click_Item_Check(dlg.m_Page3, 1138, 1);
    };
    services.At(500, [&] { try_edits("2222", "Typed After Press"); });
    // During the download too: the worker held at half way while the operator types.
    std::atomic<bool> half_way = false;
    std::atomic<bool> go_on = false;
    Store_Download_Progress(0); // not the last burn's: the preparation's requests go on
    cameras[0]->Change_Answers([&](Camera_Answer&) {
        if (Read_Download_Progress() >= 50.0f && !half_way.exchange(true))
            while (!go_on)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    Click_Download();
    EXPECT_EQ(Boxes(), Texts{});
    ASSERT_TRUE(Pump_Until([&] { return half_way.load(); }));
    try_edits("3333", "Typed During Download");
    go_on = true;
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_EQ(Log_Box(), Started + Succeeded);
    EXPECT_EQ(Boxes(), Texts{});

    const Bytes& flash = Flash(0);
    const auto burnt = Create_Firmware_Object(flash.data(), Download_Size);
    ASSERT_NE(burnt, nullptr);
    String_Buffer_260 text;
    EXPECT_EQ(burnt->Get_PID(1, nullptr), 0x4444);
    EXPECT_EQ(std::string(burnt->Get_Product_String(text, 1, nullptr).Text()), "NEWNAME");
    EXPECT_EQ(std::string(burnt->Get_Manufacturer_String(text, 1, nullptr).Text()), "NEWMAKER");
    // The camera controls and the video formats as loaded.
    const auto brightness_of = [](const std::uint8_t* image) {
        std::int32_t value = -1;
        Firmware_IQ_Adjust_Class_2688(image + IQ_Block_Offset).Get_IQ_Control(0, IQ_Field_Default, &value);
        return value;
    };
    EXPECT_EQ(brightness_of(flash.data()), brightness_of(loaded->Build_Output_Image()));
    EXPECT_NE(brightness_of(flash.data()), 10);
    const Descriptor_Set* loaded_set = loaded->Get_Edited_Descriptor_Set();
    const Descriptor_Set* burnt_set = burnt->Get_Edited_Descriptor_Set();
    ASSERT_TRUE(loaded_set != nullptr && burnt_set != nullptr);
    EXPECT_EQ(burnt_set->Mjpeg_Frames.size(), loaded_set->Mjpeg_Frames.size());
    EXPECT_EQ(burnt_set->Uncompressed_Frames.size(), loaded_set->Uncompressed_Frames.size());
    EXPECT_EQ(Position(dlg.m_Page2, 1088), brightness);

    CString vid, pid, bcd;
    vid.Format("%04x", burnt->Get_VID(1, nullptr));
    pid.Format("%04x", burnt->Get_PID(1, nullptr));
    bcd.Format("%04x", burnt->Get_BcdDevice(1, nullptr));
    EXPECT_EQ(Record_Section("DownloadInfo"),
              "[DownloadInfo]\r\nvid=" + std::string(vid) + "\r\npid=" + std::string(pid) + "\r\nbcd=" +
                  std::string(bcd) + "\r\niproduct=NEWNAME\r\nimanufacture=NEWMAKER\r\niserialnumber=" +
                  std::string(burnt->Get_Serial_String(text, 1, nullptr).Text()) + "\r\n");
    EXPECT_TRUE(dlg.m_Page1.IsWindowEnabled() && dlg.m_Page2.IsWindowEnabled() &&
                dlg.m_Page3.IsWindowEnabled());
    EXPECT_TRUE(Is_Enabled(dlg, 1016));
}

// A string the burn does not write is not recorded as written: a camera without strings selected
// after the load leaves the product as the image has it, whatever its page shows.
TEST_F(Burn_Camera, TheRecordSaysTheImagesStringWhereTheTypedOneIsNotWritten) {
    const std::string no_road =
        R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x80"})";
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Two_Cameras(no_road, "", no_road, ""));
    Load_Demo_Image("SPCA2650");
    Select(dlg, 1016, 1);
    Click(dlg.m_Page1, 1075);
    Type(dlg.m_Page1, 1034, "NEWNAME", true);
    Click_Download();
    ASSERT_TRUE(Run_Until_Burn_Ends());
    ASSERT_EQ(Log_Box(), Started + Succeeded);
    const auto burnt = Create_Firmware_Object(Flash(1).data(), Download_Size);
    ASSERT_NE(burnt, nullptr);
    String_Buffer_260 text;
    const std::string product(burnt->Get_Product_String(text, 1, nullptr).Text());
    EXPECT_NE(product, "NEWNAME");
    EXPECT_NE(Record_Section("DownloadInfo").find("\r\niproduct=" + product + "\r\n"), std::string::npos)
        << Record_Section("DownloadInfo");
}

// A camera another program holds for its own burn is neither asked nor written.
TEST_F(Burn_Camera, APlaceAnotherProgramHoldsIsRefusedBeforeTheCameraIsAsked) {
    struct Shared_Host : Simulated_Backend {
        std::unique_ptr<platform::Camera_Hold> Hold_Camera_Place(const std::string&, std::uint32_t,
                                                                 std::string& why) override {
            why = "another program burns it";
            return nullptr;
        }
    };
    const Scenario demo = Demo_Scenario();
    Install_Host(&demo, std::make_shared<Shared_Host>());
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
    Load_Demo_Image("SPCA2620");
    const std::uint64_t requests = Requests(0);
    const Bytes flash = Flash(0);
    Click_Download();
    EXPECT_EQ(Boxes(), Texts{"该设备正被另一个程序使用，未写入任何数据！"});
    EXPECT_EQ(Requests(0), requests);
    EXPECT_TRUE(Flash(0) == flash);
    EXPECT_TRUE(Burn_Button_Idle());
    EXPECT_FALSE(dlg.Is_Burn_Under_Way());
}

} // namespace
} // namespace zunq::application::tests
