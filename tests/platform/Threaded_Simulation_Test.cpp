// The tool's worker threads pause and send requests while other threads do the same: the
// clock and the cameras must take concurrent use without losing or tearing an event.
#include <gtest/gtest.h>

#include <thread>

#include "platform/simulated/Simulated_Backend.h"

namespace {

using namespace platform;

constexpr GUID Unit_Guid = Guid_Literal("{28F03370-6311-4A2E-BA2C-6890EB334016}");
constexpr int Rounds = 200;

TEST(Threaded_Simulation, ConcurrentPausesAndRequestsAreAllRecorded) {
    auto backend = std::make_shared<simulated::Simulated_Backend>();
    Scoped_Backend installed(backend);
    std::vector<std::thread> workers;
    for (const char* name : {"cam0", "cam1"}) {
        auto camera = backend->Add_Camera(name, {});
        camera->Bind_Chip_Unit(3, Unit_Guid);
        workers.emplace_back([control = camera->Open_Control()] {
            KSP_NODE property;
            property.Property = {Unit_Guid, 0, KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY};
            property.NodeId = 3;
            for (int i = 0; i < Rounds; ++i) {
                std::uint32_t length = 0;
                control->Ks_Property(property, sizeof property, nullptr, 0, &length);
                platform::Sleep(1);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(backend->Log().Requests().size(), 2u * Rounds);
    EXPECT_EQ(backend->Virtual_Time().Now_Ms(), 2u * Rounds);
    const auto events = backend->Log().Events();
    for (std::size_t i = 0; i < events.size(); ++i)
        ASSERT_EQ(events[i].Sequence, i + 1);
}

} // namespace
