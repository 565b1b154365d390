#pragma once
// The two threads that carry a burn to its end once the camera is prepared: the download
// worker, which burns the download buffer into the camera, reports a failure by message box
// and restarts the camera, and the progress thread, which moves the progress bar after the
// progress value. The burn timer of the main dialog (OnTimer) reports the outcome.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/ui/afx.h"

class Extension_Unit_Base_Protocol;

// The download of Download_Buffer through `protocol` (null: the download fails at once), the
// result word and the progress value set as it goes; a failure's message box, shown by the
// user-interface thread while the worker waits for the answer; then the camera's restart
// unless the result is -1. Answers the result word widened with its sign.
int Download_Thread_Proc(Extension_Unit_Base_Protocol* protocol);

// Both texts the burn timer may append to the log box at a burn's end, the success's and the
// failure's, one after the other.
const char* Burn_Outcome_Lines();
// The failure's alone.
const char* Burn_Failure_Lines();
// What the worker's box says of a download that ended with the result word `result`; the
// general failure for 0, a download that ended short without a result.
const char* Download_Failure_Message(std::uint16_t result);

// The threads of one burn at a time, owned so that none outlives its owner.
class Burn_Threads {
public:
    Burn_Threads() = default;
    ~Burn_Threads() { Join(); }
    Burn_Threads(const Burn_Threads&) = delete;
    Burn_Threads& operator=(const Burn_Threads&) = delete;

    // Starts the worker on `protocol`, then the progress thread on `bar`. The threads of an
    // earlier burn must have been joined.
    void Start(Extension_Unit_Base_Protocol* protocol, CProgressCtrl& bar);
    // True once the worker has returned (and when none was started); the progress value and the
    // result word it left are then final.
    bool Worker_Ended() const { return worker_ended_.load(std::memory_order_acquire); }
    // Waits for both threads; user-interface thread only. While the worker runs, that thread
    // keeps handling its events, so a message box the worker asked for is shown and answered
    // instead of both threads waiting for each other.
    void Join();

    // The progress thread's pace: the bar follows the progress value at most 10 times a
    // second, in step with the percent label over it (the burn timer's period). Each position
    // shown is a repaint of the bar on the user-interface thread, which costs more than all
    // else the burn does there; a faster bar showed positions the label never did.
    static constexpr auto Progress_Interval = std::chrono::milliseconds(100);

private:
    friend void Progress_Thread_Proc(CProgressCtrl& bar, Burn_Threads& threads);
    // Waits one progress interval, or less when the worker ends meanwhile; true once it has.
    bool Wait_For_Worker();
    void Worker_Done();

    std::thread worker_;
    std::thread progress_;
    std::atomic<bool> worker_ended_{true};
    std::mutex mutex_;
    std::condition_variable worker_done_;
};

// Moves `bar` after the progress value at most once a progress interval until the download is
// complete, has failed or the worker has ended, then shows the last value.
void Progress_Thread_Proc(CProgressCtrl& bar, Burn_Threads& threads);
