#include "platform/Guid.h"

#include <gtest/gtest.h>

namespace {

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
    EXPECT_EQ(Format_Guid(Example), "{65E8773D-8F56-11D0-A3B9-00A0C9223196}");
    EXPECT_EQ(Parse_Guid(Format_Guid(Example)), Example);
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
