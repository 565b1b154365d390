#include "Burn_Tool.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "Download_State.h"
#include "test_images/Demo_Images.h"

namespace zunq::application::tests {

const std::string Flash_2620 =
    R"("flash": {"jedec": "C8 40 13", "id_90": "C8 12", "id_ab": "12", "size": 524288})";
const std::string Flash_2650 = R"("flash": {"jedec": "E0 40 13", "size": 524288})";

Scenario Cameras_On_Root_Hub(const std::vector<std::string>& members) {
    std::string cameras;
    for (std::size_t i = 0; i < members.size(); ++i)
        cameras += (i == 0 ? "" : ", ") +
                   std::string(R"({"usb": {"vid": "0x0C45", "pid": "0x6366", "hub": "ROOT",
            "port": )") +
                   std::to_string(i + 1) + "}, " + members[i] + "}";
    return Parse(R"({"hubs": [{"name": "ROOT", "ports": 4}], "cameras": [)" + cameras + "]}");
}

// The library prints a line for every step of a download: kept out of the test's output.
Burn_Tool::Burn_Tool() {
    testing::internal::CaptureStderr();
    services.on_clock_advance = [this](std::uint64_t milliseconds) {
        if (backend)
            backend->Advance_Clock(milliseconds);
    };
}

Burn_Tool::~Burn_Tool() {
    dialog.reset();
    testing::internal::GetCapturedStderr();
}

Bytes Burn_Tool::Demo_Image(const std::string& family) {
    for (const auto& demo : test_images::Demo_Images())
        if (demo.Family == family)
            return demo.Image;
    ADD_FAILURE() << "no demo image for " << family;
    return {};
}

bool Burn_Tool::Run_Until_Burn_Ends() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Dlg().Is_Burn_Under_Way()) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        services.Advance_Clock(ZUNQ_USB_CAMDlg::Burn_Timer_Period_Ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

const Bytes& Burn_Tool::Flash(int camera) {
    return cameras.at(static_cast<std::size_t>(camera))->Flash().Part()->Contents();
}

Bytes Burn_Tool::Download_Image() const {
    return {Download_Buffer.get(), Download_Buffer.get() + Download_Size};
}

} // namespace zunq::application::tests
