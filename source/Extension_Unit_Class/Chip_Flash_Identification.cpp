// Flash identification and command sets of the chip families: reading the part's
// identification bytes, choosing its command set, loading the opcodes into the chip and
// asking the chip for its transfer length.
#include <algorithm>
#include <cstdio>

#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "platform/Pacing_Clock.h"

namespace {

constexpr std::uint16_t Slot_Selector = 7;
constexpr std::uint16_t Opcode_Selector = 8;
constexpr std::uint16_t Flash_Id_Selector = 23;
constexpr std::uint16_t Flash_Data_Selector = 15;
constexpr std::uint8_t Identification_Slot = 13;
constexpr std::uint16_t Length_Query_Register = 0x2501;
constexpr std::uint16_t Fixed_Piece_Length = 4096;

// SPI master A: the part's JEDEC bytes, clocked by hand. The receive latch keeps the last
// byte of the run before, so the first place read holds the capacity byte only from the
// second run on: the script runs twice and the second run counts.
constexpr Register_Step Spi_Master_A_Read_Id[] = {
    Write_Step(0x2020, 0x80), Write_Step(0x2022, 0x04), Read_Step(0x2021), // master reset
    Write_Step(0x2025, 0x00), Write_Step(0x2022, 0x9F),                    // select, send the opcode
    Read_Step(0x2023, 0),     Read_Step(0x2021),                           // the latch of the run before
    Read_Step(0x2024, 1),     Read_Step(0x2021),                           // manufacturer
    Read_Step(0x2023, 2),     Read_Step(0x2021),                           // manufacturer again
    Read_Step(0x2024, 3),     Read_Step(0x2021),                           // memory type
    Read_Step(0x2023, 4),     Read_Step(0x2021),                           // memory type again
    Read_Step(0x2024, 5),     Read_Step(0x2021),                           // capacity
    Write_Step(0x2025, 0x02),                                              // release
};

// SPI engine B: one identification command, three bytes back.
constexpr Register_Step Spi_Engine_B_Read_Id[] = {
    Write_Step(0x2C25, 0x10), Write_Step(0x2C24, 0x9F),                           // load, opcode
    Write_Step(0x2C26, 0x03), Write_Step(0x2C27, 0x00), Write_Step(0x2C2A, 0x00), // read three bytes
    Write_Step(0x2C25, 0x01), Read_Step(0x2C25),                                  // run, wait
    Read_Step(0x2C24, 0),     Read_Step(0x2C24, 1),     Read_Step(0x2C24, 2),     // the answer
};

std::uint32_t Word_Of(const std::array<std::uint8_t, 3>& bytes) {
    return bytes[0] | static_cast<std::uint32_t>(bytes[1]) << 8 | static_cast<std::uint32_t>(bytes[2]) << 16;
}

bool Holds(const Jedec_Id_Row& row, const std::array<std::uint8_t, 6>& id) {
    for (std::size_t place = 0; place < id.size(); ++place) {
        if (row.Id[place] != Any_Byte && row.Id[place] != id[place])
            return false;
    }
    return true;
}

} // namespace

std::uint32_t Flash_Model_From_Id_Words(const std::array<std::uint32_t, 3>& words) {
    for (const Id_Word_Row& row : Id_Word_Rows) {
        if (words[row.Word] == Word_Of(row.Bytes))
            return row.Model;
    }
    return 0;
}

std::uint32_t Flash_Model_From_Jedec_Id(const std::array<std::uint8_t, 6>& id) {
    for (const Jedec_Id_Row& row : Jedec_Id_Rows) {
        if (Holds(row, id))
            return row.Model;
    }
    return 0;
}

std::uint32_t Flash_Model_Of(const Chip_Family& family, const Flash_Id_Bytes& bytes) {
    return family.Flash.Id_Way == Flash_Id_Way::Opcode_Slot ? Flash_Model_From_Id_Words(bytes.Words)
                                                            : Flash_Model_From_Jedec_Id(bytes.Id);
}

