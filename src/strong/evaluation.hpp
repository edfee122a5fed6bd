// The static value of a quiet position: the board keeps the sum of its
// empty cells' values move by move, so nothing is scanned.
#pragma once

#include <array>

#include "strong/search_board.hpp"

namespace pentad::strong {

// From the side to move's view. Meant for positions where neither side
// has a five to play: the search settles those first.
int Evaluate(const SearchBoard& board);

}  // namespace pentad::strong
