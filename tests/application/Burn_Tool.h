#pragma once
// The burn through the real dialog on simulated cameras: the cameras' clock kept in step with
// the dialog's, demo images written for loading, "下载" clicked with the mouse, and the clock run
// a timer period at a time while the worker downloads on its own thread.
#include <cstdint>
#include <string>
#include <vector>

#include "Tool_Test.h"

namespace zunq::application::tests {

// A scenario of one camera on port 1 of a root hub, with the camera's own keys (family, flash,
// registers, leaves ...) given as JSON members.
Scenario One_Camera(const std::string& members);

// Flash parts the demo's cameras carry, as scenario members, by the family that drives them.
extern const std::string Flash_2620;
extern const std::string Flash_2650;
extern const std::string Flash_2092;

class Burn_Tool : public Tool_Test {
protected:
    Burn_Tool();
    ~Burn_Tool() override;

    // The dialog the helpers drive: the test's own, or one the application object runs.
    ZUNQ_USB_CAMDlg& Dlg() { return running != nullptr ? *running : *dialog; }
    ZUNQ_USB_CAMDlg* running = nullptr;

    // The demo image of a chip family ("SPCA2620"), and its bytes written into a file.
    static std::vector<std::uint8_t> Demo_Image(const std::string& family);
    std::string Write_File(const std::string& name, const std::vector<std::uint8_t>& bytes);
    // "加载程序", the file dialog answering `path`.
    void Load(const std::string& path);
    void Load_Demo_Image(const std::string& family) { Load(Write_File(family + ".bin", Demo_Image(family))); }
    // Clicks "下载" with the mouse; the burn runs up to the threads' start.
    void Click_Download() { Click(Dlg(), 1009); }
    // Runs the clock a timer period at a time, letting the worker run, until the burn is over;
    // false when it is not over within real seconds.
    bool Run_Until_Burn_Ends();
    // Runs the clock on by `milliseconds`.
    void Run_Clock(std::uint64_t milliseconds) { services.Advance_Clock(milliseconds); }

    // The message boxes shown since the last call.
    std::vector<std::string> Boxes();
    std::string Log_Box() { return Text(Dlg(), 1068); }
    const std::vector<std::uint8_t>& Flash(int camera);
    // What the burn writes, once it has started: the download buffer.
    std::vector<std::uint8_t> Download_Image() const;
    bool Burn_Button_Idle() { return Text(Dlg(), 1009) == "下载" && Is_Enabled(Dlg(), 1009); }
};

} // namespace zunq::application::tests
