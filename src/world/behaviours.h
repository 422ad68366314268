// The thing behaviour pass: every thing acts by its type once per game frame.
#pragma once

void UpdateThings();
