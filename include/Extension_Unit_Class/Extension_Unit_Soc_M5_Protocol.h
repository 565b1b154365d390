#pragma once
// The system-on-chip camera ("ZUNQ_SOC_550_0"): no SPI flash the host programs, but a file
// channel on one control (selector 8 of the second extension unit, unit id 4) through which
// the host creates, writes, closes, sizes and reads files on the camera and runs shell
// commands there. Its firmware update writes an archive into the camera, reads it back, has
// the camera unpack it and run the update script it holds, and judges the outcome by the size
// of the result file the script leaves.
//
// Every other camera operation answers -1 without a request; the flash model is 0 and the
// command set all zero, so the tool treats the camera as having no flash part it knows.
//
// Each file operation sends 4096-byte command blocks (SET_CUR), reads 4096-byte replies
// (GET_CUR) and opens with a length query of the control; the pauses between them pace the
// camera's command processing and go through platform::Sleep.
#include <cstdint>

#include "Extension_Unit_Class/Extension_Unit_Device_Protocol.h"
#include "Extension_Unit_Class/Refusing_Operations.h"

// The command block, as the camera expects it (4096 bytes, little-endian, zero-filled):
//   0  u32 Kind     133 file operation, 128 shell command, 8 file data
//   4  u32 Arg      file data: the chunk's byte offset in the file; otherwise 0
//   8  u32 Length   file operation: 520; shell command: the text's length; data: the byte count
//  12  payload      file operation: char[512] path (NUL-padded), u32 value at 524 (size for
//                   create and close, offset for read, 0 for size), u32 op at 528 (0x80 size,
//                   0x100 read, 0x807 create, 0x407 close); shell command: the text; data: the
//                   bytes (at most 4084)
// A reply (GET_CUR) holds the size in its first u32, or up to 4096 bytes of file data, or for
// create the echo of the request block.
class Extension_Unit_Soc_M5_Protocol
    : public Refusing_Operations<Extension_Unit_Device_Protocol, Result_Failed> {
public:
    // Takes ownership of `device`, whose second binding reaches the file channel. Sends nothing.
    explicit Extension_Unit_Soc_M5_Protocol(Extension_Unit_Base_Class* device);

    // The update: the image is the archive. 0 when the update script left a result file of
    // exactly 5 bytes; -2 for a null image; -1 when the archive read back from the camera
    // differs from the image (the shell commands are then never run) or the result file has
    // another size or never appears. The progress value is not written.
    int Download_Firmware(const std::uint8_t* image, std::uint32_t length, float* progress) override;

    // The file operations. A null or over-long path (more than 511 characters), a null size or
    // buffer pointer and an over-long command (more than 4084 characters) are refused with -2
    // before any request; a protocol whose device was detached answers -1.

    // The file's size through `size` (0 when the camera answered nothing), also returned as int.
    virtual int Get_File_Size(const char* path, std::uint32_t* size);
    // Reads the first `length` bytes of the file into `buffer`, block by block. 0 even when
    // transfers failed: the blocks that failed read as zeros.
    virtual int Read_File(const char* path, std::uint8_t* buffer, std::uint32_t length);
    // Creates (or truncates) the file and opens it for Write_File_Data. 0 when the camera echoes
    // the path sent, -1 otherwise.
    virtual int Create_File(const char* path, std::uint32_t size);
    // Writes `length` bytes into the open file in chunks of at most 4084. 0 whatever the
    // transfers gave.
    virtual int Write_File_Data(const std::uint8_t* data, std::uint32_t length);
    // Closes the open file. -1 when the control reports a length below 520 (the block would not
    // fit); otherwise the result of the block transfer.
    virtual int Close_File(const char* path, std::uint32_t size);
    // Runs a shell command on the camera; results as Close_File. The command's own outcome is
    // not reported.
    virtual int Run_Shell_Command(const char* command);
};
