// Reads back what the demo machine wrote: keys and values byte for byte, usage records, files,
// icons loaded through the shell, shortcuts resolved through IShellLinkW.
#pragma once

#include "demo/DemoProgram.h"

#include <string>
#include <vector>

namespace demo {

// Problems found for one program; empty when everything is as written. COM must be initialised.
std::vector<std::wstring> VerifyProgram(const DemoProgram& program);

}  // namespace demo
