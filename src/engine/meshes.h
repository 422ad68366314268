// The mesh table and the texture cache.
#pragma once

// Loads the 95 mesh slots in order; failures go to the console.
void LoadMeshTable();
