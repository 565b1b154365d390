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
#include "test_images/Image_Builder.h"

namespace zunq::application::tests {

using platform::simulated::Scenario;
using platform::simulated::Simulated_Backend;
using platform::simulated::Simulated_Camera;
using namespace zunq::ui::testing;
using test_images::Bytes;
using Texts = std::vector<std::string>;

Scenario Demo_Scenario();
Scenario Parse(const std::string& json);

// `bytes` written into the file `path`, whose name it gives back; a file's whole contents.
std::string Write_File(const std::filesystem::path& path, const Bytes& bytes);
std::string Read_File(const std::filesystem::path& path);

// A 256 KB image whose configurations all stream `formats`, with stills by `still_method` and,
// with `microphone`, an audio function.
Bytes Video_Image(std::vector<test_images::Format_Description> formats, std::uint8_t still_method = 1,
                  bool microphone = false);

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

    // Installs the scenario's cameras as the host's, on `simulated` when given; `scenario`
    // null: the null backend.
    void Install_Host(const Scenario* scenario, std::shared_ptr<Simulated_Backend> simulated = nullptr);
    // Creates the main dialog on the installed host, shown unless `shown` is false: Qt paints
    // on pooled threads of its own that the thread sanitizer cannot follow, so the threaded
    // tests keep it hidden.
    ZUNQ_USB_CAMDlg& Start_Dialog(bool shown = true);
    ZUNQ_USB_CAMDlg& Start_Dialog(const Scenario& scenario, bool shown = true) {
        Install_Host(&scenario);
        return Start_Dialog(shown);
    }

    // The dialog the helpers drive: the test's own, or one the application object runs.
    ZUNQ_USB_CAMDlg& Dlg() { return running != nullptr ? *running : *dialog; }
    ZUNQ_USB_CAMDlg* running = nullptr;
    // "加载程序", the file dialog answering `path` (nullopt: cancelled).
    void Load(std::optional<std::string> path);
    // `bytes` written into the working directory as `name`; the file's path.
    std::string Write_Image(const std::filesystem::path& name, const Bytes& bytes) {
        return Write_File(working_directory.Path() / name, bytes);
    }

    // Plugging, with the notification handled by the dialog.
    Simulated_Backend::Usb_Place Unplug(int camera);
    void Plug(int camera, Simulated_Backend::Usb_Place place);

    // The requests camera `camera` received so far.
    std::uint64_t Requests(int camera) const;
    // Clicks camera `camera` in the list; the requests of the one flash-model read it makes.
    std::uint64_t Select_Camera(int camera);

    // The texts of the device panel, statics 1018 to 1023.
    Texts Device_Panel();
    // The texts of the message boxes shown since the last call.
    Texts Boxes();

    Temporary_Working_Directory working_directory;
    Scripted_Services services;
    std::shared_ptr<Simulated_Backend> backend;
    std::vector<std::shared_ptr<Simulated_Camera>> cameras;
    Backend_Device_Changes device_changes;
    bool watch_device_changes = true; // false: the host's changes reach no dialog
    std::unique_ptr<ZUNQ_USB_CAMDlg> dialog;

private:
    std::optional<platform::Scoped_Backend> installed_;
};

} // namespace zunq::application::tests
