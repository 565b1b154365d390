// The tool as a process of its own (the program of this build tree, offscreen, on the demo's
// simulated cameras): a termination signal sent the moment it starts is not lost.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Demo_Tool_Environment.h"

namespace {

// Until the tool's handlers are in place a termination signal would end it at once, and no
// code of the tool runs before the dynamic loader has linked its libraries. A parent that must
// not lose the signal starts the tool with it blocked, so it waits pending; the tool unblocks
// it once its handler is in place, and then ends as its close box ends it, with status 0. The
// signal is sent as soon as the tool's process exists: nothing races the start.
TEST(Tool_Process, ATerminationSignalSentAsTheToolStartsEndsItAsItsCloseBoxDoes) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        std::string folder = (std::filesystem::temp_directory_path() / "zunq-process-XXXXXX").string();
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, signal);
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
        ASSERT_EQ(spawned, 0) << "cannot start " ZUNQ_TOOL_PATH;
        ASSERT_EQ(kill(child, signal), 0);

        // A tool that never takes the signal would never end: it is given a minute.
        const int ended = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
        pollfd watch{ended, POLLIN, 0};
        const bool in_time = ended >= 0 && poll(&watch, 1, 60'000) == 1;
        if (!in_time)
            kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        if (ended >= 0)
            close(ended);
        std::filesystem::remove_all(folder);
        EXPECT_TRUE(in_time) << "the tool did not end: the signal stayed blocked";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << (WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status))
                                    : "status " + std::to_string(WEXITSTATUS(status)));
    }
}

} // namespace
