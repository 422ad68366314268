// Stand-ins for world functions whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "world/enemies.h"
#include "world/structures.h"

// Enemy behaviours: nothing acts yet.
void UpdateGlowBug(int) {}
void UpdateSpawner(int) {}
void UpdateLauncher(int) {}
void UpdateParkedMissile(int) {}
void UpdateFighter(int) {}
void UpdateFighter2(int) {}
void UpdateCarrier(int) {}
void UpdateTug(int) {}
void UpdateTurret(int) {}
void UpdateCannon(int) {}
void UpdateCannon2(int) {}
void UpdateLaser(int) {}
void TurnAim(int, int) {}

// Structures, cores, pickups and explosions: nothing acts yet.
void UpdateExplosion(int) {}
void UpdatePlatform(int) {}
void UpdateBeamGun(int) {}
void UpdatePartVert(int) {}
void UpdatePartVert2(int) {}
void UpdatePartHorzX2(int) {}
void UpdatePartJoint(int) {}
void UpdateTreeSegment(int) {}
void UpdateCore(int) {}
void UpdatePickup(int) {}