std::uint8_t Command_Set_For_Model(const Chip_Family& family, std::uint32_t model, Flash_Command_Set* set) {
    std::uint8_t sf_type = SF_MX;
    for (const Flash_Model_Range& range : Flash_Model_Ranges) {
        if (model >= range.First && model <= range.Last) {
            sf_type = range.Family;
            break;
        }
    }
    if (sf_type == SF_EON && family.Flash.Eon_Parts_As_Mx)
        sf_type = SF_MX;
    if (sf_type != SF_UNKNOW && set)
        *set = Flash_Command_Sets[sf_type];
    return sf_type;
}

std::uint8_t Get_Flash_Command_Set(const Chip_Family& family, const Flash_Id_Bytes& bytes,
                                   Flash_Command_Set* set) {
    return Command_Set_For_Model(family, Flash_Model_Of(family, bytes), set);
}

const char* Put_Serial_Flash_Type_Name(int sf_type) {
    static constexpr const char* names[] = {"SF_PMC", "SF_SST", "SF_MX", "SF_EON", "SF_AMIC", "SF_MX32"};
    if (sf_type < 0 || sf_type >= static_cast<int>(std::size(names)))
        return "SF_UNKNOW";
    return names[sf_type];
}

void Extension_Unit_Chip_Protocol::Run_Register_Script(std::span<const Register_Step> steps,
                                                       std::span<std::uint8_t> places,
                                                       std::uint32_t pause_ms) {
    for (const Register_Step& step : steps) {
        if (step.Write) {
            Write_Reg(step.Address, step.Value);
        } else {
            std::uint8_t scratch = 0;
            Read_Reg(step.Address, step.Value < places.size() ? &places[step.Value] : &scratch);
        }
        if (pause_ms != 0)
            platform::Sleep(pause_ms);
    }
}

Flash_Id_Bytes Extension_Unit_Chip_Protocol::Read_Flash_Id() {
    Flash_Id_Bytes bytes;
    switch (family_.Flash.Id_Way) {
    case Flash_Id_Way::Spi_Master_A:
        Run_Register_Script(Spi_Master_A_Read_Id, bytes.Id);
        Run_Register_Script(Spi_Master_A_Read_Id, bytes.Id);
        break;
    case Flash_Id_Way::Spi_Engine_B:
        Run_Register_Script(Spi_Engine_B_Read_Id, bytes.Id);
        break;
    case Flash_Id_Way::Opcode_Slot: {
        ExtUnit* unit = Unit();
        if (!unit)
            break;
        const std::uint16_t unit_field = family_.Unit_Field;
        for (std::size_t k = 0; k < Flash_Id_Opcodes.size(); ++k) {
            const std::uint8_t slot = Identification_Slot;
            const std::uint8_t opcode = Flash_Id_Opcodes[k];
            std::array<std::uint8_t, 3> answer{};
            Ext_Unit_Request requests[] = {
                Ext_Unit_Request::Get_Len(Slot_Selector, unit_field, 0),
                Ext_Unit_Request::Set_Cur(Slot_Selector, unit_field, 1, &slot),
                Ext_Unit_Request::Get_Len(Opcode_Selector, unit_field, 0),
                Ext_Unit_Request::Set_Cur(Opcode_Selector, unit_field, 1, &opcode),
                Ext_Unit_Request::Get_Len(Flash_Id_Selector, unit_field, 0),
                Ext_Unit_Request::Get_Cur(Flash_Id_Selector, unit_field, 3, answer.data()),
            };
            for (Ext_Unit_Request& request : requests)
                unit->Send_Request(&request);
            bytes.Words[k] = Word_Of(answer);
        }
        break;
    }
    }
    return bytes;
}

int Extension_Unit_Chip_Protocol::Get_Flash_Model() {
    return static_cast<int>(Flash_Model_Of(family_, Read_Flash_Id()));
}

