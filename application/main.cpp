// The tool's entry point: the backend is chosen, device changes are connected to the dialogs,
// and the class-library layer runs the application object.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Backend_Device_Changes.h"
#include "Choose_Backend.h"
#include "ZUNQ_USB_CAM.h"
#include "platform/Backend.h"
#include "platform/ui/dialog.h"
#include "resources/resources.h"

namespace {

// ZUNQ_SF_PAINTED_FD=N: once the main dialog has first been painted, "painted\n" is written to
// the open file descriptor N, which is then closed. A parent that starts the tool with the
// writing end of a pipe as N learns when the tool is up (the start-up benchmark does). Unset,
// empty or not a descriptor number: nothing is written.
void Tell_Parent_When_Painted() {
    const char* named = std::getenv("ZUNQ_SF_PAINTED_FD");
    if (named == nullptr || *named == '\0')
        return;
    char* end = nullptr;
    const long fd = std::strtol(named, &end, 10);
    if (*end != '\0' || fd < 0 || fd > 65535)
        return;
    zunq::ui::Call_When_Main_Window_First_Painted([fd] {
        constexpr char Painted[] = "painted\n";
        [[maybe_unused]] const ssize_t written = ::write(static_cast<int>(fd), Painted, sizeof Painted - 1);
        ::close(static_cast<int>(fd));
    });
}

// Ctrl+C, Ctrl+\, a `kill` and a closed terminal close the dialog as its close box does (after
// a burn under way), so the device list is released and every camera given back to its kernel
// driver; one that comes during the start closes the dialog as soon as it is up. Until the
// handlers are installed, such a signal ends the process at once: they are installed before any
// initialiser runs, the shared libraries' and this program's static objects' included (the
// .preinit_array runs right after the dynamic loader). What comes before that, the loader
// mapping and linking the libraries, no code of the program can shorten; a parent that must not
// lose a signal starts the tool with the signals blocked (they are unblocked with the handlers
// in place).
void Catch_Termination_Signals_First(int, char**, char**) {
    zunq::ui::Close_Main_Window_On_Termination_Signals();
}
[[gnu::section(".preinit_array"),
  gnu::used]] void (*Before_Initialisers)(int, char**, char**) = Catch_Termination_Signals_First;

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const bool chosen = Choose_Backend(error);
    if (!error.empty())
        std::fprintf(stderr, "zunq_sf_tool: %s\n", error.c_str());
    if (!chosen)
        return 2;
    Tell_Parent_When_Painted();
    int result = 0;
    {
        Backend_Device_Changes device_changes;
        zunq::ui::Install_Device_Change_Source(&device_changes);
        result = AfxWinMain(argc, argv, zunq::resources::Tool_Resources());
        zunq::ui::Install_Device_Change_Source(nullptr);
    }
    // The cameras end with the backend, here, while the rest of the process is still whole
    // (not among the static objects at exit): simulated ones stop their clock and write what
    // the scenario asked them to keep, such as a flash part's "save_to".
    platform::Install_Backend(nullptr);
    // A burn that a termination signal waited for and that failed leaves a half-written camera:
    // a supervising script learns it from the status.
    return result != 0 ? result : theApp.m_nExitStatus;
}
