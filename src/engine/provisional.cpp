// Stand-ins for engine operations whose module is not built yet, so the program links.
// Each is removed when its module lands.
