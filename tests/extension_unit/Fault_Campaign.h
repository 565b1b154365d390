#pragma once
// What the fault campaigns share: the faults a request can meet, and a camera that downloads
// again and again from the state discovery left it in, each time with other faults planned,
// and says whether the run kept the download's promise.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Flash_Camera.h"

namespace test {

// Standard error sent nowhere while it lives: a download prints every step there, a write
// each, which would cost a campaign more than the downloads themselves. The library prints
// through `stderr`, which points meanwhile at a fully buffered stream on the null device.
class Silenced_Stderr {
public:
    Silenced_Stderr() {
        std::fflush(stderr);
        if (null_) {
            std::setvbuf(null_, nullptr, _IOFBF, 1 << 16);
            stderr = null_;
        }
    }
    ~Silenced_Stderr() {
        stderr = saved_;
        if (null_)
            std::fclose(null_);
    }
    Silenced_Stderr(const Silenced_Stderr&) = delete;
    Silenced_Stderr& operator=(const Silenced_Stderr&) = delete;

private:
    std::FILE* saved_ = stderr;
    std::FILE* null_ = std::fopen("/dev/null", "w");
};

// The single faults a request can meet: failing with -1 or another result, ignored, a get
// answered with its last byte inverted, and the camera unplugged from it on. A length query
// folds every failure into -1 and has no effect to lose, so it meets -1 and the unplug only.
inline std::vector<platform::simulated::Planned_Fault> Faults_For(const platform::simulated::Event& request,
                                                                  std::uint64_t number) {
    using platform::simulated::Request_Code;
    using Match = platform::simulated::Planned_Fault::Match;
    using Kind = platform::simulated::Fault_Action::Kind;
    const auto at = [&](Kind kind, int result = 0, std::uint32_t position = 0) {
        return platform::simulated::Planned_Fault{
            Match::Request, number, 0, std::nullopt, {kind, result, position}};
    };
    std::vector<platform::simulated::Planned_Fault> faults{
        at(Kind::Fail, -1),
        {Match::Unplug_After,
         number - 1,
         0,
         std::nullopt,
         {Kind::Fail, platform::simulated::Unplugged_Result, 0}}};
    if (request.Code == Request_Code::Get_Len)
        return faults;
    faults.push_back(at(Kind::Fail, platform::Failure_Result(3, 3)));
    faults.push_back(at(Kind::Ignore));
    if (request.Code == Request_Code::Get_Cur)
        faults.push_back(at(Kind::Flip_Byte, 0, request.Length - 1));
    return faults;
}

inline bool Unplugs(const platform::simulated::Planned_Fault& fault) {
    return fault.Which == platform::simulated::Planned_Fault::Match::Unplug_After;
}

// How one download under planned faults ended.
struct Campaign_Outcome {
    int Result = 0;
    float Progress = 0;
    bool Holds_Image = false;   // the region holds exactly what a clean download burns
    bool Outside_Kept = false;  // the flash past the region is as it was
    std::uint64_t Requests = 0; // sent during the run
    // The promise: success (0, and a last progress of exactly 100) only with the image in the
    // region, never one without the other, and nothing past the region touched.
    bool Kept() const {
        return Outside_Kept && (Result == 0 ? Holds_Image && Progress == 100.0f : Progress != 100.0f);
    }
};

// A camera of one family with its clean download's requests and burnt region; Run downloads
// again from the state discovery left it in, under the faults given (their request numbers
// counted within the download, from 1).
class Campaign_Camera {
public:
    explicit Campaign_Camera(const std::string& family) : rig_(family) {
        const Silenced_Stderr quiet;
        EXPECT_EQ(rig_.Download(), 0);
        burnt_ = rig_.Flash(0, Region());
        clean_ = rig_.Requests();
        // The runs are judged by the flash alone; the clean download's requests keep theirs.
        rig_.host.backend->Log().Keep_Request_Data(false);
    }

    std::uint32_t Region() const { return rig_.protocol->Family().Download.Region; }
    // The requests of a download without faults, the n-th at [n - 1].
    const std::vector<platform::simulated::Event>& Clean() const { return clean_; }
    Flash_Camera& Rig() { return rig_; }

    Campaign_Outcome Run(std::initializer_list<platform::simulated::Planned_Fault> faults) {
        // The camera as discovery left it: older code in its flash, its chip just powered on.
        // Only the region changes in a run that keeps the promise; the rest is given back when
        // a run did not.
        rig_.camera->Faults().Clear();
        auto& contents = rig_.camera->Flash().Part()->Contents();
        std::copy_n(rig_.old_contents.begin(), Region(), contents.begin());
        rig_.camera->Flash().Part()->Set_Status(0);
        rig_.camera->Flash().Part()->Forget_Opcodes();
        rig_.opcodes_seen = 0;
        rig_.camera->Registers().Power_On();
        rig_.camera->Flash().Power_On();
        rig_.host.Forget_Events();
        for (platform::simulated::Planned_Fault fault : faults) {
            fault.Number += rig_.camera->Request_Count();
            rig_.camera->Faults().Plan(fault);
        }
        Campaign_Outcome outcome;
        const std::uint64_t before = rig_.camera->Request_Count();
        outcome.Result = rig_.Download(&outcome.Progress);
        outcome.Requests = rig_.camera->Request_Count() - before;
        outcome.Holds_Image = std::equal(burnt_.begin(), burnt_.end(), contents.begin());
        outcome.Outside_Kept =
            std::equal(contents.begin() + Region(), contents.end(), rig_.old_contents.begin() + Region());
        if (!outcome.Outside_Kept)
            contents = rig_.old_contents;
        return outcome;
    }

private:
    Flash_Camera rig_;
    Bytes burnt_;
    std::vector<platform::simulated::Event> clean_;
};

// One line on a run that broke the promise.
inline std::string Describe_Outcome(const Campaign_Outcome& outcome) {
    return "result " + std::to_string(outcome.Result) + ", progress " + std::to_string(outcome.Progress) +
           (outcome.Holds_Image ? "" : ", the flash does not hold the image") +
           (outcome.Outside_Kept ? "" : ", the flash past the region changed");
}

} // namespace test