Flash_Command_Set Extension_Unit_Chip_Protocol::Get_Flash_Type(std::uint8_t* family) {
    const Flash_Id_Bytes bytes = Read_Flash_Id();
    if (family_.Flash.Prints_Id_Bytes) {
        const auto& id = bytes.Id;
        std::printf("%02x %02x %02x %02x %02x %02x \r\n", id[0], id[1], id[2], id[3], id[4], id[5]);
        std::fflush(stdout);
    }
    Flash_Command_Set record{};
    const std::uint8_t sf_type = Get_Flash_Command_Set(family_, bytes, &record);
    Log_Printf("\r\n[%s]=Get_Flash_Type= %s \r\n", "Put_Serial_Flash_Type_Name(SF_Type)",
               Put_Serial_Flash_Type_Name(sf_type));
    if (family)
        *family = sf_type;
    Detected_Command_Set = record;
    Download_Command_Set = record;
    SF_Type = sf_type;
    // A part that cannot be driven has no record: its sets stay zero and are never loaded.
    if (sf_type == SF_UNKNOW)
        return record;
    if (sf_type == SF_PMC && family_.Flash.Pmc_Downloads_With_Mx)
        Download_Command_Set = Flash_Command_Sets[SF_MX];
    // A download erases sector by sector; a stray chip erase would wipe what it must keep.
    Download_Command_Set.Opcode[Chip_Erase_Opcode] = 0xFF;
    return record;
}

int Extension_Unit_Chip_Protocol::Set_Flash_type(std::uint8_t which) {
    EXTENSION_UNIT_LOG_LOCATION();
    ExtUnit* unit = Unit();
    if (SF_Type == SF_UNKNOW || !unit) {
        EXTENSION_UNIT_LOG_LOCATION();
        return Result_Failed;
    }
    const Flash_Command_Set& set = which != 0 ? Detected_Command_Set : Download_Command_Set;
    const std::uint16_t unit_field = family_.Unit_Field;
    std::array<std::uint8_t, 12> slots{};
    std::array<Ext_Unit_Request, 4 * 12> requests{};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        slots[i] = static_cast<std::uint8_t>(i + 1);
        requests[4 * i] = Ext_Unit_Request::Get_Len(Slot_Selector, unit_field, 0);
        requests[4 * i + 1] = Ext_Unit_Request::Set_Cur(Slot_Selector, unit_field, 1, &slots[i]);
        requests[4 * i + 2] = Ext_Unit_Request::Get_Len(Opcode_Selector, unit_field, 0);
        requests[4 * i + 3] = Ext_Unit_Request::Set_Cur(Opcode_Selector, unit_field, 1, &set.Opcode[i]);
    }
    // A slot that does not take its opcode shows in the transfers that use it, not here.
    for (Ext_Unit_Request& request : requests)
        unit->Send_Request(&request);
    EXTENSION_UNIT_LOG_LOCATION();
    return 0;
}

int Extension_Unit_Chip_Protocol::Get_Flash_Length_Mes(std::uint16_t* length) {
    EXTENSION_UNIT_LOG_LOCATION();
    if (!length)
        return Result_Refused;
    const Chip_Flash_Traits& traits = family_.Flash;
    if (traits.Clears_2501_First)
        Write_Reg(Length_Query_Register, 0x00);
    const std::uint16_t unit_field = family_.Unit_Field;
    const std::uint8_t mode = Download_Command_Set.Program_Mode;
    Ext_Unit_Request requests[] = {
        Ext_Unit_Request::Get_Len(traits.Mode_Selector, unit_field, 1),
        Ext_Unit_Request::Set_Cur(traits.Mode_Selector, unit_field, 1, &mode),
        Ext_Unit_Request::Get_Len(Flash_Data_Selector, unit_field, traits.Length_Preset),
    };
    ExtUnit* unit = Unit();
    int result = 0;
    for (Ext_Unit_Request& request : requests) {
        const int sent = unit ? unit->Send_Request(&request) : Result_Failed;
        if (sent < 0) {
            EXTENSION_UNIT_LOG_LOCATION();
            result = sent;
        }
    }
    // A failed query leaves the preset in place of the chip's answer.
    *length =
        traits.Length_Always_4096 ? Fixed_Piece_Length : static_cast<std::uint16_t>(requests[2].Inline_Data);
    EXTENSION_UNIT_LOG_LOCATION();
    return traits.Length_Always_4096 ? 0 : result;
}
