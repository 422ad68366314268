// Lights and views of the mesh drawing.
#pragma once

#include "world/engine_services.h"  // the light ids, the view ids and the camera placements

// Sets up every light record and sends it to the device; after every device creation.
void InitLights();
// Sets the view of a view id (above, or 0 to 59 for a camera riding on that thing slot).
void SetView(int view);
