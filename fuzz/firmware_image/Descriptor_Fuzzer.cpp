// The configuration-descriptor model and the stream model over untrusted bytes: every
// walk must stay within the bytes and end, and whatever the writer produces from any
// model must read back as complete, valid streaming descriptors.
#include "firmware_image/Descriptor_Set.h"
#include "firmware_image/uvcDescriptor.h"

#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Check_Rebuild(const Video_Stream_Model& model) {
    std::vector<std::uint8_t> out;
    const std::uint16_t length = Build_Streaming_Descriptors(model, out);
    Require(length == out.size());
    if (length == 0) {
        return;
    }
    Video_Stream_Model reread;
    reread.Build_From_Header(out);
    Require(reread.Complete == 1);
    Require(reread.Format_Mode == Streaming_Format_Mode(model));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size); // exactly the input, for the sanitizers

    const uvcDescriptor configuration(bytes.data(), bytes.size());
    Require(configuration.Get_Covered_Length() <= configuration.Get_Available_Length());
    const Video_Stream_Model own = configuration.Get_Stream_Model();

    Descriptor_Set set;
    set.Assign_Stream_Model(own);
    Video_Stream_Model collected;
    std::vector<Frame_Size> sizes;
    set.Collect_Frame_Sizes(collected, sizes);

    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i <= configuration.Get_Function_Count() + 2; ++i) {
        const auto index = static_cast<std::uint8_t>(i);
        configuration.Serialise_Function(out, index, own);
        configuration.Serialise_Function(out, index, collected);
    }

    Video_Stream_Model direct;
    direct.Build_From_Header(bytes);
    Check_Rebuild(own);
    Check_Rebuild(collected);
    Check_Rebuild(direct);
    return 0;
}
