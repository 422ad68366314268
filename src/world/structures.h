// Behaviours of the things that are not free-flying enemies: platforms, beam guns, moving
// structure parts, trees, boss cores, pickups and explosions. Each is one step of UpdateThings
// for a thing of its type, run after the pass's core smoke and wobble steps.
#pragma once

void UpdateExplosion(int slot);    // THING_EXPLOSION; the ship's ends the game frames
void UpdatePlatform(int slot);     // THING_CEILING_PLATFORM, THING_FLOOR_PLATFORM, THING_WIDE_PLATFORM
void UpdateBeamGun(int slot);      // THING_BEAM_GUN
void UpdatePartVert(int slot);     // THING_PART_VERT
void UpdatePartVert2(int slot);    // THING_PART_VERT_2
void UpdatePartHorzX2(int slot);   // THING_PART_HORZ_X2
void UpdatePartJoint(int slot);    // THING_PART_JOINT
void UpdateTreeSegment(int slot);  // THING_TREE_TRUNK, THING_TREE_TOP, THING_TREE_TOP_PLATFORM
void UpdateCore(int slot);         // the cores with a behaviour: 500..507, 510..513, 515
void UpdatePickup(int slot);       // THING_POW_FORWARD, THING_POW_MISSILE

// Whether the beam gun in `slot` burns this frame: its beam timer runs and, when it is linked
// to a core, the 20 frames of the charge are over. The world render draws the beam by it.
bool BeamGunFiring(int slot);
