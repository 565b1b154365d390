// The platform layer's basics: the installed backend, its clock, and GUID texts.
#include "platform/Backend.h"

#include <gtest/gtest.h>

#include "platform/Guid.h"
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

using platform::Format_Guid;
using platform::GUID;
using platform::Parse_Guid;

constexpr GUID Example = platform::Guid_Literal("{65E8773D-8F56-11D0-A3B9-00A0C9223196}");

TEST(Guid, ParsesTheRegistryFormInEitherCaseWithOrWithoutBraces) {
    EXPECT_EQ(Example.Data1, 0x65E8773Du);
    EXPECT_EQ(Example.Data2, 0x8F56);
    EXPECT_EQ(Example.Data3, 0x11D0);
    EXPECT_EQ(Example.Data4, (std::array<std::uint8_t, 8>{0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}));
    EXPECT_EQ(Parse_Guid("65e8773d-8f56-11d0-a3b9-00a0c9223196"), Example);
    EXPECT_EQ(Format_Guid(Example), "{65E8773D-8F56-11D0-A3B9-00A0C9223196}"); // and back: fuzzed
}

TEST(Guid, RefusesEveryMalformedText) {
    for (const char* text : {
             "",
             "{65E8773D-8F56-11D0-A3B9-00A0C9223196",  // one brace alone
             "65E8773D-8F56-11D0-A3B9-00A0C9223196}",  // the other one
             "{65E8773D-8F56-11D0-A3B900A0C9223196}",  // a dash missing
             "{65E8773D-8F56-11D0-A3B9-00A0C922319}",  // a digit short
             "{65E8773D+8F56-11D0-A3B9-00A0C9223196}", // a dash misplaced
             "{65E8773G-8F56-11D0-A3B9-00A0C9223196}", // not a hex digit, in each field
             "{65E8773D-8F56-11DG-A3B9-00A0C9223196}",
             "{65E8773D-8F56-11D0-A3B9-00A0C922319G}",
             "{65E8773D-8F56-11D0-A3B9- 0A0C9223196}",
         }) {
        EXPECT_FALSE(Parse_Guid(text)) << text;
    }
}

} // namespace
