#include "Tool_Test.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>

#include "resources/resources.h"

namespace zunq::application::tests {

Scenario Demo_Scenario() {
    const auto load =
        platform::simulated::Load_Scenario_File(std::string(ZUNQ_SOURCE_DIR) + "/scenarios/demo.json");
    EXPECT_TRUE(load.Loaded) << load.Error;
    return load.Loaded.value_or(Scenario{});
}

Scenario Parse(const std::string& json) {
    const auto load = platform::simulated::Parse_Scenario(json);
    EXPECT_TRUE(load.Loaded) << load.Error;
    return load.Loaded.value_or(Scenario{});
}

std::string Write_File(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

std::string Read_File(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

Bytes Video_Image(std::vector<test_images::Format_Description> formats, std::uint8_t still_method,
                  bool microphone) {
    test_images::Image_2688_Description description;
    for (auto& configuration : description.Configurations) {
        configuration.Video->Formats = formats;
        configuration.Video->Still_Method = still_method;
        if (microphone)
            configuration.Audio = test_images::Audio_Function_Description{};
    }
    return test_images::Build_2688_Image(description);
}

std::filesystem::path Make_Test_Folder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    return pattern;
}

Temporary_Working_Directory::Temporary_Working_Directory()
    : previous_(std::filesystem::current_path()), path_(Make_Test_Folder("zunq-tool")) {
    std::filesystem::current_path(path_);
}

Temporary_Working_Directory::~Temporary_Working_Directory() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(path_);
}

Tool_Test::Tool_Test() {
    Start_Headless(resources::Tool_Resources());
}

Tool_Test::~Tool_Test() {
    dialog.reset();
    zunq::ui::Install_Device_Change_Source(nullptr);
}

// A dialog of the host before goes first: it holds that host's cameras and watches its changes.
void Tool_Test::Install_Host(const Scenario* scenario, std::shared_ptr<Simulated_Backend> simulated) {
    dialog.reset();
    installed_.reset();
    cameras.clear();
    backend.reset();
    if (scenario != nullptr) {
        backend = simulated != nullptr ? std::move(simulated) : std::make_shared<Simulated_Backend>();
        cameras = platform::simulated::Build_Scenario(*backend, *scenario);
    }
    installed_.emplace(backend);
    // The dialogs made from now on hear the new host's changes.
    zunq::ui::Install_Device_Change_Source(watch_device_changes ? &device_changes : nullptr);
}

ZUNQ_USB_CAMDlg& Tool_Test::Start_Dialog(bool shown) {
    dialog = std::make_unique<ZUNQ_USB_CAMDlg>();
    EXPECT_TRUE(dialog->Create(IDD_ZUNQ_USB_CAM_DIALOG));
    if (shown)
        dialog->ShowWindow(SW_SHOW);
    Pump();
    return *dialog;
}

void Tool_Test::Load(std::optional<std::string> path) {
    services.file_answers.push_back(std::move(path));
    Click(Dlg(), 1001);
}

Simulated_Backend::Usb_Place Tool_Test::Unplug(int camera) {
    const auto place = backend->Unplug_Camera(*cameras.at(static_cast<std::size_t>(camera)));
    Pump();
    return place;
}

void Tool_Test::Plug(int camera, Simulated_Backend::Usb_Place place) {
    EXPECT_TRUE(backend->Plug_Camera(*cameras.at(static_cast<std::size_t>(camera)), *place.Hub, place.Port));
    Pump();
}

std::uint64_t Tool_Test::Requests(int camera) const {
    return cameras.at(static_cast<std::size_t>(camera))->Request_Count();
}

std::uint64_t Tool_Test::Select_Camera(int camera) {
    const std::uint64_t before = Requests(camera);
    Select(Dlg(), 1016, camera);
    return Requests(camera) - before;
}

Texts Tool_Test::Device_Panel() {
    Texts texts;
    for (int id = 1018; id <= 1023; ++id)
        texts.push_back(Text(*dialog, id));
    return texts;
}

Texts Tool_Test::Boxes() {
    Texts texts;
    for (const auto& box : services.message_boxes)
        texts.push_back(box.text);
    services.message_boxes.clear();
    return texts;
}

} // namespace zunq::application::tests
