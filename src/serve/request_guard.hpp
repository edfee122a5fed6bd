// Which requests the board server takes at all. A page from another site can
// make a browser send requests here: as a form post without asking first, or,
// once its domain name is made to point at this machine, as if it were the
// page itself. Neither gets through a check of the Host and the body's type.
#pragma once

#include <string_view>

namespace pentad::serve {

// "application/json", with any parameters such as "; charset=utf-8".
bool IsJsonContentType(std::string_view contentType);

// The Host header names the server by a loopback name or the address it
// listens on, with its port (which only port 80 may leave out).
bool NamesThisServer(std::string_view hostHeader, std::string_view listenHost, int port);

}  // namespace pentad::serve
