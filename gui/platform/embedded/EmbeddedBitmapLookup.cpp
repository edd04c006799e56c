// Bitmap resources of builds without Windows resources: the generated table.
#include "EmbeddedBitmaps.h"
#include "platform/GuiPlatform.h"

#include <algorithm>

namespace guiplatform {

bool findBitmapResource(int id, const unsigned char*& data, std::size_t& size)
{
    std::size_t count = 0;
    const CEmbeddedBitmap* table = quiboEmbeddedBitmaps(count);
    const CEmbeddedBitmap* end = table + count;
    const CEmbeddedBitmap* found =
        std::lower_bound(table, end, id, [](const CEmbeddedBitmap& entry, int key) { return entry.id < key; });
    if (found == end || found->id != id)
        return false;
    data = found->data;
    size = found->size;
    return true;
}

} // namespace guiplatform
