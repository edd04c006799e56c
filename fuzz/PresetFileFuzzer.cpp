// Feeds arbitrary bytes to the preset file reader: it may only answer or
// refuse, never read outside the bytes, and what it answers must write back
// into a file that reads the same.
#include "CPresetFile.h"
#include "PanelCodes.h"
#include "ProductIdentity.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CPresetFile::Contents contents;
    std::string error;
    if (!CPresetFile::read(data, size, product::kVst2UniqueId, contents, error))
        return 0;
    const std::vector<unsigned char> written = CPresetFile::write(contents);
    CPresetFile::Contents again;
    if (!CPresetFile::read(written.data(), written.size(), product::kVst2UniqueId, again, error) ||
        again.chunk != contents.chunk || again.kind != contents.kind)
        std::abort();
    return 0;
}
