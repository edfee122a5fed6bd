#include "book/consultation.hpp"

namespace pentad {

bool ConsultBook(EngineContext&, std::vector<BookAnswer>&) { return false; }

}  // namespace pentad
