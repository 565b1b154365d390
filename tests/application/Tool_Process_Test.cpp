// The tool as a process of its own (the program of this build tree, offscreen, on the demo's
// simulated cameras): a termination signal sent the moment it starts is not lost, and one sent
// while a message box waits for an answer ends the tool all the same.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/Demo_Tool_Environment.h"

namespace {

// Until the tool's handlers are in place a termination signal would end it at once, and no
// code of the tool runs before the dynamic loader has linked its libraries. A parent that must
// not lose the signal starts the tool with it blocked, so it waits pending; the tool unblocks
// it once its handler is in place, and then ends as its close box ends it, with status 0. The
// signal is sent as soon as the tool's process exists: nothing races the start.
// Starts the tool in `folder` with `blocked` held (pending until its handler is in place).
pid_t Start_Tool(const std::string& folder, int blocked) {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, blocked);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &held);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<std::string> environment = zunq::tests::Demo_Tool_Environment();
    std::vector<char*> envp = zunq::tests::Environment_Pointers(environment);
    char tool[] = ZUNQ_TOOL_PATH;
    char* argv[] = {tool, nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, tool, &actions, &attributes, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return spawned == 0 ? child : -1;
}

// A tool that never takes the signal would never end: it is given a minute, then killed.
// Answers whether it ended in time, and checks that it ended with status 0.
bool Expect_Clean_End(pid_t child) {
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    pollfd watch{ended, POLLIN, 0};
    const bool in_time = ended >= 0 && poll(&watch, 1, 60'000) == 1;
    if (!in_time)
        kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (ended >= 0)
        close(ended);
    EXPECT_TRUE(!in_time || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << (WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status))
                                : "status " + std::to_string(WEXITSTATUS(status)));
    return in_time;
}

std::string Read_File(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Until the tool's handlers are in place a termination signal would end it at once, and no
// code of the tool runs before the dynamic loader has linked its libraries. A parent that must
// not lose the signal starts the tool with it blocked, so it waits pending; the tool unblocks
// it once its handler is in place, and then ends as its close box ends it, with status 0. The
// signal is sent as soon as the tool's process exists: nothing races the start.
TEST(Tool_Process, ATerminationSignalSentAsTheToolStartsEndsItAsItsCloseBoxDoes) {
    // A closed terminal (SIGHUP) and Ctrl+\ (SIGQUIT) too: the tool must not end in the middle
    // of a burn for them.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(sigabbrev_np(signal));
        std::string folder = (std::filesystem::temp_directory_path() / "zunq-process-XXXXXX").string();
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        const pid_t child = Start_Tool(folder, signal);
        ASSERT_GT(child, 0) << "cannot start " ZUNQ_TOOL_PATH;
        ASSERT_EQ(kill(child, signal), 0);
        const bool in_time = Expect_Clean_End(child);
        std::filesystem::remove_all(folder);
        EXPECT_TRUE(in_time) << "the tool did not end: the signal stayed blocked";
    }
}

// The record of the last burn names an image that no longer passes the check, so the tool
// starts with the box "固件校检失败！" up, before its dialog is shown; nobody answers it. The
// signal ends the box and the tool, and the record stays as it was for the next start.
TEST(Tool_Process, ATerminationSignalEndsTheToolWhileItsStartUpBoxWaits) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        std::string folder = (std::filesystem::temp_directory_path() / "zunq-process-XXXXXX").string();
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        const std::filesystem::path image = std::filesystem::path(folder) / "camera.bin";
        std::string bytes(0x40000, '\0');
        std::mt19937 random(7);
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        std::ofstream(image, std::ios::binary) << bytes;
        const std::string identity = "vid=0c45\r\npid=6366\r\nbcd=0101\r\niproduct=ZUNQ 8M USB Camera\r\n"
                                     "imanufacture=ZUNQ\r\niserialnumber=ZQ8M-0001\r\n";
        const std::string record = "[LoadBin]\r\n" + identity + "[SourceFileInfo]\r\n" + identity +
                                   "iaudioproduct=" + image.string() + "\r\n[DownloadInfo]\r\n" + identity +
                                   "[Date]\r\nYear_Month_Day=2026/12/5\r\nHour_Minute_Second=9:5:3\r\n";
        std::ofstream(std::filesystem::path(folder) / "info.ini", std::ios::binary) << record;

        const pid_t child = Start_Tool(folder, signal);
        ASSERT_GT(child, 0) << "cannot start " ZUNQ_TOOL_PATH;
        // The box is up well within this; were it not yet, the signal would still be taken
        // first in the box's own event loop, the first the tool runs.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        ASSERT_EQ(kill(child, signal), 0);
        const bool in_time = Expect_Clean_End(child);
        EXPECT_EQ(Read_File(std::filesystem::path(folder) / "info.ini"), record);
        EXPECT_EQ(Read_File(image), bytes);
        std::filesystem::remove_all(folder);
        EXPECT_TRUE(in_time) << "the tool did not end: the box waited for an answer";
    }
}

} // namespace
