// Many burns on the demo's cameras, each with cameras unplugged and plugged back, selections,
// loads, drops and close requests at moments a seed chooses: from the user-interface thread
// between the clock's steps, and from whichever thread moves the cameras' clock (the worker's
// pauses among them). No burn may crash or race, each must end with the button back and the
// timer gone, and every burn reported successful must have left exactly the image in the
// camera's flash.
#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "Burn_Tool.h"
#include "Download_State.h"

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
    // Plugs back every camera unplugged so far (one back by itself meanwhile stays as it is).
    void Plug_Back() {
        std::map<std::size_t, Simulated_Backend::Usb_Place> places;
        {
            const std::lock_guard lock(mutex);
            places.swap(unplugged);
        }
        for (const auto& [i, place] : places)
            backend->Plug_Camera(*cameras[i], *place.Hub, place.Port);
    }
    // The demo camera on the selected camera's hub port, or -1.
    int Selected_Camera() {
        const Device_Info_Record selected =
            Device_List_Get_Info(Dlg().m_hDeviceList, Dlg().m_nSelectedDevice);
        for (std::size_t i = 0; i < places.size(); ++i)
            if (places[i].first == selected.Hub_Port_Path && places[i].second == selected.Port_Number)
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
    std::vector<std::pair<std::string, std::uint32_t>> places; // each demo camera's hub and port
};

TEST_F(Burn_Stress, SeededBurnsWithChangesAtRandomMomentsEndCleanly) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario(), false);
    std::vector<std::string> images;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        const Device_Info_Record record =
            Device_List_Get_Info(dlg.m_hDeviceList, static_cast<std::uint32_t>(i));
        places.emplace_back(record.Hub_Port_Path, record.Port_Number);
        images.push_back(Write_Demo_Image(cameras[i]->Model().Name));
    }
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
        // Cameras leaving and coming back while the burn prepares and downloads.
        for (unsigned change = random() % 3; change > 0; --change) {
            const std::size_t i = any_camera();
            backend->After(random() % 4000, [this, i] { Unplug_Camera(i); });
            backend->After(random() % 6000, [this] { Plug_Back(); });
        }

        const std::string log_before = Log_Box();
        Click_Download();
        const int target = dlg.Is_Burn_Under_Way() ? Selected_Camera() : -1;
        const Bytes image_burnt = Download_Image();
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (dlg.Is_Burn_Under_Way()) {
            ASSERT_LT(std::chrono::steady_clock::now(), give_up);
            switch (random() % 8) {
            case 0:
                Select(dlg, 1016, static_cast<int>(random() % 6) - 1);
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
        if (outcome.find("烧录成功") != std::string::npos) {
            ++successes;
            ASSERT_GE(target, 0);
            const auto& flash = Flash(target);
            EXPECT_TRUE(std::equal(image_burnt.begin(), image_burnt.end(), flash.begin()))
                << cameras[static_cast<std::size_t>(target)]->Name();
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
