// zintra: the instrument played standalone, as a JACK client or on an ALSA
// device, with its front panel in a window.
#include "CPlayer.h"

int main(int argc, char** argv)
{
    CPlayer player;
    return player.run(argc, argv);
}
