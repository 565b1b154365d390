// An archive the host sends to the simulated system-on-chip camera, unpacked by its shell:
// every member read lies inside the archive, and nothing is ever written outside the
// directory the archive is unpacked into, whatever the names say.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/simulated/Soc_Shell.h"
#include "platform/simulated/Ustar_Reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::simulated;
    const std::span<const std::uint8_t> archive(data, size);
    const Ustar_Archive read = Read_Ustar(archive);
    if (read.Entries.size() > size / Ustar_Block_Size)
        std::abort();
    for (const Ustar_Entry& entry : read.Entries) {
        const bool inside =
            entry.Data.empty() || (entry.Data.data() >= data && entry.Data.data() <= data + size &&
                                   entry.Data.size() <= size - (entry.Data.data() - data));
        if (entry.Name.empty() || !inside)
            std::abort();
    }

    Soc_File_System files;
    Soc_Shell shell(files, {});
    files.Write("/upload/a.tar", Soc_File_System::Bytes(archive.begin(), archive.end()));
    shell.Run("tar -xvf /upload/a.tar -C /tmp/");
    for (const std::string& path : files.Paths()) {
        const bool climbs = path.find("/../") != std::string::npos || path.ends_with("/..");
        if (path != "/upload/a.tar" && (!path.starts_with("/tmp/") || climbs))
            std::abort();
    }
    return 0;
}
