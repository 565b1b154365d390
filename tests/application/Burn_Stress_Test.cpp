// Many burns on the demo's cameras, each with cameras unplugged and plugged back, another camera
// moved onto the pressed one's place, selections, edits, loads, drops and close requests at
// moments a seed chooses: during the preparation's waits, from the user-interface thread between
// the clock's steps, and from whichever thread moves the cameras' clock (the worker's pauses
// among them). No burn may crash or race, each must end with the button back and the timer
// gone; no camera but the one selected at the press may be written, and every burn reported
// successful must have left exactly the image in that camera's flash and its identity in the
// record.
#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "Burn_Tool.h"
#include "Download_State.h"
#include "firmware_image/Firmware_Factory.h"

namespace zunq::application::tests {
namespace {

// The sanitizers slow every request several times over; a few seconds per run either way.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr unsigned Burns = 24;
#else
constexpr unsigned Burns = 32;
#endif

class Burn_Stress : public Burn_Tool {
protected:
    // Unplugs camera `i` if it is plugged, remembering where it was; any thread.
    void Unplug_Camera(std::size_t i) {
        const auto place = backend->Unplug_Camera(*cameras[i]);
        const std::lock_guard lock(mutex);
        if (place.Hub != nullptr)
            unplugged[i] = place;
    }
    // Plugs back every camera unplugged or moved so far, each on its own place (one back by
    // itself meanwhile stays as it is).
    void Plug_Back() {
        std::map<std::size_t, Simulated_Backend::Usb_Place> places;
        std::set<std::size_t> moved_away;
        {
            const std::lock_guard lock(mutex);
            places.swap(unplugged);
            moved_away.swap(moved);
        }
        for (const std::size_t i : moved_away)
            backend->Unplug_Camera(*cameras[i]);
        for (const auto& [i, place] : places)
            backend->Plug_Camera(*cameras[i], *place.Hub, place.Port);
    }
    // Moves camera `i` onto camera `onto`'s place, if both are plugged.
    void Move_Onto(std::size_t i, std::size_t onto) {
        if (i == onto)
            return;
        const auto place = backend->Unplug_Camera(*cameras[onto]);
        if (place.Hub == nullptr)
            return;
        const auto home = backend->Unplug_Camera(*cameras[i]);
        const std::lock_guard lock(mutex);
        unplugged[onto] = place;
        if (home.Hub == nullptr)
            return;
        unplugged[i] = home;
        if (backend->Plug_Camera(*cameras[i], *place.Hub, place.Port))
            moved.insert(i);
    }
    // The record's DownloadInfo as the flash's image gives it.
    static std::string Identity_Of(const Bytes& flash, std::uint32_t size) {
        const auto image = Create_Firmware_Object(flash.data(), size);
        if (image == nullptr)
            return "no image";
        String_Buffer_260 text;
        CString ids;
        ids.Format("vid=%04x\r\npid=%04x\r\nbcd=%04x\r\n", image->Get_VID(1, nullptr),
                   image->Get_PID(1, nullptr), image->Get_BcdDevice(1, nullptr));
        std::string identity =
            std::string(ids) + "iproduct=" + std::string(image->Get_Product_String(text, 1, nullptr).Text());
        identity +=
            "\r\nimanufacture=" + std::string(image->Get_Manufacturer_String(text, 1, nullptr).Text());
        return identity +
               "\r\niserialnumber=" + std::string(image->Get_Serial_String(text, 1, nullptr).Text()) + "\r\n";
    }
    std::string Download_Info() {
        const std::string text = Read_File(working_directory.Path() / "info.ini");
        const auto start = text.find("[DownloadInfo]\r\n");
        if (start == std::string::npos)
            return "";
        const auto from = start + std::string("[DownloadInfo]\r\n").size();
        return text.substr(from, text.find('[', from) - from);
    }

    // The camera selected, or -1.
    int Selected_Camera() {
        const Device_Info_Record selected =
            Device_List_Get_Info(Dlg().m_hDeviceList, Dlg().m_nSelectedDevice);
        for (std::size_t i = 0; i < cameras.size(); ++i)
            if (selected.Device_Path[0] != '\0' &&
                cameras[i]->Video_Input().Device_Path == selected.Device_Path)
                return static_cast<int>(i);
        return -1;
    }

