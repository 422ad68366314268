// Thing motion: every live thing moved by its speed codes, attached things placed on their
// parents, the left-edge exit, fuses, detaching from a lost parent, and the barrier scroll.
#pragma once

// The motion pass, once per game frame (and per idle frame behind the menus).
void MoveThings();
// Moves the four barrier ends left with the ground until they pass -playfield_width.
void ScrollBarriers();
