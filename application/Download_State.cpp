#include "Download_State.h"

std::unique_ptr<std::uint8_t[]> Download_Buffer;
std::uint32_t Download_Size = 0;

alignas(std::atomic_ref<float>::required_alignment) float Download_Progress = 0;
std::atomic<std::uint16_t> Download_Result{0};

float Read_Download_Progress() {
    return std::atomic_ref<float>(Download_Progress).load();
}

void Store_Download_Progress(float percent) {
    std::atomic_ref<float>(Download_Progress).store(percent);
}