    // A timer period of the clock is a few percent of a real download: the worker runs on until
    // it is `percent` further, has failed or has ended, whatever the speed of the build.
    static void Let_The_Worker_Run(ZUNQ_USB_CAMDlg& dlg, unsigned percent) {
        const float until = Read_Download_Progress() + static_cast<float>(percent);
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (Read_Download_Progress() < until && Download_Result.load() == 0 &&
               !dlg.m_BurnThreads.Worker_Ended() && std::chrono::steady_clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }

    std::mutex mutex;
    std::map<std::size_t, Simulated_Backend::Usb_Place> unplugged;
    std::set<std::size_t> moved; // plugged onto another camera's place
};

TEST_F(Burn_Stress, SeededBurnsWithChangesAtRandomMomentsEndCleanly) {
    // The demo, and a twin of lab-56 beside it on the external hub: a camera that can take lab-56's
    // image, so that a burn gone astray writes it.
    std::string demo = Read_File(std::string(ZUNQ_SOURCE_DIR) + "/scenarios/demo.json");
    demo.insert(demo.rfind(']'), R"(, {"name": "lab-56-twin", "family": "SPCA2650",
        "registers": {"0x20FF": "0x00", "0x2310": "0x00"},
        "flash": {"name": "BG25Q40A", "jedec": "E0 40 13", "size": 524288},
        "usb": {"vid": "0x0C45", "pid": "0x6380", "bcd": "0x0300", "manufacturer": "ZUNQ",
                "product": "ZUNQ 5M USB Camera", "serial": "ZQ56-0006",
                "hub": "USB#VID_3F3F&PID_0004#5&1a2b3c4d&0&4#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", "port": 2},
        "leaves": [{"write": {"0x20D8": "0x5A"}, "back_after_ms": 2500, "registers": {"0x20FF": "0x80"}},
                   {"restart": true, "back_after_ms": 2000}]})");
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Parse(demo), false);
    std::vector<std::string> images;
    for (const auto& camera : cameras)
        images.push_back(Write_Demo_Image(camera->Model().Name));
    int successes = 0;
    for (unsigned seed = 1; seed <= Burns; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const auto chance = [&](unsigned percent) { return random() % 100 < percent; };
        const auto any_camera = [&] { return static_cast<std::size_t>(random() % cameras.size()); };

        // The camera and, mostly, its own image.
        Select(dlg, 1016, static_cast<int>(random() % std::max<std::size_t>(Items(dlg, 1016).size(), 1)));
        const int chosen = Selected_Camera();
        const std::size_t image = chance(75) && chosen >= 0 ? static_cast<std::size_t>(chosen) : any_camera();
        chance(50) ? Load(images[image]) : Drop_Files(dlg, {images[image]});
        // Cameras leaving and coming back while the burn prepares and downloads, another one
        // moved onto the selected one's place, and what the operator does during the waits.
        const int target = Selected_Camera();
        for (unsigned change = random() % 3; change > 0; --change) {
            const std::size_t i = any_camera();
            backend->After(random() % 4000, [this, i] { Unplug_Camera(i); });
            backend->After(random() % 6000, [this] { Plug_Back(); });
        }
        if (target >= 0 && chance(40)) {
            const std::size_t i = any_camera();
            backend->After(random() % 4000,
                           [this, i, target] { Move_Onto(i, static_cast<std::size_t>(target)); });
        }
        // A PID of this burn's own, typed only after the press: never burnt.
        CString typed_pid;
        typed_pid.Format("%04x", 0x7000 + seed);
        for (unsigned action = 1 + random() % 4; action > 0; --action) {
            const unsigned what = random() % 4;
            const int index = static_cast<int>(random() % 7) - 1;
            const std::size_t other = any_camera();
            services.At(random() % 4000, [&, what, index, other, typed_pid] {
                switch (what) {
                case 0:
                    Select(dlg, 1016, index);
                    break;
                case 1:
                    Type(dlg.m_Page1, 1032, typed_pid.GetString(), true);
                    break;
                case 2:
                    Drop_Files(dlg, {images[other]});
                    break;
                default:
                    Load(images[other]);
                    break;
                }
            });
        }
        std::vector<Bytes> flashes_before;
        for (std::size_t i = 0; i < cameras.size(); ++i)
            flashes_before.push_back(Flash(static_cast<int>(i)));

        const std::string log_before = Log_Box();
        Click_Download();
        const Bytes image_burnt = Download_Image();
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (dlg.Is_Burn_Under_Way()) {
            ASSERT_LT(std::chrono::steady_clock::now(), give_up);
            switch (random() % 8) {
            case 0:
                Select(dlg, 1016, static_cast<int>(random() % 7) - 1);
                break;
            case 1:
                Load(images[any_camera()]);
                break;
            case 2:
                Drop_Files(dlg, {images[any_camera()]});
                break;
            case 3:
                if (chance(30))
                    Close(dlg);
                break;
            case 4:
                Unplug_Camera(any_camera());
                break;
            default:
                break;
            }
            Run_Clock(ZUNQ_USB_CAMDlg::Burn_Timer_Period_Ms);
            Let_The_Worker_Run(dlg, random() % 10);
        }

        EXPECT_TRUE(Burn_Button_Idle());
        EXPECT_FALSE(services.Timer_Running(dlg, ZUNQ_USB_CAMDlg::Burn_Timer_Id));
        const std::string outcome = Log_Box().substr(log_before.size());
        for (std::size_t i = 0; i < cameras.size(); ++i) {
            if (static_cast<int>(i) == target)
                continue;
            EXPECT_TRUE(Flash(static_cast<int>(i)) == flashes_before[i]) << cameras[i]->Name() << " written";
        }
        if (outcome.find("烧录成功") != std::string::npos) {
            ++successes;
            ASSERT_GE(target, 0);
            const auto& flash = Flash(target);
            EXPECT_TRUE(std::equal(image_burnt.begin(), image_burnt.end(), flash.begin()))
                << cameras[static_cast<std::size_t>(target)]->Name();
            EXPECT_EQ(Download_Info(), Identity_Of(flash, static_cast<std::uint32_t>(image_burnt.size())));
            EXPECT_EQ(Download_Info().find("pid=" + std::string(typed_pid)), std::string::npos)
                << "typed after the press";
        }
        Plug_Back();
        Run_Clock(7000); // every camera back from its restart and the changes above
        Plug_Back();
        Run_Clock(100);
        services.message_boxes.clear();
    }
    EXPECT_GT(successes, 0);
}

} // namespace
} // namespace zunq::application::tests
