// What every front's module makes: the instrument with its front-panel
// editor, on the window backend this module links.
#include "CInstrument.h"
#include "CPanelEditor.h"
#include "CQuibo.h"

#include <new>

std::unique_ptr<CInstrument> createInstrument()
{
    std::unique_ptr<CQuibo> quibo(new (std::nothrow) CQuibo());
    if (quibo == nullptr)
        return nullptr;
    // The editor registers itself with the instrument, which deletes it.
    if (new (std::nothrow) CPanelEditor(quibo.get()) == nullptr)
        return nullptr;
    return quibo;
}
