#pragma once
// The version a Windows executable carries in its resources (what Explorer's properties show).

#include <string>

namespace kalvo {

// The ProductVersion text of the running executable's version resource, UTF-8; empty when it has none.
std::string ExecutableVersionText();

}  // namespace kalvo
