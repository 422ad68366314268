// Procedural sound effects for the asset maker, written as RIFF WAVE files.
#pragma once

#include <string>

bool MakeSounds(const std::string& folder);
