// The opening book's say in the first moves of a game.
#pragma once

#include <vector>

#include "select/engine_context.hpp"
#include "select/select_move.hpp"

namespace pentad {

// Loads the book for the parity of the stone count from the context's
// directory, reshapes cell and candidate values by its answers and returns
// true when one of them is a sure win. `answers` receives what the book
// gave, in the order found.
bool ConsultBook(EngineContext& context, std::vector<BookAnswer>& answers);

}  // namespace pentad
