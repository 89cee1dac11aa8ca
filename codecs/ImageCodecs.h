// Registration of the image codecs with the picture loader, run at
// start-up. Calls are counted: the codecs stay
// registered until as many unregister calls have been made.
#pragma once

void RegisterImageCodecs();
void UnregisterImageCodecs();
