// Two faults in one download. Every pair of requests of a clean download at most Window apart
// (the last reads of the whole region included) meets every pair of the faults Faults_For
// gives, and seeded random pairs reach any two requests: no run may end in success (0, or a
// last progress of 100) unless the flash holds the image, and none may change the flash past
// the region. One ctest test per family and share of the first fault's positions, so that they
// run side by side.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <random>
#include <string>

#include "Fault_Campaign.h"

namespace {

using platform::simulated::Planned_Fault;

// How far apart the two faults of the sweep are at most, in requests.
constexpr std::uint64_t Window = 8;

// The sanitizer builds run many times slower: they take every Nth pair, so that together the
// pairs still reach every kind of request with every kind of fault.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::uint64_t Pair_Stride = 73;
#else
constexpr std::uint64_t Pair_Stride = 1;
#endif
// A first fault ending the download early makes every later second fault meet nothing; the
// full sweep runs it alone first to skip those pairs. In the thinned sweep a first fault meets
// about one second fault, and its run alone would cost as much as the pair.
constexpr bool Skips_Unreached_Pairs = Pair_Stride == 1;

struct Campaign_Share {
    const char* Family;
    unsigned Share;  // the sweep with its first faults in the Share-th of Shares equal parts of
    unsigned Shares; // the download; Share == Shares: the random pairs
    unsigned Random_Pairs = 1000;
};

std::string Share_Name(const Campaign_Share& share) {
    if (share.Share == share.Shares)
        return std::string(share.Family) + "_Random";
    return std::string(share.Family) + "_Window_" + std::to_string(share.Share + 1) + "_of_" +
           std::to_string(share.Shares);
}

[[maybe_unused]] void PrintTo(const Campaign_Share& share, std::ostream* out) {
    *out << Share_Name(share);
}

std::string Describe_Fault(const Planned_Fault& fault) {
    using Kind = platform::simulated::Fault_Action::Kind;
    if (test::Unplugs(fault))
        return "unplugged";
    switch (fault.Action.What) {
    case Kind::Fail:
        return "failing with " + std::to_string(fault.Action.Result);
    case Kind::Ignore:
        return "ignored";
    case Kind::Flip_Byte:
        return "a byte flipped";
    }
    return "?";
}

class Paired_Fault_Campaign : public testing::TestWithParam<Campaign_Share> {
protected:
    // Runs the download under `faults` and counts it; a broken promise fails the test.
    test::Campaign_Outcome Run(std::initializer_list<Planned_Fault> faults) {
        const test::Campaign_Outcome outcome = campaign_->Run(faults);
        ++runs_;
        if (outcome.Kept() || ++broken_ > 10)
            return outcome; // the first ones tell the story
        std::string what;
        for (const Planned_Fault& fault : faults) {
            const std::uint64_t number = test::Unplugs(fault) ? fault.Number + 1 : fault.Number;
            what += "request " + std::to_string(number) + " (" +
                    platform::simulated::Describe(campaign_->Clean()[number - 1]) + ") " +
                    Describe_Fault(fault) + "; ";
        }
        ADD_FAILURE() << GetParam().Family << ": " << what << test::Describe_Outcome(outcome);
        return outcome;
    }

    std::unique_ptr<test::Campaign_Camera> campaign_;
    std::size_t runs_ = 0;
    std::size_t broken_ = 0;
};

TEST_P(Paired_Fault_Campaign, NoTwoFaultsEndInSuccessUnlessTheFlashHoldsTheImage) {
    const Campaign_Share& share = GetParam();
    campaign_ = std::make_unique<test::Campaign_Camera>(share.Family);
    const test::Silenced_Stderr quiet;
    const auto& clean = campaign_->Clean();
    const std::uint64_t requests = clean.size();
    std::uint64_t seen = 0;      // pairs of faults met
    std::uint64_t taken = 0;     // of them, those taken (all but in the sanitizer builds)
    std::uint64_t unreached = 0; // of those, the ones whose second request the download never sent
    if (share.Share < share.Shares) {
        const std::uint64_t from = 1 + requests * share.Share / share.Shares;
        const std::uint64_t to = 1 + requests * (share.Share + 1) / share.Shares;
        for (std::uint64_t n = from; n < to; ++n) {
            for (const Planned_Fault& first : test::Faults_For(clean[n - 1], n)) {
                // From an unplug on every request fails alike: a second fault changes nothing.
                if (test::Unplugs(first))
                    continue;
                // The first fault alone: a download that it ends before request m sends no m
                // either with a second fault there, and ends just as it did (the camera starts
                // every run from the same state).
                std::uint64_t sent = Skips_Unreached_Pairs ? 0 : requests;
                for (std::uint64_t m = n + 1; m <= std::min(n + Window, requests); ++m) {
                    for (const Planned_Fault& second : test::Faults_For(clean[m - 1], m)) {
                        if (seen++ % Pair_Stride != 0)
                            continue;
                        ++taken;
                        if (sent == 0)
                            sent = Run({first}).Requests;
                        if (m > sent)
                            ++unreached;
                        else
                            Run({first, second});
                    }
                }
            }
        }
    } else {
        std::mt19937_64 random(0x5EED + requests);
        std::uniform_int_distribution<std::uint64_t> position(1, requests);
        while (taken * Pair_Stride < share.Random_Pairs) {
            std::uint64_t n = position(random);
            std::uint64_t m = position(random);
            if (n == m)
                continue;
            if (m < n)
                std::swap(n, m);
            const auto firsts = test::Faults_For(clean[n - 1], n);
            const auto seconds = test::Faults_For(clean[m - 1], m);
            const Planned_Fault& first = firsts[random() % firsts.size()];
            if (test::Unplugs(first))
                continue;
            if (seen++ % Pair_Stride != 0)
                continue;
            ++taken;
            Run({first, seconds[random() % seconds.size()]});
        }
    }
    EXPECT_EQ(broken_, 0u) << "downloads that broke the promise";
    std::printf(
        "%s: %llu pairs of faults (%llu of them ending as their first alone), %zu downloads; %zu broke "
        "the promise\n",
        Share_Name(share).c_str(), static_cast<unsigned long long>(taken),
        static_cast<unsigned long long>(unreached), runs_, broken_);
}

// The SPCA2650/2282 download sends about four times the requests of the others, each run
// longer too: more shares, so that no test runs much longer than the rest.
const Campaign_Share Shares[] = {
    {"SPCA2620", 0, 1}, {"SPCA2620", 1, 1}, {"SPCA2281", 0, 1}, {"SPCA2281", 1, 1}, {"SPCA2085", 0, 1},
    {"SPCA2085", 1, 1}, {"SPCA2092", 0, 1}, {"SPCA2092", 1, 1}, {"SPCA2650", 0, 6}, {"SPCA2650", 1, 6},
    {"SPCA2650", 2, 6}, {"SPCA2650", 3, 6}, {"SPCA2650", 4, 6}, {"SPCA2650", 5, 6}, {"SPCA2650", 6, 6},
    {"SPCA2282", 0, 6}, {"SPCA2282", 1, 6}, {"SPCA2282", 2, 6}, {"SPCA2282", 3, 6}, {"SPCA2282", 4, 6},
    {"SPCA2282", 5, 6}, {"SPCA2282", 6, 6},
};

INSTANTIATE_TEST_SUITE_P(Every_Family, Paired_Fault_Campaign, testing::ValuesIn(Shares),
                         [](const auto& info) { return Share_Name(info.param); });

} // namespace
