#include "platform/Backend.h"

#include <gtest/gtest.h>

#include "platform/simulated/Simulated_Backend.h"

namespace {

using platform::simulated::Simulated_Backend;

TEST(Backend, ScopedBackendsNestAndTheNullBackendIsNeverMissing) {
    const auto null_backend = platform::Current_Backend();
    EXPECT_EQ(&null_backend->Clock(), &platform::Real_Clock());
    {
        auto simulated = std::make_shared<Simulated_Backend>();
        platform::Scoped_Backend installed(simulated);
        {
            platform::Scoped_Backend nested(std::make_shared<Simulated_Backend>());
            EXPECT_NE(platform::Current_Backend(), simulated);
        }
        EXPECT_EQ(platform::Current_Backend(), simulated);
    }
    EXPECT_EQ(platform::Current_Backend(), null_backend);
    EXPECT_EQ(platform::Install_Backend(nullptr), null_backend);
    EXPECT_EQ(&platform::Current_Backend()->Clock(), &platform::Real_Clock());
    EXPECT_EQ(null_backend->Usb().Open_Device_Set(&platform::Usb_Device_Interface_Class), nullptr)
        << "the null backend has no USB devices";
}

TEST(Backend, SleepGoesThroughTheInstalledVirtualClockWithoutWaiting) {
    auto backend = std::make_shared<Simulated_Backend>();
    platform::Scoped_Backend installed(backend);
    platform::Sleep(10);
    platform::Sleep(3600 * 1000); // an hour of virtual time costs nothing
    EXPECT_EQ(backend->Log().Pauses(), (std::vector<std::uint32_t>{10, 3600 * 1000}));
    EXPECT_EQ(backend->Virtual_Time().Now_Ms(), 10u + 3600 * 1000);
}

} // namespace
