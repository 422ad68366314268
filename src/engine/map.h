// The Current Map panel: the map background of the current map, the final results, the
// feature-unlocked screen and the name entry. A small turning model of the mode's course with
// the player's marker, the ship or (once lost) a turning explosion, the score and the mode's line.
#pragma once

// The marker's place on the map (x, z in map units) for the mode and stage of the game.
struct MapPoint {
  float x, z;
};
MapPoint MapMarker();

// Draws into a begun scene. Leaves the map view, the map light on and text_rect as they end.
void DrawMapPanel();
