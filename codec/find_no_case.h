#pragma once

#include <cstddef>
#include <string_view>

// Position of the first occurrence of `pattern` in `text`, ASCII letters compared without
// regard to case, or -1.
ptrdiff_t FindNoCase(std::string_view text, std::string_view pattern);
