#pragma once
// The tool's main dialog on simulated cameras, driven headless: a scenario's cameras as the
// installed backend, their plugging delivered to the dialog, the dialog services scripted.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Backend_Device_Changes.h"
#include "ZUNQ_USB_CAMDlg.h"
#include "platform/simulated/Scenario.h"
#include "platform/ui/testing/headless.h"

namespace zunq::application::tests {

using platform::simulated::Scenario;
using platform::simulated::Simulated_Backend;
using platform::simulated::Simulated_Camera;
using namespace zunq::ui::testing;

Scenario Demo_Scenario();
Scenario Parse(const std::string& json);

// A new empty folder for a test's files: `prefix` and a unique ending, under the system's
// temporary folder.
std::filesystem::path Make_Test_Folder(const std::string& prefix);

// A fresh temporary folder as the working directory while it lives, so that the files the
// tool keeps there ("./info.ini", "log.txt") are each test's own.
class Temporary_Working_Directory {
public:
    Temporary_Working_Directory();
    ~Temporary_Working_Directory();
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path previous_, path_;
};

class Tool_Test : public ::testing::Test {
protected:
    Tool_Test();
    ~Tool_Test() override;

    // Installs the scenario's cameras as the host's; `scenario` null: the null backend.
    void Install_Host(const Scenario* scenario);
    // Creates the main dialog on the installed host, shown unless `shown` is false: Qt paints
    // on pooled threads of its own that the thread sanitizer cannot follow, so the threaded
    // tests keep it hidden.
    ZUNQ_USB_CAMDlg& Start_Dialog(bool shown = true);
    ZUNQ_USB_CAMDlg& Start_Dialog(const Scenario& scenario, bool shown = true) {
        Install_Host(&scenario);
        return Start_Dialog(shown);
    }

    // Plugging, with the notification handled by the dialog.
    Simulated_Backend::Usb_Place Unplug(int camera);
    void Plug(int camera, Simulated_Backend::Usb_Place place);

    // The texts of the device panel, statics 1018 to 1023.
    std::vector<std::string> Device_Panel();
    // The texts of the message boxes shown since the last call.
    std::vector<std::string> Boxes();

    Temporary_Working_Directory working_directory;
    Scripted_Services services;
    std::shared_ptr<Simulated_Backend> backend;
    std::vector<std::shared_ptr<Simulated_Camera>> cameras;
    Backend_Device_Changes device_changes;
    std::unique_ptr<ZUNQ_USB_CAMDlg> dialog;

private:
    std::optional<platform::Scoped_Backend> installed_;
};

} // namespace zunq::application::tests
