#pragma once
// The burn's shared state, one set for the process: the image the next burn writes, made by
// each load and edited by the burn, and what the download worker reports to the progress
// thread and the burn's timer.
#include <atomic>
#include <cstdint>
#include <memory>

extern std::unique_ptr<std::uint8_t[]> Download_Buffer;
extern std::uint32_t Download_Size;

// The download's progress in percent. The library stores each step's percent through the
// pointer it is handed, as one atomic store; the tool reads and resets it only through the two
// calls below, so every access on every thread is one atomic word. Exactly 100.0 only after
// the last chunk of a complete download was verified.
alignas(std::atomic_ref<float>::required_alignment) extern float Download_Progress;
float Read_Download_Progress();
void Store_Download_Progress(float percent);

// The low 16 bits of the last download's result; 0 = complete, or still running.
extern std::atomic<std::uint16_t> Download_Result;
