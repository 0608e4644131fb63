// Findings about the language now loaded.
#pragma once

#include "checker.h"

#include <vector>

// The language now loaded: labels, buttons, images, sounds, geometry, texts.
void CheckLoadedLanguage(Checker *checker);

// Each slot's place in the round that Up, Down and Tab make, 1 for the first,
// asked of the launcher's own stepping; 0 where the keys never stop.
std::vector<int> KeyPlaces();
