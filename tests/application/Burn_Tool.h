#pragma once
// The burn through the real dialog on simulated cameras: the cameras' clock kept in step with
// the dialog's, demo images written for loading, "下载" clicked with the mouse, and the clock run
// a timer period at a time while the worker downloads on its own thread.
#include <cstdint>
#include <string>
#include <vector>

#include "Tool_Test.h"

namespace zunq::application::tests {

// A scenario of cameras on ports 1, 2 ... of a root hub, each with its own keys (family, flash,
// registers, leaves ...) given as JSON members.
Scenario Cameras_On_Root_Hub(const std::vector<std::string>& members);
inline Scenario One_Camera(const std::string& members) {
    return Cameras_On_Root_Hub({members});
}

// The log box's lines of a burn: started, then succeeded or failed.
inline const std::string Started = "固件加载成功\r\n设备校检完成\r\n烧录开始\r\n烧录进行中...\r\n";
inline const std::string Succeeded = "烧录结束\r\n刷新配置信息\r\n烧录成功\r\n\r\n";
inline const std::string Failed = "固件校检失败\r\n烧录失败\r\n\r\n";

// Flash parts the demo's cameras carry, as scenario members, by the family that drives them.
extern const std::string Flash_2620;
extern const std::string Flash_2650;

class Burn_Tool : public Tool_Test {
protected:
    Burn_Tool();
    ~Burn_Tool() override;

    // The demo image of a chip family ("SPCA2620"), and that image written into the working
    // directory as "<family>.bin".
    static Bytes Demo_Image(const std::string& family);
    std::string Write_Demo_Image(const std::string& family) {
        return Write_Image(family + ".bin", Demo_Image(family));
    }
    void Load_Demo_Image(const std::string& family) { Load(Write_Demo_Image(family)); }
    // Clicks "下载" with the mouse; the burn runs up to the threads' start.
    void Click_Download() { Click(Dlg(), 1009); }
    // Runs the clock a timer period at a time, letting the worker run, until the burn is over;
    // false when it is not over within real seconds.
    bool Run_Until_Burn_Ends();
    // Runs the clock on by `milliseconds`.
    void Run_Clock(std::uint64_t milliseconds) { services.Advance_Clock(milliseconds); }

    std::string Log_Box() { return Text(Dlg(), 1068); }
    const Bytes& Flash(int camera);
    // What the burn writes, once it has started: the download buffer.
    Bytes Download_Image() const;
    bool Burn_Button_Idle() { return Text(Dlg(), 1009) == "下载" && Is_Enabled(Dlg(), 1009); }
};

} // namespace zunq::application::tests
