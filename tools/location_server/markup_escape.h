// Text made safe inside XML or HTML, as element content or a double-quoted
// attribute value.
#ifndef KELVANE_LOCSERVER_MARKUP_ESCAPE_H
#define KELVANE_LOCSERVER_MARKUP_ESCAPE_H

#include <string>

namespace locserver {

std::string EscapeMarkup(const std::string& text);

}  // namespace locserver

#endif
